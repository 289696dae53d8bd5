#include <LogSaver.h>

#include <UniqueAny.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// A fresh folder under %TEMP%, gone with the test.
class SaveFolder : public testing::Test {
protected:
    void SetUp() override
    {
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        m_path = std::wstring(temp) + L"logsaver-" + std::to_wstring(::GetCurrentProcessId()) + L"-"
            + std::to_wstring(::GetTickCount());
        ASSERT_TRUE(::CreateDirectoryW(m_path.c_str(), nullptr));
    }
    void TearDown() override
    {
        for (const std::wstring& name : Names())
            ::DeleteFileW(File(name).c_str());
        ::RemoveDirectoryW(m_path.c_str());
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

private:
    std::wstring m_path;
};

// The platform's own conversion of the whole text at once.
std::string ToUtf8(const std::wstring& text)
{
    if (text.empty())
        return {};
    std::string bytes(text.size() * 3, '\0');
    bytes.resize(static_cast<size_t>(::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
        &bytes[0], static_cast<int>(bytes.size()), nullptr, nullptr)));
    return bytes;
}

LogText::Limits Pieces(size_t chars)
{
    LogText::Limits limits;
    limits.pieceChars = chars;
    return limits;
}

using LogSaverTest = SaveFolder;

TEST_F(LogSaverTest, TheFileReadsBackAsTheLogWithAByteOrderMark)
{
    std::wstring manyLines;
    for (int line = 0; line < 300; ++line)
        manyLines += L"第 " + std::to_wstring(line) + L" 行：ok\r\n";
    // A character of four bytes where the buffer has room for two more (the
    // byte-order mark takes three).
    const std::wstring pairAtTheBufferEnd
        = std::wstring(LogSaver::kBufferBytes - 5, L'a') + L"\U0001F600" + L"\r\ntail";
    struct Case {
        const char* what;
        std::wstring chars;
        size_t pieceChars;
    };
    const Case cases[] = {
        {"an empty log", L"", 64},
        {"Chinese", L"正在编程...\r\n编程完成\r\n", 64},
        {"lone carriage returns of a progress line", L"10%\r50%\r100%\r\nDone.\r", 64},
        {"a line longer than a piece", std::wstring(1000, L'x') + L"\r\nnext", 64},
        {"a text of many pieces", manyLines, 256},
        {"a surrogate pair at the end of the buffer", pairAtTheBufferEnd, 512 * 1024},
        {"half a surrogate pair, as the platform converts it", L"\xD83D\r\n\xDE00 \xD83D\xDE00", 64},
    };
    for (const Case& c : cases) {
        LogText text(Pieces(c.pieceChars));
        ASSERT_TRUE(text.Append(c.chars)) << c.what;
        const std::wstring path = File(L"shift.log");
        Write(path, "the old record");

        ASSERT_EQ(LogSaver(text).SaveTo(path), static_cast<DWORD>(ERROR_SUCCESS)) << c.what;
        const std::string bytes = Read(path);
        ASSERT_GE(bytes.size(), 3u) << c.what;
        EXPECT_TRUE(bytes == "\xEF\xBB\xBF" + ToUtf8(c.chars)) << c.what;
        EXPECT_EQ(Names(), std::vector<std::wstring>{L"shift.log"}) << c.what << ": something else was left";
    }
}

TEST_F(LogSaverTest, AFailedSaveLeavesTheOldFileAndNoTemporaryOne)
{
    LogText text;
    ASSERT_TRUE(text.Append(std::wstring(1024 * 1024, L'记'))); // 3 MB of UTF-8
    const std::wstring target = File(L"record.log");

    // A disk that fills up once 2 MB are written.
    DWORD writtenSoFar = 0;
    const AtomicFile::Writer fillsUp = [&](HANDLE file, const void* data, DWORD size, DWORD* written) {
        if (writtenSoFar + size > 2 * 1024 * 1024) {
            ::SetLastError(ERROR_DISK_FULL);
            return FALSE;
        }
        writtenSoFar += size;
        return ::WriteFile(file, data, size, written, nullptr);
    };
    Write(target, "the old record");
    EXPECT_EQ(LogSaver(text, fillsUp).SaveTo(target), static_cast<DWORD>(ERROR_DISK_FULL));
    EXPECT_EQ(Read(target), "the old record") << "after a full disk";
    EXPECT_EQ(Names(), std::vector<std::wstring>{L"record.log"}) << "after a full disk";

    {
        // Another program reading the old file, without letting it be deleted.
        const UniqueFile reader(::CreateFileW(
            target.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(reader);
        EXPECT_NE(LogSaver(text).SaveTo(target), static_cast<DWORD>(ERROR_SUCCESS));
    }
    EXPECT_EQ(Read(target), "the old record") << "after a file held open";
    EXPECT_EQ(Names(), std::vector<std::wstring>{L"record.log"}) << "after a file held open";

    EXPECT_EQ(LogSaver(text).SaveTo(File(L"gone\\record.log")), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(Names(), std::vector<std::wstring>{L"record.log"}) << "after a folder that is not there";
}

} // namespace
