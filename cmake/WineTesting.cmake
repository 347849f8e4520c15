# Windows programs of a cross build run here through Wine, in a prefix of
# their own inside the build folder, made and fitted out by the wine-run
# script that every Windows program of the build is run through: its tests,
# and the window that tools/run.sh shows.
#
# The loader is named by the build's bitness, never Debian's `wine` script:
# once 32-bit Wine is installed that script hands every program to the 32-bit
# loader, which a kernel without 32-bit support cannot start at all.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(loader wine64)
else()
  set(loader wine)
endif()
find_program(PELVARO_WINE_LOADER NAMES ${loader} PATHS /usr/lib/wine NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
find_program(PELVARO_WINE_LOADER NAMES ${loader} NO_CMAKE_FIND_ROOT_PATH REQUIRED)
unset(loader)
find_path(PELVARO_WINE_FONTS sserife.fon PATHS /usr/share/wine/fonts NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(PELVARO_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                WORLD_READ WORLD_EXECUTE)
set(PELVARO_WINE_RUN ${CMAKE_BINARY_DIR}/wine-run)
# Test programs run through wine-run, and once more when Wine fails to start
# one (retry_start_failure.py says when).
if(BUILD_TESTING)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/retry_start_failure.py
      ${PELVARO_WINE_RUN})
endif()
