#include "SaveWriter.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
constexpr size_t kByteOrderMarkBytes = 3;
// How often the window's thread hears how far the writer is.
constexpr DWORD kWakeEveryMs = 100;

} // namespace

SaveWriter::SaveWriter(
    const LogText& text, std::mutex& textLock, std::wstring path, const Options& options, std::function<void()> wake)
    : m_text(text)
    , m_textLock(textLock)
    , m_rewrites(text.Rewrites())
    , m_encoder(text, text.Length())
    , m_file(std::move(path), options.writer, options.mover)
    // Room for the byte-order mark and the longest character, at least.
    , m_buffer(std::max(options.bufferBytes, kByteOrderMarkBytes + LogEncoder::kLongestCharacter))
    , m_wake(std::move(wake))
{
}

SaveWriter::~SaveWriter()
{
    Abandon();
}

bool SaveWriter::Start()
{
    m_thread.reset(::CreateThread(nullptr, 0, &SaveWriter::ThreadMain, this, 0, nullptr));
    if (m_thread)
        return true;
    m_error = ::GetLastError();
    m_over = true;
    return false;
}

void SaveWriter::Abandon()
{
    m_abandoned = true;
    if (!m_thread)
        return;
    // A write to a slow share or a stick can take long; where the platform
    // can cut it short, it fails at once, and the thread sees it abandoned.
    ::CancelSynchronousIo(m_thread.get());
    ::WaitForSingleObject(m_thread.get(), INFINITE);
    m_thread.reset();
}

DWORD WINAPI SaveWriter::ThreadMain(void* self)
{
    static_cast<SaveWriter*>(self)->Run();
    return 0;
}

bool SaveWriter::Fill(size_t& used)
{
    const std::lock_guard<std::mutex> hold(m_textLock);
    if (m_text.Rewrites() != m_rewrites)
        return false;
    used += m_encoder.Fill(m_buffer.data() + used, m_buffer.size() - used);
    return true;
}

void SaveWriter::Run()
{
    bool fine = m_file.Open();
    std::memcpy(m_buffer.data(), kByteOrderMark, kByteOrderMarkBytes);
    size_t used = kByteOrderMarkBytes;
    DWORD woken = ::GetTickCount();
    while (fine && !m_abandoned) {
        if (!Fill(used)) {
            m_overtaken = true;
            break;
        }
        fine = m_file.Write(m_buffer.data(), used);
        used = 0;
        m_written = m_encoder.Position();
        if (m_encoder.Done())
            break;
        if (::GetTickCount() - woken >= kWakeEveryMs) {
            woken = ::GetTickCount();
            m_wake();
        }
    }
    // Only a finish that nothing cut short puts the file in place; once the
    // rename is under way, the file is saved whatever comes meanwhile.
    const bool finished = fine && !m_abandoned && !m_overtaken;
    if (finished)
        fine = m_file.Commit();
    else
        m_file.Discard();
    m_error = finished && fine ? ERROR_SUCCESS : m_abandoned || m_overtaken ? ERROR_CANCELLED : m_file.LastError();
    m_over = true;
    m_wake();
}
