#include <DllSearch.h>

#include "CommandLine.h"
#include "ConsoleWriter.h"
#include "Converter.h"

int main()
{
    LoadDllsFromSystemFolderOnly();

    ConsoleWriter out;
    Converter converter(out);
    return converter.run(CommandLine::arguments());
}
