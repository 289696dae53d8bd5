// provider_cost: what each call of the log's UI Automation text provider
// costs on a long log. The provider's own objects, in this process (Wine's
// client functions for text patterns end the process that calls them), on a
// log of --mb megabytes of the 64-byte lines the long-log part of the
// benchmark floods Tarrow with (256 by default), filled as the program fills
// it. Prints each call's median over its runs, in microseconds.
//
//   provider_cost [--mb=256] [--runs=21]
#include <AutomationHostDouble.h>
#include <LogAutomation.h>
#include <LogTextProvider.h>
#include <RecordingCore.h>

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cwchar>
#include <functional>
#include <string>
#include <vector>

namespace {

using Range = ComPtr<uia::ITextRangeProvider>;

double Microseconds(LONGLONG ticks)
{
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(ticks) * 1e6 / static_cast<double>(frequency.QuadPart);
}

LONGLONG Now()
{
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return now.QuadPart;
}

// prepare runs untimed before each run of call; call answers its HRESULT.
struct Row {
    const char* what;
    std::function<void()> prepare;
    std::function<HRESULT()> call;
};

DWORD g_tick = 0;
DWORD WINAPI Tick()
{
    return g_tick;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    size_t megabytes = 256;
    int runs = 21;
    for (int i = 1; i < argc; ++i) {
        if (std::wcsncmp(argv[i], L"--mb=", 5) == 0)
            megabytes = std::wcstoul(argv[i] + 5, nullptr, 10);
        else if (std::wcsncmp(argv[i], L"--runs=", 7) == 0)
            runs = std::max(1, static_cast<int>(std::wcstol(argv[i] + 7, nullptr, 10)));
    }
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

    // The log, filled a kilobyte at a time as the program appends its tool's
    // output: numbered lines of words, 64 characters with their break.
    AutomationHostDouble host;
    const size_t lines = megabytes * 1024 * 1024 / 64;
    std::wstring chunk;
    for (size_t line = 0; line < lines; ++line) {
        wchar_t text[80];
        std::swprintf(text, 80, L"%08zu the quick brown fox jumps over the lazy dog", line);
        chunk += text;
        chunk.append(62 - std::wcslen(text), L'.');
        chunk += L"\r\n";
        if (chunk.size() >= 1024 || line + 1 == lines) {
            if (!host.text.Append(chunk)) {
                std::fprintf(stderr, "the log ran out of memory at %zu lines\n", line);
                return 2;
            }
            chunk.clear();
        }
    }
    const size_t length = host.text.Length();
    host.viewport.firstLine = host.viewport.LastFirstLine(host.text.LineCount());
    host.selection = {length, length};

    const ComPtr<IRawElementProviderSimple> element = host.Element();
    ComPtr<IUnknown> pattern;
    element->GetPatternProvider(uia::kTextPattern2, pattern.put());
    ComPtr<uia::ITextProvider2> text;
    pattern->QueryInterface(uia::IID_ITextProvider2, text.put_void());
    const size_t middle = host.text.LineStart(host.text.LineCount() / 2) + 20;
    const size_t lastLine = host.text.LineStart(host.text.LineCount() - 2);

    Range range;
    Range made;
    SAFEARRAY* array = nullptr;
    BSTR chars = nullptr;
    int moved = 0;
    BOOL active = FALSE;
    const auto at = [&](size_t start, size_t end) { return [&, start, end] { range = host.Range(start, end); }; };
    const auto release = [&](HRESULT result) {
        if (array != nullptr)
            ::SafeArrayDestroy(array);
        array = nullptr;
        ::SysFreeString(chars);
        chars = nullptr;
        made.reset();
        return result;
    };
    const auto find = [&](const wchar_t* what, BOOL backward) {
        BSTR needle = ::SysAllocString(what);
        const HRESULT result = range->FindText(needle, backward, TRUE, made.put());
        ::SysFreeString(needle);
        return result;
    };

    LogAutomation automation(host, 4, 5, &RecordingCore::Get(true), Tick);
    automation.OnGetObject(0, uia::kRootObjectId);

    POINT inView{60, 30};
    ::ClientToScreen(host.Window(), &inView);
    const std::vector<Row> rows = {
        {"DocumentRange", {}, [&] { return release(text->get_DocumentRange(made.put())); }},
        {"GetSelection", {}, [&] { return release(text->GetSelection(&array)); }},
        {"GetVisibleRanges", {}, [&] { return release(text->GetVisibleRanges(&array)); }},
        {"GetCaretRange", {}, [&] { return release(text->GetCaretRange(&active, made.put())); }},
        {"RangeFromPoint", {},
            [&] {
                return release(text->RangeFromPoint({double(inView.x), double(inView.y)}, made.put()));
            }},
        {"ExpandToEnclosingUnit(Character)", at(middle, middle),
            [&] { return range->ExpandToEnclosingUnit(uia::TextUnit_Character); }},
        {"ExpandToEnclosingUnit(Word)", at(middle, middle),
            [&] { return range->ExpandToEnclosingUnit(uia::TextUnit_Word); }},
        {"ExpandToEnclosingUnit(Line)", at(middle, middle),
            [&] { return range->ExpandToEnclosingUnit(uia::TextUnit_Line); }},
        {"ExpandToEnclosingUnit(Page)", at(middle, middle),
            [&] { return range->ExpandToEnclosingUnit(uia::TextUnit_Page); }},
        {"ExpandToEnclosingUnit(Document)", at(middle, middle),
            [&] { return range->ExpandToEnclosingUnit(uia::TextUnit_Document); }},
        {"Move(Character, 1)", at(middle, middle), [&] { return range->Move(uia::TextUnit_Character, 1, &moved); }},
        {"Move(Word, -1)", at(middle, middle), [&] { return range->Move(uia::TextUnit_Word, -1, &moved); }},
        {"Move(Line, 1) of a line", at(middle - 20, middle + 44),
            [&] { return range->Move(uia::TextUnit_Line, 1, &moved); }},
        {"Move(Page, -1)", at(middle, middle), [&] { return range->Move(uia::TextUnit_Page, -1, &moved); }},
        {"Move(Line, INT_MAX)", at(middle, middle), [&] { return range->Move(uia::TextUnit_Line, INT_MAX, &moved); }},
        {"Move(Character, INT_MAX)", at(middle, middle),
            [&] { return range->Move(uia::TextUnit_Character, INT_MAX, &moved); }},
        {"Move(Word, INT_MIN)", at(middle, middle), [&] { return range->Move(uia::TextUnit_Word, INT_MIN, &moved); }},
        {"Move(Character, 10000)", at(middle, middle),
            [&] { return range->Move(uia::TextUnit_Character, 10000, &moved); }},
        {"Move(Word, 10000)", at(middle, middle), [&] { return range->Move(uia::TextUnit_Word, 10000, &moved); }},
        {"MoveEndpointByUnit(End, Document, 1)", at(middle, middle),
            [&] {
                return range->MoveEndpointByUnit(uia::TextPatternRangeEndpoint_End, uia::TextUnit_Document, 1, &moved);
            }},
        {"CompareEndpoints", at(middle, length),
            [&] {
                return range->CompareEndpoints(
                    uia::TextPatternRangeEndpoint_Start, range.get(), uia::TextPatternRangeEndpoint_End, &moved);
            }},
        {"GetText(100) of the document", at(0, length), [&] { return release(range->GetText(100, &chars)); }},
        {"GetText(-1) of a line", at(lastLine, lastLine + 64), [&] { return release(range->GetText(-1, &chars)); }},
        {"GetBoundingRectangles of the lines in view", at(0, length),
            [&] { return release(range->GetBoundingRectangles(&array)); }},
        {"FindText of a word in a line", at(middle - 20, middle + 44), [&] { return release(find(L"lazy", FALSE)); }},
        {"Select an empty range", at(middle, middle), [&] { return range->Select(); }},
        {"ScrollIntoView", at(middle, middle), [&] { return range->ScrollIntoView(TRUE); }},
        {"TextChanged, announcing the newest lines", [&] { host.text.Append(L"one more line\r\n"); },
            [&] {
                g_tick += 2000;
                automation.TextChanged(true);
                return S_OK;
            }},
        {"GetText(-1) of the document", at(0, length), [&] { return release(range->GetText(-1, &chars)); }},
    };

    std::printf("provider_cost: %zu MB log, %zu lines, %zu characters, %d-bit\n\n", megabytes, host.text.LineCount(),
        length, static_cast<int>(8 * sizeof(void*)));
    std::printf("| call | median us | runs | result |\n|---|---:|---:|---|\n");
    for (const Row& row : rows) {
        // The whole document's text is 512 MB to copy: a few runs tell enough.
        const int times = std::string(row.what) == "GetText(-1) of the document" ? 3 : runs;
        std::vector<double> spent;
        HRESULT result = S_OK;
        for (int run = 0; run < times; ++run) {
            if (row.prepare)
                row.prepare();
            const LONGLONG start = Now();
            result = row.call();
            spent.push_back(Microseconds(Now() - start));
        }
        std::sort(spent.begin(), spent.end());
        std::printf("| %s | %.1f | %d | 0x%08lX |\n", row.what, spent[spent.size() / 2], times,
            static_cast<unsigned long>(result));
        std::fflush(stdout);
    }
    range.reset();
    if (SUCCEEDED(com))
        ::CoUninitialize();
    return 0;
}
