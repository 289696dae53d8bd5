#pragma once

#include <CWinApp.h>

// Shows the main window as a modal dialog for the life of the process.
class CTarrowApp : public CWinApp {
public:
    CTarrowApp() = default;

    BOOL InitInstance() override;

protected:
    const CommandRoute* Commands(size_t* count) const override;
};
