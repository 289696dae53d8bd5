#include "BenchArguments.h"

#include <cwchar>

namespace {

bool StartsWith(const std::wstring& text, const wchar_t* prefix, std::wstring& rest)
{
    const size_t length = std::wcslen(prefix);
    if (text.compare(0, length, prefix) != 0)
        return false;
    rest = text.substr(length);
    return true;
}

bool PositiveNumber(const std::wstring& text, double& value)
{
    if (text.empty())
        return false;
    wchar_t* end = nullptr;
    value = std::wcstod(text.c_str(), &end);
    return *end == L'\0' && value > 0;
}

bool WholeNumber(const std::wstring& text, unsigned& value)
{
    double number = 0;
    if (!PositiveNumber(text, number) || number != static_cast<double>(static_cast<unsigned>(number)))
        return false;
    value = static_cast<unsigned>(number);
    return true;
}

bool Sizes(const std::wstring& text, std::vector<double>& sizes)
{
    std::vector<double> parsed;
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(L',', start);
        double size = 0;
        if (!PositiveNumber(text.substr(start, comma == std::wstring::npos ? std::wstring::npos : comma - start), size))
            return false;
        parsed.push_back(size);
        if (comma == std::wstring::npos)
            break;
        start = comma + 1;
    }
    sizes = parsed;
    return true;
}

} // namespace

const std::set<std::wstring>& BenchArguments::AllParts()
{
    static const std::set<std::wstring> parts
        = {L"throughput", L"responsiveness", L"latency", L"idle", L"soak", L"profile", L"longlog"};
    return parts;
}

bool BenchArguments::Parse(const std::vector<std::wstring>& arguments, BenchSettings& settings,
    std::set<std::wstring>& parts, std::wstring& wrong)
{
    parts.clear();
    for (const std::wstring& argument : arguments) {
        std::wstring value;
        double number = 0;
        bool usable = true;
        if (AllParts().count(argument)) {
            parts.insert(argument);
        } else if (StartsWith(argument, L"--tarrow=", value)) {
            settings.tarrowExe = value;
            usable = !value.empty();
        } else if (StartsWith(argument, L"--baseline=", value)) {
            settings.baselineExe = value == L"none" ? std::wstring() : value;
            usable = !value.empty();
        } else if (StartsWith(argument, L"--sizes=", value)) {
            usable = Sizes(value, settings.floodMegabytes);
        } else if (StartsWith(argument, L"--deadline=", value)) {
            usable = PositiveNumber(value, number);
            if (usable)
                settings.floodDeadlineMs = static_cast<DWORD>(number * 1000);
        } else if (StartsWith(argument, L"--repeat=", value)) {
            usable = WholeNumber(value, settings.repeat);
        } else if (StartsWith(argument, L"--soak-runs=", value)) {
            usable = WholeNumber(value, settings.soakRuns);
        } else if (StartsWith(argument, L"--profile-mb=", value)) {
            usable = PositiveNumber(value, settings.profileMegabytes);
        } else if (StartsWith(argument, L"--longlog-mb=", value)) {
            usable = PositiveNumber(value, settings.longLogMegabytes);
        } else {
            usable = false;
        }
        if (!usable) {
            wrong = argument;
            return false;
        }
    }
    if (parts.empty())
        parts = AllParts();
    return true;
}

const char* BenchArguments::Usage()
{
    return "usage: tarrow_bench [throughput|responsiveness|latency|idle|soak|profile|longlog ...] [--tarrow=EXE]\n"
           "       [--baseline=EXE|none] [--sizes=MB,MB,...] [--repeat=N] [--deadline=SECONDS] [--soak-runs=N]\n"
           "       [--profile-mb=MB] [--longlog-mb=MB]\n";
}
