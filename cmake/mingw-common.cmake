# MinGW-w64 for one Windows processor, included by mingw-x86_64.cmake and mingw-i686.cmake with
# SERVIKA_MINGW_PROCESSOR set. On Linux the cross compilers of that target; on Windows those of
# a MinGW-w64 installation (MSYS2 and others), under the target's name or plain.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${SERVIKA_MINGW_PROCESSOR})
set(target ${SERVIKA_MINGW_PROCESSOR}-w64-mingw32)

function(servika_mingw_tool language tool)
  set(names ${target}-${tool})
  if(CMAKE_HOST_WIN32)
    list(APPEND names ${tool})
  endif()
  find_program(SERVIKA_MINGW_${language} NAMES ${names} REQUIRED)
  set(CMAKE_${language}_COMPILER ${SERVIKA_MINGW_${language}} PARENT_SCOPE)
endfunction()

servika_mingw_tool(C gcc)
servika_mingw_tool(CXX g++)
servika_mingw_tool(RC windres)

if(NOT CMAKE_HOST_WIN32)
  set(CMAKE_FIND_ROOT_PATH /usr/${target})
  set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
  set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
  set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
endif()
