// Saving the log as the view does it: a job on the window's thread that
// fills buffers between the thread's other messages, and a thread of its
// own that writes them and puts the file in place.

#include <SaveJob.h>

#include <Encoding.h>
#include <UniqueAny.h>
#include <Wait.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

using testkit::encoding::toUtf8;

using namespace std::chrono_literals;

// A fresh folder under %TEMP%, gone with the test, and a hidden window for
// the job's window to belong to.
class SaveJobTest : public testing::Test {
protected:
    void SetUp() override
    {
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        m_path = std::wstring(temp) + L"savejob-" + std::to_wstring(::GetCurrentProcessId()) + L"-"
            + std::to_wstring(::GetTickCount());
        ASSERT_TRUE(::CreateDirectoryW(m_path.c_str(), nullptr));
        m_owner = NewOwner();
        ASSERT_TRUE(m_owner);
    }
    void TearDown() override
    {
        for (const std::wstring& name : Names())
            ::DeleteFileW(File(name).c_str());
        ::RemoveDirectoryW(m_path.c_str());
    }

    static UniqueWindow NewOwner()
    {
        return UniqueWindow(::CreateWindowExW(0, L"STATIC", L"Tarrow", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
            nullptr, ::GetModuleHandleW(nullptr), nullptr));
    }

    std::wstring File(const std::wstring& name) const { return m_path + L"\\" + name; }

    std::vector<std::wstring> Names() const
    {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW found{};
        const UniqueFind search(::FindFirstFileW(File(L"*").c_str(), &found));
        if (!search)
            return names;
        do {
            if (found.cFileName != std::wstring(L".") && found.cFileName != std::wstring(L".."))
                names.push_back(found.cFileName);
        } while (::FindNextFileW(search.get(), &found));
        return names;
    }

    static void Write(const std::wstring& path, const std::string& bytes)
    {
        const UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(file);
        DWORD written = 0;
        ASSERT_TRUE(::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    }

    static std::string Read(const std::wstring& path)
    {
        const UniqueFile file(::CreateFileW(
            path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
        std::string bytes;
        char buffer[65536];
        DWORD read = 0;
        while (file && ::ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0)
            bytes.append(buffer, read);
        return bytes;
    }

    // A job that reports its end into ended.
    std::unique_ptr<SaveJob> Start(
        const LogText& text, const std::wstring& path, SaveJob::Options options, std::vector<int>* progress = nullptr)
    {
        SaveJob::Listener listener;
        if (progress)
            listener.progress = [progress](int percent) { progress->push_back(percent); };
        listener.ended = [this] { ++m_ended; };
        return std::make_unique<SaveJob>(
            text, m_textLock, path, m_owner.get(), std::move(options), std::move(listener));
    }

    static bool RunsToItsEnd(const SaveJob& job)
    {
        return e2e::pumpUntil([&] { return job.Current() != SaveJob::State::Running; }, 60s);
    }

    UniqueWindow m_owner;
    // What the view holds while it changes the text.
    std::mutex m_textLock;
    int m_ended = 0;

private:
    std::wstring m_path;
};

const std::string kMark = "\xEF\xBB\xBF";
const std::string kOldRecord = "the old record";

SaveJob::Options SmallBuffers(size_t bytes = 64)
{
    SaveJob::Options options;
    options.writing.bufferBytes = bytes;
    return options;
}

LogText Log(const std::wstring& chars, size_t pieceChars = 64)
{
    LogText::Limits limits;
    limits.pieceChars = pieceChars;
    LogText text(limits);
    EXPECT_TRUE(text.Append(chars));
    return text;
}

TEST_F(SaveJobTest, TheFileReadsBackAsTheLogWithAByteOrderMark)
{
    std::wstring manyLines;
    for (int line = 0; line < 300; ++line)
        manyLines += L"第 " + std::to_wstring(line) + L" 行：ok\r\n";
    // Whatever the target's name allows, the temporary file's must too: a
    // name of 254 characters, one short of the longest the file systems
    // take, and so a path past the platform's usual limit too.
    const std::wstring nearTheLimit = std::wstring(250, L'n') + L".log";
    struct Case {
        const char* what;
        std::wstring chars;
        std::wstring name;
    };
    const Case cases[] = {
        {"an empty log", L"", L"shift.log"},
        {"Chinese", L"正在编程...\r\n编程完成\r\n", L"shift.log"},
        {"lone carriage returns of a progress line", L"10%\r50%\r100%\r\nDone.\r", L"shift.log"},
        {"a line longer than a piece", std::wstring(1000, L'x') + L"\r\nnext", L"shift.log"},
        {"a text of many pieces and buffers", manyLines, L"shift.log"},
        {"half a surrogate pair, as the platform converts it", L"\xD83D\r\n\xDE00 \xD83D\xDE00", L"shift.log"},
        {"a name near the path limit", L"编程完成\r\n", nearTheLimit},
    };
    for (const Case& c : cases) {
        const LogText text = Log(c.chars);
        const std::wstring path = File(c.name);
        Write(path, kOldRecord);

        const auto job = Start(text, path, SmallBuffers());
        ASSERT_TRUE(RunsToItsEnd(*job)) << c.what;
        EXPECT_EQ(job->Current(), SaveJob::State::Saved) << c.what << ": error " << job->Error();
        EXPECT_TRUE(Read(path) == kMark + toUtf8(c.chars)) << c.what;
        EXPECT_EQ(Names(), std::vector<std::wstring>{c.name}) << c.what << ": something else was left";
        ::DeleteFileW(path.c_str());
    }
}

// However slow the disk, the window's thread goes on with its messages, the
// tool's output among them, and what comes meanwhile is not in the file.
TEST_F(SaveJobTest, TheWindowsThreadGoesOnWhileTheDiskIsSlow)
{
    std::wstring chars;
    for (int line = 0; line < 200; ++line)
        chars += L"记录 " + std::to_wstring(line) + L"\r\n";
    LogText text = Log(chars);
    const std::wstring path = File(L"slow.log");
    // The disk takes nothing until the test lets it.
    const UniqueHandle disk(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    SaveJob::Options options = SmallBuffers();
    options.writing.writer = [&](HANDLE file, const void* data, DWORD size, DWORD* written) {
        ::WaitForSingleObject(disk.get(), 60000);
        return ::WriteFile(file, data, size, written, nullptr);
    };
    options.showAfterMs = 0;
    std::vector<int> progress;
    const auto job = Start(text, path, options, &progress);

    // Shown after its delay, which only a thread that goes on can show.
    ASSERT_TRUE(e2e::pumpUntil([&] { return job->Window() && ::IsWindowVisible(job->Window()); }, 30s));
    wchar_t percent[16] = {};
    ::GetDlgItemTextW(job->Window(), SaveJob::kPercentId, percent, 16);
    EXPECT_EQ(std::wstring(percent), L"0%");
    for (int line = 0; line < 50; ++line) {
        const std::lock_guard<std::mutex> hold(m_textLock);
        ASSERT_TRUE(text.Append(L"output while saving\r\n"));
        e2e::pumpUntil([] { return false; }, 2ms);
    }
    EXPECT_EQ(job->Current(), SaveJob::State::Running);

    ::SetEvent(disk.get());
    ASSERT_TRUE(RunsToItsEnd(*job));
    EXPECT_EQ(job->Current(), SaveJob::State::Saved);
    EXPECT_TRUE(Read(path) == kMark + toUtf8(chars)) << "the file is the log as it stood when the save began";
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), -1) << "whoever shows the progress is told it is over";
    EXPECT_EQ(m_ended, 1);
}

// Every way a save can stop before its end leaves the old file as it was
// and no temporary file.
TEST_F(SaveJobTest, StoppedPartWayTheOldFileStays)
{
    std::wstring chars;
    for (int line = 0; line < 400; ++line)
        chars += L"第 " + std::to_wstring(line) + L" 行\r\n";
    struct Way {
        const char* what;
        std::function<void(std::unique_ptr<SaveJob>&, LogText&, std::mutex&)> stop;
        SaveJob::State state;
    };
    const Way ways[] = {
        {"取消",
            [](std::unique_ptr<SaveJob>& job, LogText&, std::mutex&) {
                ::SendMessageW(job->Window(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            },
            SaveJob::State::Cancelled},
        {"Exit: the window it belongs to goes",
            [this](std::unique_ptr<SaveJob>&, LogText&, std::mutex&) { m_owner.reset(); }, SaveJob::State::Cancelled},
        {"the session ends",
            [](std::unique_ptr<SaveJob>& job, LogText&, std::mutex&) {
                ::SendMessageW(job->Window(), WM_ENDSESSION, TRUE, 0);
            },
            SaveJob::State::Cancelled},
        {"the log is changed other than at its end",
            [](std::unique_ptr<SaveJob>&, LogText& text, std::mutex& textLock) {
                const std::lock_guard<std::mutex> hold(textLock);
                text.Assign(L"a log of its own\r\n");
            },
            SaveJob::State::Overtaken},
    };
    for (const Way& way : ways) {
        m_owner = NewOwner();
        LogText text = Log(chars);
        const std::wstring path = File(L"record.log");
        Write(path, kOldRecord);
        SaveJob::Options options = SmallBuffers();
        // Over a second in all, however quick the machine.
        options.writing.writer = [](HANDLE file, const void* data, DWORD size, DWORD* written) {
            ::Sleep(10);
            return ::WriteFile(file, data, size, written, nullptr);
        };
        auto job = Start(text, path, options);
        e2e::pumpUntil([] { return false; }, 50ms);
        ASSERT_EQ(job->Current(), SaveJob::State::Running) << way.what;

        way.stop(job, text, m_textLock);
        ASSERT_TRUE(RunsToItsEnd(*job)) << way.what;
        EXPECT_EQ(job->Current(), way.state) << way.what;
        EXPECT_EQ(job->Window(), nullptr) << way.what;
        EXPECT_EQ(Read(path), kOldRecord) << way.what;
        EXPECT_EQ(Names(), std::vector<std::wstring>{L"record.log"}) << way.what;
        job.reset();
        ::DeleteFileW(path.c_str());
    }
}

TEST_F(SaveJobTest, AFailedSaveSaysWhyAndLeavesTheOldFile)
{
    const LogText text = Log(std::wstring(64 * 1024, L'记'), 512 * 1024); // 192 KB of UTF-8
    const std::wstring target = File(L"record.log");
    // A disk that fills up once 64 KB are written.
    const auto fillsUp = [] {
        auto writtenSoFar = std::make_shared<DWORD>(0);
        return [writtenSoFar](HANDLE file, const void* data, DWORD size, DWORD* written) {
            if (*writtenSoFar + size > 64 * 1024) {
                ::SetLastError(ERROR_DISK_FULL);
                return FALSE;
            }
            *writtenSoFar += size;
            return ::WriteFile(file, data, size, written, nullptr);
        };
    };
    struct Case {
        const char* what;
        std::wstring path;
        AtomicFile::Writer writer;
        bool heldOpen;
        DWORD error; // 0: any
    };
    const Case cases[] = {
        {"a full disk", target, fillsUp(), false, ERROR_DISK_FULL},
        {"another program holding the file without letting it be replaced", target, {}, true, 0},
        {"a folder that is not there", File(L"gone\\record.log"), {}, false, ERROR_PATH_NOT_FOUND},
    };
    for (const Case& c : cases) {
        Write(target, kOldRecord);
        SaveJob::Options options = SmallBuffers(4096);
        options.writing.writer = c.writer;
        UniqueFile reader;
        if (c.heldOpen)
            reader.reset(::CreateFileW(
                target.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
        const auto job = Start(text, c.path, options);
        ASSERT_TRUE(RunsToItsEnd(*job)) << c.what;
        reader.reset();
        EXPECT_EQ(job->Current(), SaveJob::State::Failed) << c.what;
        if (c.error != 0) {
            EXPECT_EQ(job->Error(), c.error) << c.what;
        } else {
            EXPECT_NE(job->Error(), static_cast<DWORD>(ERROR_SUCCESS)) << c.what;
        }
        EXPECT_EQ(Read(target), kOldRecord) << c.what;
        EXPECT_EQ(Names(), std::vector<std::wstring>{L"record.log"}) << c.what;
    }
}

// A scanner, an indexer or a sync client that opens the new file for a
// moment makes the rename fail for that moment: it is tried again for a
// while, and only then does the save fail.
TEST_F(SaveJobTest, TheRenameIsTriedAgainWhileTheFileIsHeldForAMoment)
{
    struct Case {
        const char* what;
        DWORD error;
        int failures; // before the platform's own rename is let through
        bool saved;
        bool triedAgain;
    };
    const Case cases[] = {
        {"held for a moment (sharing violation)", ERROR_SHARING_VIOLATION, 3, true, true},
        {"held for a moment (access denied)", ERROR_ACCESS_DENIED, 3, true, true},
        {"held for a moment (lock violation)", ERROR_LOCK_VIOLATION, 3, true, true},
        {"held for longer than the retries", ERROR_ACCESS_DENIED, 1000000, false, true},
        {"a failure no waiting mends", ERROR_DISK_FULL, 1, false, false},
    };
    for (const Case& c : cases) {
        const std::wstring target = File(L"record.log");
        Write(target, kOldRecord);
        int calls = 0;
        AtomicFile file(target, {}, [&](const wchar_t* from, const wchar_t* to, DWORD flags) {
            if (++calls <= c.failures) {
                ::SetLastError(c.error);
                return FALSE;
            }
            return ::MoveFileExW(from, to, flags);
        });
        ASSERT_TRUE(file.Open()) << c.what;
        ASSERT_TRUE(file.Write("new", 3)) << c.what;
        EXPECT_EQ(file.Commit(), c.saved) << c.what;
        EXPECT_EQ(Read(target), c.saved ? "new" : kOldRecord) << c.what;
        EXPECT_EQ(calls > 1, c.triedAgain) << c.what << ": " << calls << " calls";
        if (!c.saved) {
            EXPECT_EQ(file.LastError(), c.error) << c.what;
        }
        file.Discard();
        EXPECT_EQ(Names(), std::vector<std::wstring>{L"record.log"}) << c.what;
    }
}

} // namespace
