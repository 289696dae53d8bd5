#pragma once

#include <vector>

// Letters as the platform matches them in an ordinal comparison that ignores
// case: each UTF-16 unit folded to its upper case by the invariant locale's
// table, full-width Latin letters included; surrogates stay as they are.
class CaseFold {
public:
    // The folded unit for each of the 65536.
    static const wchar_t* Table();

    // Upper-cases count units into upper as the invariant locale does;
    // returns count, or 0 where it cannot.
    using Mapper = int (*)(const wchar_t* units, int count, wchar_t* upper);
    // The table made with map; where map fails, unit by unit the slower way,
    // so that a search that ignores case still does.
    static std::vector<wchar_t> Make(Mapper map);
};
