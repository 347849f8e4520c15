// GetThreadId for the 32-bit build, which Windows 2000 runs. The compiler's
// thread support (libgcc's win32 thread model, from g++ 13 on) names
// kernel32's GetThreadId, which Windows 2000 lacks, so an executable that
// imports it would not load there. pelvaro-id starts no thread and never
// calls it; this entry stands in for the import: it passes the call on to the
// system's own function where there is one, and says the call is not
// implemented where there is not.
#include <windows.h>

namespace {

using GetThreadIdFunction = DWORD(WINAPI*)(HANDLE);

DWORD WINAPI GetThreadIdWhereThereIsOne(HANDLE thread) {
    const FARPROC system = GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetThreadId");
    if (system == nullptr) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return 0;
    }
    return reinterpret_cast<GetThreadIdFunction>(reinterpret_cast<void*>(system))(thread);
}

}  // namespace

// The import's own pointer, as the callers name it (__imp__GetThreadId@4), so
// that the linker takes it from here and imports nothing.
extern "C" const GetThreadIdFunction kGetThreadIdImport __asm__("__imp__GetThreadId@4") =
    GetThreadIdWhereThereIsOne;
