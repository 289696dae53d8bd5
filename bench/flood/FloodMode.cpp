#include "FloodMode.h"

#include "FloodText.h"

#include <cwchar>
#include <string>
#include <vector>

namespace {

// Anything bigger would only measure how long the benchmark can wait.
constexpr double kMaxMegabytes = 1024;
constexpr unsigned long kMaxMs = 24UL * 60 * 60 * 1000;
constexpr unsigned long kMaxLeak = 100000;

std::vector<std::wstring> SplitAtColons(std::wstring_view text)
{
    std::vector<std::wstring> parts;
    size_t start = 0;
    for (;;) {
        const size_t colon = text.find(L':', start);
        parts.emplace_back(
            text.substr(start, colon == std::wstring_view::npos ? std::wstring_view::npos : colon - start));
        if (colon == std::wstring_view::npos)
            return parts;
        start = colon + 1;
    }
}

std::optional<unsigned long> WholeNumber(const std::wstring& text, unsigned long low, unsigned long high)
{
    if (text.empty() || text[0] < L'0' || text[0] > L'9')
        return std::nullopt;
    wchar_t* end = nullptr;
    const unsigned long value = std::wcstoul(text.c_str(), &end, 10);
    if (*end != L'\0' || value < low || value > high)
        return std::nullopt;
    return value;
}

std::optional<double> Megabytes(const std::wstring& text)
{
    if (text.empty() || !((text[0] >= L'0' && text[0] <= L'9') || text[0] == L'.'))
        return std::nullopt;
    wchar_t* end = nullptr;
    const double value = std::wcstod(text.c_str(), &end);
    if (*end != L'\0' || !(value > 0) || value > kMaxMegabytes)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<FloodMode> FloodMode::Parse(std::wstring_view text)
{
    const std::vector<std::wstring> parts = SplitAtColons(text);
    const std::wstring& name = parts[0];
    FloodMode mode;
    if (name == L"flood" && parts.size() == 2) {
        const std::optional<double> megabytes = Megabytes(parts[1]);
        if (!megabytes)
            return std::nullopt;
        mode.m_kind = Kind::Flood;
        mode.m_bytes = FloodText::BytesFor(*megabytes);
        if (mode.m_bytes == 0)
            return std::nullopt;
        return mode;
    }
    if (name == L"ticks" && parts.size() == 3) {
        const auto interval = WholeNumber(parts[1], 1, kMaxMs);
        const auto duration = WholeNumber(parts[2], 1, kMaxMs);
        if (!interval || !duration || *duration < *interval)
            return std::nullopt;
        mode.m_kind = Kind::Ticks;
        mode.m_intervalMs = *interval;
        mode.m_durationMs = *duration;
        mode.m_count = static_cast<unsigned>(*duration / *interval);
        return mode;
    }
    if (name == L"silent" && parts.size() == 2) {
        const auto duration = WholeNumber(parts[1], 0, kMaxMs);
        if (!duration)
            return std::nullopt;
        mode.m_kind = Kind::Silent;
        mode.m_durationMs = *duration;
        return mode;
    }
    if (name == L"line" && parts.size() == 1) {
        mode.m_kind = Kind::Line;
        return mode;
    }
    if (name == L"leak" && parts.size() == 2) {
        const auto count = WholeNumber(parts[1], 1, kMaxLeak);
        if (!count)
            return std::nullopt;
        mode.m_kind = Kind::Leak;
        mode.m_count = static_cast<unsigned>(*count);
        return mode;
    }
    return std::nullopt;
}
