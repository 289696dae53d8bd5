#pragma once

#include "AutomationHost.h"
#include "UiaCore.h"
#include "UiaDeclarations.h"

#include <ComPtr.h>

#include <windows.h>

#include <cstddef>

// The log's text pattern: the whole log as one document with a single
// selection and a caret, the ranges a screen reader reads it by (see
// LogTextRange), and those shown, at a point, selected or at the caret.
class LogTextProvider final : public uia::ITextProvider2 {
public:
    // Null if there is no memory for it.
    static ComPtr<uia::ITextProvider2> Create(
        const HostLink& link, const UiaCore& core, IRawElementProviderSimple* element);

    LogTextProvider(const LogTextProvider&) = delete;
    LogTextProvider& operator=(const LogTextProvider&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // ITextProvider
    HRESULT STDMETHODCALLTYPE GetSelection(SAFEARRAY** result) override;
    HRESULT STDMETHODCALLTYPE GetVisibleRanges(SAFEARRAY** result) override;
    HRESULT STDMETHODCALLTYPE RangeFromChild(
        IRawElementProviderSimple* child, uia::ITextRangeProvider** result) override;
    HRESULT STDMETHODCALLTYPE RangeFromPoint(uia::UiaPoint point, uia::ITextRangeProvider** result) override;
    HRESULT STDMETHODCALLTYPE get_DocumentRange(uia::ITextRangeProvider** result) override;
    HRESULT STDMETHODCALLTYPE get_SupportedTextSelection(uia::SupportedTextSelection* result) override;

    // ITextProvider2
    HRESULT STDMETHODCALLTYPE RangeFromAnnotation(
        IRawElementProviderSimple* annotation, uia::ITextRangeProvider** result) override;
    HRESULT STDMETHODCALLTYPE GetCaretRange(BOOL* isActive, uia::ITextRangeProvider** result) override;

private:
    LogTextProvider(const HostLink& link, const UiaCore& core, IRawElementProviderSimple* element);
    ~LogTextProvider();

    // Runs action(host), or fails as the platform expects once the window
    // is gone; running out of memory fails the call, never the program.
    template <typename Action> HRESULT Call(Action action);
    HRESULT NewRange(size_t start, size_t end, uia::ITextRangeProvider** result) const;
    // A one-range array, or none at all if start is past end.
    HRESULT RangeArray(size_t start, size_t end, SAFEARRAY** result) const;

    LONG m_references = 1;
    HostLink m_link;
    const UiaCore& m_core;
    IRawElementProviderSimple* m_element;
};
