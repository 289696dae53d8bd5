#pragma once

#include "AnsiChunkDecoder.h"
#include "ToolLog.h"

#include <CEdit.h>

#include <cstddef>
#include <optional>
#include <string>

// The log: the program's own messages and everything the tools print, always
// appended at the end, never trimmed. Works on any control that answers the
// edit control's messages; the log view also keeps still while the operator
// looks elsewhere in it.
class LogPane : public ToolLog {
public:
    explicit LogPane(const CEdit& control)
        : m_control(control)
    {
    }

    // Lifts the control's default text limit, so no output is ever refused.
    void RemoveLengthLimit() const;

    void Append(const std::wstring& text, bool newLine) const;
    void AppendLine(const std::wstring& text) override;
    // A log that ran out of memory tries again for each run, and says again
    // that it is full if this run's output does not fit either.
    void BeginOutput() override;
    void AppendOutput(const char* bytes, size_t length) override;
    // Shows the bytes of a character cut short by the run's end.
    void EndOutput() override;

    int LineCount() const override;
    std::wstring Line(int index, int maxChars) const override;
    std::wstring Text() const;

private:
    // The log view, which appends at the end by itself and repaints what it
    // changed; asked once, at the first append. Any other edit control is
    // given the selection at the end and told to repaint.
    bool IsLogView() const;

    const CEdit& m_control;
    AnsiChunkDecoder m_decoder;
    mutable std::optional<bool> m_isLogView;
};
