#include "RecordBench.h"

#include "BenchClock.h"
#include "Format.h"
#include "ProcessMeter.h"

#include <FileDialogDriver.h>
#include <FillerText.h>
#include <Encoding.h>
#include <FindBox.h>
#include <UniqueAny.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr double kMegabyte = 1024.0 * 1024.0;
// In no line of the flood, in any case: the flood is ASCII.
const wchar_t kAbsent[] = L"设备超时";
constexpr std::chrono::seconds kDeadline{600};

// Polls as often as it can, so that the moment counts and not the polling.
bool WaitClosely(const std::function<bool()>& condition)
{
    return e2e::waitUntil(condition, kDeadline, std::chrono::milliseconds(1));
}

bool Exists(const std::wstring& path)
{
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::uint64_t SizeOf(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// One save through the shortcut menu and the save dialog, timed from
// pressing Save (whole) and from the temporary file's appearing, when
// Tarrow starts writing, to the file being in place (writing).
struct SaveTimes {
    double whole = 0;
    std::optional<double> writing;
    // The counter when Save was pressed, when the temporary file was first
    // seen (or Save pressed, if it never was) and when the file was in place.
    LONGLONG pressed = 0;
    LONGLONG writingFrom = 0;
    LONGLONG inPlace = 0;
};

bool TemporaryFileOf(const std::wstring& path)
{
    WIN32_FIND_DATAW found{};
    const UniqueFind search(::FindFirstFileW((path + L".*.tmp").c_str(), &found));
    return search.valid();
}

// With a meter, the largest of Tarrow's private memory meanwhile.
std::optional<SaveTimes> Save(e2e::TarrowDriver& app, const std::wstring& path, const ProcessMeter* meter,
    std::optional<std::size_t>& peak, std::string& error)
{
    if (!app.chooseFromLogMenu(L's')) {
        error = "the log's shortcut menu did not open";
        return std::nullopt;
    }
    FileDialogDriver dialog(app);
    if (!dialog.waitForDialog()) {
        error = "the save dialog did not open";
        return std::nullopt;
    }
    const LONGLONG start = BenchClock::Now();
    if (!dialog.choose(path)) {
        error = "the save dialog did not take the name";
        return std::nullopt;
    }
    std::optional<LONGLONG> writing;
    const bool saved = WaitClosely([&] {
        if (meter) {
            if (const auto now = meter->PrivateBytes())
                peak = std::max(peak.value_or(0), *now);
        }
        if (!writing && TemporaryFileOf(path))
            writing = BenchClock::Now();
        return Exists(path);
    });
    SaveTimes times;
    times.pressed = start;
    times.writingFrom = writing.value_or(start);
    times.inPlace = BenchClock::Now();
    times.whole = BenchClock::Seconds(times.inPlace - start);
    if (!saved) {
        error = "the file was not there after " + std::to_string(kDeadline.count()) + " s";
        return std::nullopt;
    }
    if (writing)
        times.writing = BenchClock::SecondsSince(*writing);
    return times;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// A plain WriteFile loop writing that many bytes from memory, flushed at the
// end as the save is.
std::optional<double> WriteLoopSeconds(const std::wstring& path, std::uint64_t bytes)
{
    const std::vector<char> buffer(1 << 20, 'x');
    const LONGLONG start = BenchClock::Now();
    {
        const UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        if (!file)
            return std::nullopt;
        for (std::uint64_t left = bytes; left > 0;) {
            const DWORD chunk = static_cast<DWORD>(std::min<std::uint64_t>(left, buffer.size()));
            DWORD written = 0;
            if (!::WriteFile(file.get(), buffer.data(), chunk, &written, nullptr) || written == 0)
                return std::nullopt;
            left -= written;
        }
        ::FlushFileBuffers(file.get());
    }
    const double seconds = BenchClock::SecondsSince(start);
    ::DeleteFileW(path.c_str());
    return seconds;
}

// Runs of one std::wstring_view::find of the absent string over the log's
// text held in one block. Where the address space has no room for a block
// that size, over the largest half of it that fits, in proportion; scaled
// then says so.
std::vector<double> OneBlockFindSeconds(std::uint64_t floodBytes, std::size_t chars, int runs, bool& scaled)
{
    std::vector<wchar_t> block;
    std::size_t size = chars;
    for (;;) {
        try {
            block.resize(size);
            break;
        } catch (const std::bad_alloc&) {
            size /= 2;
            if (size < (1u << 20))
                return {};
        }
    }
    scaled = size < chars;
    tooldouble::FillerText filler(floodBytes);
    std::vector<char> bytes(1 << 16);
    std::size_t at = 0;
    while (at < size) {
        const std::size_t got = filler.fill(bytes.data(), std::min(bytes.size(), size - at));
        if (got == 0)
            break;
        std::copy(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(got), block.begin() + at);
        at += got;
    }
    for (; at < size; ++at)
        block[at] = at % 2 == 0 ? L'\r' : L'\n'; // the run's closing line break
    std::vector<double> seconds;
    for (int run = 0; run < runs; ++run) {
        const LONGLONG start = BenchClock::Now();
        const std::size_t found = std::wstring_view(block.data(), size).find(kAbsent);
        const double one = BenchClock::SecondsSince(start);
        if (found != std::wstring_view::npos)
            return {};
        seconds.push_back(one * static_cast<double>(chars) / static_cast<double>(size));
    }
    return seconds;
}

} // namespace

void RecordBench::Run()
{
    std::fprintf(stderr, "long log: saving it, and finding in it\n");
    MeasureSave();
    MeasureFind();
    std::fprintf(stderr, "long log: saving it while a tool floods\n");
    MeasureToolDuringSave();
}

void RecordBench::MeasureSave()
{
    e2e::TarrowDriver& app = m_tarrow.app();
    const std::string measure = "writing the saved log, from its temporary file to the file in place, against a "
                                "plain WriteFile loop (median of 3)";
    const std::string goal = Format("at most %.2fx", kSaveRatio);
    const std::wstring saved = m_tarrow.folder() + L"\\saved.log";
    std::vector<double> writing;
    std::vector<double> whole;
    std::vector<double> reference;
    std::uint64_t bytes = 0;
    std::string error;
    // The first writes of a file this size into a cold page cache take up to
    // twice as long here, whoever writes them: a save and a loop first, not
    // counted, and then three of each.
    for (int run = -1; run < 3 && error.empty(); ++run) {
        std::optional<std::size_t> unused;
        const std::optional<SaveTimes> times = Save(app, saved, nullptr, unused, error);
        bytes = SizeOf(saved);
        ::DeleteFileW(saved.c_str());
        if (!times)
            break;
        if (run < 0) {
            WriteLoopSeconds(m_tarrow.folder() + L"\\written.bin", bytes);
            continue;
        }
        if (!times->writing) {
            error = "the temporary file was never seen";
            break;
        }
        writing.push_back(*times->writing);
        whole.push_back(times->whole);
        if (const auto loop = WriteLoopSeconds(m_tarrow.folder() + L"\\written.bin", bytes))
            reference.push_back(*loop);
        else
            error = "the WriteFile loop failed";
        if (error.empty())
            std::fprintf(stderr, "long log: save %d: writing %.2f s, the loop %.2f s\n", run + 1, writing.back(),
                reference.back());
    }
    if (!error.empty()) {
        m_table.AddMissing(m_part, measure, error, goal);
    } else {
        const double ratio = Median(writing) / Median(reference);
        m_table.AddGoal(m_part, measure,
            Format("%.2f s / %.2f s = %.2fx (%.1f MB of UTF-8)", Median(writing), Median(reference), ratio,
                static_cast<double>(bytes) / kMegabyte),
            goal, ratio <= kSaveRatio);
        m_table.Add(m_part, "saving, from pressing Save in the dialog to the file in place (median of 3)",
            Format("%.2f s", Median(whole)));
        m_table.Note("Saving from pressing Save includes the save dialog's own closing, which under Wine takes about "
                     "2 s whatever the log's size, before Tarrow can start writing.");
    }

    // Again, with Tarrow's memory read all along: the reading slows the save.
    const std::string memoryMeasure = "Tarrow's private memory while saving, its peak over before opening the menu";
    const std::string memoryGoal = Format("at most +%.1f MB", kSaveMemoryBytes / kMegabyte);
    const ProcessMeter meter(app.process(), app.pid());
    const std::optional<std::size_t> before = meter.PrivateBytes();
    std::optional<std::size_t> peak;
    error.clear();
    const bool savedAgain = Save(app, saved, &meter, peak, error).has_value();
    ::DeleteFileW(saved.c_str());
    if (!savedAgain || !before || !peak) {
        m_table.AddMissing(m_part, memoryMeasure, savedAgain ? "no memory figure" : error, memoryGoal);
        return;
    }
    const double added = static_cast<double>(*peak) - static_cast<double>(*before);
    m_table.AddGoal(
        m_part, memoryMeasure, Format("%+.1f MB", added / kMegabyte), memoryGoal, added <= kSaveMemoryBytes);
}

void RecordBench::MeasureFind()
{
    e2e::TarrowDriver& app = m_tarrow.app();
    const std::string measure = "an absent string looked for through the find window, from Enter to the box that "
                                "says so, against one wstring_view::find (median of 3)";
    const std::string goal = Format("at most %.2fx", kFindRatio);
    const std::optional<std::size_t> chars = app.logLength();
    if (!chars || !app.chooseFromLogMenu(L'f')) {
        m_table.AddMissing(m_part, measure, "the log's shortcut menu did not open", goal);
        return;
    }
    const e2e::Window box = app.waitForOtherWindow(L"查找");
    const e2e::Window text = box.child(FindBox::kTextId);
    if (!box || !text.setText(kAbsent)) {
        m_table.AddMissing(m_part, measure, "the find window did not open", goal);
        return;
    }
    // It opens looking up from the end, where the caret is: the whole log.
    std::vector<double> seconds;
    for (int run = 0; run < 3; ++run) {
        const LONGLONG start = BenchClock::Now();
        text.pressKey(VK_RETURN);
        std::optional<e2e::Window> notFound;
        WaitClosely([&] {
            for (const e2e::Window& window : app.otherWindows()) {
                if (window.handle() != box.handle() && window.className() == L"#32770")
                    notFound = window;
            }
            return notFound.has_value();
        });
        if (!notFound)
            break;
        seconds.push_back(BenchClock::SecondsSince(start));
        notFound->pressKey(VK_RETURN);
        const HWND closing = notFound->handle();
        e2e::waitUntil([&] { return !::IsWindow(closing); });
    }
    text.pressKey(VK_ESCAPE);
    if (seconds.size() < 3) {
        m_table.AddMissing(m_part, measure, "Tarrow never said it found nothing", goal);
        return;
    }

    bool scaled = false;
    const std::vector<double> reference = OneBlockFindSeconds(m_floodBytes, *chars, 3, scaled);
    if (reference.empty()) {
        m_table.AddMissing(m_part, measure, "no block for the reference search", goal);
        return;
    }
    const double ratio = Median(seconds) / Median(reference);
    m_table.AddGoal(m_part, measure,
        Format("%.3f s / %.3f s = %.2fx (%zu characters%s)", Median(seconds), Median(reference), ratio, *chars,
            scaled ? "; the reference timed on part of them and scaled" : ""),
        goal, ratio <= kFindRatio);
}

void RecordBench::MeasureToolDuringSave()
{
    e2e::TarrowDriver& app = m_tarrow.app();
    const std::string measure = "a tool flooding while the log is saved: its longest wait on the pipe between the "
                                "temporary file's appearing and the file in place";
    const std::string goal = Format("at most %.0f ms", kToolWaitMs);
    const std::wstring record = m_tarrow.folder() + L"\\waits.txt";
    const std::wstring stop = record + L".stop";
    m_tarrow.setToolScript("floodtimed " + testkit::encoding::toUtf8(record) + "\n");
    if (!m_tarrow.clickProgram() || !m_tarrow.waitForRunStart(std::chrono::seconds(30))) {
        m_table.AddMissing(m_part, measure, "the tool's run did not start", goal);
        return;
    }
    ::Sleep(500); // the flood is under way
    const std::wstring saved = m_tarrow.folder() + L"\\saved.log";
    std::optional<std::size_t> unused;
    std::string error;
    const std::optional<SaveTimes> times = Save(app, saved, nullptr, unused, error);
    ::DeleteFileW(saved.c_str());
    const UniqueFile stopping(
        ::CreateFileW(stop.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!m_tarrow.waitForRunEnd(std::chrono::seconds(120)) && error.empty())
        error = "the flooding tool did not end";
    if (!times || !error.empty()) {
        m_table.AddMissing(m_part, measure, error, goal);
        return;
    }
    // The waits of 5 ms or more the tool noted, against the counter.
    const UniqueFile file(
        ::CreateFileW(record.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    std::string text(1 << 20, '\0');
    DWORD read = 0;
    if (!file || !::ReadFile(file.get(), &text[0], static_cast<DWORD>(text.size()), &read, nullptr)
        || text.compare(0, 10, "frequency ") != 0) {
        m_table.AddMissing(m_part, measure, "the tool noted no waits", goal);
        return;
    }
    text.resize(read);
    double longestMs = 0;
    double longestWithDialogMs = 0;
    std::size_t waits = 0;
    for (std::size_t at = text.find('\n'); at != std::string::npos && at + 1 < text.size();
         at = text.find('\n', at + 1)) {
        long long began = 0;
        long long waited = 0;
        if (std::sscanf(text.c_str() + at + 1, "%lld %lld", &began, &waited) != 2)
            continue;
        if (began < times->inPlace && began + waited > times->pressed)
            longestWithDialogMs = std::max(longestWithDialogMs, BenchClock::Milliseconds(waited));
        // Only the part of a wait while the file was written counts: one that
        // began while the save dialog closed is the dialog's until then (under
        // Wine it holds the thread for about 2 s), and the save's after.
        const LONGLONG from = std::max<LONGLONG>(began, times->writingFrom);
        const LONGLONG to = std::min<LONGLONG>(began + waited, times->inPlace);
        if (to > from) {
            ++waits;
            longestMs = std::max(longestMs, BenchClock::Milliseconds(to - from));
        }
    }
    m_table.AddGoal(m_part, measure,
        Format("%.0f ms (%zu waits of 5 ms or more within %.2f s of writing)", longestMs, waits,
            BenchClock::Seconds(times->inPlace - times->writingFrom)),
        goal, longestMs <= kToolWaitMs);
    m_table.Add(m_part, "the same, from pressing Save in the dialog, the dialog's closing included",
        Format("%.0f ms", longestWithDialogMs));
}
