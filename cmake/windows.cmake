# The program for Windows. Built here with MinGW-w64 through the toolchain files beside this
# file; the same sources build with MSVC.
#
#   servika-updater.exe          the product
#   servika-updater-virtual.exe  the same program whose HID and file calls go to a virtual unit
#                                in the process (sim/virtual/), configured by SERVIKA_VIRTUAL_UNIT
#   servika-wine-driver.exe      drives either through the Win32 API for the checks (tests/wine/)

add_compile_definitions(UNICODE _UNICODE)

if(NOT SERVIKA_RC_FILE)
  message(FATAL_ERROR "resources/CMakeLists.txt did not provide the resource script")
endif()

# Static runtimes, so the program runs on a bare Windows installation.
set(CMAKE_MSVC_RUNTIME_LIBRARY "MultiThreaded$<$<CONFIG:Debug>:Debug>")

function(servika_static_runtime target)
  if(MINGW)
    target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
  endif()
endfunction()

# The program's sources and resources, with wWinMain as the entry of a GUI program.
function(servika_windows_program target)
  add_executable(${target} WIN32 ${SERVIKA_UNIT_SOURCES} ${SERVIKA_APP_SOURCES} ${SERVIKA_RC_FILE}
                 ${ARGN})
  target_include_directories(${target} PRIVATE ${SERVIKA_RC_INCLUDE_DIRS})
  target_link_libraries(${target} PRIVATE setupapi hid comctl32 msimg32 gdi32 user32)
  if(MINGW)
    target_link_options(${target} PRIVATE -municode)
  endif()
  servika_static_runtime(${target})
endfunction()

set_source_files_properties(${SERVIKA_RC_FILE} PROPERTIES OBJECT_DEPENDS "${SERVIKA_RC_DEPENDS}")

servika_windows_program(servika-updater)

file(GLOB SERVIKA_VIRTUAL_SOURCES CONFIGURE_DEPENDS sim/virtual/*.cpp)
servika_windows_program(servika-updater-virtual ${SERVIKA_VIRTUAL_SOURCES}
                        sim/unit/virtual_unit.cpp sim/unit/scenario.cpp)
target_compile_definitions(servika-updater-virtual PRIVATE SERVIKA_VIRTUAL_UNIT_BUILD)

file(GLOB SERVIKA_WINE_DRIVER_SOURCES CONFIGURE_DEPENDS tests/wine/*.cpp)
if(SERVIKA_WINE_DRIVER_SOURCES)
  add_executable(servika-wine-driver ${SERVIKA_WINE_DRIVER_SOURCES})
  target_link_libraries(servika-wine-driver PRIVATE user32 gdi32)
  if(MINGW)
    target_link_options(servika-wine-driver PRIVATE -municode)
  endif()
  servika_static_runtime(servika-wine-driver)
endif()
