# Install-time step: renders the systemd unit pcpoll@.service with the
# poller's installed path and installs it.  Runs inside cmake_install.cmake,
# where CMAKE_INSTALL_PREFIX is the prefix of this installation; the
# pc_unit_* variables are set by packaging/CMakeLists.txt just before.

foreach(pc_dir pc_unit_bindir pc_unit_dir)
  if(NOT IS_ABSOLUTE "${${pc_dir}}")
    set(${pc_dir} "${CMAKE_INSTALL_PREFIX}/${${pc_dir}}")
  endif()
endforeach()

set(PC_POLLER_BINARY "${pc_unit_bindir}/pcpoll")
file(READ "${pc_unit_template}" pc_unit_text)
string(CONFIGURE "${pc_unit_text}" pc_unit_text @ONLY)
file(WRITE "${pc_unit_rendered}" "${pc_unit_text}")

file(INSTALL DESTINATION "${pc_unit_dir}" TYPE FILE FILES "${pc_unit_rendered}")
