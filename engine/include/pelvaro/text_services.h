// The text services the fold needs: lower-casing a text, and the code of one
// 16-bit unit in an ANSI code page.
//
// On Windows these are the system's own. Elsewhere they are a stand-in that
// gives the lower case and the codes Windows gives, from tables measured under
// Wine and carried in the program as data, whatever the C library. On both, a
// unit that the code page does not spell gets the question mark, never a
// look-alike letter.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace pelvaro {

// The code pages TextServices::ForCodePage offers: the ANSI code pages, and
// 65001, UTF-8, which Windows can be set to use as its ANSI code page.
inline constexpr unsigned kChoosableCodePages[] = {874,  932,  936,  949,  950,  1250, 1251, 1252,
                                                   1253, 1254, 1255, 1256, 1257, 1258, 65001};

class TextServices {
public:
    // The code page the program uses when none is chosen: the system's ANSI
    // code page on Windows, 1252 elsewhere.
    static TextServices SystemAnsi();

    // A chosen code page, one of kChoosableCodePages. Empty when the code page
    // is not one of these or the system cannot convert to it.
    static std::optional<TextServices> ForCodePage(unsigned codePage);

    // The stand-in's data for a code page that the build does not carry (a
    // web page, say, fetches a page's table only when it is chosen), in the
    // carried tables' compact form; ForCodePage offers the page afterwards.
    // False when the code page is not choosable, the data is malformed, or the
    // text services are the system's own (Windows), which take no data.
    static bool AddCodePageData(unsigned codePage, const unsigned char* data, std::size_t size);

    unsigned CodePage() const;

    // The text lower-cased unit by unit; the length is unchanged.
    std::u16string LowerCase(std::u16string_view text) const;

    // One unit lower-cased: each unit is lower-cased by itself, so a text
    // lower-cased a unit at a time is the same as LowerCase of it whole.
    char16_t LowerUnit(char16_t unit) const { return lower_[unit]; }

    // The unit's code in the code page, a signed 16-bit value widened with its
    // sign: a single byte gives 0 to 255, a double-byte code is read as one
    // 16-bit value (lead byte high), and a unit the code page cannot spell
    // gives the code of "?", 63.
    std::int32_t AnsiCode(char16_t unit) const { return codes_[unit]; }

    struct Table;  // the codes of every unit

private:
    TextServices(unsigned codePage, std::shared_ptr<const Table> table);
    unsigned codePage_;
    std::shared_ptr<const Table> table_;
    const std::int16_t* codes_;  // table_'s, by unit
    const char16_t* lower_;      // the lower case of every unit, the same for every code page
};

// The code of every unit once lower-cased, AnsiCode(LowerUnit(unit)), as the
// 16 bits of the signed code, in one table made once for a code page: one
// look-up a unit instead of two, where many units are coded.
class LoweredCodes {
public:
    explicit LoweredCodes(const TextServices& services);

    std::uint16_t operator[](char16_t unit) const { return codes_[unit]; }

private:
    std::unique_ptr<std::uint16_t[]> codes_;
};

}  // namespace pelvaro
