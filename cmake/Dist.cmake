# The version of Glimmerset and the packages a Windows user downloads.
#
# The version is the one line of the file VERSION (major.minor.patch). From it come
#   generated/glimmer_version.h      macros for C++ (kInstalledVersion) and app/Glimmerset.rc
#   generated/Glimmerset.manifest    the manifest, with the same version in its identity
# in the build folder; tools/make-dist names the packages and the installer's version after it.
#
# Included right after project(): the generated folder goes on the include path of every
# target made after it. The package tests (make test) are added once the whole folder has
# been read.

# Each part is one digit: the update check of every installed copy compares version texts
# character by character, so "1.0.10" would count as older than "1.0.9".
file(STRINGS ${CMAKE_SOURCE_DIR}/VERSION GLIMMER_VERSION LIMIT_COUNT 1)
if(NOT GLIMMER_VERSION MATCHES "^([0-9])\\.([0-9])\\.([0-9])$")
  message(FATAL_ERROR "VERSION must hold major.minor.patch with one digit each, not \"${GLIMMER_VERSION}\"")
endif()
set(GLIMMER_VERSION_MAJOR ${CMAKE_MATCH_1})
set(GLIMMER_VERSION_MINOR ${CMAKE_MATCH_2})
set(GLIMMER_VERSION_PATCH ${CMAKE_MATCH_3})
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/VERSION)

set(GLIMMER_GENERATED ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_SOURCE_DIR}/cmake/glimmer_version.h.in ${GLIMMER_GENERATED}/glimmer_version.h @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/app/Glimmerset.manifest.in ${GLIMMER_GENERATED}/Glimmerset.manifest @ONLY)
include_directories(${GLIMMER_GENERATED})

# The resource script names the manifest as a file, not by #include: a new version must
# still rebuild the resources.
file(GLOB glimmer_resource_scripts ${CMAKE_SOURCE_DIR}/app/*.rc)
set_source_files_properties(${glimmer_resource_scripts} PROPERTIES
  OBJECT_DEPENDS "${GLIMMER_GENERATED}/glimmer_version.h;${GLIMMER_GENERATED}/Glimmerset.manifest")

# Run when the whole folder has been read: the targets named here exist by then.
function(glimmer_dist_after_targets)
  # tests/app reads the version resource of Glimmerset.exe beside it.
  add_dependencies(test_app Glimmerset)

  set(tools ${CMAKE_SOURCE_DIR}/tools)
  # The packages, made as make dist makes them, into the build folder.
  add_test(NAME dist_packages COMMAND ${tools}/make-dist ${CMAKE_BINARY_DIR} ${CMAKE_BINARY_DIR}/dist)
  set_tests_properties(dist_packages PROPERTIES FIXTURES_SETUP dist_packages TIMEOUT 300)
  # The zip's folder runs in the test prefix and on the test display, alone like e2e.
  add_test(NAME dist_zip COMMAND ${tools}/test-dist zip ${CMAKE_BINARY_DIR})
  set_tests_properties(dist_zip PROPERTIES FIXTURES_REQUIRED dist_packages TIMEOUT 300 RUN_SERIAL TRUE)
  # The installer runs in a Wine prefix and on a display of its own, alone: its driver waits on
  # the program by the clock, which a busy machine outruns.
  add_test(NAME dist_msi COMMAND ${tools}/test-dist msi ${CMAKE_BINARY_DIR})
  set_tests_properties(dist_msi PROPERTIES FIXTURES_REQUIRED dist_packages TIMEOUT 900 RUN_SERIAL TRUE)
  # The packages signed with a throwaway certificate, and their signatures checked.
  add_test(NAME dist_signed COMMAND ${tools}/test-dist signed ${CMAKE_BINARY_DIR})
  set_tests_properties(dist_signed PROPERTIES FIXTURES_REQUIRED dist_packages TIMEOUT 300)
endfunction()
cmake_language(DEFER CALL glimmer_dist_after_targets)
