# The program on the simulated platform: our own Win32, the virtual unit, the tests and the
# simulated run.

function(servika_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINK" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_link_libraries(${name} PUBLIC ${ARG_LINK})
endfunction()

file(GLOB SIM_HID_SOURCES CONFIGURE_DEPENDS sim/platform/hid*.cpp sim/unit/*.cpp)
file(GLOB SIM_RES_SOURCES CONFIGURE_DEPENDS sim/platform/res*.cpp)
file(GLOB SIM_USER_SOURCES CONFIGURE_DEPENDS sim/platform/user*.cpp sim/platform/gdi*.cpp)

servika_library(servika_sim_kernel SOURCES sim/platform/kernel.cpp)
servika_library(servika_sim_hid SOURCES ${SIM_HID_SOURCES} LINK servika_sim_kernel)
servika_library(servika_sim_res SOURCES ${SIM_RES_SOURCES} LINK servika_sim_kernel)
target_compile_definitions(servika_sim_res PRIVATE SERVIKA_RES_FILE="${SERVIKA_RES_FILE}")
add_dependencies(servika_sim_res servika_resources)
servika_library(servika_sim_user SOURCES ${SIM_USER_SOURCES}
                LINK servika_sim_res servika_sim_hid servika_sim_kernel)

servika_library(servika_unit SOURCES ${SERVIKA_UNIT_SOURCES} LINK servika_sim_hid)
servika_library(servika_app SOURCES ${SERVIKA_APP_SOURCES} LINK servika_unit servika_sim_user)

file(GLOB SIM_RUN_SOURCES CONFIGURE_DEPENDS sim/run/*.cpp)
if(SIM_RUN_SOURCES)
  add_executable(servika-sim-run ${SIM_RUN_SOURCES})
  target_link_libraries(servika-sim-run PRIVATE servika_app)
endif()

enable_testing()
find_package(GTest REQUIRED)
include(GoogleTest)

# One test program per folder of tests/, linked against what that behaviour needs.
function(servika_tests folder)
  file(GLOB sources CONFIGURE_DEPENDS tests/${folder}/*.cpp)
  if(NOT sources)
    return()
  endif()
  set(target ${folder}_tests)
  add_executable(${target} ${sources})
  target_link_libraries(${target} PRIVATE ${ARGN} GTest::gtest_main)
  gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60)
endfunction()

servika_tests(unit servika_unit servika_sim_hid)
servika_tests(resources servika_sim_res)
servika_tests(sim servika_sim_user)
servika_tests(app servika_app)
servika_tests(update servika_app)
servika_tests(run servika_app)

# The simulated run is tested as the command a person runs.
if(TARGET run_tests AND TARGET servika-sim-run)
  target_compile_definitions(run_tests PRIVATE SERVIKA_SIM_RUN="$<TARGET_FILE:servika-sim-run>")
  add_dependencies(run_tests servika-sim-run)
endif()
