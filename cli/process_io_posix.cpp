#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "process_io.h"
#include "utf8.h"

namespace pelvaro::cli {

std::vector<Argument> Arguments(int argc, char** argv) {
    std::vector<Argument> arguments;
    for (int i = 1; i < argc; ++i) arguments.push_back({DecodeUtf8(argv[i]), argv[i]});
    return arguments;
}

const std::string_view kNewline = "\n";

void PrepareStreams() { std::signal(SIGPIPE, SIG_IGN); }

InputEncoding StandardInputEncoding() { return InputEncoding::kDetect; }

bool InputIsInteractive() { return isatty(STDIN_FILENO) != 0; }

std::size_t ReadInput(char* buffer, std::size_t size) {
    for (;;) {
        const ssize_t got = read(STDIN_FILENO, buffer, size);
        if (got >= 0) return static_cast<std::size_t>(got);
        if (errno != EINTR) throw ReadFailure{std::strerror(errno)};
    }
}

void WriteOutput(std::string_view data) {
    while (!data.empty()) {
        const ssize_t put = write(STDOUT_FILENO, data.data(), data.size());
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) throw WriteFailure{errno == EPIPE, std::strerror(errno)};
        data.remove_prefix(static_cast<std::size_t>(put));
    }
}

}  // namespace pelvaro::cli
