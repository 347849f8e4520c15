// The stand-in text services: glibc's case mapping and iconv, arranged to
// give the codes that Windows gives. Where Windows differs from glibc (letters
// it leaves alone, bytes it gives private-use units, look-alikes it refuses,
// user-defined areas glibc lacks), the measured table of differences
// corrects glibc's answer.
#include <iconv.h>
#include <locale.h>
#include <wctype.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "code_table.h"
#include "pelvaro/text_services.h"
#include "utf8_code_page.h"
#include "windows_differences.h"

namespace pelvaro {
namespace {

constexpr unsigned kDefaultCodePage = 1252;

struct CodePageName {
    unsigned number;
    const char* iconvName;
    bool doubleByte;
};

constexpr CodePageName kCodePages[] = {
    {874, "CP874", false},   {1250, "CP1250", false}, {1251, "CP1251", false}, {1252, "CP1252", false},
    {1253, "CP1253", false}, {1254, "CP1254", false}, {1255, "CP1255", false}, {1256, "CP1256", false},
    {1257, "CP1257", false}, {1258, "CP1258", false}, {932, "CP932", true},    {936, "CP936", true},
    {949, "CP949", true},    {950, "CP950", true},
};

const CodePageName* FindCodePage(unsigned number) {
    for (const CodePageName& page : kCodePages)
        if (page.number == number) return &page;
    return nullptr;
}

// An iconv descriptor that closes itself.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (ok()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts in whole, flushing any state, into out; returns the bytes written,
    // or nothing when iconv rejects the input.
    std::optional<std::size_t> Convert(const char* in, std::size_t inSize, char* out, std::size_t outSize) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // initial state
        char* inPtr = const_cast<char*>(in);
        char* outPtr = out;
        std::size_t outLeft = outSize;
        if (iconv(cd_, &inPtr, &inSize, &outPtr, &outLeft) == static_cast<std::size_t>(-1) ||
            iconv(cd_, nullptr, nullptr, &outPtr, &outLeft) == static_cast<std::size_t>(-1))
            return std::nullopt;
        return outSize - outLeft;
    }

private:
    iconv_t cd_;
};

// A single-byte page is read byte by byte: the unit each byte stands for gets
// that byte. A byte that iconv does not define stands for the unit of the same
// value (0x81 for 0x81, and so on), as Windows has it in code page 1252; in its
// other pages Windows gives such bytes private-use units, which the
// differences put right.
bool FillSingleByte(const CodePageName& page, TextServices::Table& table) {
    Converter decode("UTF-16LE", page.iconvName);
    if (!decode.ok()) return false;
    for (unsigned byte = 0; byte < 256; ++byte) {
        const char in = static_cast<char>(byte);
        unsigned char out[8];
        const auto size = decode.Convert(&in, 1, reinterpret_cast<char*>(out), sizeof out);
        const unsigned unit = size == std::size_t{2} ? static_cast<unsigned>(out[0] | out[1] << 8) : byte;
        table.code[unit] = static_cast<std::int16_t>(byte);
    }
    return true;
}

// A double-byte page is asked unit by unit; a two-byte answer is one 16-bit
// value, lead byte high.
bool FillDoubleByte(const CodePageName& page, TextServices::Table& table) {
    Converter encode(page.iconvName, "UTF-16LE");
    if (!encode.ok()) return false;
    for (unsigned unit = 0; unit < 0x10000; ++unit) {
        const char in[2] = {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
        unsigned char out[8];
        const auto size = encode.Convert(in, 2, reinterpret_cast<char*>(out), sizeof out);
        if (size == std::size_t{1})
            table.code[unit] = out[0];
        else if (size == std::size_t{2})
            table.code[unit] = static_cast<std::int16_t>(static_cast<std::uint16_t>(out[0] << 8 | out[1]));
    }
    return true;
}

}  // namespace

std::shared_ptr<const TextServices::Table> MakeCodeTable(unsigned number) {
    if (number == kUtf8CodePage) return MakeUtf8CodeTable();
    const CodePageName* page = FindCodePage(number);
    if (page == nullptr) return nullptr;
    auto table = std::make_shared<TextServices::Table>();
    table->code.fill(kQuestionMark);
    const bool filled = page->doubleByte ? FillDoubleByte(*page, *table) : FillSingleByte(*page, *table);
    CorrectCodeTable(number, *table);
    // A surrogate is half a character: no code page spells it alone.
    for (unsigned unit = 0xD800; unit <= 0xDFFF; ++unit) table->code[unit] = kQuestionMark;
    return filled ? table : nullptr;
}

// Lower case of every unit, from the C library's Unicode case mapping, except
// for the letters that Windows leaves as they are.
const char16_t* LowerCaseTable() {
    static const auto table = [] {
        std::array<char16_t, 0x10000> lower{};
        const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
        for (unsigned unit = 0; unit < 0x10000; ++unit) {
            const wint_t mapped = utf8 != static_cast<locale_t>(0) ? towlower_l(unit, utf8) : towlower(unit);
            const bool surrogate = unit >= 0xD800 && unit <= 0xDFFF;
            lower[unit] = static_cast<char16_t>(!surrogate && mapped <= 0xFFFF ? mapped : unit);
        }
        if (utf8 != static_cast<locale_t>(0)) freelocale(utf8);
        CorrectLowerCase(lower.data());
        return lower;
    }();
    return table.data();
}

TextServices TextServices::SystemAnsi() {
    static const std::shared_ptr<const Table> table = MakeCodeTable(kDefaultCodePage);
    if (!table)
        throw std::runtime_error(
            "code page 1252 is not available: the C library's iconv modules are missing");
    return TextServices(kDefaultCodePage, table);
}

}  // namespace pelvaro
