#pragma once

#include <Sandbox.h>
#include <TarrowDriver.h>

#include <chrono>
#include <memory>
#include <string>

// One Tarrow under benchmark, in a sandbox of its own: a copy of the build
// to measure, the double as its burnkit.exe playing the given script, and a
// file in the file box, so that Program runs the tool. Tarrow and the tool
// it still runs are ended, and the folder removed, when the object goes.
class BenchTarrow {
public:
    BenchTarrow(const std::wstring& tarrowExe, const std::string& toolScript);

    // Empty once Tarrow runs with the file in its box; else what went wrong.
    const std::string& error() const { return m_error; }
    e2e::TarrowDriver& app() { return *m_app; }
    // The sandbox's folder, where files may be written beside Tarrow.
    const std::wstring& folder() const { return m_box.path(); }

    // The script the tool plays from its next run on.
    void setToolScript(const std::string& script) { m_box.setScript(L"burnkit.exe", script); }

    // Posts a click on Program; false if the button was not there to take it.
    bool clickProgram() { return m_app->click(e2e::ids::kProgram); }
    // Read from the window's state, not asked of Tarrow: never wakes it.
    bool programEnabled() const { return m_app->isEnabled(e2e::ids::kProgram); }
    // Until a click has started a run (the buttons greyed out), or until no
    // run is going on (the buttons back).
    bool waitForRunStart(std::chrono::milliseconds timeout) const;
    bool waitForRunEnd(std::chrono::milliseconds timeout) const;

private:
    e2e::Sandbox m_box;
    std::unique_ptr<e2e::TarrowDriver> m_app;
    std::string m_error;
};
