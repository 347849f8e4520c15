#include "id_number_batches.h"

#include "pelvaro/bit_sliced_fold.h"
#include "pelvaro/id_number.h"

namespace pelvaro::cli {

IdNumberBatches::IdNumberBatches(const TextServices& services, IdNumberOutput& output, bool eachLineAtOnce)
    : services_(services), output_(output), eachLineAtOnce_(eachLineAtOnce) {
    units_.reserve(kBatchLines * kLongestBatchedLine);
    ends_.reserve(kBatchLines);
    lines_.reserve(kBatchLines);
    idNumbers_.reserve(kBatchLines);
}

void IdNumberBatches::Units(std::u16string_view units) {
    if (!streaming_ && LineSize() + units.size() > kLongestBatchedLine) StartStreaming();
    if (streaming_)
        idNumber_ = FoldIdNumber(idNumber_, units, services_);
    else
        units_ += units;
}

// The line being read has outgrown a batch: the lines before it are handed
// on, and it is folded from here as it comes.
void IdNumberBatches::StartStreaming() {
    Finish();  // leaves the line's units alone in units_
    idNumber_ = FoldIdNumber(0, units_, services_);
    units_.clear();
    streaming_ = true;
}

void IdNumberBatches::LineEnd(std::size_t number, LineFault fault) {
    if (fault != LineFault::kNone) {
        units_.resize(LineStart());  // what the faulty line gave before its fault showed
        Finish();
        output_.Fault(number, fault);
    } else if (streaming_) {
        output_.IdNumber(idNumber_);
    } else {
        ends_.push_back(units_.size());
        if (eachLineAtOnce_ || ends_.size() == kBatchLines) Finish();
    }
    streaming_ = false;
    idNumber_ = 0;
}

void IdNumberBatches::Finish() {
    std::size_t start = 0;
    lines_.clear();
    for (const std::size_t end : ends_) {
        lines_.push_back(std::u16string_view(units_).substr(start, end - start));
        start = end;
    }
    idNumbers_.resize(lines_.size());
    WorkOutIdNumbers(lines_.data(), lines_.size(), idNumbers_.data(), services_);
    units_.erase(0, start);  // the line being read, if any, stays
    ends_.clear();
    for (const std::int32_t idNumber : idNumbers_) output_.IdNumber(idNumber);
}

}  // namespace pelvaro::cli
