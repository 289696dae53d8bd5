#pragma once

#include <Sandbox.h>

#include <string>

// A fresh folder for one Tarrow under benchmark: a copy of the Tarrow build
// to measure, flood.exe as its burnkit.exe, and a file for the file box.
// Programs still running from it are ended and the folder is removed when
// the object goes (the end-to-end harness's Sandbox does that part).
class BenchFolder {
public:
    BenchFolder(const std::wstring& tarrowExe, const std::wstring& floodExe);

    // False if something could not be copied; error() says what.
    bool ready() const { return m_error.empty(); }
    const std::string& error() const { return m_error; }

    std::wstring tarrowPath() const { return m_sandbox.file(L"Tarrow.exe"); }
    std::wstring imagePath() const { return m_sandbox.file(L"image.hex"); }

private:
    e2e::Sandbox m_sandbox;
    std::string m_error;
};
