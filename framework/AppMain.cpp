#include "CWinApp.h"

#include <DllSearch.h>

// The program's entry point lives in the framework, as the application
// object is the program's real start: it must exist before anything runs.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    LoadDllsFromSystemFolderOnly();

    CWinApp* app = AfxGetApp();
    if (!app)
        return 1;
    app->InitApplication(instance);
    if (!app->InitInstance())
        return 0;
    return 0;
}
