# The HEIC decoder: libheif.dll and libde265.dll, built from Debian's sources by
# tools/fetch-heif.sh into deps/heif-<versions>/ (make setup runs it; configure runs it too
# when deps/ lacks them).
#
#   heif           libheif's headers and import library: what the engine links. Whatever links
#                  it gets both DLLs copied beside the executables in CMAKE_BINARY_DIR. An
#                  executable with the target property GLIMMER_DELAY_LOAD set to ON gets the
#                  delay-import library instead (heif_delayed): it starts without libheif.dll,
#                  which is loaded at the first HEIC (engine/HeifPhoto says when it is missing).
#   heif_runtime   those copies on their own.
#
# HEIF_ROOT is the deps/heif-<versions> folder; HEIF_VERSIONS its "package debian-version" lines.
get_filename_component(_heif_top "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             "${_heif_top}/tools/heif/pins" "${_heif_top}/tools/heif/libde265-srwlock.patch"
             "${_heif_top}/tools/fetch-heif.sh")

execute_process(
  COMMAND "${_heif_top}/tools/fetch-heif.sh"
  OUTPUT_VARIABLE HEIF_ROOT
  RESULT_VARIABLE _heif_fetch
  OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT _heif_fetch EQUAL 0)
  message(FATAL_ERROR "heif: tools/fetch-heif.sh failed (see above); `make setup` installs what it needs and builds it")
endif()

set(_heif_dlls "${HEIF_ROOT}/bin/libheif.dll" "${HEIF_ROOT}/bin/libde265.dll")
foreach(f ${_heif_dlls} "${HEIF_ROOT}/lib/libheif.dll.a" "${HEIF_ROOT}/include/libheif/heif.h" "${HEIF_ROOT}/versions")
  if(NOT EXISTS "${f}")
    message(FATAL_ERROR "heif: ${f} is missing; delete ${HEIF_ROOT} and run tools/fetch-heif.sh")
  endif()
endforeach()
file(STRINGS "${HEIF_ROOT}/versions" HEIF_VERSIONS)

set(_heif_copies "")
foreach(dll IN LISTS _heif_dlls)
  get_filename_component(name "${dll}" NAME)
  add_custom_command(
    OUTPUT "${CMAKE_BINARY_DIR}/${name}"
    COMMAND ${CMAKE_COMMAND} -E copy_if_different "${dll}" "${CMAKE_BINARY_DIR}/${name}"
    DEPENDS "${dll}"
    COMMENT "Copying ${name} beside the executables"
    VERBATIM)
  list(APPEND _heif_copies "${CMAKE_BINARY_DIR}/${name}")
endforeach()
add_custom_target(heif_runtime ALL DEPENDS ${_heif_copies})

add_library(heif INTERFACE)
target_include_directories(heif SYSTEM INTERFACE "${HEIF_ROOT}/include")
glimmer_delay_import(heif_delayed DLL_NAME libheif.dll FROM_DLL "${HEIF_ROOT}/bin/libheif.dll")
target_link_libraries(heif INTERFACE
  "$<IF:$<BOOL:$<TARGET_PROPERTY:GLIMMER_DELAY_LOAD>>,heif_delayed,${HEIF_ROOT}/lib/libheif.dll.a>")
add_dependencies(heif heif_runtime)
