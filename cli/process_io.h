// What pelvaro-id needs of its system: its arguments as UTF-16 units, and its
// standard input and output. One source file a platform.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "line_reader.h"

namespace pelvaro::cli {

// One argument: its text, empty when it is not valid UTF-8, and where the
// system gives bytes (elsewhere than on Windows) the bytes as they came.
struct Argument {
    std::optional<std::u16string> text;
    std::string bytes;
};

// The arguments after the program's name. Elsewhere they are UTF-8 bytes to
// decode; on Windows (wmain) they are UTF-16 already.
std::vector<Argument> Arguments(int argc, char** argv);
std::vector<Argument> Arguments(int argc, wchar_t** argv);

// The line ending of the output: CRLF on Windows, LF elsewhere.
extern const std::string_view kNewline;

// Thrown when reading standard input fails.
struct ReadFailure {
    std::string reason;  // in the system's words
};

// Thrown when writing standard output fails.
struct WriteFailure {
    bool readerGone;  // the output is a pipe whose reading end has closed
    std::string reason;
};

// Readies the standard streams. Elsewhere than on Windows SIGPIPE is ignored,
// so that a closed output pipe shows as a failed write.
void PrepareStreams();

// How standard input comes: from a Windows console as UTF-16 units, whatever
// its code page; otherwise as bytes whose start tells their encoding.
InputEncoding StandardInputEncoding();

// Whether standard input is typed: a terminal or a console.
bool InputIsInteractive();

// Reads up to size bytes of standard input (size even): how many, 0 at its
// end. At a Windows console, Ctrl+Z ends the input, and the units read are
// given as UTF-16LE bytes.
std::size_t ReadInput(char* buffer, std::size_t size);

// Writes all of data, UTF-8, to standard output: as it is to a file or a
// pipe, as UTF-16 text to a Windows console.
void WriteOutput(std::string_view data);

}  // namespace pelvaro::cli
