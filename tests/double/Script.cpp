#include "Script.h"

#include "Encoding.h"
#include "FillerText.h"

#include <TextFormat.h>
#include <UniqueAny.h>

#include <windows.h>

#include <cctype>
#include <limits>

namespace tooldouble {
namespace {

using testkit::encoding::fromUtf8;

constexpr std::uint32_t kMaxSleepMs = 24u * 60u * 60u * 1000u;
// More would only measure how long a benchmark can wait.
constexpr std::uint64_t kMaxTicks = 100000;
constexpr std::uint64_t kMaxLeak = 100000;

std::uint64_t parseUnsigned(std::string_view text, std::uint64_t max, const char* what)
{
    text = trimBlanks(text);
    std::uint64_t multiplier = 1;
    if (!text.empty() && (text.back() == 'k' || text.back() == 'K')) {
        multiplier = 1024;
        text.remove_suffix(1);
    } else if (!text.empty() && (text.back() == 'm' || text.back() == 'M')) {
        multiplier = 1024 * 1024;
        text.remove_suffix(1);
    }
    if (text.empty())
        throw std::invalid_argument(std::string("missing ") + what);
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            throw std::invalid_argument(std::string("bad ") + what + " '" + std::string(text) + "'");
        value = value * 10 + static_cast<unsigned>(c - '0');
        if (value > max)
            throw std::invalid_argument(std::string(what) + " too large");
    }
    if (value > max / multiplier)
        throw std::invalid_argument(std::string(what) + " too large");
    return value * multiplier;
}

std::uint32_t parseExitCode(std::string_view text)
{
    text = trimBlanks(text);
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        std::uint64_t value = 0;
        for (char c : text.substr(2)) {
            const int digit = hexDigitValue(c);
            if (digit < 0)
                throw std::invalid_argument("bad exit code '" + std::string(text) + "'");
            value = value * 16 + static_cast<unsigned>(digit);
            if (value > std::numeric_limits<std::uint32_t>::max())
                throw std::invalid_argument("exit code too large");
        }
        return static_cast<std::uint32_t>(value);
    }
    const bool negative = !text.empty() && text.front() == '-';
    if (negative)
        text.remove_prefix(1);
    const auto magnitude
        = static_cast<std::uint32_t>(parseUnsigned(text, negative ? 0x80000000u : 0xFFFFFFFFu, "exit code"));
    return negative ? 0u - magnitude : magnitude;
}

std::wstring resolvePath(std::string_view text, const std::wstring& baseDirectory)
{
    text = trimBlanks(text);
    if (text.empty())
        throw std::invalid_argument("missing path");
    std::wstring path = fromUtf8(text);
    const bool absolute = path[0] == L'\\' || path[0] == L'/' || (path.size() > 1 && path[1] == L':');
    if (absolute || baseDirectory.empty())
        return path;
    std::wstring joined = baseDirectory;
    if (joined.back() != L'\\' && joined.back() != L'/')
        joined += L'\\';
    return joined + path;
}

std::wstring directoryOf(const std::wstring& path)
{
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

Command parseCommand(std::string_view verb, std::string_view operand, const std::wstring& baseDirectory)
{
    Command command;
    const auto noOperand = [&] {
        if (!trimBlanks(operand).empty())
            throw std::invalid_argument("'" + std::string(verb) + "' takes no operand");
    };

    if (verb == "out" || verb == "err") {
        command.verb = Verb::Write;
        command.stream = verb == "out" ? Stream::Out : Stream::Err;
        command.bytes = Script::decodeText(operand);
    } else if (verb == "outraw" || verb == "errraw") {
        command.verb = Verb::Write;
        command.stream = verb == "outraw" ? Stream::Out : Stream::Err;
        command.bytes = Script::decodeHex(operand);
    } else if (verb == "filler" || verb == "errfiller") {
        command.verb = Verb::Filler;
        command.stream = verb == "filler" ? Stream::Out : Stream::Err;
        operand = trimBlanks(operand);
        const auto blank = operand.find_first_of(" \t");
        command.amount = parseUnsigned(operand.substr(0, blank), std::uint64_t(1) << 40, "byte count");
        command.width = FillerText::kDefaultWidth;
        if (blank != std::string_view::npos) {
            command.width = static_cast<unsigned>(parseUnsigned(operand.substr(blank), 1 << 20, "line width"));
            if (command.width < FillerText::kMinWidth)
                throw std::invalid_argument("line width must be at least 2");
        }
    } else if (verb == "ticks") {
        command.verb = Verb::Ticks;
        operand = trimBlanks(operand);
        const auto blank = operand.find_first_of(" \t");
        if (blank == std::string_view::npos)
            throw std::invalid_argument("'ticks' takes a count and an interval");
        command.amount = parseUnsigned(operand.substr(0, blank), kMaxTicks, "tick count");
        command.intervalMs = static_cast<unsigned>(parseUnsigned(operand.substr(blank), kMaxSleepMs, "interval"));
        if (command.amount == 0 || command.intervalMs == 0)
            throw std::invalid_argument("'ticks' needs at least one line and a pause between lines");
    } else if (verb == "leak") {
        command.verb = Verb::Leak;
        command.amount = parseUnsigned(operand, kMaxLeak, "handle count");
        if (command.amount == 0)
            throw std::invalid_argument("'leak' needs at least one handle");
    } else if (verb == "sleep") {
        command.verb = Verb::Sleep;
        command.amount = parseUnsigned(operand, kMaxSleepMs, "milliseconds");
    } else if (verb == "waitfile" || verb == "touch" || verb == "args" || verb == "spawn" || verb == "floodtimed") {
        command.verb = verb == "waitfile" ? Verb::WaitFile
            : verb == "touch"             ? Verb::Touch
            : verb == "args"              ? Verb::Args
            : verb == "floodtimed"        ? Verb::FloodTimed
                                          : Verb::Spawn;
        command.path = resolvePath(operand, baseDirectory);
    } else if (verb == "handle") {
        command.verb = Verb::Handle;
        operand = trimBlanks(operand);
        const auto blank = operand.find_first_of(" \t");
        if (blank == std::string_view::npos)
            throw std::invalid_argument("'handle' takes a value and a path");
        command.amount = parseUnsigned(operand.substr(0, blank), 0xFFFFFFFFu, "handle value");
        command.path = resolvePath(operand.substr(blank), baseDirectory);
    } else if (verb == "closestd") {
        noOperand();
        command.verb = Verb::CloseStd;
    } else if (verb == "crash") {
        noOperand();
        command.verb = Verb::Crash;
    } else if (verb == "exit") {
        command.verb = Verb::Exit;
        command.exitCode = parseExitCode(operand);
    } else {
        throw std::invalid_argument("unknown command '" + std::string(verb) + "'");
    }
    return command;
}

} // namespace

ScriptError::ScriptError(int line, const std::string& message)
    : std::runtime_error(message)
    , line_(line)
{
}

std::string Script::decodeText(std::string_view text)
{
    std::string bytes;
    std::string run;
    const auto flush = [&] {
        bytes += testkit::encoding::toAnsi(fromUtf8(run));
        run.clear();
    };

    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            run += text[i];
            continue;
        }
        if (++i == text.size())
            throw std::invalid_argument("text ends in a lone backslash");
        switch (text[i]) {
        case 'r':
            run += '\r';
            break;
        case 'n':
            run += '\n';
            break;
        case 't':
            run += '\t';
            break;
        case '0':
            run += '\0';
            break;
        case '\\':
            run += '\\';
            break;
        case 'x': {
            const int high = i + 1 < text.size() ? hexDigitValue(text[i + 1]) : -1;
            const int low = i + 2 < text.size() ? hexDigitValue(text[i + 2]) : -1;
            if (high < 0 || low < 0)
                throw std::invalid_argument("\\x needs two hex digits");
            flush();
            bytes += static_cast<char>(high * 16 + low);
            i += 2;
            break;
        }
        default:
            throw std::invalid_argument(std::string("unknown escape \\") + text[i]);
        }
    }
    flush();
    return bytes;
}

std::string Script::decodeHex(std::string_view text)
{
    std::string bytes;
    int high = -1;
    for (char c : text) {
        if (c == ' ' || c == '\t') {
            if (high >= 0)
                throw std::invalid_argument("hex bytes need two digits each");
            continue;
        }
        const int digit = hexDigitValue(c);
        if (digit < 0)
            throw std::invalid_argument(std::string("not a hex digit: '") + c + "'");
        if (high < 0) {
            high = digit;
        } else {
            bytes += static_cast<char>(high * 16 + digit);
            high = -1;
        }
    }
    if (high >= 0)
        throw std::invalid_argument("hex bytes need two digits each");
    return bytes;
}

Script Script::parse(std::string_view text, const std::wstring& baseDirectory)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);

    Script script;
    int lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);

        while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
            line.remove_prefix(1);
        if (line.empty() || line.front() == '#')
            continue;

        const auto blank = line.find_first_of(" \t");
        const std::string_view verb = line.substr(0, blank);
        const std::string_view operand = blank == std::string_view::npos ? std::string_view() : line.substr(blank + 1);
        try {
            Command command = parseCommand(verb, operand, baseDirectory);
            command.line = lineNumber;
            script.commands_.push_back(std::move(command));
        } catch (const std::invalid_argument& error) {
            throw ScriptError(lineNumber, error.what());
        }
    }
    return script;
}

Script Script::load(const std::wstring& path)
{
    const UniqueFile file(
        ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        throw ScriptError(0, "cannot open the script (error " + std::to_string(::GetLastError()) + ")");

    std::string text;
    char buffer[4096];
    while (true) {
        DWORD read = 0;
        if (!::ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr))
            throw ScriptError(0, "cannot read the script (error " + std::to_string(::GetLastError()) + ")");
        if (read == 0)
            break;
        text.append(buffer, read);
    }
    return parse(text, directoryOf(path));
}

} // namespace tooldouble
