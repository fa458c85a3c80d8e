# Writes the module-definition file that a delay-import library is made from: every function
# a DLL exports, either as gendef reads them from the DLL's export table, or as an import
# library names them (the __imp_ symbols that have a function beside them). Data exports are
# left out: a delay-loaded import reaches functions only, and a data import through it would
# read the loader's thunk as the variable. Left out of the file, a use of one fails to link.
#
#   cmake -DGENDEF=<gendef> -DDLL=<file.dll> -DOUTPUT=<file.def> -P delay-import-def.cmake
#   cmake -DNM=<nm> -DIMPORT_LIBRARY=<libname.a> -DDLL_NAME=<name.dll> -DOUTPUT=<file.def> -P delay-import-def.cmake
cmake_minimum_required(VERSION 3.16)
if(NOT DEFINED OUTPUT)
  message(FATAL_ERROR "delay-import-def: OUTPUT is not set")
endif()

if(DEFINED IMPORT_LIBRARY)
  foreach(variable NM DLL_NAME)
    if(NOT DEFINED ${variable})
      message(FATAL_ERROR "delay-import-def: ${variable} is not set")
    endif()
  endforeach()
  execute_process(
    COMMAND "${NM}" -g --defined-only "${IMPORT_LIBRARY}"
    OUTPUT_VARIABLE symbols
    ERROR_VARIABLE nm_messages
    RESULT_VARIABLE nm_result)
  if(NOT nm_result EQUAL 0)
    message(FATAL_ERROR "delay-import-def: nm could not read ${IMPORT_LIBRARY}:\n${nm_messages}")
  endif()
  string(REGEX MATCHALL "[ \t]T[ \t]+[A-Za-z_][A-Za-z0-9_@]*" code "${symbols}")
  string(REGEX MATCHALL "[ \t]I[ \t]+__imp_[A-Za-z_][A-Za-z0-9_@]*" imports "${symbols}")
  list(TRANSFORM code REPLACE "^[ \t]T[ \t]+" "")
  list(TRANSFORM imports REPLACE "^[ \t]I[ \t]+__imp_" "")
  set(functions "")
  foreach(name IN LISTS imports)
    if(name IN_LIST code)
      list(APPEND functions "${name}")
    endif()
  endforeach()
  list(REMOVE_DUPLICATES functions)
  if(NOT functions)
    message(FATAL_ERROR "delay-import-def: ${IMPORT_LIBRARY} names no function")
  endif()
  list(JOIN functions "\n" lines)
  file(WRITE "${OUTPUT}" "LIBRARY \"${DLL_NAME}\"\nEXPORTS\n${lines}\n")
  return()
endif()

foreach(variable GENDEF DLL)
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
