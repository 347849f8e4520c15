// Splits a stream of UTF-8 bytes, given in chunks of any size, into lines.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace pelvaro::cli {

// One line of the input, without its line ending.
struct Line {
    std::size_t number = 0;              // from 1
    std::optional<std::u16string> text;  // empty when the line is not valid UTF-8
};

// A push-style reader: Push gives it the next bytes, Finish the end of the
// input, and Next hands out each complete line in turn. LF or CRLF ends a
// line; a CR before anything but LF belongs to the line. A last line without
// an ending still counts, and empty input has no lines. A UTF-8 byte-order
// mark at the very start of the input is skipped. Only the line being read is
// kept, so memory does not grow with the number of lines.
class LineReader {
public:
    void Push(std::string_view bytes);
    void Finish();
    std::optional<Line> Next();

private:
    // Whether the start of the input is known not to be a byte-order mark any
    // more, skipping the mark once it is there whole.
    bool SkipByteOrderMark();
    Line TakeLine(std::size_t end, std::size_t next);

    std::string pending_;       // bytes of the line being read, after those already handed out
    std::size_t start_ = 0;     // where in pending_ the line being read starts
    std::size_t searched_ = 0;  // pending_ up to here holds no LF of that line
    std::size_t lines_ = 0;     // lines handed out
    bool started_ = false;      // the byte-order mark is dealt with
    bool finished_ = false;
};

}  // namespace pelvaro::cli
