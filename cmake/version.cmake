# The release version, kept once in VERSION at the top of the tree: the version resources
# of kiv.exe and tavo.dll take it from here, and `make dist` names the zip after it.
file(STRINGS ${CMAKE_SOURCE_DIR}/VERSION KIV_VERSION LIMIT_COUNT 1)
if(NOT KIV_VERSION MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)$")
  message(FATAL_ERROR "VERSION: expected MAJOR.MINOR.PATCH, found '${KIV_VERSION}'")
endif()
set(KIV_VERSION_NUMBERS "${CMAKE_MATCH_1},${CMAKE_MATCH_2},${CMAKE_MATCH_3},0")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/VERSION)
configure_file(${CMAKE_SOURCE_DIR}/release/kiv_version.h.in
               ${CMAKE_BINARY_DIR}/release/kiv_version.h @ONLY)

# kiv_version_resource(TARGET RC): the resource script RC of TARGET includes
# "versioninfo.rc"; windres finds it and kiv_version.h, and RC is rebuilt when they change.
function(kiv_version_resource target rc)
  target_include_directories(${target} PRIVATE ${CMAKE_BINARY_DIR}/release
                                                ${CMAKE_SOURCE_DIR}/release)
  set_property(SOURCE ${rc} APPEND PROPERTY OBJECT_DEPENDS
               ${CMAKE_BINARY_DIR}/release/kiv_version.h ${CMAKE_SOURCE_DIR}/release/versioninfo.rc)
endfunction()
