# Shared by the mingw-w64 toolchain files: they set qorvid_mingw_triple and
# qorvid_wine_arch (win32 or win64) and include this.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${qorvid_mingw_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${qorvid_mingw_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${qorvid_mingw_triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${qorvid_mingw_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# The modules import only system DLLs: the C++ runtime goes in statically.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run under Wine of the build's architecture (ctest and
# add_test prefix every test command with this), in a Wine prefix of the
# build tree's own; QORVID_WINEPREFIX in the environment overrides it.
get_filename_component(qorvid_wine_run ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${qorvid_wine_run} --arch ${qorvid_wine_arch}
                                  --prefix ${CMAKE_BINARY_DIR}/wineprefix)
