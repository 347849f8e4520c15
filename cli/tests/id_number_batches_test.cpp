// IdNumberBatches against the one-line engine on random and adversarial
// streams: UTF-8 and UTF-16 with their marks, faulty lines, empty lines,
// lines of every length around what a batch takes, in every code page, on
// every width of word that runs here.
#include "id_number_batches.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "batches_against_engine.h"
#include "pelvaro/bit_sliced_fold.h"

namespace pelvaro::cli {
namespace {

using testing::CompareWithEngine;
using namespace std::string_literals;

constexpr std::size_t kLong = IdNumberBatches::kLongestBatchedLine;

// Now and then a run that a batch takes whole or not at all; a line ending
// one time in lineLength; else addresses' characters, upper case among them,
// one a piece, or a piece that is something else: characters of two to four
// UTF-8 bytes, bytes that are never UTF-8, NUL, every line ending, every
// byte-order mark (UTF-16 from there).
std::string RandomPiece(std::mt19937& random, std::size_t lineLength) {
    static const std::string kAddress = "abcxyzABCXYZ0189._-+@";
    static const std::vector<std::string> kOthers = {
        "\n",   "\r\n",     "\r",  "\xC3\xA9",     "\xE3\x81\x82", "\xF0\x9F\x98\x80",
        "\xFF", "\xC0\xAF", "\0"s, "\xEF\xBB\xBF", "\xFF\xFE",     "\xFE\xFF"};
    static const std::vector<std::string> kRuns = {std::string(kLong, 'L'), std::string(kLong + 1, 'M'),
                                                   std::string(3 * kLong, 'N')};
    if (random() % 256 == 0) return kRuns[random() % kRuns.size()];
    if (random() % lineLength == 0) return "\n";
    if (random() % 4 != 0) return std::string(1, kAddress[random() % kAddress.size()]);
    return kOthers[random() % kOthers.size()];
}

class OnEveryWidth : public ::testing::TestWithParam<unsigned> {
protected:
    void SetUp() override {
        if (const char* missing = SliceWidthMissing(GetParam()))
            GTEST_SKIP() << GetParam() << "-bit words: " << missing;
    }
};

TEST_P(OnEveryWidth, RandomStreamsAgreeWithTheEngineInEveryCodePage) {
    std::mt19937 random(GetParam());
    std::size_t lines = 0;
    constexpr std::size_t kStreams = 150;
    for (std::size_t round = 0; round < kStreams; ++round) {
        const unsigned codePage = kChoosableCodePages[round % std::size(kChoosableCodePages)];
        std::string stream;
        // Lines of a few pieces fill many batches; of many, few.
        const std::size_t lineLength = 1 + random() % 40;
        for (std::size_t pieces = random() % 3000; pieces > 0; --pieces)
            stream += RandomPiece(random, lineLength);
        // Chunks of a few bytes or of many, as pipes and files give them.
        std::vector<std::size_t> chunks;
        for (int i = 0; i < 5; ++i) chunks.push_back(1 + random() % (random() % 2 == 0 ? 7 : 65536));
        std::size_t read = 0;
        ASSERT_EQ(CompareWithEngine(stream, chunks, *TextServices::ForCodePage(codePage), round % 4 == 0,
                                    GetParam(), &read),
                  "")
            << "stream " << round << ", code page " << codePage;
        lines += read;
    }
    RecordProperty("streams", static_cast<int>(kStreams));
    RecordProperty("lines", static_cast<int>(lines));
}

TEST_P(OnEveryWidth, AdversarialStreamsAgreeWithTheEngine) {
    const TextServices services = *TextServices::ForCodePage(1252);
    std::string fullBatches;  // a full batch, then one more line
    for (std::size_t i = 0; i <= 2 * IdNumberBatches::kBatchLines; ++i)
        fullBatches += "x" + std::to_string(i) + "\n";
    std::string longestLines;  // more units than a batch takes, in fewer lines
    for (std::size_t i = 0; i < 300; ++i)
        longestLines += std::string(kLong - i % 2, static_cast<char>('A' + i % 26)) + "\n";
    const std::string little = "\xFF\xFE" + "a\0B\0\n\0"s;
    const std::vector<std::string> streams = {
        "",
        "\n\n\n\r\r\n",
        fullBatches,
        fullBatches + std::string(kLong, 'a') + "\n" + std::string(kLong + 1, 'b') + "\nabc",
        "abc\n" + std::string(20000, 'Q') + "\xFF\nhello\n",   // a long line found faulty at its end
        "abc\n" + std::string(20000, 'Q') + "\nhello\n\0\n"s,  // a long line, then a NUL
        little + std::string(2 * kLong, 'z') + "\n" + little,  // UTF-16 units of a long line
        longestLines,
    };
    for (const std::string& stream : streams) {
        for (const bool eachLineAtOnce : {false, true}) {
            EXPECT_EQ(CompareWithEngine(stream, {stream.size() + 1}, services, eachLineAtOnce, GetParam()),
                      "");
            EXPECT_EQ(CompareWithEngine(stream, {1, 2, 3}, services, eachLineAtOnce, GetParam()), "");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(IdNumberBatches, OnEveryWidth, ::testing::ValuesIn(kSliceWidths),
                         [](const ::testing::TestParamInfo<unsigned>& width) {
                             return std::to_string(width.param) + "Bits";
                         });

}  // namespace
}  // namespace pelvaro::cli
