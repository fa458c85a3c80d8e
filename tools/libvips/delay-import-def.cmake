# Writes the module-definition file that the delay-import library of libvips-42.dll is made
# from: every export of the DLL as gendef reads it from the export table, less the data
# exports (marked DATA). A delay-loaded import reaches functions only; a data import through
# it would read the loader's thunk as the variable. Left out of the file, a use of one fails
# to link instead.
#
#   cmake -DGENDEF=<gendef> -DDLL=<libvips-42.dll> -DOUTPUT=<file.def> -P delay-import-def.cmake
foreach(variable GENDEF DLL OUTPUT)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "delay-import-def: ${variable} is not set")
  endif()
endforeach()

execute_process(
  COMMAND "${GENDEF}" - "${DLL}"
  OUTPUT_VARIABLE definitions
  ERROR_VARIABLE gendef_messages
  RESULT_VARIABLE gendef_result)
if(NOT gendef_result EQUAL 0 OR NOT definitions MATCHES "\nEXPORTS\r?\n")
  message(FATAL_ERROR "delay-import-def: gendef could not read the exports of ${DLL}:\n${gendef_messages}")
endif()

# A match takes the line break the next line's match would start with, so a run of data
# exports needs more than one pass.
set(data_line "\n[^\n]*[ \t]DATA[ \t\r]*\n")
string(APPEND definitions "\n")
while(definitions MATCHES "${data_line}")
  string(REGEX REPLACE "${data_line}" "\n" definitions "${definitions}")
endwhile()
file(WRITE "${OUTPUT}" "${definitions}")
