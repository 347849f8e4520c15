// Where the Windows text services differ from the C library's: the lower case
// and the codes that the stand-in puts in place of what glibc gives, as
// measured and written into windows_differences.inc by
// tools/windows_differences.py.
#pragma once

#include "code_table.h"

namespace pelvaro {

// Gives the 0x10000 units of lower the lower case Windows gives, where glibc's differs.
void CorrectLowerCase(char16_t* lower);

// Gives the table the codes Windows gives in the code page, where glibc's differ.
void CorrectCodeTable(unsigned codePage, TextServices::Table& table);

}  // namespace pelvaro
