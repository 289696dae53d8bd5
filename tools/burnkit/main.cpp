#include <DllSearch.h>

#include "Burner.h"
#include "CommandLine.h"
#include "ConsoleWriter.h"

int main()
{
    LoadDllsFromSystemFolderOnly();

    ConsoleWriter out;
    Burner burner(out, SimSettings::fromEnvironment());
    return burner.run(CommandLine::arguments());
}
