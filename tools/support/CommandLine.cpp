#include "CommandLine.h"

#include <windows.h>
#include <shellapi.h>

#include <memory>

namespace {

struct LocalFreeDeleter {
    void operator()(LPWSTR* p) const { LocalFree(p); }
};

} // namespace

std::vector<std::wstring> CommandLine::arguments()
{
    int count = 0;
    std::unique_ptr<LPWSTR, LocalFreeDeleter> argv(CommandLineToArgvW(GetCommandLineW(), &count));
    std::vector<std::wstring> args;
    if (!argv)
        return args;
    for (int i = 1; i < count; ++i)
        args.emplace_back(argv.get()[i]);
    return args;
}
