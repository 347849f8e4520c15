#include "line_reader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

namespace pelvaro::cli {

namespace {

// Bytes that stand for themselves and end nothing: printable ASCII and DEL.
bool IsPlain(char byte) { return static_cast<unsigned char>(byte) - 0x20u < 0x60u; }

// Whether all eight bytes from bytes on are plain. A byte of 0x80 or above
// has its top bit set; so has one below 0x20 once 0x20 is taken from each
// byte, and the borrow it passes on can only come from such a byte.
bool ArePlain(const char* bytes) {
    std::uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    constexpr std::uint64_t kSpaces = 0x2020202020202020;
    constexpr std::uint64_t kTopBits = 0x8080808080808080;
    return (((word - kSpaces) | word) & kTopBits) == 0;
}

}  // namespace

// The units of the line being read, gathered so that the sink gets them in
// pieces rather than one at a time. Handed on before the line's end, when
// full, and at the end of each chunk.
class LineReader::Units {
public:
    explicit Units(LineSink& sink) : sink_(sink) {}

    void Put(char16_t unit) {
        if (size_ == kCapacity) Flush();
        buffer_[size_++] = unit;
    }

    // Takes the longest run of plain bytes from the start of bytes, up to
    // the room left, each byte a unit; returns where the run ends.
    const char* PutPlain(const char* bytes, const char* end) {
        const char* const stop = bytes + std::min(static_cast<std::size_t>(end - bytes), kCapacity - size_);
        const char* run = bytes;
        while (stop - run >= 8 && ArePlain(run)) run += 8;
        while (run != stop && IsPlain(*run)) ++run;
        const auto count = static_cast<std::size_t>(run - bytes);
        char16_t* const units = buffer_ + size_;
        for (std::size_t i = 0; i < count; ++i) units[i] = static_cast<unsigned char>(bytes[i]);
        size_ += count;
        return run;
    }

    bool Full() const { return size_ == kCapacity; }

    void Flush() {
        if (size_ != 0) sink_.Units(std::u16string_view(buffer_, size_));
        size_ = 0;
    }

    // Drops the units not yet handed on: those of a line just found faulty.
    void Discard() { size_ = 0; }

    LineSink& Sink() { return sink_; }

private:
    static constexpr std::size_t kCapacity = 2048;
    LineSink& sink_;
    std::size_t size_ = 0;
    char16_t buffer_[kCapacity];
};

namespace {

constexpr std::size_t kLongestMark = 3;  // the bytes of a byte-order mark, at most

// Whether a byte may start a byte-order mark.
bool MayStartAMark(char byte) { return byte == '\xEF' || byte == '\xFF' || byte == '\xFE'; }

// The first CR or LF from at on, or end.
const char* FindLineEnd(const char* at, const char* end) {
    const void* const lf = std::memchr(at, '\n', static_cast<std::size_t>(end - at));
    const char* const stop = lf != nullptr ? static_cast<const char*>(lf) : end;
    const void* const cr = std::memchr(at, '\r', static_cast<std::size_t>(stop - at));
    return cr != nullptr ? static_cast<const char*>(cr) : stop;
}

}  // namespace

LineReader::LineReader(InputEncoding encoding)
    : encoding_(encoding == InputEncoding::kUtf16Le ? Encoding::kUtf16Le : Encoding::kUtf8),
      marksStartFiles_(encoding == InputEncoding::kDetect) {}

void LineReader::Push(std::string_view bytes, LineSink& sink) {
    Units units(sink);
    while (!bytes.empty()) {
        if (!lineBegun_ && marksStartFiles_ && !TakeMark(bytes, units)) continue;
        bytes = ReadLine(bytes, units);
    }
    units.Flush();
}

void LineReader::Finish(LineSink& sink) {
    Units units(sink);
    if (headSize_ != 0) {
        // The input ended inside what might have been a mark: it was text.
        const std::string_view head(head_, std::exchange(headSize_, 0));
        ReadLine(head, units);
    }
    if (fault_ == LineFault::kNone) {
        if (utf8_.InSequence())
            fault_ = LineFault::kNotUtf8;
        else if (hasOddByte_)
            fault_ = LineFault::kOddByte;
    }
    hasOddByte_ = false;
    if (lineBegun_) EndLine(false, units);
    units.Flush();
}

bool LineReader::TakeMark(std::string_view& bytes, Units& units) {
    if (headSize_ == 0 && !MayStartAMark(bytes.front())) return true;
    char seen[kLongestMark];
    std::memcpy(seen, head_, headSize_);
    const std::size_t added = std::min(bytes.size(), kLongestMark - headSize_);
    std::memcpy(seen + headSize_, bytes.data(), added);
    const std::string_view start(seen, headSize_ + added);
    // Each mark is the same bytes in every encoding.
    struct Mark {
        std::string_view bytes;
        Encoding encoding;
    };
    static constexpr Mark kMarks[] = {{"\xEF\xBB\xBF", Encoding::kUtf8},
                                      {"\xFF\xFE", Encoding::kUtf16Le},
                                      {"\xFE\xFF", Encoding::kUtf16Be}};
    for (const Mark& mark : kMarks) {
        if (start.substr(0, mark.bytes.size()) == mark.bytes) {
            encoding_ = mark.encoding;
            bytes.remove_prefix(mark.bytes.size() - headSize_);
            headSize_ = 0;
            afterCr_ = false;  // an LF after the mark is a line of the new file
            return false;
        }
        if (mark.bytes.substr(0, start.size()) == start) {
            // Every byte there is may be the start of this mark: wait for more.
            std::memcpy(head_, seen, start.size());
            headSize_ = start.size();
            bytes = {};
            return false;
        }
    }
    // No mark. The bytes held back, which start some mark, begin the line;
    // in no encoding do they end it.
    if (headSize_ != 0) ReadLine(std::string_view(head_, std::exchange(headSize_, 0)), units);
    return true;
}

std::string_view LineReader::ReadLine(std::string_view bytes, Units& units) {
    return encoding_ == Encoding::kUtf8 ? ReadUtf8(bytes, units) : ReadUtf16(bytes, units);
}

std::string_view LineReader::ReadUtf8(std::string_view bytes, Units& units) {
    const char* at = bytes.data();
    const char* const end = at + bytes.size();
    const auto rest = [&at, end] { return std::string_view(at, static_cast<std::size_t>(end - at)); };
    if (std::exchange(afterCr_, false) && *at == '\n') {
        ++at;  // the LF of CRLF
        return rest();
    }
    while (at != end) {
        if (fault_ != LineFault::kNone) {
            at = FindLineEnd(at, end);
            if (at == end) return {};
            EndLine(*at++ == '\r', units);
            return rest();
        }
        lineBegun_ = true;
        if (!utf8_.InSequence()) {
            // Printable ASCII, the bulk of any address, is taken a run at a time.
            while ((at = units.PutPlain(at, end)) != end && units.Full()) units.Flush();
            if (at == end) return {};
        }
        const auto byte = static_cast<unsigned char>(*at);
        if (!utf8_.InSequence()) {
            if (byte == '\n' || byte == '\r') {
                ++at;
                EndLine(byte == '\r', units);
                return rest();
            }
            if (byte == 0) {
                fault_ = LineFault::kNul;
                units.Discard();
                continue;
            }
        }
        char16_t decoded[2];
        const int got = utf8_.Take(byte, decoded);
        if (got == Utf8Decoder::kInvalid) {
            // The byte is searched again: it may be the CR or LF that ends the line.
            fault_ = LineFault::kNotUtf8;
            units.Discard();
            continue;
        }
        for (int i = 0; i < got; ++i) units.Put(decoded[i]);
        ++at;
    }
    return {};
}

std::string_view LineReader::ReadUtf16(std::string_view bytes, Units& units) {
    const auto byteAt = [&bytes](std::size_t at) { return static_cast<unsigned char>(bytes[at]); };
    const bool little = encoding_ == Encoding::kUtf16Le;
    const auto unit = [little](unsigned first, unsigned second) {
        return static_cast<char16_t>(little ? first | second << 8 : first << 8 | second);
    };
    std::size_t at = 0;
    if (hasOddByte_) {
        hasOddByte_ = false;
        at = 1;
        if (TakeUnit(unit(oddByte_, byteAt(0)), units)) return bytes.substr(at);
    }
    for (; bytes.size() - at >= 2; at += 2) {
        const char16_t next = unit(byteAt(at), byteAt(at + 1));
        if (next > u'\r' && fault_ == LineFault::kNone && !afterCr_) {
            // The common case: a unit of the line, with nothing to look back at.
            lineBegun_ = true;
            units.Put(next);
        } else if (TakeUnit(next, units)) {
            return bytes.substr(at + 2);
        }
    }
    if (at < bytes.size()) {
        oddByte_ = byteAt(at);
        hasOddByte_ = true;
        lineBegun_ = true;
    }
    return {};
}

bool LineReader::TakeUnit(char16_t unit, Units& units) {
    if (std::exchange(afterCr_, false) && unit == u'\n') {
        lineBegun_ = false;  // the LF of CRLF, though its first byte came alone
        return true;
    }
    if (unit == u'\n' || unit == u'\r') {
        EndLine(unit == u'\r', units);
        return true;
    }
    lineBegun_ = true;
    if (fault_ != LineFault::kNone) return false;
    if (unit == 0) {
        fault_ = LineFault::kNul;
        units.Discard();
    } else {
        units.Put(unit);
    }
    return false;
}

void LineReader::EndLine(bool byCr, Units& units) {
    units.Flush();
    const LineFault fault = fault_;
    fault_ = LineFault::kNone;
    afterCr_ = byCr;
    lineBegun_ = false;
    utf8_.Reset();
    units.Sink().LineEnd(++lines_, fault);
}

}  // namespace pelvaro::cli
