// The id numbers of the lines read, worked out many lines at a time by the
// bit-sliced fold, and handed on in the order of the input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "line_reader.h"
#include "pelvaro/bit_sliced_fold.h"
#include "pelvaro/text_services.h"

namespace pelvaro::cli {

// Where the lines' outcomes go, in the order of the input.
class IdNumberOutput {
public:
    // The numbers of count lines, one after another.
    virtual void IdNumbers(const std::int32_t* idNumbers, std::size_t count) = 0;
    virtual void Fault(std::size_t line, LineFault fault) = 0;

protected:
    ~IdNumberOutput() = default;
};

// Keeps the lines read until a batch is full, then works out their numbers
// at once, on words of the width given (the widest that runs here, if that
// one does not), and hands them on. Each unit is coded as it comes, one
// look-up in the code page's table of lowered codes. Memory stays bounded: a
// batch holds at most kBatchLines lines of at most kLongestBatchedLine units
// each, and at most kBatchUnits units. A longer line is folded as it streams
// by the one-line engine, after the batch before it has been handed on, so
// that it never holds the lines after it back. Before a faulty line the batch
// before it is handed on, then the fault. With eachLineAtOnce (typed input),
// every number is handed on when its line ends.
class IdNumberBatches final : public LineSink {
public:
    static constexpr std::size_t kBatchLines = 512;  // a whole number of words of lanes, at every width
    static constexpr std::size_t kLongestBatchedLine = 512;  // units; twice the longest e-mail address
    static constexpr std::size_t kBatchUnits = 256 * kLongestBatchedLine;

    IdNumberBatches(const TextServices& services, IdNumberOutput& output, bool eachLineAtOnce,
                    unsigned sliceBits);

    void Units(std::u16string_view units) override;
    void LineEnd(std::size_t number, LineFault fault) override;

    // Works out and hands on the lines still kept: at the end of the input,
    // or before reporting a failure to read it.
    void Finish();

private:
    void StartStreaming();

    const TextServices& services_;
    const LoweredCodes loweredCodes_;
    IdNumberOutput& output_;
    bool eachLineAtOnce_;
    unsigned sliceBits_;
    std::unique_ptr<std::uint16_t[]> codes_;  // kBatchUnits: the batch's lines, then the line being read
    std::size_t size_ = 0;                    // codes kept
    std::size_t lineStart_ = 0;               // where the line being read starts
    std::vector<CodedText> lines_;            // the batch's
    std::vector<std::int32_t> idNumbers_;
    bool streaming_ = false;     // the line being read is too long for a batch
    std::int32_t idNumber_ = 0;  // a streaming line's number so far
};

}  // namespace pelvaro::cli
