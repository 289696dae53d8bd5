#include "StpParser.h"

#include "DeviceCatalog.h"
#include "TextFormat.h"

#include <iterator>
#include <vector>

namespace {

bool isBlankChar(char c)
{
    return c == ' ' || c == '\t';
}

std::vector<std::string_view> splitWords(std::string_view s)
{
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && isBlankChar(s[i]))
            ++i;
        std::size_t start = i;
        while (i < s.size() && !isBlankChar(s[i]))
            ++i;
        if (i > start)
            words.push_back(s.substr(start, i - start));
    }
    return words;
}

// CR is allowed only as part of a CRLF line end; TAB separates words.
bool isControl(unsigned char c, unsigned char next)
{
    if (c == '\t' || c == '\n')
        return false;
    if (c == '\r')
        return next != '\n';
    return c < 0x20 || c == 0x7F;
}

} // namespace

std::wstring StpResult::reason() const
{
    switch (error) {
    case StpError::None:
        return L"没有错误。";
    case StpError::Empty:
        return L"文件为空。";
    case StpError::Binary:
        return L"含有控制字符，这不是 STP 文本文件。";
    case StpError::LineTooLong:
        return L"行太长（最多 4096 个字符）。";
    case StpError::MissingHeader:
        return L"缺少文件头：DEVICE 和 DESIGN 必须写在数据记录之前。";
    case StpError::DuplicateHeader:
        return L"DEVICE 或 DESIGN 重复出现。";
    case StpError::BadHeader:
        return L"DEVICE、DESIGN 各需要一个名称，END 后面不能有内容。";
    case StpError::UnknownDevice:
        return L"未知的器件型号。";
    case StpError::BadDesignName:
        return L"设计名称无效（1-31 个字母、数字、_ - .）。";
    case StpError::UnknownRecord:
        return L"无法识别的记录。";
    case StpError::BadAddress:
        return L"地址无效（@ 后应为 1-8 位十六进制数）。";
    case StpError::BadHex:
        return L"数据无效（每个字节应为 2 位十六进制数，以空格分隔）。";
    case StpError::NoData:
        return L"地址后面没有数据。";
    case StpError::OutOfRange:
        return L"地址超出器件容量（有效地址 " + hexNumber(0, 4) + L"-" + hexNumber(deviceSize - 1, 4) + L"）。";
    case StpError::Overlap:
        return L"与第 " + std::to_wstring(otherLine) + L" 行的记录地址重叠。";
    case StpError::AfterEnd:
        return L"END 之后还有内容。";
    case StpError::MissingEnd:
        return L"文件不完整：缺少 END 行。";
    case StpError::NoRecords:
        return L"没有任何数据记录。";
    }
    return L"未知错误。";
}

StpResult StpParser::parse(std::string_view text)
{
    StpParser parser;
    StpResult& r = parser.result_;

    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    if (text.substr(0, kBom.size()) == kBom)
        text.remove_prefix(kBom.size());

    // A binary file is reported as such even when its first lines happen to parse.
    unsigned line = 1;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const auto next = static_cast<unsigned char>(i + 1 < text.size() ? text[i + 1] : 0);
        if (isControl(c, next)) {
            r.line = line;
            r.error = StpError::Binary;
            return r;
        }
        if (c == '\n')
            ++line;
    }

    bool sawContent = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t nl = text.find('\n', pos);
        std::string_view raw = text.substr(pos, nl == std::string_view::npos ? std::string_view::npos : nl - pos);
        pos = nl == std::string_view::npos ? text.size() : nl + 1;
        ++parser.lineNo_;
        if (!raw.empty() && raw.back() == '\r')
            raw.remove_suffix(1);
        if (raw.size() > kMaxLineLength) {
            parser.fail(StpError::LineTooLong);
            return r;
        }
        std::string_view content = trimBlanks(raw);
        if (content.empty())
            continue;
        sawContent = true;
        if (!parser.parseLine(content))
            return r;
    }

    if (!sawContent) {
        parser.lineNo_ = 1;
        parser.fail(StpError::Empty);
        return r;
    }
    if (!parser.ended_) {
        // Report the last line: that is where the file was cut off.
        parser.fail(parser.haveDevice_ && parser.haveDesign_ ? StpError::MissingEnd : StpError::MissingHeader);
        return r;
    }
    parser.buildSegments();
    return r;
}

bool StpParser::fail(StpError error)
{
    result_.error = error;
    result_.line = lineNo_ == 0 ? 1 : lineNo_;
    return false;
}

bool StpParser::parseLine(std::string_view line)
{
    if (line.front() == '#' || line.front() == ';')
        return true;
    if (ended_)
        return fail(StpError::AfterEnd);

    const std::vector<std::string_view> words = splitWords(line);
    const std::string_view keyword = words.front();

    if (keyword == "DEVICE") {
        if (haveDevice_)
            return fail(StpError::DuplicateHeader);
        if (words.size() != 2)
            return fail(StpError::BadHeader);
        const DeviceInfo* device = DeviceCatalog::find(words[1]);
        if (!device)
            return fail(StpError::UnknownDevice);
        haveDevice_ = true;
        deviceSize_ = device->size;
        result_.deviceSize = device->size;
        result_.design.device = device->name;
        return true;
    }
    if (keyword == "DESIGN") {
        if (haveDesign_)
            return fail(StpError::DuplicateHeader);
        if (words.size() != 2)
            return fail(StpError::BadHeader);
        if (!Design::isValidName(words[1]))
            return fail(StpError::BadDesignName);
        haveDesign_ = true;
        result_.design.name = std::string(words[1]);
        return true;
    }
    if (keyword == "END") {
        if (words.size() != 1)
            return fail(StpError::BadHeader);
        if (!haveDevice_ || !haveDesign_)
            return fail(StpError::MissingHeader);
        if (records_.empty())
            return fail(StpError::NoRecords);
        ended_ = true;
        return true;
    }
    if (keyword.front() == '@') {
        if (!haveDevice_ || !haveDesign_)
            return fail(StpError::MissingHeader);
        return parseRecord(keyword.substr(1), line.substr(keyword.size()));
    }
    return fail(StpError::UnknownRecord);
}

bool StpParser::parseRecord(std::string_view addressText, std::string_view rest)
{
    if (addressText.empty() || addressText.size() > 8)
        return fail(StpError::BadAddress);
    std::uint32_t address = 0;
    for (char c : addressText) {
        const int v = hexDigitValue(c);
        if (v < 0)
            return fail(StpError::BadAddress);
        address = (address << 4) | static_cast<std::uint32_t>(v);
    }

    std::vector<std::uint8_t> bytes;
    for (std::string_view word : splitWords(rest)) {
        const int hi = word.size() == 2 ? hexDigitValue(word[0]) : -1;
        const int lo = word.size() == 2 ? hexDigitValue(word[1]) : -1;
        if (hi < 0 || lo < 0)
            return fail(StpError::BadHex);
        bytes.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
    }
    if (bytes.empty())
        return fail(StpError::NoData);

    const std::uint64_t end = std::uint64_t{address} + bytes.size();
    if (end > deviceSize_)
        return fail(StpError::OutOfRange);

    // Records may come in any order, so look at both neighbours by address.
    auto next = records_.lower_bound(address);
    if (next != records_.end() && next->first < end) {
        result_.otherLine = next->second.line;
        return fail(StpError::Overlap);
    }
    if (next != records_.begin()) {
        auto prev = std::prev(next);
        if (prev->second.end > address) {
            result_.otherLine = prev->second.line;
            return fail(StpError::Overlap);
        }
    }
    records_.emplace(address, Record{end, lineNo_, std::move(bytes)});
    ++result_.recordCount;
    return true;
}

void StpParser::buildSegments()
{
    std::vector<Segment>& segments = result_.design.segments;
    for (auto& [address, record] : records_) {
        if (!segments.empty() && segments.back().end() == address) {
            auto& tail = segments.back().bytes;
            tail.insert(tail.end(), record.bytes.begin(), record.bytes.end());
        } else {
            segments.push_back(Segment{address, std::move(record.bytes)});
        }
    }
}
