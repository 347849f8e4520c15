#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <climits>
#include <cstdio>

#include "process_io.h"

namespace pelvaro::cli {

std::vector<Argument> Arguments(int argc, wchar_t** argv) {
    static_assert(sizeof(wchar_t) == sizeof(char16_t), "wide arguments are UTF-16");
    std::vector<Argument> arguments;
    for (int i = 1; i < argc; ++i) {
        std::u16string argument;
        for (const wchar_t* unit = argv[i]; *unit != L'\0'; ++unit) argument += static_cast<char16_t>(*unit);
        arguments.emplace_back(std::move(argument));
    }
    return arguments;
}

const std::string_view kNewline = "\r\n";

void PrepareStreams() {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
}

bool InputIsTerminal() { return _isatty(_fileno(stdin)) != 0; }

long ReadInput(char* buffer, std::size_t size) {
    const unsigned count = size < INT_MAX ? static_cast<unsigned>(size) : INT_MAX;
    return _read(_fileno(stdin), buffer, count);
}

int WriteOutput(std::string_view data) {
    while (!data.empty()) {
        const unsigned count = data.size() < INT_MAX ? static_cast<unsigned>(data.size()) : INT_MAX;
        const int put = _write(_fileno(stdout), data.data(), count);
        if (put <= 0) {
            const DWORD error = GetLastError();
            if (error == ERROR_BROKEN_PIPE || error == ERROR_NO_DATA) return EPIPE;
            return put < 0 ? errno : ENOSPC;
        }
        data.remove_prefix(static_cast<std::size_t>(put));
    }
    return 0;
}

}  // namespace pelvaro::cli
