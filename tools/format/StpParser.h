#pragma once

#include "Design.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

enum class StpError {
    None,
    Empty, // no bytes, or only blank lines
    Binary, // control characters: not a text file at all
    LineTooLong,
    MissingHeader, // records or END before DEVICE and DESIGN
    DuplicateHeader,
    BadHeader, // DEVICE/DESIGN/END with the wrong number of words
    UnknownDevice,
    BadDesignName,
    UnknownRecord,
    BadAddress,
    BadHex,
    NoData, // an address with no bytes after it
    OutOfRange,
    Overlap,
    AfterEnd,
    MissingEnd, // text stops before END: a truncated file
    NoRecords,
};

struct StpResult {
    StpError error = StpError::None;
    unsigned line = 0; // 1-based; set for every error
    unsigned otherLine = 0; // for Overlap: the earlier record it collides with
    unsigned recordCount = 0;
    std::uint32_t deviceSize = 0; // known once DEVICE was read
    Design design;

    bool ok() const { return error == StpError::None; }
    std::wstring reason() const; // the error without its line number
};

// Reads the text form of a design. Strict on purpose: anything it does not
// understand is an error with a line number, never silently skipped.
class StpParser {
public:
    static constexpr std::size_t kMaxLineLength = 4096;

    static StpResult parse(std::string_view text);

private:
    struct Record {
        std::uint64_t end;
        unsigned line;
        std::vector<std::uint8_t> bytes;
    };

    bool parseLine(std::string_view line);
    bool parseRecord(std::string_view first, std::string_view rest);
    bool fail(StpError error);
    void buildSegments();

    StpResult result_;
    unsigned lineNo_ = 0;
    std::uint32_t deviceSize_ = 0;
    bool haveDevice_ = false;
    bool haveDesign_ = false;
    bool ended_ = false;
    std::map<std::uint32_t, Record> records_;
};
