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
    kDetect,   // a UTF-16 byte-order mark says UTF-16 (LE or BE); otherwise UTF-8
    kUtf16Le,  // no byte-order mark expected (a Windows console's units)
};

// A push-style reader: Push gives it the next bytes, Finish the end of the
// input, and each hands the sink what they complete. LF or CRLF ends a line; a
// CR before anything but LF belongs to the line. A last line without an ending
// still counts, and empty input has no lines.
//
// At the start of the input a byte-order mark is taken away: FF FE or FE FF
// makes the rest UTF-16, little- or big-endian, and EF BB BF is skipped.
// Without one the input is UTF-8. In UTF-16 every unit is passed on as it is,
// a lone half of a surrogate pair too.
//
// The reader keeps no line: the few bytes of a character cut by the end of a
// chunk, and the state of the line. Once a line is faulty the rest of it is
// only searched for its end.
class LineReader {
public:
    explicit LineReader(InputEncoding encoding = InputEncoding::kDetect);

    void Push(std::string_view bytes, LineSink& sink);
    void Finish(LineSink& sink);

private:
    enum class Encoding { kUndecided, kUtf8, kUtf16Le, kUtf16Be };
    class Units;

    // Takes the byte-order mark from the start; returns the bytes after those
    // it has taken, all of them once the encoding is known.
    std::string_view DetectEncoding(std::string_view bytes, Units& units);
    void ReadUtf8(std::string_view bytes, Units& units);
    void ReadUtf16(std::string_view bytes, Units& units);
    // One UTF-16 unit of the line.
    void TakeUnit(char16_t unit, Units& units);
    // Hands on a CR held back to see whether LF follows.
    void PassHeldCr(Units& units);
    void EndLine(Units& units);

    Encoding encoding_;
    char head_[3] = {};  // the start of the input while it may yet be a byte-order mark
    std::size_t headSize_ = 0;
    Utf8Decoder utf8_;
    unsigned char oddByte_ = 0;  // the first byte of a UTF-16 unit cut by the end of a chunk
    bool hasOddByte_ = false;
    bool heldCr_ = false;     // a CR is read but not yet passed on
    bool lineBegun_ = false;  // the line being read has at least one byte
    LineFault fault_ = LineFault::kNone;
    std::size_t lines_ = 0;  // lines ended
};

}  // namespace pelvaro::cli
