// What pelvaro-id needs of its system: its arguments as UTF-16 units, and its
// standard input and output as plain bytes. One source file a platform.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pelvaro::cli {

// One argument; empty when it is not valid UTF-8.
using Argument = std::optional<std::u16string>;

// The arguments after the program's name. Elsewhere they are UTF-8 bytes to
// decode; on Windows (wmain) they are UTF-16 already.
std::vector<Argument> Arguments(int argc, char** argv);
std::vector<Argument> Arguments(int argc, wchar_t** argv);

// The line ending of the output: CRLF on Windows, LF elsewhere.
extern const std::string_view kNewline;

// Readies the standard streams: binary mode on Windows, so that line endings
// are left to the program; elsewhere SIGPIPE is ignored, so that a closed
// output pipe shows as the error EPIPE.
void PrepareStreams();

bool InputIsTerminal();

// Reads up to size bytes of standard input: the count, 0 at the end of the
// input, or -1 with errno set.
long ReadInput(char* buffer, std::size_t size);

// Writes all of data to standard output: 0, or the errno of the failure,
// EPIPE when the reading end has gone away.
int WriteOutput(std::string_view data);

}  // namespace pelvaro::cli
