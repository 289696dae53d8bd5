#include "CaseFold.h"

#include <windows.h>

#include <algorithm>
#include <utility>

namespace {

int InvariantUpperCase(const wchar_t* units, int count, wchar_t* upper)
{
    return ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, units, count, upper, count, nullptr, nullptr, 0);
}

} // namespace

std::vector<wchar_t> CaseFold::Make(Mapper map)
{
    std::vector<wchar_t> table(0x10000);
    for (size_t unit = 0; unit < table.size(); ++unit)
        table[unit] = static_cast<wchar_t>(unit);
    // In two runs around the surrogates, which fold to themselves and which,
    // unpaired, the mapping need not take.
    const std::pair<size_t, size_t> runs[] = {{0, 0xD800}, {0xE000, 0x10000}};
    for (const auto& [first, end] : runs) {
        const int count = static_cast<int>(end - first);
        std::vector<wchar_t> upper(static_cast<size_t>(count));
        if (map(table.data() + first, count, upper.data()) == count) {
            std::copy(upper.begin(), upper.end(), table.begin() + static_cast<std::ptrdiff_t>(first));
            continue;
        }
        // The user's own case mapping, one unit at a time: slower, and the
        // same for every letter whose case the operator is likely to mix.
        for (size_t unit = first; unit < end; ++unit)
            ::CharUpperBuffW(&table[unit], 1);
    }
    return table;
}

const wchar_t* CaseFold::Table()
{
    static const std::vector<wchar_t> table = Make(InvariantUpperCase);
    return table.data();
}
