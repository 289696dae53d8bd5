// Browse as the operator uses it: the file dialog, the STP conversion with
// its overwrite prompt, and how the conversion's outcome is judged.

#include "Encoding.h"
#include "FileDialogDriver.h"
#include "Sandbox.h"
#include "TarrowDriver.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using namespace e2e;
using testkit::encoding::toUtf8;

constexpr int kMessageText = 0xFFFF;
constexpr int kMessageIcon = 0x14;

const char kConvertOk[] = "args conv.txt\nout Converting...\\r\\n\nout Done.\\r\\n\n";

class Browse : public testing::Test {
protected:
    void Start(const std::string& converterScript, SandboxOptions options = {})
    {
        m_box = std::make_unique<Sandbox>(options);
        ASSERT_TRUE(m_box->ready());
        if (!converterScript.empty())
            m_converter = m_box->installTool(L"stpconv.exe", converterScript);
        m_box->installTool(L"burnkit.exe", "args burn.txt\nout burning\\r\\n\nwaitfile go\n");
        m_app = std::make_unique<TarrowDriver>(*m_box);
        ASSERT_TRUE(m_app->start());
    }

    // Presses Browse and picks the path in the file dialog.
    void Pick(const std::wstring& path)
    {
        ASSERT_TRUE(m_app->click(ids::kBrowse));
        FileDialogDriver dialog(*m_app);
        ASSERT_TRUE(dialog.waitForDialog());
        ASSERT_TRUE(dialog.choose(path)) << toUtf8(dialog.describeChildren());
    }

    // Writes an STP file of that name, picks it, and returns its path.
    std::wstring PickNewStp(const std::wstring& name)
    {
        const std::wstring stp = m_box->writeFile(name, "STP");
        Pick(stp);
        return stp;
    }

    // Waits until Browse has finished: its closing log line or file box change.
    testing::AssertionResult WaitFor(const std::wstring& log, const std::wstring& fileBox)
    {
        return m_app->waitFor([&] { return m_app->logText() == log && m_app->text(ids::kFilePath) == fileBox; },
            "log \"" + toUtf8(log) + "\" and file box \"" + toUtf8(fileBox) + "\"");
    }

    std::vector<ArgsRecord> Conversions() const { return m_box->args(L"conv.txt"); }

    std::unique_ptr<Sandbox> m_box;
    std::unique_ptr<TarrowDriver> m_app;
    std::wstring m_converter;
};

TEST_F(Browse, OtherFilesGoIntoTheFileBoxUnchanged)
{
    Start(kConvertOk);
    const std::vector<std::wstring> names
        = {L"image.dat", L"mystp.dat", L"designstp", L"a.stp.bak", L"设计 stp 文件.bin"};
    for (const std::wstring& name : names) {
        SCOPED_TRACE(toUtf8(name));
        const std::wstring path = m_box->writeFile(name, "x");
        Pick(path);
        ASSERT_TRUE(WaitFor(L"", path));
    }
    EXPECT_FALSE(m_box->exists(L"conv.txt")) << "nothing was to be converted";
}

TEST_F(Browse, TypedNameThatDoesNotExistIsTakenAsItIs)
{
    Start(kConvertOk);
    const std::wstring missingDat = m_box->file(L"not here.dat");
    Pick(missingDat);
    ASSERT_TRUE(WaitFor(L"", missingDat));

    // An STP name that does not exist still goes to the converter, which
    // is the one to say so.
    const std::wstring missingStp = m_box->file(L"not here either.stp");
    Pick(missingStp);
    ASSERT_TRUE(WaitFor(L"Converting...\r\nDone.\r\n\r\n", m_box->file(L"not here either.dat")));
    ASSERT_EQ(1u, Conversions().size());
}

TEST_F(Browse, StpInAnyCaseIsConvertedAndTheDatPathKeepsTheRestOfItsCase)
{
    Start(kConvertOk, SandboxOptions{true, L"Tarrow.exe"});
    const std::wstring stp = PickNewStp(L"My Design.Stp");
    const std::wstring dat = m_box->file(L"My Design.dat");
    ASSERT_TRUE(WaitFor(L"Converting...\r\nDone.\r\n\r\n", dat));

    const std::vector<ArgsRecord> runs = Conversions();
    ASSERT_EQ(1u, runs.size());
    const std::vector<std::wstring> expected = {m_converter, stp, dat};
    EXPECT_EQ(expected, runs[0].argv);
    EXPECT_EQ(L"\"" + m_converter + L"\" \"" + stp + L"\" \"" + dat + L"\"", runs[0].commandLine);
}

TEST_F(Browse, BlankLinesAfterTheMarkerDoNotHideIt)
{
    Start("out Done.\\r\\n\nout \\r\\n   \\r\\n\\t\\r\\n\nout \xE3\x80\x80\xE3\x80\x80\\r\\n\n");
    PickNewStp(L"a.STP");
    ASSERT_TRUE(WaitFor(L"Done.\r\n\r\n   \r\n\t\r\n\x3000\x3000\r\n\r\n", m_box->file(L"a.dat")));
}

TEST_F(Browse, MarkerInAnotherCaseOrFollowedByAnErrorFails)
{
    Start("out done.\\r\\n\n");
    const std::wstring before = m_box->writeFile(L"before.dat", "x");
    ASSERT_TRUE(m_app->setText(ids::kFilePath, before));
    const std::wstring stp = PickNewStp(L"a.stp");
    ASSERT_TRUE(WaitFor(L"done.\r\n\r\nSTP文件转换失败！\r\n", before));

    m_box->setScript(L"stpconv.exe", "out Done.\\r\\n\nout error: write failed\\r\\n\n");
    Pick(stp);
    ASSERT_TRUE(WaitFor(
        L"done.\r\n\r\nSTP文件转换失败！\r\nDone.\r\nerror: write failed\r\n\r\nSTP文件转换失败！\r\n", before));
}

TEST_F(Browse, SilentConverterIsNotJudgedByAnEarlierDone)
{
    Start(kConvertOk);
    PickNewStp(L"first.stp");
    ASSERT_TRUE(WaitFor(L"Converting...\r\nDone.\r\n\r\n", m_box->file(L"first.dat")));

    m_box->setScript(L"stpconv.exe", "args conv.txt\n");
    PickNewStp(L"second.stp");
    ASSERT_TRUE(WaitFor(L"Converting...\r\nDone.\r\n\r\n\r\nSTP文件转换失败！\r\n", m_box->file(L"first.dat")));
    EXPECT_EQ(2u, Conversions().size());
}

TEST_F(Browse, ConverterThatCannotStartIsAFailure)
{
    Start("");
    const std::wstring before = m_box->writeFile(L"old.dat", "x");
    ASSERT_TRUE(m_app->setText(ids::kFilePath, before));
    PickNewStp(L"x.stp");
    ASSERT_TRUE(WaitFor(L"创建工作进程失败！\r\nSTP文件转换失败！\r\n", before));
}

TEST_F(Browse, ConversionRefusedDuringADeviceActionIsAFailure)
{
    Start(kConvertOk);
    const std::wstring image = m_box->writeFile(L"image.dat", "x");
    ASSERT_TRUE(m_app->setText(ids::kFilePath, image));
    ASSERT_TRUE(m_app->click(ids::kProgram));
    ASSERT_TRUE(m_app->waitForLog(L"burning\r\n"));
    // The running tool's own line must not pass for the converter's.
    m_box->setScript(L"burnkit.exe", "");

    PickNewStp(L"y.stp");
    ASSERT_TRUE(WaitFor(L"burning\r\nSTP文件转换失败！\r\n", image));
    EXPECT_FALSE(m_box->exists(L"conv.txt"));

    m_box->writeFile(L"go", "");
    ASSERT_TRUE(WaitFor(L"burning\r\nSTP文件转换失败！\r\n\r\n", image));
}

TEST_F(Browse, FileDialogOffersDatAndStpFirstThenAllFiles)
{
    Start(kConvertOk);
    ASSERT_TRUE(m_app->click(ids::kBrowse));
    FileDialogDriver dialog(*m_app);
    ASSERT_TRUE(dialog.waitForDialog());

    const std::vector<std::wstring> types = dialog.fileTypes();
    ASSERT_EQ(2u, types.size()) << toUtf8(dialog.describeChildren());
    EXPECT_EQ(0u, types[0].find(L"*.dat,*.stp"));
    EXPECT_EQ(0u, types[1].find(L"所有文件"));
    EXPECT_EQ(0, dialog.selectedFileType());
    EXPECT_EQ(L"", dialog.nameBox().text()) << "no initial file name";
    ASSERT_TRUE(dialog.cancel());
}

TEST_F(Browse, FileDialogCancelledChangesNothing)
{
    Start(kConvertOk);
    ASSERT_TRUE(m_app->setText(ids::kFilePath, L"kept"));
    ASSERT_TRUE(m_app->click(ids::kBrowse));
    FileDialogDriver dialog(*m_app);
    ASSERT_TRUE(dialog.waitForDialog());
    ASSERT_TRUE(dialog.cancel());
    ASSERT_TRUE(WaitFor(L"", L"kept"));
}

// The overwrite prompt, when the DAT file is already there.
class OverwritePrompt : public Browse {
protected:
    void SetUp() override
    {
        SandboxOptions options;
        options.tarrowName = L"Renamed Tool.exe";
        Start(kConvertOk, options);
        m_stp = m_box->writeFile(L"Design.STP", "STP");
        m_dat = m_box->writeFile(L"Design.dat", "old DAT");
        ASSERT_TRUE(m_app->setText(ids::kFilePath, L"old text"));
    }

    Window ShowPrompt()
    {
        Pick(m_stp);
        return m_app->waitForOtherWindow(L"Renamed Tool");
    }

    std::wstring m_stp;
    std::wstring m_dat;
};

TEST_F(OverwritePrompt, IsCaptionedWithTheProgramNameAndSaysWhichFile)
{
    const Window prompt = ShowPrompt();
    ASSERT_TRUE(prompt) << "no prompt captioned with the executable's name";
    EXPECT_EQ(L"文件\"" + m_dat + L"\"已存在！\r\n转换文件会覆盖现有的，是否继续转换文件？\r\n按“否”使用已存在的文件！",
        prompt.child(kMessageText).text());
    EXPECT_TRUE(prompt.child(IDYES).exists());
    EXPECT_TRUE(prompt.child(IDNO).exists());
    EXPECT_TRUE(prompt.child(IDCANCEL).exists());
    EXPECT_FALSE(prompt.child(IDOK).exists());
    EXPECT_FALSE(prompt.child(kMessageIcon).visible()) << "the prompt shows no icon";
    EXPECT_EQ(BS_DEFPUSHBUTTON, prompt.child(IDYES).style() & BS_TYPEMASK) << "Yes is the default button";
    EXPECT_EQ(m_app->hwnd(), ::GetWindow(prompt.handle(), GW_OWNER)) << "owned by the main window";
    ASSERT_TRUE(prompt.child(IDCANCEL).click());
}

TEST_F(OverwritePrompt, YesConverts)
{
    const Window prompt = ShowPrompt();
    ASSERT_TRUE(prompt);
    ASSERT_TRUE(prompt.child(IDYES).click());
    ASSERT_TRUE(WaitFor(L"Converting...\r\nDone.\r\n\r\n", m_dat));
    EXPECT_EQ(1u, Conversions().size());
}

TEST_F(OverwritePrompt, NoUsesTheExistingFileWithoutConverting)
{
    const Window prompt = ShowPrompt();
    ASSERT_TRUE(prompt);
    ASSERT_TRUE(prompt.child(IDNO).click());
    ASSERT_TRUE(WaitFor(L"", m_dat));
    EXPECT_FALSE(m_box->exists(L"conv.txt"));
}

TEST_F(OverwritePrompt, CancelAndTheCloseBoxCancel)
{
    Window prompt = ShowPrompt();
    ASSERT_TRUE(prompt);
    ASSERT_TRUE(prompt.child(IDCANCEL).click());
    ASSERT_TRUE(WaitFor(L"操作取消！\r\n", L"old text"));

    prompt = ShowPrompt();
    ASSERT_TRUE(prompt);
    prompt.post(WM_SYSCOMMAND, SC_CLOSE);
    ASSERT_TRUE(WaitFor(L"操作取消！\r\n操作取消！\r\n", L"old text"));
    EXPECT_FALSE(m_box->exists(L"conv.txt"));
}

} // namespace
