// What the text services share on every platform: choosing a code page and
// looking codes up in its table.
#include "pelvaro/text_services.h"

#include <memory>
#include <optional>

#include "code_table.h"

namespace pelvaro {

bool IsChoosableCodePage(unsigned codePage) {
    for (const unsigned choosable : kChoosableCodePages)
        if (choosable == codePage) return true;
    return false;
}

TextServices::TextServices(unsigned codePage, std::shared_ptr<const Table> table)
    : codePage_(codePage), table_(std::move(table)) {}

std::optional<TextServices> TextServices::ForCodePage(unsigned codePage) {
    if (!IsChoosableCodePage(codePage)) return std::nullopt;
    const TextServices system = SystemAnsi();
    if (system.CodePage() == codePage) return system;  // its table is made already
    auto table = MakeCodeTable(codePage);
    if (!table) return std::nullopt;
    return TextServices(codePage, std::move(table));
}

unsigned TextServices::CodePage() const { return codePage_; }

std::int32_t TextServices::AnsiCode(char16_t unit) const { return table_->code[unit]; }

}  // namespace pelvaro
