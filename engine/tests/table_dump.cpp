// pelvaro_table_dump FILE: writes this platform's text services' tables (the
// lower case and every choosable code page) to FILE, in the form table_file.h
// describes.
#include <cstdio>

#include "table_file.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: pelvaro_table_dump FILE\n");
        return 2;
    }
    const auto tables = pelvaro::PlatformTables();
    if (tables.empty()) {
        std::fprintf(stderr, "pelvaro_table_dump: a code page cannot be converted to\n");
        return 1;
    }
    if (!pelvaro::WriteTables(argv[1], tables)) {
        std::fprintf(stderr, "pelvaro_table_dump: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
