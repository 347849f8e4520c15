// pelvaro-id: the MSN Messenger 6 id numbers of e-mail addresses given as
// arguments or read from standard input, one a line.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "help_text.h"
#include "id_number_batches.h"
#include "line_reader.h"
#include "pelvaro/bit_sliced_fold.h"
#include "pelvaro/id_number.h"
#include "pelvaro/text_services.h"
#include "pelvaro/wrapping_arithmetic.h"
#include "process_io.h"

namespace pelvaro::cli {

namespace {

constexpr int kSuccess = 0;
constexpr int kFailure = 1;     // an address not fit to work out, or reading or writing failed
constexpr int kUsageError = 2;  // the command line is wrong, or names an unknown code page

constexpr std::size_t kChunkSize = 64 * 1024;  // read at a time, and kept before a write

// Names the width of word that lines read are folded on, in bits, when it is
// not to be the widest that runs here.
constexpr char kWordBitsVariable[] = "PELVARO_ID_WORD_BITS";

// Those of TextServices::ForCodePage, in words.
constexpr std::string_view kSupportedCodePages = PELVARO_CODE_PAGES_IN_WORDS;

// Writes "pelvaro-id: " and the pieces of a message on standard error, a
// line, without building a string that could fail to be built.
void Complain(std::initializer_list<std::string_view> pieces) {
    std::fputs("pelvaro-id: ", stderr);
    for (const std::string_view piece : pieces) std::fwrite(piece.data(), 1, piece.size(), stderr);
    std::fputs("\n", stderr);
}

bool IsPrintableAscii(std::uint32_t code) { return code >= 0x20 && code < 0x7F; }

// Appends "\", the kind and the value in so many hexadecimal digits.
void AppendEscape(std::string& shown, char kind, std::uint32_t value, int digits) {
    constexpr std::string_view kHexDigits = "0123456789ABCDEF";
    shown += '\\';
    shown += kind;
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) shown += kHexDigits[value >> shift & 0xFu];
}

// A value as a message shows it: printable ASCII as it is, and anything else
// escaped, so that no value shows as nothing or as a garbled message: \x1B
// for a control character, \u00E9 for a character beyond ASCII (\U0001F600
// beyond U+FFFF), \uD800 for a lone half of a surrogate pair; and \\ for
// the backslash itself.
std::string Shown(std::u16string_view text) {
    std::string shown;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const char16_t unit = text[at];
        const bool pair = unit >= 0xD800 && unit < 0xDC00 && at + 1 < text.size() && text[at + 1] >= 0xDC00 &&
                          text[at + 1] < 0xE000;
        if (unit == u'\\')
            shown += "\\\\";
        else if (IsPrintableAscii(unit))
            shown += static_cast<char>(unit);
        else if (unit < 0x80)
            AppendEscape(shown, 'x', unit, 2);
        else if (pair)
            AppendEscape(shown, 'U', 0x10000 + ((unit - 0xD800u) << 10) + (text[++at] - 0xDC00u), 8);
        else
            AppendEscape(shown, 'u', unit, 4);
    }
    return shown;
}

// An argument as a message shows it; one that is not UTF-8 shows its bytes,
// \xFF for each beyond printable ASCII.
std::string Shown(const Argument& argument) {
    if (argument.text) return Shown(*argument.text);
    std::string shown;
    for (const char byte : argument.bytes) {
        const auto code = static_cast<unsigned char>(byte);
        if (byte == '\\')
            shown += "\\\\";
        else if (IsPrintableAscii(code))
            shown += byte;
        else
            AppendEscape(shown, 'x', code, 2);
    }
    return shown;
}

// Thrown when the command line is wrong.
struct UsageError {
    std::string message;
};

// Standard output, kept in a buffer until it is full, or a line at a time.
class Output {
public:
    explicit Output(bool lineByLine) : lineByLine_(lineByLine) {
        buffer_.reserve(kChunkSize + IdNumberBatches::kBatchLines * kLongestNumberLine);
    }

    void Line(std::string_view text) {
        Append(text);
        Append(kNewline);
        Kept();
    }

    // The numbers' unsigned texts, a line each, written in place: a batch
    // of them is kept whole.
    void Numbers(const std::int32_t* numbers, std::size_t count) {
        char* const start = Room(count * kLongestNumberLine);
        char* end = start;
        for (std::size_t i = 0; i < count; ++i) {
            end += WriteUnsignedText(numbers[i], end);
            end += kNewline.copy(end, kNewline.size());
        }
        size_ += static_cast<std::size_t>(end - start);
        Kept();
    }

    // Each line of text, ended as the platform ends lines.
    void Lines(std::string_view text) {
        for (std::size_t end; (end = text.find('\n')) != std::string_view::npos; text.remove_prefix(end + 1))
            Line(text.substr(0, end));
    }

    // Writes what the buffer holds, and empties it even when the write
    // fails (WriteFailure).
    void Flush() {
        struct Emptied {
            std::size_t& size;
            ~Emptied() { size = 0; }
        } emptied{size_};
        WriteOutput(std::string_view(buffer_.data(), size_));
    }

private:
    static constexpr std::size_t kLongestNewline = 2;  // CRLF
    static constexpr std::size_t kLongestNumberLine = kLongestUnsignedText + kLongestNewline;

    // Where size more bytes go, after those kept. The buffer's length only
    // grows, within the room made at the start for a batch's numbers beyond
    // a chunk, and past it only for a longer line than that.
    char* Room(std::size_t size) {
        if (buffer_.size() - size_ < size) buffer_.resize(size_ + size);
        return &buffer_[size_];
    }

    void Append(std::string_view text) { size_ += text.copy(Room(text.size()), text.size()); }

    void Kept() {
        if (lineByLine_ || size_ >= kChunkSize) Flush();
    }

    bool lineByLine_;
    std::string buffer_;
    std::size_t size_ = 0;  // bytes kept, at the start of buffer_
};

struct CommandLine {
    enum class Action { kWorkOut, kHelp, kVersion };
    Action action = Action::kWorkOut;
    std::optional<Argument> codePage;    // the value of the last --code-page
    std::vector<std::size_t> addresses;  // where in the arguments
};

bool IsOption(const Argument& argument) {
    return argument.text && !argument.text->empty() && (*argument.text)[0] == u'-';
}

bool StartsWith(std::u16string_view text, std::u16string_view start) {
    return text.substr(0, start.size()) == start;
}

// Takes the option at arguments[at], and its value if it has one; returns
// where the next argument is.
std::size_t TakeOption(const std::vector<Argument>& arguments, std::size_t at, CommandLine& line) {
    constexpr std::u16string_view kCodePage = u"--code-page";
    const std::u16string& option = *arguments[at].text;
    if (option == u"--help") {
        line.action = CommandLine::Action::kHelp;
    } else if (option == u"--version") {
        line.action = CommandLine::Action::kVersion;
    } else if (option == kCodePage) {
        if (at + 1 == arguments.size()) throw UsageError{"option '--code-page' needs a value"};
        line.codePage = arguments[++at];
    } else if (StartsWith(option, std::u16string(kCodePage) + u"=")) {
        line.codePage = Argument{option.substr(kCodePage.size() + 1), {}};
    } else {
        throw UsageError{"unknown option '" + Shown(option) + "'"};
    }
    return at + 1;
}

CommandLine ParseCommandLine(const std::vector<Argument>& arguments) {
    CommandLine line;
    std::size_t at = 0;
    while (at < arguments.size() && line.action == CommandLine::Action::kWorkOut) {
        if (arguments[at].text == u"--") {
            for (++at; at < arguments.size(); ++at) line.addresses.push_back(at);
        } else if (IsOption(arguments[at])) {
            at = TakeOption(arguments, at, line);
        } else {
            line.addresses.push_back(at++);
        }
    }
    return line;
}

// The number written in decimal digits, if it is one of a sensible size.
template <typename Char>
std::optional<unsigned> ParseNumber(std::basic_string_view<Char> digits) {
    if (digits.empty() || digits.size() > 9) return std::nullopt;
    unsigned number = 0;
    for (const Char digit : digits) {
        if (digit < '0' || digit > '9') return std::nullopt;
        number = number * 10 + static_cast<unsigned>(digit - '0');
    }
    return number;
}

// The text services of the chosen code page, or of the system's ANSI code
// page when none is chosen; empty when the chosen one is unknown.
std::optional<TextServices> ChooseServices(const std::optional<Argument>& codePage) {
    if (!codePage) return TextServices::SystemAnsi();
    const std::optional<unsigned> number =
        codePage->text ? ParseNumber(std::u16string_view(*codePage->text)) : std::nullopt;
    return number ? TextServices::ForCodePage(*number) : std::nullopt;
}

std::string_view Describe(LineFault fault) {
    switch (fault) {
        case LineFault::kNone:
            break;
        case LineFault::kNotUtf8:
            return "not valid UTF-8";
        case LineFault::kNul:
            return "contains a NUL character";
        case LineFault::kOddByte:
            return "odd number of bytes in UTF-16 input";
    }
    return "fit to work out";
}

// Names a faulty line or argument, after writing the numbers worked out
// before it, so that numbers and messages keep the order of the input, also
// when both streams go to one file. Without faults the output keeps its buffer.
void ReportFault(Output& out, std::string_view where, std::size_t number, LineFault fault) {
    out.Flush();
    Complain({where, " ", std::to_string(number), ": ", Describe(fault)});
}

int WorkOutArguments(const std::vector<Argument>& arguments, const std::vector<std::size_t>& addresses,
                     const TextServices& services, Output& out) {
    int status = kSuccess;
    for (const std::size_t at : addresses) {
        if (arguments[at].text) {
            const std::int32_t idNumber = WorkOutIdNumber(*arguments[at].text, services);
            out.Numbers(&idNumber, 1);
        } else {
            ReportFault(out, "argument", at + 1, LineFault::kNotUtf8);
            status = kFailure;
        }
    }
    return status;
}

// Writes each line's number, or names a faulty line.
class IdNumberWriter final : public IdNumberOutput {
public:
    explicit IdNumberWriter(Output& out) : out_(out) {}

    void IdNumbers(const std::int32_t* idNumbers, std::size_t count) override {
        out_.Numbers(idNumbers, count);
    }

    void Fault(std::size_t line, LineFault fault) override {
        ReportFault(out_, "line", line, fault);
        status_ = kFailure;
    }

    int Status() const { return status_; }

private:
    Output& out_;
    int status_ = kSuccess;
};

// The widths of word that run here, in words.
std::string RunningSliceWidths() {
    std::string widths;
    for (const unsigned bits : kSliceWidths)
        if (SliceWidthRuns(bits)) widths += (widths.empty() ? "" : ", ") + std::to_string(bits);
    return widths;
}

// The width of word that the lines are folded on, in bits: the widest that
// runs here, unless the environment names another (to measure each). Empty,
// and the reason named, when the one it names does not run here.
std::optional<unsigned> ChooseSliceWidth() {
    const char* const named = std::getenv(kWordBitsVariable);
    if (named == nullptr || *named == '\0') return WidestSliceWidth();
    const std::optional<unsigned> bits = ParseNumber(std::string_view(named));
    const char* const missing = bits ? SliceWidthMissing(*bits) : "not a number of bits";
    if (missing == nullptr) return bits;
    Complain({kWordBitsVariable, "='", Shown(Argument{std::nullopt, named}), "': ", missing,
              "; the widths that run here are ", RunningSliceWidths()});
    return std::nullopt;
}

int WorkOutInput(const TextServices& services, Output& out) {
    const std::optional<unsigned> sliceBits = ChooseSliceWidth();
    if (!sliceBits) return kUsageError;
    LineReader reader(StandardInputEncoding());
    IdNumberWriter writer(out);
    IdNumberBatches idNumbers(services, writer, InputIsInteractive(), *sliceBits);
    std::vector<char> chunk(kChunkSize);
    try {
        for (std::size_t got; (got = ReadInput(chunk.data(), chunk.size())) > 0;)
            reader.Push(std::string_view(chunk.data(), got), idNumbers);
    } catch (const ReadFailure&) {
        idNumbers.Finish();  // the lines read before the failure are written before it is named
        throw;
    }
    reader.Finish(idNumbers);
    idNumbers.Finish();
    return writer.Status();
}

int WorkOut(const std::vector<Argument>& arguments, const CommandLine& line, Output& out) {
    const std::optional<TextServices> services = ChooseServices(line.codePage);
    if (!services) {
        Complain({"unknown code page '", Shown(*line.codePage), "'; the code pages supported are ",
                  kSupportedCodePages});
        return kUsageError;
    }
    if (line.addresses.empty()) return WorkOutInput(*services, out);
    return WorkOutArguments(arguments, line.addresses, *services, out);
}

int Act(const std::vector<Argument>& arguments, Output& out) {
    const CommandLine line = ParseCommandLine(arguments);
    switch (line.action) {
        case CommandLine::Action::kHelp:
            out.Lines(kHelp);
            return kSuccess;
        case CommandLine::Action::kVersion:
            out.Line("pelvaro-id " PELVARO_VERSION);
            return kSuccess;
        case CommandLine::Action::kWorkOut:
            break;
    }
    return WorkOut(arguments, line, out);
}

// The status after a failed write: none when the reader has gone, for then
// nothing more is wanted.
int WriteFailed(const WriteFailure& failure) {
    if (failure.readerGone) return kSuccess;
    Complain({"cannot write standard output: ", failure.reason});
    return kFailure;
}

// Writes what was worked out before a failure, and names the failure.
int Fail(Output& out, std::initializer_list<std::string_view> message) {
    try {
        out.Flush();
    } catch (const WriteFailure& failure) {
        WriteFailed(failure);
    }
    Complain(message);
    return kFailure;
}

int Run(const std::vector<Argument>& arguments) {
    PrepareStreams();
    Output out(InputIsInteractive());
    try {
        const int status = Act(arguments, out);
        out.Flush();
        return status;
    } catch (const UsageError& error) {
        Complain({error.message});
        std::fwrite(kUsage.data(), 1, kUsage.size(), stderr);
        return kUsageError;
    } catch (const WriteFailure& failure) {
        return WriteFailed(failure);
    } catch (const ReadFailure& failure) {
        return Fail(out, {"cannot read standard input: ", failure.reason});
    } catch (const std::exception& error) {
        return Fail(out, {error.what()});
    }
}

}  // namespace

}  // namespace pelvaro::cli

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) { return pelvaro::cli::Run(pelvaro::cli::Arguments(argc, argv)); }
#else
int main(int argc, char** argv) { return pelvaro::cli::Run(pelvaro::cli::Arguments(argc, argv)); }
#endif
