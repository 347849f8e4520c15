// raw_console_run COMMAND...: leaves the console's input without line input,
// echo and Ctrl+C handling, as a program that reads single keys may leave it,
// runs the command on that console, and then says what the command left:
// "[exit:N,input-mode:M]", M in hexadecimal, without spaces, which a console
// may draw as moves of its cursor.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

// Says on standard error which call failed, with the system's error code.
int Failed(const wchar_t* call, int status) {
    const DWORD error = GetLastError();
    std::fwprintf(stderr, L"raw_console_run: %ls failed: error %lu\n", call, error);
    return status;
}

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    std::wstring command;
    for (int i = 1; i < argc; ++i) command += (i > 1 ? L" \"" : L"\"") + std::wstring(argv[i]) + L"\"";
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    if (!SetConsoleMode(input, 0)) return Failed(L"SetConsoleMode", 3);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process))
        return Failed(L"CreateProcessW", 4);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 0;
    DWORD mode = 0;
    GetExitCodeProcess(process.hProcess, &status);
    GetConsoleMode(input, &mode);
    std::printf("[exit:%lu,input-mode:%lx]\n", status, mode);
    return 0;
}
