# The install layout, declared once for every use: `cmake --install`, the build
# folder's stage/ (refreshed by the k9_stage target at every build, POSIX) and the
# Windows package (src/installer), which ships what the "product" component holds.
#
# POSIX, under the install prefix (a stand-in for a whole machine):
#   Kestrel9/                          the server folder: Kestrel9.so, InitKestrel9,
#                                      !!Kestrel9.INF, the gazetteer files, Kestrel9.chm,
#                                      help/ (the help pages as HTML; not on Windows),
#                                      "Strato Overlays/" (the sample overlays), "Strato Underlays/"
#   Program Files/Stratomap Wayfarer 9.0/   the map engine's data folders and MAP.INI
#   Harrier32/                         the stand-in host's program folder: kestrel9-host, Maps/,
#                                      Demo/ (host scripts)
#   bin/kestrel9-regsvr                registers a server library (the regsvr32 step)
#
# Windows, under the install prefix (the machine's program-files folder):
#   Kestrel9/                          the server folder, as above with Kestrel9.dll and InitKestrel9.exe
#   Stratomap Wayfarer 9.0/            Kestrel9Engine.dll, the engine's data folders and MAP.INI
#   Harrier32/                         kestrel9-host.exe, Maps/, Demo/
#
# Components: everything that names no component is "product" (set in the top
# folder) and ships in the package; the stand-in host and the tools that play the
# platform's part are "harness"; MAP.INI, written with the absolute folders of
# the prefix, is "engine-paths" (the package writes its own at install time).
#
# The registry store is not part of the tree: each user or test names one with
# KESTREL9_REGISTRY (or the host's --registry), and registration writes the library's
# path there.
set(CMAKE_INSTALL_MESSAGE LAZY)
set(K9_SERVER_DIR "Kestrel9")
set(K9_HOST_DIR "Harrier32")
if(WIN32)
  set(K9_ENGINE_DIR "Stratomap Wayfarer 9.0")
else()
  set(K9_ENGINE_DIR "Program Files/Stratomap Wayfarer 9.0")
endif()

# RUNTIME is a Windows DLL or program, LIBRARY the POSIX shared library; no import
# library is installed.
install(TARGETS Kestrel9 RUNTIME DESTINATION "${K9_SERVER_DIR}" LIBRARY DESTINATION "${K9_SERVER_DIR}")
install(TARGETS InitKestrel9 RUNTIME DESTINATION "${K9_SERVER_DIR}")
install(FILES "${PROJECT_SOURCE_DIR}/data/init/!!Kestrel9.INF"
              "${PROJECT_SOURCE_DIR}/data/statell.dat"
              "${PROJECT_SOURCE_DIR}/data/countyll.dat"
              "${PROJECT_SOURCE_DIR}/data/milemark.dat"
        DESTINATION "${K9_SERVER_DIR}")
# The help file beside the server on every platform; where there is no HTML Help
# viewer, the same pages as plain HTML in help/ beside it.
install(FILES "${K9_HELP_CHM}" DESTINATION "${K9_SERVER_DIR}")
if(NOT WIN32)
  install(DIRECTORY "${K9_HELP_DIR}/" DESTINATION "${K9_SERVER_DIR}/help"
          FILES_MATCHING PATTERN "*.htm" PATTERN "*.css" PATTERN "*.png")
endif()
# Sample overlays and underlays ship when their folders exist.
foreach(pair "engine/overlays|${K9_SERVER_DIR}/Strato Overlays"
             "underlays|${K9_SERVER_DIR}/Strato Underlays")
  string(REPLACE "|" ";" pair "${pair}")
  list(GET pair 0 from)
  list(GET pair 1 to)
  if(IS_DIRECTORY "${PROJECT_SOURCE_DIR}/data/${from}")
    install(DIRECTORY "${PROJECT_SOURCE_DIR}/data/${from}/" DESTINATION "${to}")
  endif()
endforeach()
install(DIRECTORY DESTINATION "${K9_SERVER_DIR}/Strato Overlays")
install(DIRECTORY DESTINATION "${K9_SERVER_DIR}/Strato Underlays")

# The engine's data; its sample overlays went to "Strato Overlays" above.
install(DIRECTORY "${PROJECT_SOURCE_DIR}/data/engine/" DESTINATION "${K9_ENGINE_DIR}"
        PATTERN overlays EXCLUDE)
if(TARGET k9_engine_com)
  install(TARGETS k9_engine_com RUNTIME DESTINATION "${K9_ENGINE_DIR}")
endif()
# The street import's command line, beside the engine it imports for.
if(TARGET k9-engine-import)
  install(TARGETS k9-engine-import RUNTIME DESTINATION "${K9_ENGINE_DIR}")
endif()
# MAP.INI names the engine's data folders by absolute path, so it is written when
# the prefix is known: at install time.
set(K9_MAP_INI_TEMPLATE "${PROJECT_SOURCE_DIR}/src/engine/MAP.INI.in")
install(CODE "
  set(K9_MAP_INI_TEMPLATE \"${K9_MAP_INI_TEMPLATE}\")
  set(K9_ENGINE_DIR \"${K9_ENGINE_DIR}\")
  set(K9_WINDOWS_INSTALL \"${WIN32}\")
  include(\"${CMAKE_CURRENT_LIST_DIR}/install_map_ini.cmake\")
" COMPONENT engine-paths)

install(TARGETS kestrel9-host RUNTIME DESTINATION "${K9_HOST_DIR}" COMPONENT harness)
install(DIRECTORY "${PROJECT_SOURCE_DIR}/src/host/demo/" DESTINATION "${K9_HOST_DIR}/Demo"
        COMPONENT harness)
install(DIRECTORY DESTINATION "${K9_HOST_DIR}/Maps" COMPONENT harness)
if(TARGET kestrel9-regsvr)
  install(TARGETS kestrel9-regsvr RUNTIME DESTINATION bin COMPONENT harness)
endif()

# What must be built before the tree can be installed (the stage and the Windows
# package wait for these): every target above, and the help file.
set(K9_LAYOUT_TARGETS Kestrel9 InitKestrel9 kestrel9-host k9_help)
foreach(target k9_engine_com kestrel9-regsvr k9-engine-import)
  if(TARGET ${target})
    list(APPEND K9_LAYOUT_TARGETS ${target})
  endif()
endforeach()

# The staged tree in the build folder, for the end-to-end tests and for running
# the programs without installing.
if(WIN32 OR NOT KESTREL9_TESTS)
  return()
endif()
set(K9_STAGE_DIR "${PROJECT_BINARY_DIR}/stage" CACHE INTERNAL "")
add_custom_target(k9_stage ALL
  COMMAND ${CMAKE_COMMAND} --install "${PROJECT_BINARY_DIR}" --prefix "${K9_STAGE_DIR}"
  COMMENT "Staging the install tree in ${K9_STAGE_DIR}"
  VERBATIM)
add_dependencies(k9_stage ${K9_LAYOUT_TARGETS})
