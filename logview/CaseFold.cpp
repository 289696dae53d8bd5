#include "CaseFold.h"

#include <windows.h>

#include <vector>

namespace {

std::vector<wchar_t> MakeTable()
{
    std::vector<wchar_t> table(0x10000);
    for (size_t unit = 0; unit < table.size(); ++unit)
        table[unit] = static_cast<wchar_t>(unit);
    // In two runs around the surrogates, which fold to themselves and which,
    // unpaired, the mapping need not take.
    const std::pair<size_t, size_t> runs[] = {{0, 0xD800}, {0xE000, 0x10000}};
    for (const auto& [first, end] : runs) {
        const int count = static_cast<int>(end - first);
        std::vector<wchar_t> upper(count);
        if (::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, table.data() + first, count, upper.data(), count,
                nullptr, nullptr, 0)
            == count)
            std::copy(upper.begin(), upper.end(), table.begin() + first);
    }
    return table;
}

} // namespace

const wchar_t* CaseFold::Table()
{
    static const std::vector<wchar_t> table = MakeTable();
    return table.data();
}
