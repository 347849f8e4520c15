// The few pieces of the C++ run-time library that Pelvaro.exe replaces, so that
// the executable does not carry the library's exception machinery, type
// information and name demangler for failures that can only end the program.
//
// The program is built without exceptions. The standard library still names
// the functions below for the failures it reports (a string grown beyond its
// maximum size, memory exhausted, ...); here each one ends the program with the
// system's standard report of a fatal application error.
#include <windows.h>

#include <cstdlib>
#include <new>

namespace {

[[noreturn]] void EndProgram(const char* what) {
    FatalAppExitA(0, what);
    ExitProcess(3);  // FatalAppExit does not return; this is for the compiler
}

}  // namespace

namespace std {

void __throw_bad_alloc() { EndProgram("Out of memory"); }
void __throw_bad_array_new_length() { EndProgram("Out of memory: array too large"); }
void __throw_bad_cast() { EndProgram("Internal error: bad cast"); }
void __throw_bad_typeid() { EndProgram("Internal error: bad typeid"); }
void __throw_bad_exception() { EndProgram("Internal error: bad exception"); }
void __throw_logic_error(const char* what) { EndProgram(what); }
void __throw_domain_error(const char* what) { EndProgram(what); }
void __throw_invalid_argument(const char* what) { EndProgram(what); }
void __throw_length_error(const char* what) { EndProgram(what); }
void __throw_out_of_range(const char* what) { EndProgram(what); }
void __throw_out_of_range_fmt(const char* what, ...) { EndProgram(what); }
void __throw_runtime_error(const char* what) { EndProgram(what); }
void __throw_range_error(const char* what) { EndProgram(what); }
void __throw_overflow_error(const char* what) { EndProgram(what); }
void __throw_underflow_error(const char* what) { EndProgram(what); }

// A failed bounds check in the library (index past the end of a string, ...).
void __glibcxx_assert_fail(const char*, int, const char*, const char*) noexcept {
    EndProgram("Internal error: a bounds check failed");
}

}  // namespace std

// Allocation that ends the program when memory runs out, instead of throwing.
void* operator new(std::size_t size) {
    if (void* memory = std::malloc(size != 0 ? size : 1)) return memory;
    EndProgram("Out of memory");
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
