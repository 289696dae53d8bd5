#pragma once

#include "BenchSettings.h"

#include <set>
#include <string>
#include <vector>

// The driver's command line: which parts to run and options that change the
// settings. Without any part, every part runs.
class BenchArguments {
public:
    static const std::set<std::wstring>& AllParts();

    // Applies the arguments to `settings` and picks the parts; false on the
    // first argument it cannot use, which `wrong` then holds.
    static bool Parse(const std::vector<std::wstring>& arguments, BenchSettings& settings,
        std::set<std::wstring>& parts, std::wstring& wrong);

    static const char* Usage();
};
