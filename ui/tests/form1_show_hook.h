// What form1_show_hook.dll and the tests share: the name of the memory block
// that receives the title of the first window shown, and its layout (a count
// of units plus one, then the units).
#pragma once

namespace pelvaro::testing {

inline constexpr wchar_t kShownTitleMappingPrefix[] = L"Local\\Form1ShownTitle.";
inline constexpr int kShownTitleCapacity = 512;  // units, with the count

}  // namespace pelvaro::testing
