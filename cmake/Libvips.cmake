# libvips from the packages pinned in tools/libvips/pins, unpacked into deps/ by
# tools/fetch-libvips.sh (make setup runs it; configure runs it too when deps/ lacks them).
#
#   libvips_headers  the vips and glib headers (as system headers), and at link time the import
#                    library that the executable being linked chose (below): what the engine
#                    links. Building anything that links it also copies libvips-42.dll and
#                    THIRD_PARTY.md into CMAKE_BINARY_DIR, beside the executables, and builds
#                    the Wine-only DLL below.
#   libvips          the ordinary import library of libvips-42.dll: Windows loads the DLL with
#                    the executable and refuses to start it without. Every executable that
#                    does not choose otherwise gets it.
#   libvips_delayed  a delay-import library (cmake/DelayImport.cmake): the DLL is loaded at the
#                    first call into it, so the executable starts without it and can say what
#                    is missing. An executable chooses it with the target property
#                    GLIMMER_DELAY_LOAD set to ON. Functions only: the DLL's data exports are
#                    left out, so a use of one fails to link.
#   libvips_runtime  that copy and THIRD_PARTY.md on their own.
#   wineonly_bcryptprimitives
#                    CMAKE_BINARY_DIR/wine-only/bcryptprimitives.dll: ProcessPrng, which
#                    libvips-42.dll imports and Wine 8 lacks. tools/wine-prefix installs it
#                    into the Wine prefix; it is never shipped.
#
# LIBVIPS_ROOT is the deps/libvips-<version> folder, LIBVIPS_DLL the DLL itself.
get_filename_component(_libvips_top "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(_libvips_pins "${_libvips_top}/tools/libvips/pins")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             "${_libvips_pins}" "${_libvips_top}/tools/fetch-libvips.sh")

execute_process(
  COMMAND "${_libvips_top}/tools/fetch-libvips.sh"
  OUTPUT_VARIABLE LIBVIPS_ROOT
  RESULT_VARIABLE _libvips_fetch
  OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT _libvips_fetch EQUAL 0)
  message(FATAL_ERROR "libvips: tools/fetch-libvips.sh failed (see above); `make setup` installs npm and fetches it")
endif()

set(_libvips_bin "${LIBVIPS_ROOT}/win32-x64/lib")
set(LIBVIPS_DLL "${_libvips_bin}/libvips-42.dll")
set(_libvips_implib "${_libvips_bin}/libvips.lib")
set(_libvips_includes
    "${LIBVIPS_ROOT}/dev/include"
    "${LIBVIPS_ROOT}/dev/include/glib-2.0"
    # glibconfig.h describes the Windows build, so it comes from the DLL's package.
    "${_libvips_bin}/glib-2.0/include")
foreach(f "${LIBVIPS_DLL}" "${_libvips_implib}" "${LIBVIPS_ROOT}/dev/include/vips/vips.h"
          "${_libvips_bin}/glib-2.0/include/glibconfig.h" "${LIBVIPS_ROOT}/win32-x64/versions.json")
  if(NOT EXISTS "${f}")
    message(FATAL_ERROR "libvips: ${f} is missing; delete ${LIBVIPS_ROOT} and run tools/fetch-libvips.sh")
  endif()
endforeach()

# libvips.lib is an ordinary import library that mingw's ld reads as it is.
add_library(libvips INTERFACE)
target_link_libraries(libvips INTERFACE "${_libvips_implib}")

glimmer_delay_import(libvips_delayed DLL_NAME libvips-42.dll FROM_DLL "${LIBVIPS_DLL}")

# The choice is read from the executable being linked ($<TARGET_PROPERTY:...> without a
# target names the consumer), and the import library becomes a dependency of whatever links
# the headers, so the linker meets it after the engine's library.
add_library(libvips_headers INTERFACE)
target_include_directories(libvips_headers SYSTEM INTERFACE ${_libvips_includes})
target_link_libraries(libvips_headers INTERFACE
  "$<IF:$<BOOL:$<TARGET_PROPERTY:GLIMMER_DELAY_LOAD>>,libvips_delayed,libvips>")

# The DLL beside every executable, and the notice that goes with it.
add_custom_command(
  OUTPUT "${CMAKE_BINARY_DIR}/libvips-42.dll"
  COMMAND ${CMAKE_COMMAND} -E copy_if_different "${LIBVIPS_DLL}" "${CMAKE_BINARY_DIR}/libvips-42.dll"
  DEPENDS "${LIBVIPS_DLL}"
  COMMENT "Copying libvips-42.dll beside the executables"
  VERBATIM)
add_custom_command(
  OUTPUT "${CMAKE_BINARY_DIR}/THIRD_PARTY.md"
  COMMAND ${CMAKE_COMMAND} "-DPACKAGE_DIR=${LIBVIPS_ROOT}/win32-x64"
          "-DOUTPUT=${CMAKE_BINARY_DIR}/THIRD_PARTY.md" "-DHEIF_VERSIONS_FILE=${HEIF_ROOT}/versions"
          -P "${_libvips_top}/tools/libvips/third-party-notice.cmake"
  DEPENDS "${LIBVIPS_ROOT}/win32-x64/versions.json" "${LIBVIPS_ROOT}/win32-x64/package.json"
          "${HEIF_ROOT}/versions"
          "${_libvips_top}/tools/libvips/third-party-notice.cmake"
  COMMENT "Writing THIRD_PARTY.md"
  VERBATIM)
add_custom_target(libvips_runtime ALL
  DEPENDS "${CMAKE_BINARY_DIR}/libvips-42.dll" "${CMAKE_BINARY_DIR}/THIRD_PARTY.md")

# For Wine only: ProcessPrng on top of BCryptGenRandom.
add_library(wineonly_bcryptprimitives SHARED
  "${_libvips_top}/tools/wineonly/bcryptprimitives/bcryptprimitives.c"
  "${_libvips_top}/tools/wineonly/bcryptprimitives/bcryptprimitives.def")
set_target_properties(wineonly_bcryptprimitives PROPERTIES
  OUTPUT_NAME bcryptprimitives
  PREFIX ""
  RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/wine-only"
  ARCHIVE_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/wine-only")
target_compile_options(wineonly_bcryptprimitives PRIVATE -Wall -Wextra -Werror)
target_link_options(wineonly_bcryptprimitives PRIVATE -static -static-libgcc)
target_link_libraries(wineonly_bcryptprimitives PRIVATE bcrypt)

# Whatever links libvips gets both DLLs before it runs.
add_dependencies(libvips_headers libvips_runtime wineonly_bcryptprimitives)

# The fetch, the prefix set-up and the notice, checked offline (a shell script: it runs on
# Linux, not under Wine).
add_test(NAME libvips_tools COMMAND bash "${_libvips_top}/tools/libvips/test-libvips-tools.sh")
