#pragma once

#include <cstddef>
#include <string>

// What the tool operations need of a log: they write the program's own
// messages and the tools' output into it, and read lines back to judge a
// conversion. The window's log pane is one; a test can bring its own.
class ToolLog {
public:
    virtual ~ToolLog() = default;

    // One message of the program's own, as a whole line; an empty one is a
    // bare line break.
    virtual void AppendLine(const std::wstring& text) = 0;
    // A tool's run begins: its output follows.
    virtual void BeginOutput() = 0;
    // One chunk of a tool's output, exactly as it was read.
    virtual void AppendOutput(const char* bytes, size_t length) = 0;
    // The tool's run is over: nothing more of its output follows.
    virtual void EndOutput() = 0;

    // An empty log has one, empty, line.
    virtual int LineCount() const = 0;
    // Text of one line, counted from 0, at most maxChars characters of it.
    virtual std::wstring Line(int index, int maxChars) const = 0;
};
