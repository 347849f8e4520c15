# pelvaro_warnings: an interface target that turns the compiler's warnings on.
add_library(pelvaro_warnings INTERFACE)
target_compile_options(pelvaro_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion -Wold-style-cast
  $<$<BOOL:${PELVARO_WERROR}>:-Werror>)
