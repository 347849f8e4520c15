// The id numbers of the lines read, worked out many lines at a time by the
// bit-sliced fold, and handed on in the order of the input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "line_reader.h"
#include "pelvaro/text_services.h"

namespace pelvaro::cli {

// Where the lines' outcomes go, in the order of the input.
class IdNumberOutput {
public:
    virtual void IdNumber(std::int32_t idNumber) = 0;
    virtual void Fault(std::size_t line, LineFault fault) = 0;

protected:
    ~IdNumberOutput() = default;
};

// Keeps the lines read until a batch is full, then works out their numbers
// at once and hands them on. Memory stays bounded: a batch holds at most
// kBatchLines lines of at most kLongestBatchedLine units each. A longer line
// is folded as it streams by the one-line engine, after the batch before it
// has been handed on, so that it never holds the lines after it back. Before
// a faulty line the batch before it is handed on, then the fault. With
// eachLineAtOnce (typed input), every number is handed on when its line ends.
class IdNumberBatches final : public LineSink {
public:
    static constexpr std::size_t kBatchLines = 256;          // a whole number of words of lanes
    static constexpr std::size_t kLongestBatchedLine = 512;  // units; twice the longest e-mail address

    IdNumberBatches(const TextServices& services, IdNumberOutput& output, bool eachLineAtOnce);

    void Units(std::u16string_view units) override;
    void LineEnd(std::size_t number, LineFault fault) override;

    // Works out and hands on the lines still kept: at the end of the input,
    // or before reporting a failure to read it.
    void Finish();

private:
    std::size_t LineSize() const { return units_.size() - LineStart(); }
    std::size_t LineStart() const { return ends_.empty() ? 0 : ends_.back(); }
    void StartStreaming();

    const TextServices& services_;
    IdNumberOutput& output_;
    bool eachLineAtOnce_;
    std::u16string units_;           // the batch's lines, then the line being read
    std::vector<std::size_t> ends_;  // where in units_ each line of the batch ends
    std::vector<std::u16string_view> lines_;
    std::vector<std::int32_t> idNumbers_;
    bool streaming_ = false;     // the line being read is too long for a batch
    std::int32_t idNumber_ = 0;  // a streaming line's number so far
};

}  // namespace pelvaro::cli
