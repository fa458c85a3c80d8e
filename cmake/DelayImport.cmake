# Delay-import libraries: a DLL imported through one is loaded at the first call into it, not
# with the executable. That lets an executable start without a DLL it may not need (and say
# what is missing), and start faster when it does not use one on every run.
#
#   glimmer_delay_import(<target> DLL_NAME <name.dll> FROM_DLL <path/to/name.dll>)
#   glimmer_delay_import(<target> DLL_NAME <name.dll> FROM_IMPORT_LIBRARY <libname.a>)
#
# makes <target>, an interface library that links the delay-import library of <name.dll>,
# built at build time from the DLL's export table (gendef) or from an ordinary import library
# (nm); both through cmake/delay-import-def.cmake, which leaves data exports out.
find_program(GLIMMER_GENDEF gendef)
if(NOT GLIMMER_GENDEF)
  message(FATAL_ERROR "delay imports: gendef is missing; `make setup` installs it (Debian's mingw-w64-tools)")
endif()
if(NOT CMAKE_DLLTOOL)
  message(FATAL_ERROR "delay imports: the toolchain's dlltool was not found")
endif()
if(NOT CMAKE_NM)
  message(FATAL_ERROR "delay imports: the toolchain's nm was not found")
endif()
set(_delay_import_script "${CMAKE_CURRENT_LIST_DIR}/delay-import-def.cmake")

function(glimmer_delay_import target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "DLL_NAME;FROM_DLL;FROM_IMPORT_LIBRARY" "")
  set(dir "${CMAKE_BINARY_DIR}/delay-import")
  set(def "${dir}/${target}.def")
  set(library "${dir}/lib${target}.a")
  if(arg_FROM_DLL)
    set(source "-DGENDEF=${GLIMMER_GENDEF}" "-DDLL=${arg_FROM_DLL}")
    set(input "${arg_FROM_DLL}")
  else()
    set(source "-DNM=${CMAKE_NM}" "-DIMPORT_LIBRARY=${arg_FROM_IMPORT_LIBRARY}" "-DDLL_NAME=${arg_DLL_NAME}")
    set(input "${arg_FROM_IMPORT_LIBRARY}")
  endif()
  add_custom_command(
    OUTPUT "${library}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${dir}"
    COMMAND ${CMAKE_COMMAND} ${source} "-DOUTPUT=${def}" -P "${_delay_import_script}"
    COMMAND "${CMAKE_DLLTOOL}" --input-def "${def}" --output-delaylib "${library}" --dllname "${arg_DLL_NAME}"
    DEPENDS "${input}" "${_delay_import_script}"
    COMMENT "Making the delay-import library of ${arg_DLL_NAME}"
    VERBATIM)
  add_custom_target(${target}_library DEPENDS "${library}")
  add_library(${target} INTERFACE)
  target_link_libraries(${target} INTERFACE "${library}")
  add_dependencies(${target} ${target}_library)
endfunction()

# The delay-import library of a system DLL, from the toolchain's import library of it.
function(glimmer_delay_import_system target dll)
  find_library(GLIMMER_IMPORT_LIBRARY_${dll} NAMES ${dll} REQUIRED)
  glimmer_delay_import(${target} DLL_NAME ${dll}.dll FROM_IMPORT_LIBRARY "${GLIMMER_IMPORT_LIBRARY_${dll}}")
endfunction()
