# Install-time step: renders the systemd units (pcpoll@.service,
# pcstat-dashboard.service) with the programs' installed paths and installs
# them.  Runs inside cmake_install.cmake,
# where CMAKE_INSTALL_PREFIX is the prefix of this installation; the
# pc_unit* variables are set by packaging/CMakeLists.txt just before.

foreach(pc_dir pc_unit_bindir pc_unit_dir)
  if(NOT IS_ABSOLUTE "${${pc_dir}}")
    set(${pc_dir} "${CMAKE_INSTALL_PREFIX}/${${pc_dir}}")
  endif()
endforeach()

set(PC_POLLER_BINARY "${pc_unit_bindir}/pcpoll")
set(PC_STAT_BINARY "${pc_unit_bindir}/pcstat")
foreach(pc_unit IN LISTS pc_units)
  file(READ "${pc_unit_source}/${pc_unit}.in" pc_unit_text)
  string(CONFIGURE "${pc_unit_text}" pc_unit_text @ONLY)
  file(WRITE "${pc_unit_rendered}/${pc_unit}" "${pc_unit_text}")
  file(INSTALL DESTINATION "${pc_unit_dir}" TYPE FILE FILES "${pc_unit_rendered}/${pc_unit}")
endforeach()
