#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "process_io.h"
#include "utf8.h"

namespace pelvaro::cli {

std::vector<Argument> Arguments(int argc, char** argv) {
    std::vector<Argument> arguments;
    for (int i = 1; i < argc; ++i) arguments.push_back(DecodeUtf8(argv[i]));
    return arguments;
}

const std::string_view kNewline = "\n";

void PrepareStreams() { std::signal(SIGPIPE, SIG_IGN); }

bool InputIsTerminal() { return isatty(STDIN_FILENO) != 0; }

long ReadInput(char* buffer, std::size_t size) {
    ssize_t got;
    do {
        got = read(STDIN_FILENO, buffer, size);
    } while (got < 0 && errno == EINTR);
    return static_cast<long>(got);
}

int WriteOutput(std::string_view data) {
    while (!data.empty()) {
        const ssize_t put = write(STDOUT_FILENO, data.data(), data.size());
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) return errno;
        data.remove_prefix(static_cast<std::size_t>(put));
    }
    return 0;
}

}  // namespace pelvaro::cli
