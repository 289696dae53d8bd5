// Tarrow where the operator's formats are English and the system's code
// page is Chinese: the thread's locale says code page 1252, while the tools
// print in the system's 936.

#include "ToolRunFixture.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace e2e;

class EnglishFormats : public ToolRunFixture { };

TEST_F(EnglishFormats, TheToolsChineseReadsRight)
{
    const LCID formats = ::GetUserDefaultLCID();
    if (formats != 0x0409 || ::GetACP() != 936)
        GTEST_SKIP() << "this program runs with formats " << std::hex << formats << " over code page " << std::dec
                     << ::GetACP()
                     << ", not en-US over 936 (under Wine, tests/formats/english-formats.sh starts it so)";

    ASSERT_NO_FATAL_FAILURE(Start("args args.txt\nout 进度完成\\r\\n\n"));
    ASSERT_TRUE(m_app->click(ids::kProgram));
    EXPECT_TRUE(WaitForRunEnd(L"进度完成\r\n\r\n"));

    // The tool inherits its locale from Tarrow, as Tarrow does from the test.
    const std::vector<ArgsRecord> records = m_box.args(L"args.txt");
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ(L"0409", records[0].fields.at("userlocale")) << "Tarrow did not run with English formats";
    EXPECT_EQ(L"936", records[0].fields.at("acp"));
}

} // namespace
