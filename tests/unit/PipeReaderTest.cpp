#include <PipeReader.h>
#include <UniqueAny.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr DWORD kChunk = 1024;

// An anonymous pipe whose write end the test holds open, as a living tool
// does: a read that waited for more would wait for ever, so every draining
// runs on a thread of its own and is given a deadline.
class PipeReaderTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(::CreatePipe(m_readEnd.put(), m_writeEnd.put(), nullptr, 0)); }

    void Write(const std::string& bytes)
    {
        DWORD written = 0;
        ASSERT_TRUE(::WriteFile(m_writeEnd.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
        ASSERT_EQ(bytes.size(), written);
    }

    // Reads chunks until the reader reports something other than a chunk.
    // A read that blocks fails the test and is released by closing the
    // write end.
    PipeReader::Result DrainWithin(DWORD deadlineMs)
    {
        m_sizes.clear();
        UniqueHandle thread(::CreateThread(nullptr, 0, &PipeReaderTest::DrainThread, this, 0, nullptr));
        EXPECT_TRUE(thread);
        if (!thread)
            return PipeReader::Result::Ended;
        if (::WaitForSingleObject(thread.get(), deadlineMs) == WAIT_TIMEOUT) {
            ADD_FAILURE() << "a read waited for more output";
            m_writeEnd.reset();
            ::WaitForSingleObject(thread.get(), INFINITE);
        }
        return m_last;
    }

    static DWORD WINAPI DrainThread(void* context)
    {
        auto* self = static_cast<PipeReaderTest*>(context);
        char buffer[kChunk];
        for (;;) {
            DWORD read = 0;
            self->m_last = self->m_reader.ReadChunk(self->m_readEnd.get(), buffer, read);
            if (self->m_last != PipeReader::Result::Read)
                return 0;
            self->m_sizes.push_back(read);
            self->m_received.append(buffer, read);
        }
    }

    UniqueHandle m_readEnd;
    UniqueHandle m_writeEnd;
    PipeReader m_reader{kChunk};
    PipeReader::Result m_last = PipeReader::Result::Read;
    std::vector<DWORD> m_sizes;
    std::string m_received;
};

std::string Numbered(size_t size)
{
    std::string bytes;
    for (size_t i = 0; bytes.size() < size; ++i)
        bytes += std::to_string(i) + ' ';
    bytes.resize(size);
    return bytes;
}

TEST_F(PipeReaderTest, ReadsWhatIsThereInChunksAndThenStopsWithoutWaiting)
{
    const std::string first = Numbered(2500);
    Write(first);
    EXPECT_EQ(PipeReader::Result::Empty, DrainWithin(10000));
    EXPECT_EQ(first, m_received);
    EXPECT_EQ((std::vector<DWORD>{1024, 1024, 452}), m_sizes) << "one look, then reads of what it showed";
    EXPECT_EQ(0u, m_reader.Shown());

    // Output that comes later, while the writer still lives, is read too.
    Write("more\r\n");
    EXPECT_EQ(PipeReader::Result::Empty, DrainWithin(10000));
    EXPECT_EQ(first + "more\r\n", m_received);
    EXPECT_EQ(PipeReader::Result::Empty, DrainWithin(10000)) << "an empty pipe is not a reason to wait";
}

TEST_F(PipeReaderTest, ReadsNoMoreThanTheLookShowedEvenIfMoreArrivesMeanwhile)
{
    Write(Numbered(1500));
    char buffer[kChunk];
    DWORD read = 0;
    ASSERT_EQ(PipeReader::Result::Read, m_reader.ReadChunk(m_readEnd.get(), buffer, read));
    EXPECT_EQ(1024u, read);
    EXPECT_EQ(476u, m_reader.Shown());
    Write(Numbered(3000));
    ASSERT_EQ(PipeReader::Result::Read, m_reader.ReadChunk(m_readEnd.get(), buffer, read));
    EXPECT_EQ(476u, read) << "the rest of what was shown, not a whole chunk";
    // The next look sees the newer output.
    EXPECT_EQ(PipeReader::Result::Empty, DrainWithin(10000));
    EXPECT_EQ((std::vector<DWORD>{1024, 1024, 952}), m_sizes);
}

TEST_F(PipeReaderTest, OutputWrittenBeforeTheWriterWentIsReadBeforeTheEnd)
{
    Write(Numbered(1100));
    m_writeEnd.reset();
    EXPECT_EQ(PipeReader::Result::Ended, DrainWithin(10000));
    EXPECT_EQ(Numbered(1100), m_received);
}

} // namespace
