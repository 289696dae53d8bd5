#pragma once

#include "AutomationHost.h"
#include "TextUnits.h"
#include "UiaCore.h"
#include "UiaDeclarations.h"

#include <ComPtr.h>

#include <windows.h>

#include <cstddef>

// A stretch of the log as a screen reader holds it: two character positions.
// The text only grows at its end, but may be replaced whole (WM_SETTEXT), so
// both are clamped to its length on every call. Every call costs a lookup
// in the text's size plus the text it returns (see TextUnits for moving by
// characters and words); none copies the log.
class LogTextRange final : public uia::ITextRangeProvider {
public:
    // Null if there is no memory for it.
    static ComPtr<uia::ITextRangeProvider> Create(
        const HostLink& link, const UiaCore& core, IRawElementProviderSimple* element, size_t start, size_t end);

    LogTextRange(const LogTextRange&) = delete;
    LogTextRange& operator=(const LogTextRange&) = delete;

    // IUnknown: besides IUnknown and ITextRangeProvider, answers a private
    // interface with the object itself, by which ranges of this log are
    // told from any other provider's, which are refused.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // ITextRangeProvider
    HRESULT STDMETHODCALLTYPE Clone(uia::ITextRangeProvider** result) override;
    HRESULT STDMETHODCALLTYPE Compare(uia::ITextRangeProvider* range, BOOL* result) override;
    HRESULT STDMETHODCALLTYPE CompareEndpoints(uia::TextPatternRangeEndpoint endpoint,
        uia::ITextRangeProvider* targetRange, uia::TextPatternRangeEndpoint targetEndpoint, int* result) override;
    HRESULT STDMETHODCALLTYPE ExpandToEnclosingUnit(uia::TextUnit unit) override;
    HRESULT STDMETHODCALLTYPE FindAttribute(
        TEXTATTRIBUTEID attributeId, VARIANT value, BOOL backward, uia::ITextRangeProvider** result) override;
    HRESULT STDMETHODCALLTYPE FindText(
        BSTR text, BOOL backward, BOOL ignoreCase, uia::ITextRangeProvider** result) override;
    HRESULT STDMETHODCALLTYPE GetAttributeValue(TEXTATTRIBUTEID attributeId, VARIANT* result) override;
    HRESULT STDMETHODCALLTYPE GetBoundingRectangles(SAFEARRAY** result) override;
    HRESULT STDMETHODCALLTYPE GetEnclosingElement(IRawElementProviderSimple** result) override;
    HRESULT STDMETHODCALLTYPE GetText(int maxLength, BSTR* result) override;
    HRESULT STDMETHODCALLTYPE Move(uia::TextUnit unit, int count, int* result) override;
    HRESULT STDMETHODCALLTYPE MoveEndpointByUnit(
        uia::TextPatternRangeEndpoint endpoint, uia::TextUnit unit, int count, int* result) override;
    HRESULT STDMETHODCALLTYPE MoveEndpointByRange(uia::TextPatternRangeEndpoint endpoint,
        uia::ITextRangeProvider* targetRange, uia::TextPatternRangeEndpoint targetEndpoint) override;
    HRESULT STDMETHODCALLTYPE Select() override;
    HRESULT STDMETHODCALLTYPE AddToSelection() override;
    HRESULT STDMETHODCALLTYPE RemoveFromSelection() override;
    HRESULT STDMETHODCALLTYPE ScrollIntoView(BOOL alignToTop) override;
    HRESULT STDMETHODCALLTYPE GetChildren(SAFEARRAY** result) override;

private:
    LogTextRange(
        const HostLink& link, const UiaCore& core, IRawElementProviderSimple* element, size_t start, size_t end);
    ~LogTextRange();

    // Runs action(host) with both ends clamped to the text, or fails as the
    // platform expects once the window is gone; running out of memory fails
    // the call, never the program.
    template <typename Action> HRESULT Call(Action action);
    // The other range if it is one of this log's, clamped too; else null.
    LogTextRange* Own(uia::ITextRangeProvider* other, size_t length) const;
    HRESULT NewRange(size_t start, size_t end, uia::ITextRangeProvider** result) const;
    size_t& Endpoint(uia::TextPatternRangeEndpoint endpoint)
    {
        return endpoint == uia::TextPatternRangeEndpoint_Start ? m_start : m_end;
    }
    // The endpoint set, the other one moved along should they cross.
    void SetEndpoint(uia::TextPatternRangeEndpoint endpoint, size_t position);

    LONG m_references = 1;
    HostLink m_link;
    const UiaCore& m_core;
    IRawElementProviderSimple* m_element;
    size_t m_start;
    size_t m_end;
};
