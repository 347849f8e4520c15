#include "pelvaro/bit_sliced_fold.h"

namespace pelvaro {

void WorkOutIdNumbers(const std::u16string_view* texts, std::size_t count, std::int32_t* idNumbers,
                      const TextServices& services) {
    WorkOutIdNumbersIn<SliceWord>(texts, count, idNumbers, services);
}

}  // namespace pelvaro
