# The nine firmware images the program embeds: generated stand-ins, or the images of
# ORVIK_FIRMWARE_DIR. Either set is checked against the catalogue (ids, sizes, outward
# form) before it is embedded, and the build stops on any mismatch.
#
# Defines for every target: ORVIK_STAND_IN_FIRMWARE, 1 with stand-ins, 0 with real images.
# Host builds: the library orvik_firmware_images (the images as byte arrays behind
# sim::ProgramResources), and orvik_firmware_pipeline with the tool orvik-firmware.
# Windows builds: ORVIK_FIRMWARE_RC, the generated resource script, and the object library
# orvik_firmware_resources that compiles it; link the latter into the executable.

set(ORVIK_FIRMWARE_DIR "" CACHE PATH
  "Directory holding the nine firmware images as <id>.bin; empty builds with generated stand-ins")

set(firmware_ids 250 255 276 277 278 283 284 285 286)
set(firmware_build_dir ${CMAKE_BINARY_DIR}/firmware)

set(firmware_pipeline_sources
  tools/firmware/embedding_sources.cpp
  tools/firmware/image_form_check.cpp
  tools/firmware/image_set.cpp
  tools/firmware/stand_in_images.cpp
)
set(firmware_pipeline_headers
  tools/firmware/embedding_sources.h
  tools/firmware/firmware_set.h
  tools/firmware/image_form_check.h
  tools/firmware/image_set.h
  tools/firmware/stand_in_images.h
  update/firmware_catalogue.h
)

# The tool runs on the build machine, so a cross build compiles it with that machine's
# own compiler.
if(CMAKE_CROSSCOMPILING)
  find_program(ORVIK_HOST_CXX NAMES c++ g++ REQUIRED DOC "C++ compiler of the build machine")
  set(firmware_tool ${firmware_build_dir}/orvik-firmware)
  set(firmware_tool_sources ${firmware_pipeline_sources} tools/firmware/orvik_firmware_main.cpp)
  list(TRANSFORM firmware_tool_sources PREPEND ${CMAKE_SOURCE_DIR}/)
  list(TRANSFORM firmware_pipeline_headers PREPEND ${CMAKE_SOURCE_DIR}/)
  add_custom_command(
    OUTPUT ${firmware_tool}
    COMMAND ${ORVIK_HOST_CXX} -std=c++20 -O2 -Wall -Wextra -Wpedantic -Werror
            -I${CMAKE_SOURCE_DIR} ${firmware_tool_sources} -o ${firmware_tool}
    DEPENDS ${firmware_tool_sources} ${firmware_pipeline_headers}
    COMMENT "Building orvik-firmware for the build machine"
    VERBATIM)
  set(firmware_tool_command ${firmware_tool})
else()
  add_library(orvik_firmware_pipeline STATIC ${firmware_pipeline_sources})
  target_include_directories(orvik_firmware_pipeline PUBLIC ${CMAKE_SOURCE_DIR})
  add_executable(orvik-firmware tools/firmware/orvik_firmware_main.cpp)
  target_link_libraries(orvik-firmware PRIVATE orvik_firmware_pipeline)
  set(firmware_tool orvik-firmware)
  set(firmware_tool_command $<TARGET_FILE:orvik-firmware>)
endif()

if(ORVIK_FIRMWARE_DIR)
  # A relative directory counts from the source tree, as in a preset.
  file(REAL_PATH "${ORVIK_FIRMWARE_DIR}" firmware_image_dir BASE_DIRECTORY ${CMAKE_SOURCE_DIR})
  if(NOT IS_DIRECTORY "${firmware_image_dir}")
    message(FATAL_ERROR "ORVIK_FIRMWARE_DIR: ${firmware_image_dir} is not a directory")
  endif()
  set(firmware_origin --real)
  set(firmware_stand_in 0)
  set(firmware_images ${firmware_ids})
  list(TRANSFORM firmware_images REPLACE "(.+)" "${firmware_image_dir}/\\1.bin")
  set(firmware_missing "")
  foreach(image IN LISTS firmware_images)
    if(NOT EXISTS "${image}")
      string(APPEND firmware_missing "\n  ${image}")
    endif()
  endforeach()
  if(firmware_missing)
    message(FATAL_ERROR "ORVIK_FIRMWARE_DIR lacks firmware images:${firmware_missing}")
  endif()
  message(STATUS "Firmware: embedding the images of ${firmware_image_dir}")
else()
  set(firmware_image_dir ${firmware_build_dir}/stand-in)
  set(firmware_origin "")
  set(firmware_stand_in 1)
  set(firmware_images ${firmware_ids})
  list(TRANSFORM firmware_images REPLACE "(.+)" "${firmware_image_dir}/\\1.bin")
  add_custom_command(
    OUTPUT ${firmware_images}
    COMMAND ${firmware_tool_command} generate ${firmware_image_dir}
    DEPENDS ${firmware_tool}
    COMMENT "Generating the stand-in firmware images"
    VERBATIM)
  if(WIN32)
    message(WARNING "ORVIK-OTA-TOOLS.exe embeds generated stand-in images, not firmware, and "
      "refuses every transfer to a device. Set ORVIK_FIRMWARE_DIR to embed real images.")
  else()
    message(STATUS "Firmware: embedding generated stand-in images, not firmware")
  endif()
endif()

add_compile_definitions(ORVIK_STAND_IN_FIRMWARE=${firmware_stand_in})

if(WIN32)
  enable_language(RC)
  set(ORVIK_FIRMWARE_RC ${firmware_build_dir}/firmware.rc)
  add_custom_command(
    OUTPUT ${ORVIK_FIRMWARE_RC}
    COMMAND ${firmware_tool_command} embed-rc ${firmware_image_dir} ${ORVIK_FIRMWARE_RC}
            ${firmware_origin}
    DEPENDS ${firmware_tool} ${firmware_images}
    COMMENT "Checking the firmware images and writing their resource script"
    VERBATIM)
  add_library(orvik_firmware_resources OBJECT ${ORVIK_FIRMWARE_RC})
  # The script names the images; the resource compiler must run again when they change.
  set_source_files_properties(${ORVIK_FIRMWARE_RC} PROPERTIES OBJECT_DEPENDS "${firmware_images}")
else()
  set(firmware_images_source ${firmware_build_dir}/firmware_images.cpp)
  add_custom_command(
    OUTPUT ${firmware_images_source}
    COMMAND ${firmware_tool_command} embed-cpp ${firmware_image_dir} ${firmware_images_source}
            ${firmware_origin}
    DEPENDS ${firmware_tool} ${firmware_images}
    COMMENT "Checking the firmware images and embedding them"
    VERBATIM)
  add_library(orvik_firmware_images STATIC ${firmware_images_source})
  target_include_directories(orvik_firmware_images PRIVATE ${CMAKE_SOURCE_DIR})
endif()
