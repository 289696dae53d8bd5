#include "LogAutomation.h"

#include "LogElementProvider.h"

#include <string_view>
#include <vector>

namespace {

// As the accessible object's value change: a streaming log does not flood readers.
constexpr DWORD kTextChangedInterval = 250;
constexpr DWORD kAnnounceInterval = 1000;
// Which notifications these are, so that a reader may replace one not yet
// spoken with the next.
constexpr wchar_t kActivityId[] = L"LogView.NewOutput";

bool IsHighSurrogate(wchar_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}

} // namespace

LogAutomation::LogAutomation(
    AutomationHost& host, UINT_PTR textTimer, UINT_PTR announceTimer, const UiaCore* core, Clock clock)
    : m_host(host)
    , m_core(core)
    , m_textTimer(textTimer)
    , m_announceTimer(announceTimer)
    , m_clock(clock)
    , m_textPacer(kTextChangedInterval)
    , m_announcePacer(kAnnounceInterval)
{
}

LogAutomation::~LogAutomation()
{
    Disconnect();
}

std::optional<LRESULT> LogAutomation::OnGetObject(WPARAM flags, LPARAM objectId)
{
    if (static_cast<LONG>(objectId) != uia::kRootObjectId || m_disconnected)
        return std::nullopt;
    if (m_core == nullptr)
        m_core = &UiaCore::FromSystemFolder();
    if (m_core->returnRawElementProvider == nullptr)
        return std::nullopt;
    if (!m_element) {
        if (!EnsureCom())
            return std::nullopt;
        m_window = m_host.Window();
        m_link = std::make_shared<AutomationHost*>(&m_host);
        m_element = LogElementProvider::Create(m_link, *m_core);
        if (!m_element)
            return std::nullopt;
        // What was there before anyone listened is not news.
        m_announced = CompleteLines();
    }
    return m_core->returnRawElementProvider(m_window, flags, objectId, m_element.get());
}

void LogAutomation::Disconnect()
{
    m_disconnected = true;
    if (!m_element)
        return;
    // As the platform asks of a window that goes: the element given back,
    // the clients told that it is gone, and what they hold cut off.
    if (m_core->returnRawElementProvider != nullptr)
        m_core->returnRawElementProvider(m_window, 0, 0, nullptr);
    if (m_core->disconnectProvider != nullptr)
        m_core->disconnectProvider(m_element.get());
    *m_link = nullptr;
    m_element.reset();
    ::KillTimer(m_window, m_textTimer);
    ::KillTimer(m_window, m_announceTimer);
}

void LogAutomation::TextChanged(bool appended)
{
    if (!appended)
        m_announced = CompleteLines();
    if (!m_element)
        return;
    m_textPacer.Changed();
    Pace(m_textPacer, m_textTimer, &LogAutomation::RaiseTextChanged);
    if (m_core->raiseNotificationEvent != nullptr) {
        m_announcePacer.Changed();
        Pace(m_announcePacer, m_announceTimer, &LogAutomation::Announce);
    }
}

LogAutomation::Mark LogAutomation::Before() const
{
    return {m_host.CurrentSelection(), m_host.Text().Length()};
}

void LogAutomation::After(const Mark& before)
{
    if (!m_element)
        return;
    const Selection now = m_host.CurrentSelection();
    if (now == before.selection)
        return;
    const bool followedTheEnd = before.selection.Empty() && before.selection.caret == before.length && now.Empty()
        && now.caret == m_host.Text().Length();
    if (!followedTheEnd)
        Raise(uia::kTextSelectionChangedEvent);
}

bool LogAutomation::OnTimer(UINT_PTR timerId)
{
    if (timerId != m_textTimer && timerId != m_announceTimer)
        return false;
    ::KillTimer(m_window, timerId);
    if (timerId == m_textTimer) {
        m_textPacer.TimerEnded();
        Pace(m_textPacer, m_textTimer, &LogAutomation::RaiseTextChanged);
    } else {
        m_announcePacer.TimerEnded();
        Pace(m_announcePacer, m_announceTimer, &LogAutomation::Announce);
    }
    return true;
}

bool LogAutomation::Listening() const
{
    return m_core->clientsAreListening == nullptr || m_core->clientsAreListening() != FALSE;
}

void LogAutomation::Raise(EVENTID event) const
{
    if (m_element && m_core->raiseAutomationEvent != nullptr && Listening())
        m_core->raiseAutomationEvent(m_element.get(), event);
}

void LogAutomation::Pace(IntervalPacer& pacer, UINT_PTR timerId, void (LogAutomation::*fire)())
{
    const IntervalPacer::Step step = pacer.Next(m_clock());
    if (step.fire)
        (this->*fire)();
    else if (step.wait != 0 && ::SetTimer(m_window, timerId, step.wait, nullptr) == 0)
        pacer.TimerEnded();
}

void LogAutomation::RaiseTextChanged()
{
    Raise(uia::kTextChangedEvent);
}

void LogAutomation::Announce()
{
    if (!m_element || m_core->raiseNotificationEvent == nullptr || !Listening()) {
        m_announced = CompleteLines();
        return;
    }
    const std::wstring lines = NewLines();
    if (lines.find_first_not_of(L" \t\n\x3000") == std::wstring::npos)
        return;
    const BSTR display = ::SysAllocStringLen(lines.data(), static_cast<UINT>(lines.size()));
    const BSTR activity = ::SysAllocString(kActivityId);
    if (display != nullptr && activity != nullptr)
        m_core->raiseNotificationEvent(m_element.get(), uia::NotificationKind_ItemAdded,
            uia::NotificationProcessing_MostRecent, display, activity);
    ::SysFreeString(display);
    ::SysFreeString(activity);
}

std::wstring LogAutomation::NewLines()
{
    const LogText& text = m_host.Text();
    const size_t complete = CompleteLines();
    // Newest first, back to the first not yet told, as many as fit.
    std::vector<std::wstring_view> lines;
    size_t total = 0;
    for (size_t line = complete; line > m_announced && line > 0; --line) {
        std::wstring_view chars = text.Line(line - 1);
        const size_t separator = lines.empty() ? 0 : 1;
        if (!lines.empty() && total + separator + chars.size() > kAnnouncedChars)
            break;
        if (chars.size() > kAnnouncedChars) {
            chars = chars.substr(0, kAnnouncedChars);
            if (IsHighSurrogate(chars.back()))
                chars.remove_suffix(1);
        }
        lines.push_back(chars);
        total += separator + chars.size();
    }
    m_announced = complete;
    std::wstring joined;
    joined.reserve(total);
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
        if (line != lines.rbegin())
            joined += L'\n';
        joined.append(line->data(), line->size());
    }
    return joined;
}

bool LogAutomation::EnsureCom()
{
    if (!m_comTried) {
        m_comTried = true;
        m_apartment = EnterSingleThreadedApartment();
    }
    return m_apartment.valid();
}
