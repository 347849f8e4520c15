// pelvaro-id: the MSN Messenger 6 id numbers of e-mail addresses given as
// arguments or read from standard input, one a line.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "line_reader.h"
#include "pelvaro/id_number.h"
#include "pelvaro/text_services.h"
#include "pelvaro/wrapping_arithmetic.h"
#include "process_io.h"

namespace pelvaro::cli {

namespace {

constexpr int kSuccess = 0;
constexpr int kFailure = 1;     // an address not valid UTF-8, or reading or writing failed
constexpr int kUsageError = 2;  // the command line is wrong, or names an unknown code page

constexpr std::size_t kChunkSize = 64 * 1024;  // read at a time, and kept before a write

constexpr std::string_view kSupportedCodePages = "874, 932, 936, 949, 950 and 1250 to 1258";

constexpr std::string_view kUsage =
    "Usage: pelvaro-id [--code-page N] [--] [ADDRESS...]\n"
    "       pelvaro-id --help | --version\n";

std::string Help() {
    return std::string(kUsage) +
           "\n"
           "Prints the MSN Messenger 6 id number of each e-mail ADDRESS, one a line, in\n"
           "order. With no ADDRESS, reads the addresses from standard input, one a line:\n"
           "LF or CRLF ends a line, and an empty line is an empty address (id number 0).\n"
           "Input is UTF-8; a byte-order mark at its start is skipped.\n"
           "\n"
           "Options:\n"
           "  --code-page N, --code-page=N\n"
           "                 take the character codes from code page N, one of\n"
           "                 " +
           std::string(kSupportedCodePages) +
           ". The default is\n"
           "                 the system's ANSI code page: on Windows the one of this\n"
           "                 machine, so that the id numbers agree with the Pelvaro\n"
           "                 window on the same machine; 1252 elsewhere.\n"
           "  --help         print this help and exit\n"
           "  --version      print the version and exit\n"
           "  --             end the options, so that an ADDRESS may start with '-'\n"
           "\n"
           "Exit status: 0 when every address was worked out; 1 when an address was not\n"
           "valid UTF-8 (standard error names its line or argument) or reading or writing\n"
           "failed; 2 for a usage error or an unknown code page.\n";
}

void Complain(const std::string& message) { std::fputs(("pelvaro-id: " + message + "\n").c_str(), stderr); }

// The text with every unit outside printable ASCII shown as '?'.
std::string Printable(std::u16string_view text) {
    std::string printable;
    for (const char16_t unit : text) printable += unit >= 0x20 && unit < 0x7F ? static_cast<char>(unit) : '?';
    return printable;
}

// Thrown when the command line is wrong.
struct UsageError {
    std::string message;
};

// Thrown when a write to standard output fails, with the errno.
struct WriteFailure {
    int error;
};

// Standard output, kept in a buffer until it is full, or a line at a time.
class Output {
public:
    explicit Output(bool lineByLine) : lineByLine_(lineByLine) {}

    void Line(std::string_view text) {
        buffer_ += text;
        buffer_ += kNewline;
        if (lineByLine_ || buffer_.size() >= kChunkSize) Flush();
    }

    // Each line of text, ended as the platform ends lines.
    void Lines(std::string_view text) {
        for (std::size_t end; (end = text.find('\n')) != std::string_view::npos; text.remove_prefix(end + 1))
            Line(text.substr(0, end));
    }

    void Flush() {
        const int error = WriteOutput(buffer_);
        buffer_.clear();
        if (error != 0) throw WriteFailure{error};
    }

private:
    bool lineByLine_;
    std::string buffer_;
};

struct CommandLine {
    enum class Action { kWorkOut, kHelp, kVersion };
    Action action = Action::kWorkOut;
    std::optional<Argument> codePage;    // the value of the last --code-page
    std::vector<std::size_t> addresses;  // where in the arguments
};

bool IsOption(const Argument& argument) { return argument && !argument->empty() && (*argument)[0] == u'-'; }

bool StartsWith(std::u16string_view text, std::u16string_view start) {
    return text.substr(0, start.size()) == start;
}

// Takes the option at arguments[at], and its value if it has one; returns
// where the next argument is.
std::size_t TakeOption(const std::vector<Argument>& arguments, std::size_t at, CommandLine& line) {
    constexpr std::u16string_view kCodePage = u"--code-page";
    const std::u16string& option = *arguments[at];
    if (option == u"--help") {
        line.action = CommandLine::Action::kHelp;
    } else if (option == u"--version") {
        line.action = CommandLine::Action::kVersion;
    } else if (option == kCodePage) {
        if (at + 1 == arguments.size()) throw UsageError{"option '--code-page' needs a value"};
        line.codePage = arguments[++at];
    } else if (StartsWith(option, std::u16string(kCodePage) + u"=")) {
        line.codePage = option.substr(kCodePage.size() + 1);
    } else {
        throw UsageError{"unknown option '" + Printable(option) + "'"};
    }
    return at + 1;
}

CommandLine ParseCommandLine(const std::vector<Argument>& arguments) {
    CommandLine line;
    std::size_t at = 0;
    while (at < arguments.size() && line.action == CommandLine::Action::kWorkOut) {
        if (arguments[at] == u"--") {
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
std::optional<unsigned> ParseNumber(std::u16string_view digits) {
    if (digits.empty() || digits.size() > 9) return std::nullopt;
    unsigned number = 0;
    for (const char16_t digit : digits) {
        if (digit < u'0' || digit > u'9') return std::nullopt;
        number = number * 10 + static_cast<unsigned>(digit - u'0');
    }
    return number;
}

// The text services of the chosen code page, or of the system's ANSI code
// page when none is chosen; empty when the chosen one is unknown.
std::optional<TextServices> ChooseServices(const std::optional<Argument>& codePage) {
    if (!codePage) return TextServices::SystemAnsi();
    const std::optional<unsigned> number = *codePage ? ParseNumber(**codePage) : std::nullopt;
    return number ? TextServices::ForCodePage(*number) : std::nullopt;
}

std::string IdNumber(std::u16string_view address, const TextServices& services) {
    return UnsignedText(WorkOutIdNumber(address, services));
}

int ReportNotUtf8(const char* where, std::size_t number) {
    Complain(where + (" " + std::to_string(number)) + ": not valid UTF-8");
    return kFailure;
}

int WorkOutArguments(const std::vector<Argument>& arguments, const std::vector<std::size_t>& addresses,
                     const TextServices& services, Output& out) {
    int status = kSuccess;
    for (const std::size_t at : addresses) {
        if (arguments[at])
            out.Line(IdNumber(*arguments[at], services));
        else
            status = ReportNotUtf8("argument", at + 1);
    }
    return status;
}

// Works out every complete line the reader holds.
int WorkOutLines(LineReader& reader, const TextServices& services, Output& out) {
    int status = kSuccess;
    while (const std::optional<Line> line = reader.Next()) {
        if (line->text)
            out.Line(IdNumber(*line->text, services));
        else
            status = ReportNotUtf8("line", line->number);
    }
    return status;
}

int WorkOutInput(const TextServices& services, Output& out) {
    LineReader reader;
    std::vector<char> chunk(kChunkSize);
    int status = kSuccess;
    for (bool more = true; more;) {
        const long got = ReadInput(chunk.data(), chunk.size());
        if (got < 0) {
            Complain(std::string("cannot read standard input: ") + std::strerror(errno));
            return kFailure;
        }
        more = got > 0;
        if (more)
            reader.Push(std::string_view(chunk.data(), static_cast<std::size_t>(got)));
        else
            reader.Finish();
        status = std::max(status, WorkOutLines(reader, services, out));
    }
    return status;
}

int WorkOut(const std::vector<Argument>& arguments, const CommandLine& line, Output& out) {
    const std::optional<TextServices> services = ChooseServices(line.codePage);
    if (!services) {
        Complain("unknown code page '" + Printable(line.codePage->value_or(u"")) +
                 "'; the code pages supported are " + std::string(kSupportedCodePages));
        return kUsageError;
    }
    if (line.addresses.empty()) return WorkOutInput(*services, out);
    return WorkOutArguments(arguments, line.addresses, *services, out);
}

int Act(const std::vector<Argument>& arguments, Output& out) {
    const CommandLine line = ParseCommandLine(arguments);
    switch (line.action) {
        case CommandLine::Action::kHelp:
            out.Lines(Help());
            return kSuccess;
        case CommandLine::Action::kVersion:
            out.Line("pelvaro-id " PELVARO_VERSION);
            return kSuccess;
        case CommandLine::Action::kWorkOut:
            break;
    }
    return WorkOut(arguments, line, out);
}

int Run(const std::vector<Argument>& arguments) {
    PrepareStreams();
    Output out(InputIsTerminal());
    try {
        const int status = Act(arguments, out);
        out.Flush();  // what is done is written even when a read fails
        return status;
    } catch (const UsageError& error) {
        Complain(error.message);
        std::fputs(kUsage.data(), stderr);
        return kUsageError;
    } catch (const WriteFailure& failure) {
        if (failure.error == EPIPE) return kSuccess;  // the reader has gone: nothing more is wanted
        Complain(std::string("cannot write standard output: ") + std::strerror(failure.error));
        return kFailure;
    } catch (const std::exception& error) {
        Complain(error.what());
        return kFailure;
    }
}

}  // namespace

}  // namespace pelvaro::cli

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) { return pelvaro::cli::Run(pelvaro::cli::Arguments(argc, argv)); }
#else
int main(int argc, char** argv) { return pelvaro::cli::Run(pelvaro::cli::Arguments(argc, argv)); }
#endif
