# Cross-build for 32-bit Windows with Debian's mingw-w64 (g++-mingw-w64-i686).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(qorvid_mingw_triple i686-w64-mingw32)
set(qorvid_wine_arch win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
