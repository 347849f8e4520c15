// Form1's description as every face of the window shares it, with no
// platform's types: the title, the About text, the client area and the place,
// size and caption of each control. The Win32 window creates its controls
// from this table, and the web page places its boxes from the same table.
#pragma once

namespace pelvaro {

// The control identifiers. None is IDOK (1) or IDCANCEL (2), so that Enter and
// Esc, which the Windows dialog manager turns into those two, press no button.
enum Form1ControlId : int {
    kLabel1Id = 101,
    kText1Id = 102,
    kCommand1Id = 103,
    kLabel2Id = 104,
    kText2Id = 105,
    kLabel3Id = 106,
};

// The title at creation; Load appends " - major.minor.revision".
inline constexpr wchar_t kForm1InitialTitle[] = L"Work out your MSN Messenger 6 id number";

// About's text: two lines, with the Windows line break between them.
inline constexpr wchar_t kForm1AboutText[] =
    L"This program has been made by Tolvareth\r\nThe main code has been provided by Quenmar";

// All sizes are in twips, 1440 to the inch; at 96 dots per inch 15 twips make
// one pixel.
inline constexpr int kTwipsPerInch = 1440;
inline constexpr int kForm1ClientWidth = 6000;  // 400 px
inline constexpr int kForm1ClientHeight = 855;  // 57 px

// The font of every control: "MS Sans Serif" 8.25 point, normal weight
// (Label3's is the same face and size, underlined).
inline constexpr wchar_t kForm1FontFace[] = L"MS Sans Serif";
inline constexpr int kForm1FontHundredthsOfPoint = 825;

struct Form1ControlPlace {
    Form1ControlId id;
    const char* name;              // the designer name, "Text1"
    const wchar_t* caption;        // the text at creation
    int left, top, width, height;  // twips, relative to the client area
};

// Creation order. Windows names an edit box after the static created just
// before it, so each label comes before its box; the tab order of the
// focusable controls is still Text1, Command1, Text2. Command1 comes before
// Label3 so that it lies above it and covers their one-pixel overlap.
inline constexpr Form1ControlPlace kForm1Controls[] = {
    {kLabel1Id, "Label1", L"Your passport email:", 120, 120, 1455, 255},
    {kText1Id, "Text1", L"", 1680, 120, 3015, 285},
    {kCommand1Id, "Command1", L"Work out", 4800, 360, 1095, 375},
    {kLabel2Id, "Label2", L"Your MSN Messenger 6 id number:", 120, 480, 2535, 255},
    {kText2Id, "Text2", L"", 2760, 480, 1935, 285},
    {kLabel3Id, "Label3", L"About", 4800, 120, 1095, 255},
};

}  // namespace pelvaro
