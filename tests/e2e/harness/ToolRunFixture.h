#pragma once

#include "ArgsRecord.h"
#include "Process.h"
#include "Sandbox.h"
#include "TarrowDriver.h"
#include "TarrowIds.h"
#include "Wait.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace e2e {

// A sandbox with the double as burnkit.exe, a file to act on, and Tarrow with
// that file in its file box: the start of every test of a device action's run.
class ToolRunFixture : public testing::Test {
protected:
    void Start(const std::string& script)
    {
        ASSERT_TRUE(m_box.ready());
        m_box.installTool(L"burnkit.exe", script);
        m_file = m_box.writeFile(L"design.dat", "DAT");
        m_app = std::make_unique<TarrowDriver>(m_box);
        ASSERT_TRUE(m_app->start());
        ASSERT_TRUE(m_app->setText(ids::kFilePath, m_file));
    }

    bool ActionsEnabled() const
    {
        return m_app->isEnabled(ids::kProgram) && m_app->isEnabled(ids::kVerify) && m_app->isEnabled(ids::kErase);
    }
    bool ActionsDisabled() const
    {
        return !m_app->isEnabled(ids::kProgram) && !m_app->isEnabled(ids::kVerify) && !m_app->isEnabled(ids::kErase);
    }

    // The run is over when its closing line break is in and the buttons are back.
    testing::AssertionResult WaitForRunEnd(const std::wstring& expectedLog)
    {
        return m_app->waitFor([&] { return ActionsEnabled() && m_app->logText() == expectedLog; },
            "the run to end with the expected log");
    }

    // The process the double recorded with "args" into that file.
    std::unique_ptr<Process> RecordedTool(const std::wstring& recordFile = L"args.txt")
    {
        if (!m_box.waitForFile(recordFile))
            return nullptr;
        std::vector<ArgsRecord> records;
        waitUntil([&] {
            records = m_box.args(recordFile);
            return !records.empty();
        });
        if (records.empty())
            return nullptr;
        return std::make_unique<Process>(records.back().pid);
    }

    // Lets a double waiting with "waitfile" go on.
    void Release(const wchar_t* name) { m_box.writeFile(name, ""); }

    Sandbox m_box;
    std::wstring m_file;
    std::unique_ptr<TarrowDriver> m_app;
};

} // namespace e2e
