#include "line_reader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

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

LineReader::LineReader(InputEncoding encoding)
    : encoding_(encoding == InputEncoding::kUtf16Le ? Encoding::kUtf16Le : Encoding::kUndecided) {}

void LineReader::Push(std::string_view bytes, LineSink& sink) {
    Units units(sink);
    bytes = DetectEncoding(bytes, units);
    if (encoding_ == Encoding::kUtf8)
        ReadUtf8(bytes, units);
    else if (encoding_ != Encoding::kUndecided)
        ReadUtf16(bytes, units);
    units.Flush();
}

void LineReader::Finish(LineSink& sink) {
    Units units(sink);
    if (encoding_ == Encoding::kUndecided) {
        // Input too short to be a byte-order mark: it is UTF-8.
        encoding_ = Encoding::kUtf8;
        ReadUtf8(std::string_view(head_, headSize_), units);
        headSize_ = 0;
    }
    if (fault_ == LineFault::kNone) {
        if (utf8_.InSequence())
            fault_ = LineFault::kNotUtf8;
        else if (hasOddByte_)
            fault_ = LineFault::kOddByte;
        else
            PassHeldCr(units);  // no LF can follow it now
    }
    hasOddByte_ = false;
    if (lineBegun_) EndLine(units);
    units.Flush();
}

std::string_view LineReader::DetectEncoding(std::string_view bytes, Units& units) {
    struct Mark {
        std::string_view bytes;
        Encoding encoding;
    };
    static constexpr Mark kMarks[] = {{"\xEF\xBB\xBF", Encoding::kUtf8},
                                      {"\xFF\xFE", Encoding::kUtf16Le},
                                      {"\xFE\xFF", Encoding::kUtf16Be}};
    while (encoding_ == Encoding::kUndecided && !bytes.empty()) {
        head_[headSize_++] = bytes.front();
        bytes.remove_prefix(1);
        const std::string_view head(head_, headSize_);
        bool mayBeAMark = false;
        for (const Mark& mark : kMarks) {
            if (head == mark.bytes) {
                encoding_ = mark.encoding;
                headSize_ = 0;
                return bytes;
            }
            mayBeAMark = mayBeAMark || mark.bytes.substr(0, head.size()) == head;
        }
        if (!mayBeAMark) {
            // No mark: the bytes held back are the first of the UTF-8 text.
            encoding_ = Encoding::kUtf8;
            headSize_ = 0;
            ReadUtf8(head, units);
        }
    }
    return bytes;
}

void LineReader::ReadUtf8(std::string_view bytes, Units& units) {
    const char* at = bytes.data();
    const char* const end = at + bytes.size();
    while (at != end) {
        if (fault_ != LineFault::kNone) {
            const void* const lf = std::memchr(at, '\n', static_cast<std::size_t>(end - at));
            if (lf == nullptr) return;
            at = static_cast<const char*>(lf) + 1;
            EndLine(units);
            continue;
        }
        lineBegun_ = true;
        if (!utf8_.InSequence() && !heldCr_) {
            // Printable ASCII, the bulk of any address, is taken a run at a time.
            while ((at = units.PutPlain(at, end)) != end && units.Full()) units.Flush();
            if (at == end) return;
        }
        const auto byte = static_cast<unsigned char>(*at);
        if (!utf8_.InSequence()) {
            if (byte == '\n') {
                heldCr_ = false;  // CRLF: the CR is part of the ending
                ++at;
                EndLine(units);
                continue;
            }
            PassHeldCr(units);
            if (byte == '\r') {
                heldCr_ = true;
                ++at;
                continue;
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
            // The byte is searched again: it may be the LF that ends the line.
            fault_ = LineFault::kNotUtf8;
            units.Discard();
            continue;
        }
        for (int i = 0; i < got; ++i) units.Put(decoded[i]);
        ++at;
    }
}

void LineReader::ReadUtf16(std::string_view bytes, Units& units) {
    const auto byteAt = [&bytes](std::size_t at) { return static_cast<unsigned char>(bytes[at]); };
    const bool little = encoding_ == Encoding::kUtf16Le;
    const auto unit = [little](unsigned first, unsigned second) {
        return static_cast<char16_t>(little ? first | second << 8 : first << 8 | second);
    };
    std::size_t at = 0;
    if (hasOddByte_ && !bytes.empty()) {
        hasOddByte_ = false;
        TakeUnit(unit(oddByte_, byteAt(0)), units);
        at = 1;
    }
    for (; bytes.size() - at >= 2; at += 2) {
        const char16_t next = unit(byteAt(at), byteAt(at + 1));
        if (next > u'\r' && fault_ == LineFault::kNone && !heldCr_) {
            // The common case: a unit of the line, with nothing held back.
            lineBegun_ = true;
            units.Put(next);
        } else {
            TakeUnit(next, units);
        }
    }
    if (at < bytes.size()) {
        oddByte_ = byteAt(at);
        hasOddByte_ = true;
        lineBegun_ = true;
    }
}

void LineReader::TakeUnit(char16_t unit, Units& units) {
    if (unit == u'\n') {
        heldCr_ = false;
        EndLine(units);
        return;
    }
    lineBegun_ = true;
    if (fault_ != LineFault::kNone) return;
    PassHeldCr(units);
    if (unit == u'\r') {
        heldCr_ = true;
    } else if (unit == 0) {
        fault_ = LineFault::kNul;
        units.Discard();
    } else {
        units.Put(unit);
    }
}

void LineReader::PassHeldCr(Units& units) {
    if (!heldCr_) return;
    heldCr_ = false;
    units.Put(u'\r');
}

void LineReader::EndLine(Units& units) {
    units.Flush();
    const LineFault fault = fault_;
    fault_ = LineFault::kNone;
    heldCr_ = false;
    lineBegun_ = false;
    utf8_.Reset();
    units.Sink().LineEnd(++lines_, fault);
}

}  // namespace pelvaro::cli
