// Folds a text of a given length once, with the engine or with plain native
// arithmetic, for counting instructions under callgrind: the difference between
// a run of N characters and a run of none, divided by N, is the cost of one
// character, and it is the same on every run. Standard error gets the time the
// fold took, for the builds that callgrind cannot look into (Windows, Wine).
//
//   fold_instructions engine|native N
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "pelvaro/id_number.h"
#include "pelvaro/text_services.h"

int main(int argc, char** argv) {
    if (argc != 3 || (std::strcmp(argv[1], "engine") != 0 && std::strcmp(argv[1], "native") != 0)) {
        std::fprintf(stderr, "usage: fold_instructions engine|native N\n");
        return 2;
    }
    const std::size_t length = std::strtoul(argv[2], nullptr, 10);
    const std::u16string address = u"Some.Person+Tag@Example.COM;";
    std::u16string text;
    while (text.size() < length) text += address;
    text.resize(length);

    const auto services = pelvaro::TextServices::SystemAnsi();
    const auto start = std::chrono::steady_clock::now();
    std::uint32_t h = 0;
    if (argv[1][0] == 'e') {
        h = static_cast<std::uint32_t>(pelvaro::WorkOutIdNumber(text, services));
    } else {
        for (const char16_t unit : services.LowerCase(text))
            h = h * 101u + static_cast<std::uint32_t>(services.AnsiCode(unit));
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("%u\n", h);
    std::fprintf(stderr, "%s: %zu characters in %.3f s, %.2f ns a character\n", argv[1], length, took.count(),
                 length != 0 ? took.count() * 1e9 / static_cast<double>(length) : 0.0);
    return 0;
}
