#include "WriterThread.h"

#include <utility>

WriterThread::WriterThread(std::wstring path, const Options& options, std::function<void()> wake)
    : m_file(std::move(path), options.writer, options.mover)
    , m_bufferBytes(options.bufferBytes)
    , m_buffers(options.buffers, std::vector<char>(options.bufferBytes))
    , m_wake(std::move(wake))
{
    for (size_t index = 0; index < m_buffers.size(); ++index)
        m_free.push_back(index);
}

WriterThread::~WriterThread()
{
    Abandon();
}

bool WriterThread::Start()
{
    m_thread.reset(::CreateThread(nullptr, 0, &WriterThread::ThreadMain, this, 0, nullptr));
    if (m_thread)
        return true;
    const std::lock_guard<std::mutex> hold(m_lock);
    m_error = ::GetLastError();
    m_over = true;
    return false;
}

char* WriterThread::FreeBuffer()
{
    const std::lock_guard<std::mutex> hold(m_lock);
    // Taken off the free ones at once: the writer hands buffers back
    // meanwhile, and the one being filled must stay the one queued.
    if (!m_filling) {
        if (m_free.empty() || m_over)
            return nullptr;
        m_filling = m_free.back();
        m_free.pop_back();
    }
    return m_buffers[*m_filling].data();
}

void WriterThread::Queue(size_t bytes)
{
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        if (!m_filling)
            return;
        m_full.emplace_back(*m_filling, bytes);
        m_filling.reset();
    }
    m_changed.notify_one();
}

void WriterThread::Finish()
{
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        m_finishing = true;
    }
    m_changed.notify_one();
}

void WriterThread::Abandon()
{
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        m_abandoned = true;
    }
    m_changed.notify_one();
    if (!m_thread)
        return;
    // A write to a slow share or a stick can take long; where the platform
    // can cut it short, it fails at once, and the thread sees it abandoned.
    ::CancelSynchronousIo(m_thread.get());
    ::WaitForSingleObject(m_thread.get(), INFINITE);
    m_thread.reset();
}

size_t WriterThread::Written() const
{
    const std::lock_guard<std::mutex> hold(m_lock);
    return m_written;
}

bool WriterThread::Over() const
{
    const std::lock_guard<std::mutex> hold(m_lock);
    return m_over;
}

DWORD WriterThread::Error() const
{
    const std::lock_guard<std::mutex> hold(m_lock);
    return m_error;
}

DWORD WINAPI WriterThread::ThreadMain(void* self)
{
    static_cast<WriterThread*>(self)->Run();
    return 0;
}

bool WriterThread::NextToWrite(size_t& index, size_t& bytes)
{
    std::unique_lock<std::mutex> hold(m_lock);
    m_changed.wait(hold, [this] { return m_abandoned || !m_full.empty() || m_finishing; });
    if (m_abandoned || m_full.empty())
        return false;
    index = m_full.front().first;
    bytes = m_full.front().second;
    return true;
}

void WriterThread::Run()
{
    bool fine = m_file.Open();
    size_t index = 0;
    size_t bytes = 0;
    while (fine && NextToWrite(index, bytes)) {
        fine = m_file.Write(m_buffers[index].data(), bytes);
        bool wake = false;
        {
            const std::lock_guard<std::mutex> hold(m_lock);
            m_full.pop_front();
            m_free.push_back(index);
            ++m_written;
            // Woken for every buffer, the filling thread would spend more on
            // waking than on filling: once half of them are free, or when
            // there is nothing left to write.
            wake = m_full.empty() || 2 * m_free.size() >= m_buffers.size();
        }
        if (wake)
            m_wake();
    }
    bool abandoned = false;
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        abandoned = m_abandoned;
    }
    // Only a finish that nothing cut short puts the file in place; once the
    // rename is under way, the file is saved whatever comes meanwhile.
    if (fine && !abandoned)
        fine = m_file.Commit();
    else
        m_file.Discard();
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        m_error = fine && !abandoned ? ERROR_SUCCESS : abandoned ? ERROR_CANCELLED : m_file.LastError();
        m_over = true;
    }
    m_wake();
}
