#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "process_io.h"

namespace pelvaro::cli {

namespace {

// Units read from or written to a console in one call.
constexpr std::size_t kConsoleUnits = 4096;

bool IsConsole(HANDLE handle) {
    DWORD mode = 0;
    return GetConsoleMode(handle, &mode) != 0;
}

HANDLE Input() { return GetStdHandle(STD_INPUT_HANDLE); }
HANDLE Output() { return GetStdHandle(STD_OUTPUT_HANDLE); }

// Whether standard input and output are consoles, asked once as the program
// starts: each question asks the system (under Wine, its server), and a
// million addresses are read and written some 700 times. Set before main, they
// need no guard, whose code in newer runtimes imports functions Windows 2000
// does not have.
const bool kInputIsConsole = IsConsole(Input());
const bool kOutputIsConsole = IsConsole(Output());

// The system's words for an error, in UTF-8, with its number.
std::string Describe(DWORD error) {
    wchar_t text[512];
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK, nullptr,
        error, 0, text, sizeof text / sizeof text[0], nullptr);
    std::string described(length * 3, '\0');
    described.resize(static_cast<std::size_t>(
        WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), described.data(),
                            static_cast<int>(described.size()), nullptr, nullptr)));
    while (!described.empty() && (described.back() == ' ' || described.back() == '.')) described.pop_back();
    return (described.empty() ? "error" : described) + " (error " + std::to_string(error) + ")";
}

// The ways Windows says that the reading end of the output pipe has gone: the
// pipe is closed (109), is being closed (232), or has no reader (233, which
// Wine reports for a closed Unix pipe).
bool IsClosedPipe(DWORD error) {
    return error == ERROR_BROKEN_PIPE || error == ERROR_NO_DATA || error == ERROR_PIPE_NOT_CONNECTED;
}

[[noreturn]] void FailWrite(DWORD error) { throw WriteFailure{IsClosedPipe(error), Describe(error)}; }

// Whether Ctrl+Z has ended the typed input.
bool consoleInputEnded = false;

// The console's input read a line at a time, with the console's own line
// editing: its echo, Backspace, and Ctrl+Z then Enter, whatever mode another
// program has left the console in. Without line input each key would come
// as it is pressed: Backspace as a character, Enter as a lone CR, and Ctrl+Z
// before its Enter, which would be left for the next program to read. The
// mode found is put back when the program ends.
class ConsoleLineInput {
public:
    ConsoleLineInput() = default;
    ConsoleLineInput(const ConsoleLineInput&) = delete;
    ConsoleLineInput& operator=(const ConsoleLineInput&) = delete;
    ~ConsoleLineInput() {
        if (console_ != nullptr) SetConsoleMode(console_, found_);
    }

    void Begin(HANDLE console) {
        if (std::exchange(begun_, true) || !GetConsoleMode(console, &found_)) return;
        constexpr DWORD kLineInput = ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT | ENABLE_PROCESSED_INPUT;
        if ((found_ & kLineInput) != kLineInput && SetConsoleMode(console, found_ | kLineInput))
            console_ = console;
    }

private:
    bool begun_ = false;
    HANDLE console_ = nullptr;  // set once its mode is changed
    DWORD found_ = 0;
};

ConsoleLineInput consoleLineInput;

std::size_t ReadConsoleUnits(HANDLE console, char* buffer, std::size_t size) {
    if (consoleInputEnded) return 0;
    consoleLineInput.Begin(console);
    wchar_t units[kConsoleUnits];
    DWORD got = 0;
    const auto wanted = static_cast<DWORD>(std::min(size / sizeof(wchar_t), kConsoleUnits));
    if (!ReadConsoleW(console, units, wanted, &got, nullptr)) throw ReadFailure{Describe(GetLastError())};
    // Ctrl+Z (then Enter) ends the input; what was typed before it on its
    // line is the last line.
    const wchar_t* const end = std::find(units, units + got, L'\x1A');
    consoleInputEnded = end != units + got || got == 0;
    const auto count = static_cast<std::size_t>(end - units) * sizeof(wchar_t);
    std::memcpy(buffer, units, count);  // Windows is little-endian: the units' bytes are UTF-16LE
    return count;
}

// Writes UTF-8 text to the console as UTF-16, in pieces it takes whole, each
// cut between two characters.
void WriteConsoleText(HANDLE console, std::string_view data) {
    while (!data.empty()) {
        std::size_t cut = std::min(data.size(), kConsoleUnits);
        while (cut < data.size() && cut > 0 && (static_cast<unsigned char>(data[cut]) & 0xC0) == 0x80) --cut;
        if (cut == 0) cut = std::min(data.size(), kConsoleUnits);  // not UTF-8: cut anywhere
        wchar_t units[kConsoleUnits];
        const int count = MultiByteToWideChar(CP_UTF8, 0, data.data(), static_cast<int>(cut), units,
                                              static_cast<int>(kConsoleUnits));
        for (int at = 0; at < count;) {
            DWORD put = 0;
            if (!WriteConsoleW(console, units + at, static_cast<DWORD>(count - at), &put, nullptr) ||
                put == 0)
                FailWrite(GetLastError());
            at += static_cast<int>(put);
        }
        data.remove_prefix(cut);
    }
}

}  // namespace

std::vector<Argument> Arguments(int argc, wchar_t** argv) {
    static_assert(sizeof(wchar_t) == sizeof(char16_t), "wide arguments are UTF-16");
    std::vector<Argument> arguments;
    for (int i = 1; i < argc; ++i) {
        std::u16string argument;
        for (const wchar_t* unit = argv[i]; *unit != L'\0'; ++unit) argument += static_cast<char16_t>(*unit);
        arguments.push_back({std::move(argument), {}});
    }
    return arguments;
}

const std::string_view kNewline = "\r\n";

void PrepareStreams() {}  // standard input and output are used through their handles, as they are

InputEncoding StandardInputEncoding() {
    return kInputIsConsole ? InputEncoding::kUtf16Le : InputEncoding::kDetect;
}

bool InputIsInteractive() { return kInputIsConsole || _isatty(0) != 0; }

std::size_t ReadInput(char* buffer, std::size_t size) {
    const HANDLE input = Input();
    if (kInputIsConsole) return ReadConsoleUnits(input, buffer, size);
    DWORD got = 0;
    const auto wanted = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    if (ReadFile(input, buffer, wanted, &got, nullptr)) return got;
    const DWORD error = GetLastError();
    if (error == ERROR_BROKEN_PIPE) return 0;  // the writing end of the pipe has closed: the end of the input
    throw ReadFailure{Describe(error)};
}

void WriteOutput(std::string_view data) {
    const HANDLE output = Output();
    if (kOutputIsConsole) {
        WriteConsoleText(output, data);
        return;
    }
    while (!data.empty()) {
        DWORD put = 0;
        const auto count = static_cast<DWORD>(std::min<std::size_t>(data.size(), 1u << 30));
        if (!WriteFile(output, data.data(), count, &put, nullptr)) FailWrite(GetLastError());
        if (put == 0) FailWrite(ERROR_WRITE_FAULT);
        data.remove_prefix(put);
    }
}

}  // namespace pelvaro::cli
