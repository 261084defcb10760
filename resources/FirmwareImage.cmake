# The firmware image a build carries: refused unless its length is a nonzero multiple of the
# 16-byte block the unit writes and it fits the unit's application area.
#
# Also runs as a script, which is how the refusal is tested:
#   cmake -DSERVIKA_FIRMWARE_IMAGE=<file> -P FirmwareImage.cmake

# Application area: from its start up to the page of the information block.
set(SERVIKA_APP_AREA_START 0x08003000)
set(SERVIKA_APP_AREA_END 0x0801FC00)
set(SERVIKA_FIRMWARE_BLOCK 16)

function(servika_check_firmware_image path)
  if(NOT EXISTS "${path}" OR IS_DIRECTORY "${path}")
    message(FATAL_ERROR "Firmware image '${path}' is not a file.")
  endif()
  if(path MATCHES "[\"]")
    message(FATAL_ERROR "Firmware image '${path}': the resource script cannot name a path with quotes.")
  endif()
  file(SIZE "${path}" size)
  math(EXPR room "${SERVIKA_APP_AREA_END} - ${SERVIKA_APP_AREA_START}")
  math(EXPR partial "${size} % ${SERVIKA_FIRMWARE_BLOCK}")
  if(size EQUAL 0 OR NOT partial EQUAL 0 OR size GREATER room)
    message(FATAL_ERROR
      "Firmware image '${path}' has ${size} bytes; it must be a nonzero multiple of "
      "${SERVIKA_FIRMWARE_BLOCK} of at most ${room} bytes, the unit's application area.")
  endif()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  servika_check_firmware_image("${SERVIKA_FIRMWARE_IMAGE}")
endif()
