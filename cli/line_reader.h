// Splits a stream of bytes, given in chunks of any size, into lines of UTF-16
// units, decoding them on the way.
#pragma once

#include <cstddef>
#include <string_view>

#include "utf8.h"

namespace pelvaro::cli {

// What makes a line unfit to be an address; the first fault found names it.
enum class LineFault {
    kNone,
    kNotUtf8,  // not valid UTF-8
    kNul,      // a NUL character, never part of an e-mail address
    kOddByte,  // UTF-16 input that ends with half a unit
};

// Where the reader hands what it reads, as soon as it has read it.
class LineSink {
public:
    // More units of the line being read, in order. A line may come in any
    // number of pieces, and a line found faulty later may have given some.
    virtual void Units(std::u16string_view units) = 0;
    // The end of a line: its number, from 1, and its fault, if it has one.
    virtual void LineEnd(std::size_t number, LineFault fault) = 0;

protected:
    ~LineSink() = default;
};

// How the input is encoded: known in advance, or told by its start.
enum class InputEncoding {
    kDetect,   // byte-order marks say UTF-16 (LE or BE) or UTF-8; UTF-8 before any
    kUtf16Le,  // no byte-order mark expected (a Windows console's units)
};

// A push-style reader: Push gives it the next bytes, Finish the end of the
// input, and each hands the sink what they complete. LF, CRLF or a CR alone
// ends a line (CRLF is one ending, also when a chunk ends between the two). A
// line is handed on at its ending, CR or LF, without waiting for what follows.
// A last line without an ending still counts, and empty input has no lines.
//
// A byte-order mark at the start of a line starts another file, as when files
// are joined one after another: it is taken away, and its encoding holds from
// there. FF FE makes the text UTF-16 little-endian, FE FF big-endian, and
// EF BB BF UTF-8, whatever the encoding before it: the bytes are the same in
// every one (in UTF-16 the units U+FEFF, the same order, and U+FFFE, the other;
// in UTF-8, FF and FE are never valid). Without a mark the input is UTF-8. In
// UTF-16 every unit is passed on as it is, a lone half of a surrogate pair too.
//
// The reader keeps no line: the few bytes of a character or of a byte-order
// mark cut by the end of a chunk, and the state of the line. Once a line is
// faulty the rest of it is only searched for its end.
class LineReader {
public:
    explicit LineReader(InputEncoding encoding = InputEncoding::kDetect);

    void Push(std::string_view bytes, LineSink& sink);
    void Finish(LineSink& sink);

private:
    enum class Encoding { kUtf8, kUtf16Le, kUtf16Be };
    class Units;

    // At the start of a line: takes a byte-order mark from the front of bytes,
    // or holds back the bytes at their end while they may still become one.
    // Returns whether the line's own bytes start at the front of bytes.
    bool TakeMark(std::string_view& bytes, Units& units);
    // Read up to the end of a line, or of an LF that completes CRLF, and
    // return the bytes after it; all of them are read when no line ends.
    std::string_view ReadLine(std::string_view bytes, Units& units);
    std::string_view ReadUtf8(std::string_view bytes, Units& units);
    std::string_view ReadUtf16(std::string_view bytes, Units& units);
    // One UTF-16 unit; returns whether a line starts after it.
    bool TakeUnit(char16_t unit, Units& units);
    void EndLine(bool byCr, Units& units);

    Encoding encoding_;
    bool marksStartFiles_;  // false for a console's units, in which no mark is expected
    char head_[2] = {};     // the start of a line that may yet be a byte-order mark
    std::size_t headSize_ = 0;
    Utf8Decoder utf8_;
    unsigned char oddByte_ = 0;  // the first byte of a UTF-16 unit cut by the end of a chunk
    bool hasOddByte_ = false;
    bool afterCr_ = false;    // the last line ended with a CR: an LF next completes CRLF
    bool lineBegun_ = false;  // the line being read has at least one byte
    LineFault fault_ = LineFault::kNone;
    std::size_t lines_ = 0;  // lines ended
};

}  // namespace pelvaro::cli
