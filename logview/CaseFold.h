#pragma once

#include <cstddef>

// Letters as the platform matches them in an ordinal comparison that ignores
// case: each UTF-16 unit folded to its upper case by the invariant locale's
// table, full-width Latin letters included; surrogates stay as they are.
class CaseFold {
public:
    // The folded unit for each of the 65536.
    static const wchar_t* Table();
};
