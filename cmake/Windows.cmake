# The settings of every Windows target, on pelvaro_windows: the Unicode API,
# the oldest Windows each build runs on, no DLL beyond the system's own, and no
# time stamp, so that the same commit builds the same bytes.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(PELVARO_WINDOWS_VERSION 5,0)  # Windows 2000
else()
  set(PELVARO_WINDOWS_VERSION 5,2)  # Windows XP x64 and Server 2003, the first 64-bit ones
endif()
string(REPLACE "," ";" version "${PELVARO_WINDOWS_VERSION}")
list(GET version 0 major)
list(GET version 1 minor)
# The headers declare only what that Windows has, so that nothing newer is
# called by mistake; the program links statically, without the C++ runtime's
# DLLs, and its unused sections are left out.
math(EXPR winnt "${major} * 256 + ${minor}" OUTPUT_FORMAT HEXADECIMAL)
target_compile_definitions(pelvaro_windows INTERFACE
  UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=${winnt} WINVER=${winnt})
target_compile_options(pelvaro_windows INTERFACE $<$<COMPILE_LANGUAGE:CXX>:-ffunction-sections -fdata-sections>)
target_link_options(pelvaro_windows INTERFACE
  -static -Wl,--no-insert-timestamp -Wl,--gc-sections $<$<CONFIG:MinSizeRel,Release>:-s>
  -Wl,--major-os-version,${major} -Wl,--minor-os-version,${minor}
  -Wl,--major-subsystem-version,${major} -Wl,--minor-subsystem-version,${minor})
unset(version)
unset(major)
unset(minor)
unset(winnt)

# The window program is built lean: without exceptions or run-time type
# information (app/lean_runtime.cpp ends the program where the library would
# throw), and with the library's string templates instantiated in our own code
# rather than taken from its prebuilt copies, which are compiled with
# exceptions. The assertions that the latter needs are bounds checks on strings.
# The program has one thread, so its local statics need no locking.
target_compile_options(pelvaro_lean INTERFACE -fno-exceptions -fno-rtti -fno-threadsafe-statics)
target_compile_definitions(pelvaro_lean INTERFACE _GLIBCXX_ASSERTIONS)
