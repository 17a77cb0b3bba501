# The version has one home, project() in CMakeLists.txt, which reaches the
# programs through the generated pcconfig.h.  The files that cannot take it
# from there must name the same: the first line of debian/changelog
# ("pcpoll (VERSION) ...") and the header line of each manual page
# ("korvane-counter VERSION").
#
# cmake -DPC_VERSION=<project version> -DPC_SOURCE_DIR=<source tree> -P version_test.cmake
foreach(required PC_VERSION PC_SOURCE_DIR)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "version_test: -D${required}=... is required")
  endif()
endforeach()

set(pc_failures 0)

file(STRINGS ${PC_SOURCE_DIR}/debian/changelog pc_changelog LIMIT_COUNT 1)
if(NOT pc_changelog MATCHES "^pcpoll \\(([^)]*)\\)")
  message(SEND_ERROR "debian/changelog: no version in its first line: ${pc_changelog}")
  math(EXPR pc_failures "${pc_failures} + 1")
elseif(NOT CMAKE_MATCH_1 STREQUAL PC_VERSION)
  message(SEND_ERROR "debian/changelog names ${CMAKE_MATCH_1}, CMakeLists.txt ${PC_VERSION}")
  math(EXPR pc_failures "${pc_failures} + 1")
endif()

foreach(page packaging/man/pcpoll.8 packaging/man/pcview.1 packaging/man/pcstat.1)
  file(STRINGS ${PC_SOURCE_DIR}/${page} pc_header REGEX "^\\.TH ")
  if(NOT pc_header MATCHES "\"korvane-counter ([^\"]*)\"")
    message(SEND_ERROR "${page}: no version in its .TH line: ${pc_header}")
    math(EXPR pc_failures "${pc_failures} + 1")
  elseif(NOT CMAKE_MATCH_1 STREQUAL PC_VERSION)
    message(SEND_ERROR "${page} names ${CMAKE_MATCH_1}, CMakeLists.txt ${PC_VERSION}")
    math(EXPR pc_failures "${pc_failures} + 1")
  endif()
endforeach()

if(pc_failures EQUAL 0)
  message(STATUS "version_test: ${PC_VERSION} everywhere")
endif()
