#pragma once

#include <string>

namespace e2e {

// Where the programs under test are. Every executable of the build lands in
// one folder, so the test program finds Tarrow.exe and the double beside
// itself; TARROW_EXE, TOOLDOUBLE_EXE and TARROW_PROBE override that,
// e.g. to point a test at another build.
class BuildTree {
public:
    static std::wstring binDirectory();
    static std::wstring tarrowExe();
    static std::wstring toolDoubleExe();
    static std::wstring probeDll();
};

} // namespace e2e
