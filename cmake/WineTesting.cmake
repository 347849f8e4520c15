# Windows tests run through Wine, in a prefix of their own inside the build
# folder, made and fitted out by the wine-run script that every Windows
# program of the build is run through.
find_program(PELVARO_WINE NAMES wine wine64 REQUIRED)
find_path(PELVARO_WINE_FONTS sserife.fon PATHS /usr/share/wine/fonts NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(PELVARO_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
