# Windows x86_64 with MinGW-w64: `cmake --preset mingw-x86_64`.
set(SERVIKA_MINGW_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
