// IdNumberBatches against pelvaro-id's fold of one line at a time with the
// one-line engine, on the same input read by the same line reader: the same
// numbers and faults, in the same order, each handed on no later than it
// must be. For the tests and the fuzz target.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "id_number_batches.h"
#include "line_reader.h"
#include "pelvaro/id_number.h"
#include "pelvaro/text_services.h"

namespace pelvaro::cli::testing {

// What came of each line, in order: its number, or "line N: fault F".
class Outcomes final : public IdNumberOutput {
public:
    void IdNumbers(const std::int32_t* idNumbers, std::size_t count) override {
        for (std::size_t i = 0; i < count; ++i) list.push_back(std::to_string(idNumbers[i]));
    }
    void Fault(std::size_t line, LineFault fault) override {
        list.push_back("line " + std::to_string(line) + ": fault " + std::to_string(static_cast<int>(fault)));
    }
    std::vector<std::string> list;
};

// Hands what the reader reads to both: the one-line engine as each unit
// comes, and the batches. Notes the first time the batches' outcomes are not
// the start of the engine's, or lag where they must not: behind a faulty
// line, a line longer than a batch takes, or any line with eachLineAtOnce.
class SideBySide final : public LineSink {
public:
    SideBySide(const TextServices& services, bool eachLineAtOnce, unsigned sliceBits)
        : services_(services),
          eachLineAtOnce_(eachLineAtOnce),
          batches_(services, batched, eachLineAtOnce, sliceBits) {}

    void Units(std::u16string_view units) override {
        idNumber_ = FoldIdNumber(idNumber_, units, services_);
        lineSize_ += units.size();
        batches_.Units(units);
        Check(lineSize_ > IdNumberBatches::kLongestBatchedLine);
    }

    void LineEnd(std::size_t number, LineFault fault) override {
        if (fault == LineFault::kNone)
            engine.IdNumbers(&idNumber_, 1);
        else
            engine.Fault(number, fault);
        batches_.LineEnd(number, fault);
        Check(fault != LineFault::kNone || eachLineAtOnce_ ||
              lineSize_ > IdNumberBatches::kLongestBatchedLine);
        idNumber_ = 0;
        lineSize_ = 0;
    }

    void Finish() {
        batches_.Finish();
        Check(true);
    }

    Outcomes engine;
    Outcomes batched;
    std::string difference;  // the first, empty while there is none

private:
    void Check(bool allHandedOn) {
        const std::vector<std::string>& all = engine.list;
        const std::vector<std::string>& some = batched.list;
        if (!difference.empty()) return;
        if (some.size() > all.size() || !std::equal(some.begin(), some.end(), all.begin()))
            difference = "outcome " + std::to_string(some.size()) + " differs";
        else if (all.size() - some.size() >= IdNumberBatches::kBatchLines)
            difference = "a full batch kept back";
        else if (allHandedOn && some.size() != all.size())
            difference = "outcome " + std::to_string(some.size() + 1) + " not handed on in time";
    }

    const TextServices& services_;
    bool eachLineAtOnce_;
    IdNumberBatches batches_;
    std::int32_t idNumber_ = 0;
    std::size_t lineSize_ = 0;
};

// Reads input in chunks of the given sizes, in turn, into both, the batches
// folded on words of sliceBits (one that runs here); returns the first
// difference, or an empty string.
inline std::string CompareWithEngine(std::string_view input, const std::vector<std::size_t>& chunks,
                                     const TextServices& services, bool eachLineAtOnce, unsigned sliceBits,
                                     std::size_t* lines = nullptr) {
    LineReader reader;
    SideBySide both(services, eachLineAtOnce, sliceBits);
    for (std::size_t at = 0, turn = 0; at < input.size(); ++turn) {
        const std::size_t size = chunks[turn % chunks.size()];  // none is 0
        reader.Push(input.substr(at, size), both);
        at += size;
    }
    reader.Finish(both);
    both.Finish();
    if (lines != nullptr) *lines = both.engine.list.size();
    return both.difference;
}

}  // namespace pelvaro::cli::testing
