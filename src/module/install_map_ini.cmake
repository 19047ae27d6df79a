# Writes MAP.INI into the installed engine folder at install time, when the
# prefix is known: the engine's data folders by absolute path. Included by the
# install code of install_layout.cmake with
#   K9_MAP_INI_TEMPLATE   the template (src/engine/MAP.INI.in)
#   K9_ENGINE_DIR         the engine folder, relative to the prefix
#   K9_WINDOWS_INSTALL    true for a Windows build
# A Windows build is installed for a Windows machine, so its MAP.INI names the
# folders as Windows sees them, with backslashes. A prefix of this machine that
# Windows reaches by another path is named by the environment variable
# KESTREL9_WINDOWS_PREFIX (a drive mapped to the prefix, say "D:\Program Files");
# without it a POSIX prefix is taken as Wine's drive Z: shows it.
set(K9_ENGINE_DATA "${CMAKE_INSTALL_PREFIX}/${K9_ENGINE_DIR}")
if(K9_WINDOWS_INSTALL)
  set(root "${CMAKE_INSTALL_PREFIX}")
  if(DEFINED ENV{KESTREL9_WINDOWS_PREFIX})
    set(root "$ENV{KESTREL9_WINDOWS_PREFIX}")
  elseif(root MATCHES "^/")
    set(root "Z:${root}")
  endif()
  string(REGEX REPLACE "[/\\\\]+$" "" root "${root}")
  string(REPLACE "/" "\\" K9_ENGINE_DATA "${root}/${K9_ENGINE_DIR}")
endif()
set(map_ini "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${K9_ENGINE_DIR}/MAP.INI")
file(READ "${K9_MAP_INI_TEMPLATE}" text)
string(CONFIGURE "${text}" text @ONLY)
if(K9_WINDOWS_INSTALL)
  # The template joins a folder to the data path with "/".
  string(REPLACE "${K9_ENGINE_DATA}/" "${K9_ENGINE_DATA}\\" text "${text}")
endif()
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE "${map_ini}" "${text}")
message(STATUS "Writing: ${map_ini}")
