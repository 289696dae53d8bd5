#include "CommandLine.h"

#include <UniqueAny.h>

#include <shellapi.h>

std::vector<std::wstring> CommandLine::arguments()
{
    int count = 0;
    UniqueLocal<LPWSTR*> argv(CommandLineToArgvW(GetCommandLineW(), &count));
    std::vector<std::wstring> args;
    if (!argv)
        return args;
    for (int i = 1; i < count; ++i)
        args.emplace_back(argv.get()[i]);
    return args;
}
