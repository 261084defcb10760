# The program for Windows. Built here with MinGW-w64 through the toolchain files beside this
# file; the same sources build with MSVC.

add_compile_definitions(UNICODE _UNICODE)
add_library(servika_unit STATIC ${SERVIKA_UNIT_SOURCES})

if(SERVIKA_RC_FILE)
  add_executable(servika-updater WIN32 ${SERVIKA_UNIT_SOURCES} ${SERVIKA_APP_SOURCES} ${SERVIKA_RC_FILE})
  target_include_directories(servika-updater PRIVATE ${SERVIKA_RC_INCLUDE_DIRS})
  target_link_libraries(servika-updater PRIVATE setupapi hid comctl32 msimg32 gdi32 user32)
  if(MINGW)
    # wWinMain as the entry, and no runtime DLL beside the program.
    target_link_options(servika-updater PRIVATE -municode -static -static-libgcc -static-libstdc++)
  endif()
endif()
