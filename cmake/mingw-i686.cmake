# Windows x86 with MinGW-w64: `cmake --preset mingw-i686`.
set(SERVIKA_MINGW_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
