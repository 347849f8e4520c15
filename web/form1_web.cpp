// The web page's way into the engine, compiled to WebAssembly: Form1's
// description for the page to lay itself out by, the code pages the page
// carries apart and hands in when chosen, and Work out.
//
// Texts cross as the page holds them. The page writes the 16-bit units of
// Text1 into the buffer that pelvaro_text_buffer gives, and reads back the
// NUL-terminated UTF-8 texts that the other functions return; those stay valid
// until the next call of the same function.
#include <emscripten/emscripten.h>

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "form1_layout.h"
#include "pelvaro/id_number.h"
#include "pelvaro/text_services.h"
#include "pelvaro/wrapping_arithmetic.h"

namespace pelvaro {
namespace {

// A CSS pixel is 1/96 inch, as a pixel of the window at 96 dots per inch.
constexpr int kCssPixelsPerInch = 96;

int CssPixels(int twips) { return twips * kCssPixelsPerInch / kTwipsPerInch; }

// A wide text of the description as UTF-8.
std::string Utf8(std::wstring_view text) {
    std::string out;
    for (const wchar_t character : text) {
        const auto c = static_cast<std::uint32_t>(character);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | c >> 12);
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | c >> 18);
            out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// A JSON string: quotes, backslashes and control characters escaped.
std::string JsonString(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            out += "\\u00";
            out += kHex[c >> 4 & 0xF];
            out += kHex[c & 0xF];
        } else {
            out += c;
        }
    }
    return out + '"';
}

template <typename Number>
std::string JsonNumber(Number value) {
    return std::to_string(value);
}

// The window's title after Load: the title at creation and the version as the
// programs show it, from the project's one definition.
std::string TitleAfterLoad() { return Utf8(kForm1InitialTitle) + " - " PELVARO_SHOWN_VERSION; }

std::string DescriptionJson() {
    std::string json = "{\"title\":" + JsonString(TitleAfterLoad());
    json += ",\"aboutText\":" + JsonString(Utf8(kForm1AboutText));
    json += ",\"fontFace\":" + JsonString(Utf8(kForm1FontFace));
    json += ",\"fontHundredthsOfPoint\":" + JsonNumber(kForm1FontHundredthsOfPoint);
    json += ",\"clientWidth\":" + JsonNumber(CssPixels(kForm1ClientWidth));
    json += ",\"clientHeight\":" + JsonNumber(CssPixels(kForm1ClientHeight));
    json += ",\"controls\":[";
    for (const Form1ControlPlace& control : kForm1Controls) {
        if (json.back() == '}') json += ',';
        json += "{\"name\":" + JsonString(control.name);
        json += ",\"caption\":" + JsonString(Utf8(control.caption));
        json += ",\"left\":" + JsonNumber(CssPixels(control.left));
        json += ",\"top\":" + JsonNumber(CssPixels(control.top));
        json += ",\"width\":" + JsonNumber(CssPixels(control.width));
        json += ",\"height\":" + JsonNumber(CssPixels(control.height)) + "}";
    }
    json += "],\"codePages\":[";
    for (const unsigned codePage : kChoosableCodePages) {
        if (json.back() != '[') json += ',';
        json += JsonNumber(codePage);
    }
    return json + "]}";
}

// A code page's table as the page carries it starts with the code page's
// number, four bytes, low byte first: the table of another code page, put in
// this one's place, carries the other's number and is refused.
constexpr std::size_t kNumberBytes = 4;

bool CarriesCodePage(const unsigned char* data, std::size_t bytes, unsigned codePage) {
    if (bytes < kNumberBytes) return false;
    std::uint32_t number = 0;
    for (std::size_t i = kNumberBytes; i-- > 0;) number = number << 8 | data[i];
    return number == codePage;
}

std::vector<char16_t> g_text;
std::vector<unsigned char> g_data;
std::string g_result;

}  // namespace
}  // namespace pelvaro

extern "C" {

// Form1's description as JSON: title, About text, font, client size and each
// control's name, caption and box in CSS pixels, and the choosable code pages.
EMSCRIPTEN_KEEPALIVE const char* pelvaro_form1_description() {
    pelvaro::g_result = pelvaro::DescriptionJson();
    return pelvaro::g_result.c_str();
}

// Room for a text of `units` 16-bit units, for the page to write Text1 into.
EMSCRIPTEN_KEEPALIVE char16_t* pelvaro_text_buffer(std::size_t units) {
    pelvaro::g_text.assign(units, u'\0');
    return pelvaro::g_text.data();
}

// Work out: the id number of the first `units` units of the text buffer in
// the code page, as unsigned decimal digits; an empty text when the code page
// is not there to be used.
EMSCRIPTEN_KEEPALIVE const char* pelvaro_work_out(unsigned codePage, std::size_t units) {
    using namespace pelvaro;
    const std::optional<TextServices> services = TextServices::ForCodePage(codePage);
    if (!services || units > g_text.size()) return "";
    g_result = UnsignedText(WorkOutIdNumber(std::u16string_view(g_text.data(), units), *services));
    return g_result.c_str();
}

// Whether the code page can be used now: compiled in, or handed in already.
EMSCRIPTEN_KEEPALIVE int pelvaro_has_code_page(unsigned codePage) {
    return pelvaro::TextServices::ForCodePage(codePage) ? 1 : 0;
}

// Room for a code page's carried data of `bytes` bytes.
EMSCRIPTEN_KEEPALIVE unsigned char* pelvaro_data_buffer(std::size_t bytes) {
    pelvaro::g_data.assign(bytes, 0);
    return pelvaro::g_data.data();
}

// Hands the data buffer's first `bytes` bytes to the engine as the code
// page's table: 1 when the engine took them, 0 when the code page is not one
// it offers or the data are not its table.
EMSCRIPTEN_KEEPALIVE int pelvaro_add_code_page(unsigned codePage, std::size_t bytes) {
    using namespace pelvaro;
    const bool added =
        bytes <= g_data.size() && CarriesCodePage(g_data.data(), bytes, codePage) &&
        TextServices::AddCodePageData(codePage, g_data.data() + kNumberBytes, bytes - kNumberBytes);
    g_data.clear();
    g_data.shrink_to_fit();
    return added ? 1 : 0;
}

}  // extern "C"
