// Compiled into every Windows test program. Wine hands such a program a pipe
// for its output, which the C runtime buffers in full: a program that dies
// takes the buffer with it, and the log shows nothing of the test that was
// running. Unbuffered, every line GoogleTest prints reaches the log first.
#include <cstdio>

namespace {

const bool kUnbuffered = [] {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::setvbuf(stderr, nullptr, _IONBF, 0);
    return true;
}();

}  // namespace
