#pragma once

#include "BudgetAllocator.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The log's text, held as lines the way the multi-line EDIT control sees it:
// only "\r\n" ends a line, a lone "\r" or "\n" is an ordinary character, and
// character positions count each line break as two characters.
//
// The lines sit in pieces of bounded size, each with its own line starts, so
// that however long the log grows no block it takes grows with it: a log that
// runs for days needs no ever larger contiguous block (which a 32-bit address
// space stops finding long before its memory is used), and appending costs
// only what is appended. A line never straddles two pieces; one longer than a
// piece has a piece of its own. Lookups are binary searches, over the pieces
// and then within one.
//
// When memory runs out, a change is refused whole and the text stays as it
// was, except that the first refusal ends the log with kFullLine, for which
// memory is kept in reserve. From then on every change is refused until
// TakeTextAgain.
class LogText {
public:
    struct Limits {
        // Characters a piece holds before the next line goes into a new one:
        // 1 MB of UTF-16, big enough that the pieces' own index stays tiny and
        // small enough that no piece is a block worth worrying about.
        size_t pieceChars = 512 * 1024;
        // Lines a piece holds, so that a flood of empty lines is bounded too.
        size_t pieceLines = 64 * 1024;
        // What the text may allocate in all; the heap's own limit otherwise.
        size_t budgetBytes = static_cast<size_t>(-1);
    };

    // The log's last line once memory has run out.
    static constexpr const wchar_t* kFullLine = L"日志已满，之后的输出不再显示！";

    LogText();
    explicit LogText(const Limits& limits);
    LogText(LogText&&) noexcept = default;
    LogText& operator=(LogText&&) noexcept = default;

    // Characters, counting two for each line break (WM_GETTEXTLENGTH).
    size_t Length() const;
    // An empty text has one, empty, line.
    size_t LineCount() const;
    // Without its line break; valid until the text next changes.
    std::wstring_view Line(size_t index) const;
    size_t LineLength(size_t index) const;
    // Position of the line's first character (EM_LINEINDEX).
    size_t LineStart(size_t index) const;
    // The line a position belongs to; a position inside a line break belongs
    // to the line the break ends, one past the end to the last line.
    size_t LineFromChar(size_t position) const;

    // [from, to) with "\r\n" between lines; bounds are clamped to the text.
    std::wstring Text(size_t from, size_t to) const;
    // Same characters into out, which must hold to - from of them; returns
    // how many were written.
    size_t Copy(size_t from, size_t to, wchar_t* out) const;

    // The text as it is kept, for reading long stretches of it without
    // copying: a run of whole lines, their characters back to back, the line
    // breaks between them left out. Valid until the text next changes.
    struct Block {
        std::wstring_view chars;
        const std::uint32_t* lineStarts; // where each of its lines begins in chars
        size_t lineCount;
        size_t firstLine; // the index of its first line in the text
        size_t firstPosition; // the character position of that line

        size_t LineEnd(size_t line) const { return line + 1 < lineCount ? lineStarts[line + 1] : chars.size(); }
        // The character position of chars[offset], which is in line.
        size_t Position(size_t offset, size_t line) const { return firstPosition + offset + 2 * line; }
        // The line of the block that position belongs to, as LineFromChar.
        size_t LineOf(size_t position) const;
    };
    // The blocks in order cover the text; the last one ends it.
    size_t BlockCount() const { return m_pieces.size(); }
    Block BlockAt(size_t index) const;
    size_t BlockOfPosition(size_t position) const { return PieceOfPosition(position); }

    // Each change is made whole, or refused (false) when memory runs out or
    // ran out before; see the class comment.
    bool Append(std::wstring_view text);
    // Replaces [from, to); only the end of the text is cheap to replace.
    bool Replace(size_t from, size_t to, std::wstring_view text);
    bool Assign(std::wstring_view text);

    // Changes so far that did more than add at the end: a reader that holds
    // positions into the text, as a save does, knows them stale once this moves.
    size_t Rewrites() const { return m_rewrites; }

    // True once a change was refused, until TakeTextAgain.
    bool Full() const { return m_full; }
    // After running out: try changes again, and end the log with kFullLine
    // again if they still do not fit. False if there is not even memory for
    // that line in reserve; the text stays full then.
    bool TakeTextAgain();

    // What the text holds allocated, and its largest block.
    const MemoryBudget& Memory() const { return *m_budget; }

private:
    using Chars = std::vector<wchar_t, BudgetAllocator<wchar_t>>;
    // Offsets into the piece's characters; a piece is far shorter than 4 G
    // characters, except a single over-long line, whose one start is 0.
    using Starts = std::vector<std::uint32_t, BudgetAllocator<std::uint32_t>>;

    struct Piece {
        explicit Piece(MemoryBudget& budget)
            : chars(BudgetAllocator<wchar_t>(budget))
            , starts(BudgetAllocator<std::uint32_t>(budget))
        {
        }

        Chars chars; // its lines' characters, breaks left out
        Starts starts; // where each of its lines begins in chars; never empty
        size_t firstLine = 0; // the index of its first line in the text
        size_t firstPosition = 0; // the character position of that line
        // Positions from firstPosition: every line but the text's last is
        // followed by a break, the last line of a piece by the one between
        // it and the next piece.
        size_t LineEnd(size_t line) const { return line + 1 < starts.size() ? starts[line + 1] : chars.size(); }
        size_t LocalStart(size_t line) const { return starts[line] + 2 * line; }
        size_t Span() const { return chars.size() + 2 * starts.size(); }
    };

    struct Place {
        size_t piece;
        size_t line; // within the piece
    };

    Place PlaceOfLine(size_t index) const;
    Place PlaceOfPosition(size_t position) const;
    size_t PieceOfPosition(size_t position) const;
    const Piece& Last() const { return m_pieces.back(); }
    Piece& Last() { return m_pieces.back(); }

    // The changes themselves, which may throw std::bad_alloc part way.
    void AppendOrThrow(std::wstring_view text);
    void AddChars(const wchar_t* chars, size_t count);
    void MakeRoom(size_t count);
    void BreakLine();
    Piece NextPiece();
    void PushPiece(Piece&& piece);
    void EnsureSpareSlot(size_t spare);
    // Gives back what the pieces since `from` hold beyond their contents.
    void Trim(size_t from);
    // Cuts the text at position, whole or not at all; never allocates when
    // position is the length the text had before a change being undone.
    void Truncate(size_t position);
    void Clear();

    void PrepareReserve();
    // Ends the text with kFullLine, from the reserve, and marks it full.
    void Refuse();

    Limits m_limits;
    // Apart, so that the containers counting into it can move with the text.
    std::unique_ptr<MemoryBudget> m_budget;
    std::vector<Piece, BudgetAllocator<Piece>> m_pieces;
    // kFullLine, ready to become the last piece; empty once used.
    Piece m_reserve;
    bool m_full = false;
    size_t m_rewrites = 0;
};
