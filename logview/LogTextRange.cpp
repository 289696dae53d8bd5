#include "LogTextRange.h"

#include "LogSearch.h"

#include <algorithm>
#include <climits>
#include <new>
#include <optional>
#include <string>
#include <vector>

namespace {

// What this log's ranges answer QueryInterface for with themselves.
// {1A2219B1-E64E-4CF2-8E30-FA5EDB7A9FE9}
constexpr IID kOwnRange = {0x1a2219b1, 0xe64e, 0x4cf2, {0x8e, 0x30, 0xfa, 0x5e, 0xdb, 0x7a, 0x9f, 0xe9}};

std::optional<TextUnits::Unit> UnitOf(uia::TextUnit unit)
{
    switch (unit) {
    case uia::TextUnit_Character:
        return TextUnits::Unit::Character;
    case uia::TextUnit_Word:
        return TextUnits::Unit::Word;
    // The log has one format and does not wrap: a run of one format and a
    // paragraph are what a line is.
    case uia::TextUnit_Format:
    case uia::TextUnit_Line:
    case uia::TextUnit_Paragraph:
        return TextUnits::Unit::Line;
    case uia::TextUnit_Page:
        return TextUnits::Unit::Page;
    case uia::TextUnit_Document:
        return TextUnits::Unit::Document;
    }
    return std::nullopt;
}

bool IsEndpoint(uia::TextPatternRangeEndpoint endpoint)
{
    return endpoint == uia::TextPatternRangeEndpoint_Start || endpoint == uia::TextPatternRangeEndpoint_End;
}

TextUnits UnitsOf(const AutomationHost& host)
{
    return TextUnits(host.Text(), host.View().VisibleLines());
}

} // namespace

ComPtr<uia::ITextRangeProvider> LogTextRange::Create(
    const HostLink& link, const UiaCore& core, IRawElementProviderSimple* element, size_t start, size_t end)
{
    ComPtr<uia::ITextRangeProvider> range;
    *range.put() = new (std::nothrow) LogTextRange(link, core, element, start, end);
    return range;
}

LogTextRange::LogTextRange(
    const HostLink& link, const UiaCore& core, IRawElementProviderSimple* element, size_t start, size_t end)
    : m_link(link)
    , m_core(core)
    , m_element(element)
    , m_start(std::min(start, end))
    , m_end(std::max(start, end))
{
    m_element->AddRef();
}

LogTextRange::~LogTextRange()
{
    m_element->Release();
}

HRESULT LogTextRange::QueryInterface(REFIID iid, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    if (iid == __uuidof(IUnknown) || iid == uia::IID_ITextRangeProvider || iid == kOwnRange) {
        *object = static_cast<uia::ITextRangeProvider*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG LogTextRange::AddRef()
{
    return static_cast<ULONG>(::InterlockedIncrement(&m_references));
}

ULONG LogTextRange::Release()
{
    const LONG left = ::InterlockedDecrement(&m_references);
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

template <typename Action> HRESULT LogTextRange::Call(Action action)
{
    return CallHost(m_link, [&](AutomationHost& host) {
        // The text may have changed since the last call.
        const size_t length = host.Text().Length();
        m_start = std::min(m_start, length);
        m_end = std::min(m_end, length);
        return action(host);
    });
}

LogTextRange* LogTextRange::Own(uia::ITextRangeProvider* other, size_t length) const
{
    if (other == nullptr)
        return nullptr;
    ComPtr<uia::ITextRangeProvider> own;
    if (FAILED(other->QueryInterface(kOwnRange, own.put_void())))
        return nullptr;
    // Held by the caller for the call; the reference taken here is not needed.
    auto* range = static_cast<LogTextRange*>(own.get());
    if (range->m_link != m_link)
        return nullptr;
    range->m_start = std::min(range->m_start, length);
    range->m_end = std::min(range->m_end, length);
    return range;
}

HRESULT LogTextRange::NewRange(size_t start, size_t end, uia::ITextRangeProvider** result) const
{
    *result = new (std::nothrow) LogTextRange(m_link, m_core, m_element, start, end);
    return *result != nullptr ? S_OK : E_OUTOFMEMORY;
}

void LogTextRange::SetEndpoint(uia::TextPatternRangeEndpoint endpoint, size_t position)
{
    Endpoint(endpoint) = position;
    if (m_start > m_end) {
        if (endpoint == uia::TextPatternRangeEndpoint_Start)
            m_end = m_start;
        else
            m_start = m_end;
    }
}

// ---------------------------------------------------------------------------
// Comparing

HRESULT LogTextRange::Clone(uia::ITextRangeProvider** result)
{
    if (result == nullptr)
        return E_POINTER;
    *result = nullptr;
    return Call([&](AutomationHost&) { return NewRange(m_start, m_end, result); });
}

HRESULT LogTextRange::Compare(uia::ITextRangeProvider* range, BOOL* result)
{
    if (result == nullptr)
        return E_POINTER;
    *result = FALSE;
    return Call([&](AutomationHost& host) {
        const LogTextRange* other = Own(range, host.Text().Length());
        if (other == nullptr)
            return E_INVALIDARG;
        *result = other->m_start == m_start && other->m_end == m_end ? TRUE : FALSE;
        return S_OK;
    });
}

HRESULT LogTextRange::CompareEndpoints(uia::TextPatternRangeEndpoint endpoint, uia::ITextRangeProvider* targetRange,
    uia::TextPatternRangeEndpoint targetEndpoint, int* result)
{
    if (result == nullptr)
        return E_POINTER;
    *result = 0;
    if (!IsEndpoint(endpoint) || !IsEndpoint(targetEndpoint))
        return E_INVALIDARG;
    return Call([&](AutomationHost& host) {
        LogTextRange* other = Own(targetRange, host.Text().Length());
        if (other == nullptr)
            return E_INVALIDARG;
        const size_t mine = Endpoint(endpoint);
        const size_t theirs = other->Endpoint(targetEndpoint);
        *result = mine < theirs ? -1 : (mine > theirs ? 1 : 0);
        return S_OK;
    });
}

// ---------------------------------------------------------------------------
// Moving

HRESULT LogTextRange::ExpandToEnclosingUnit(uia::TextUnit unit)
{
    const auto textUnit = UnitOf(unit);
    if (!textUnit)
        return E_INVALIDARG;
    return Call([&](AutomationHost& host) {
        const TextUnits::Span span = UnitsOf(host).Enclosing(m_start, *textUnit);
        m_start = span.start;
        m_end = span.end;
        return S_OK;
    });
}

HRESULT LogTextRange::Move(uia::TextUnit unit, int count, int* result)
{
    if (result == nullptr)
        return E_POINTER;
    *result = 0;
    const auto textUnit = UnitOf(unit);
    if (!textUnit)
        return E_INVALIDARG;
    return Call([&](AutomationHost& host) {
        const TextUnits units = UnitsOf(host);
        if (m_start == m_end) {
            const TextUnits::Moved moved = units.MovePoint(m_start, *textUnit, count);
            m_start = m_end = moved.position;
            *result = moved.count;
            return S_OK;
        }
        // A range moves as a whole unit: from the start of the unit it
        // starts in, count units on, and then it is that unit. Moved not at
        // all, it is left as it was.
        const TextUnits::Moved moved = units.MoveUnit(m_start, *textUnit, count);
        if (moved.count != 0) {
            m_start = moved.position;
            m_end = units.UnitEnd(m_start, *textUnit);
        }
        *result = moved.count;
        return S_OK;
    });
}

HRESULT LogTextRange::MoveEndpointByUnit(
    uia::TextPatternRangeEndpoint endpoint, uia::TextUnit unit, int count, int* result)
{
    if (result == nullptr)
        return E_POINTER;
    *result = 0;
    const auto textUnit = UnitOf(unit);
    if (!textUnit || !IsEndpoint(endpoint))
        return E_INVALIDARG;
    return Call([&](AutomationHost& host) {
        const TextUnits::Moved moved = UnitsOf(host).MovePoint(Endpoint(endpoint), *textUnit, count);
        SetEndpoint(endpoint, moved.position);
        *result = moved.count;
        return S_OK;
    });
}

HRESULT LogTextRange::MoveEndpointByRange(uia::TextPatternRangeEndpoint endpoint, uia::ITextRangeProvider* targetRange,
    uia::TextPatternRangeEndpoint targetEndpoint)
{
    if (!IsEndpoint(endpoint) || !IsEndpoint(targetEndpoint))
        return E_INVALIDARG;
    return Call([&](AutomationHost& host) {
        LogTextRange* other = Own(targetRange, host.Text().Length());
        if (other == nullptr)
            return E_INVALIDARG;
        SetEndpoint(endpoint, other->Endpoint(targetEndpoint));
        return S_OK;
    });
}

// ---------------------------------------------------------------------------
// Finding

HRESULT LogTextRange::FindAttribute(
    TEXTATTRIBUTEID attributeId, VARIANT value, BOOL /*backward*/, uia::ITextRangeProvider** result)
{
    if (result == nullptr)
        return E_POINTER;
    *result = nullptr;
    return Call([&](AutomationHost&) {
        // All of the log is read-only, and nothing else is told of it.
        const bool readOnly = value.vt == VT_BOOL && value.boolVal == VARIANT_TRUE;
        if (attributeId == uia::kIsReadOnlyAttribute && readOnly)
            return NewRange(m_start, m_end, result);
        return S_OK;
    });
}

HRESULT LogTextRange::FindText(BSTR text, BOOL backward, BOOL ignoreCase, uia::ITextRangeProvider** result)
{
    if (result == nullptr)
        return E_POINTER;
    *result = nullptr;
    if (text == nullptr || ::SysStringLen(text) == 0)
        return E_INVALIDARG;
    return Call([&](AutomationHost& host) {
        SearchQuery query;
        query.text.assign(text, ::SysStringLen(text));
        query.matchCase = ignoreCase == FALSE;
        query.up = backward != FALSE;
        const std::optional<Selection> found
            = LogSearch(host.Text()).Find(query, query.up ? m_end : m_start, query.up ? m_start : m_end);
        return found ? NewRange(found->Start(), found->End(), result) : S_OK;
    });
}

HRESULT LogTextRange::GetAttributeValue(TEXTATTRIBUTEID attributeId, VARIANT* result)
{
    if (result == nullptr)
        return E_POINTER;
    ::VariantInit(result);
    return Call([&](AutomationHost&) {
        if (attributeId == uia::kIsReadOnlyAttribute) {
            result->vt = VT_BOOL;
            result->boolVal = VARIANT_TRUE;
            return S_OK;
        }
        IUnknown* notSupported = nullptr;
        if (m_core.getReservedNotSupportedValue != nullptr
            && SUCCEEDED(m_core.getReservedNotSupportedValue(&notSupported)) && notSupported != nullptr) {
            result->vt = VT_UNKNOWN;
            result->punkVal = notSupported;
        }
        return S_OK;
    });
}

// ---------------------------------------------------------------------------
// Reading

HRESULT LogTextRange::GetText(int maxLength, BSTR* result)
{
    if (result == nullptr)
        return E_POINTER;
    *result = nullptr;
    if (maxLength < -1)
        return E_INVALIDARG;
    return Call([&](AutomationHost& host) {
        // Cut first, then copied once, straight from the log's pieces.
        size_t count = m_end - m_start;
        if (maxLength >= 0)
            count = std::min(count, static_cast<size_t>(maxLength));
        if (count >= UINT_MAX / sizeof(OLECHAR))
            return E_OUTOFMEMORY;
        const BSTR text = ::SysAllocStringLen(nullptr, static_cast<UINT>(count));
        if (text == nullptr)
            return E_OUTOFMEMORY;
        host.Text().Copy(m_start, m_start + count, text);
        *result = text;
        return S_OK;
    });
}

HRESULT LogTextRange::GetBoundingRectangles(SAFEARRAY** result)
{
    if (result == nullptr)
        return E_POINTER;
    *result = nullptr;
    return Call([&](AutomationHost& host) {
        // Left, top, width and height in screen coordinates, for each line
        // in view that the range has characters of.
        std::vector<double> rectangles;
        const LogText& text = host.Text();
        if (m_start < m_end) {
            const LogLayout layout = host.SettledLayout();
            const Viewport& view = layout.View();
            const auto [firstShown, endShown] = view.LinesMeeting(view.text.top, view.text.bottom, text.LineCount());
            const size_t first = std::max(text.LineFromChar(m_start), firstShown);
            const size_t last = std::min(text.LineFromChar(m_end - 1) + 1, endShown);
            for (size_t line = first; line < last; ++line) {
                const size_t lineStart = text.LineStart(line);
                const size_t lineEnd = lineStart + text.LineLength(line);
                POINT topLeft = layout.PointOf(std::max(m_start, lineStart));
                POINT bottomRight = layout.PointOf(std::min(m_end, lineEnd));
                topLeft.x = std::max(topLeft.x, static_cast<LONG>(view.text.left));
                bottomRight.x = std::min(bottomRight.x, static_cast<LONG>(view.text.right));
                bottomRight.y = topLeft.y + view.lineHeight;
                if (bottomRight.x < topLeft.x)
                    continue; // scrolled sideways out of view
                ::ClientToScreen(host.Window(), &topLeft);
                ::ClientToScreen(host.Window(), &bottomRight);
                rectangles.insert(rectangles.end(),
                    {static_cast<double>(topLeft.x), static_cast<double>(topLeft.y),
                        static_cast<double>(bottomRight.x - topLeft.x),
                        static_cast<double>(bottomRight.y - topLeft.y)});
            }
        }
        SAFEARRAY* array = ::SafeArrayCreateVector(VT_R8, 0, static_cast<ULONG>(rectangles.size()));
        if (array == nullptr)
            return E_OUTOFMEMORY;
        for (LONG i = 0; i < static_cast<LONG>(rectangles.size()); ++i)
            ::SafeArrayPutElement(array, &i, &rectangles[static_cast<size_t>(i)]);
        *result = array;
        return S_OK;
    });
}

HRESULT LogTextRange::GetEnclosingElement(IRawElementProviderSimple** result)
{
    if (result == nullptr)
        return E_POINTER;
    *result = nullptr;
    return Call([&](AutomationHost&) {
        m_element->AddRef();
        *result = m_element;
        return S_OK;
    });
}

HRESULT LogTextRange::GetChildren(SAFEARRAY** result)
{
    if (result == nullptr)
        return E_POINTER;
    *result = nullptr;
    return Call([&](AutomationHost&) {
        // The log is text only: no embedded objects.
        *result = ::SafeArrayCreateVector(VT_UNKNOWN, 0, 0);
        return *result != nullptr ? S_OK : E_OUTOFMEMORY;
    });
}

// ---------------------------------------------------------------------------
// Selecting and showing

HRESULT LogTextRange::Select()
{
    return Call([&](AutomationHost& host) {
        host.Select({m_start, m_end});
        return S_OK;
    });
}

HRESULT LogTextRange::AddToSelection()
{
    // The log has one selection.
    return Call([](AutomationHost&) { return uia::kInvalidOperation; });
}

HRESULT LogTextRange::RemoveFromSelection()
{
    return Call([](AutomationHost&) { return uia::kInvalidOperation; });
}

HRESULT LogTextRange::ScrollIntoView(BOOL alignToTop)
{
    return Call([&](AutomationHost& host) {
        const LogText& text = host.Text();
        if (alignToTop != FALSE) {
            host.ScrollTo(text.LineFromChar(m_start));
        } else {
            // The range's last line at the bottom: a range of whole lines
            // ends where the next line starts, which it has nothing of.
            const size_t last = text.LineFromChar(m_end > m_start ? m_end - 1 : m_end);
            const size_t visible = host.View().VisibleLines();
            host.ScrollTo(last + 1 > visible ? last + 1 - visible : 0);
        }
        return S_OK;
    });
}
