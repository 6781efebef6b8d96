# Cross-build for 64-bit Windows with Debian's mingw-w64
# (g++-mingw-w64-x86-64): the DLL for 64-bit host processes.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(qorvid_mingw_triple x86_64-w64-mingw32)
set(qorvid_wine_arch win64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
