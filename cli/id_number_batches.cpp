#include "id_number_batches.h"

#include <algorithm>

#include "pelvaro/id_number.h"
#include "pelvaro/wrapping_arithmetic.h"

namespace pelvaro::cli {

namespace {

// The fold carried on from h over codes already looked up, each widened with
// its sign, as FoldIdNumber folds a unit's code.
std::int32_t FoldCodes(std::int32_t h, const std::uint16_t* codes, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) h = AddBits(Times101(h), static_cast<std::int16_t>(codes[i]));
    return h;
}

}  // namespace

IdNumberBatches::IdNumberBatches(const TextServices& services, IdNumberOutput& output, bool eachLineAtOnce,
                                 unsigned sliceBits)
    : services_(services),
      loweredCodes_(services),
      output_(output),
      eachLineAtOnce_(eachLineAtOnce),
      sliceBits_(SliceWidthRuns(sliceBits) ? sliceBits : WidestSliceWidth()),
      codes_(new std::uint16_t[kBatchUnits]) {
    lines_.reserve(kBatchLines);
    idNumbers_.reserve(kBatchLines);
}

void IdNumberBatches::Units(std::u16string_view units) {
    if (!streaming_ && size_ - lineStart_ + units.size() > kLongestBatchedLine) StartStreaming();
    if (streaming_) {
        idNumber_ = FoldIdNumber(idNumber_, units, services_);
        return;
    }
    // The line fits: a batch keeps room for the longest it takes.
    std::uint16_t* const codes = codes_.get() + size_;
    for (std::size_t i = 0; i < units.size(); ++i) codes[i] = loweredCodes_[units[i]];
    size_ += units.size();
}

// The line being read has outgrown a batch: the lines before it are handed
// on, and it is folded from here as it comes.
void IdNumberBatches::StartStreaming() {
    Finish();  // leaves the line's codes alone at the start
    idNumber_ = FoldCodes(0, codes_.get(), size_);
    size_ = 0;
    streaming_ = true;
}

void IdNumberBatches::LineEnd(std::size_t number, LineFault fault) {
    if (fault != LineFault::kNone) {
        size_ = lineStart_;  // what the faulty line gave before its fault showed
        Finish();
        output_.Fault(number, fault);
    } else if (streaming_) {
        output_.IdNumbers(&idNumber_, 1);
    } else {
        // Written a field at a time: a whole one copied from the stack waits
        // for the stores that made it.
        CodedText& line = lines_.emplace_back();
        line.codes = codes_.get() + lineStart_;
        line.size = size_ - lineStart_;
        lineStart_ = size_;
        // The next line, once as long as a batch takes, must find room.
        if (eachLineAtOnce_ || lines_.size() == kBatchLines || size_ > kBatchUnits - kLongestBatchedLine)
            Finish();
    }
    streaming_ = false;
    idNumber_ = 0;
}

void IdNumberBatches::Finish() {
    idNumbers_.resize(lines_.size());
    WorkOutIdNumbers(sliceBits_, lines_.data(), lines_.size(), idNumbers_.data());
    lines_.clear();
    std::copy(codes_.get() + lineStart_, codes_.get() + size_, codes_.get());  // the line being read, if any
    size_ -= lineStart_;
    lineStart_ = 0;
    if (!idNumbers_.empty()) output_.IdNumbers(idNumbers_.data(), idNumbers_.size());
}

}  // namespace pelvaro::cli
