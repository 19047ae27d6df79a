# The install layout, the same under an install prefix (`cmake --install`) and in
# the build folder's stage/ (refreshed by the k9_stage target at every build):
#
#   Kestrel9/                          the server folder: Kestrel9.so, InitKestrel9,
#                                      !!Kestrel9.INF, the gazetteer files, Kestrel9.chm,
#                                      help/ (the help pages as HTML; not on Windows),
#                                      "Strato Overlays/", "Strato Underlays/"
#   Harrier32/                         the stand-in host's program folder: kestrel9-host, Maps/,
#                                      Demo/ (host scripts)
#   Program Files/Stratomap Wayfarer 9.0/   the map engine's data folders and MAP.INI
#   bin/kestrel9-regsvr                registers a server library (the regsvr32 step)
#
# The registry store is not part of the tree: each user or test names one with
# KESTREL9_REGISTRY (or the host's --registry), and registration writes the library's
# path there.
set(CMAKE_INSTALL_MESSAGE LAZY)
set(K9_SERVER_DIR "Kestrel9")
set(K9_HOST_DIR "Harrier32")
set(K9_PROGRAMS_DIR "Program Files")
set(K9_ENGINE_DIR "${K9_PROGRAMS_DIR}/Stratomap Wayfarer 9.0")

install(TARGETS Kestrel9 LIBRARY DESTINATION "${K9_SERVER_DIR}")
if(TARGET InitKestrel9)
  install(TARGETS InitKestrel9 RUNTIME DESTINATION "${K9_SERVER_DIR}")
endif()
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
foreach(pair "overlays|${K9_SERVER_DIR}/Strato Overlays"
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

install(TARGETS kestrel9-host RUNTIME DESTINATION "${K9_HOST_DIR}")
install(DIRECTORY "${PROJECT_SOURCE_DIR}/src/host/demo/" DESTINATION "${K9_HOST_DIR}/Demo")
install(DIRECTORY DESTINATION "${K9_HOST_DIR}/Maps")
install(TARGETS kestrel9-regsvr RUNTIME DESTINATION bin)

install(DIRECTORY "${PROJECT_SOURCE_DIR}/data/engine/" DESTINATION "${K9_ENGINE_DIR}")
# MAP.INI names the engine's data folders by absolute path, so it is written when
# the prefix is known: at install time.
set(K9_MAP_INI_TEMPLATE "${PROJECT_SOURCE_DIR}/src/engine/MAP.INI.in")
if(NOT EXISTS "${K9_MAP_INI_TEMPLATE}")
  set(K9_MAP_INI_TEMPLATE "${CMAKE_CURRENT_SOURCE_DIR}/MAP.INI.in")
endif()
install(CODE "
  set(K9_ENGINE_DATA \"\${CMAKE_INSTALL_PREFIX}/${K9_ENGINE_DIR}\")
  configure_file(\"${K9_MAP_INI_TEMPLATE}\"
                 \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${K9_ENGINE_DIR}/MAP.INI\"
                 @ONLY NEWLINE_STYLE CRLF)
  message(STATUS \"Writing: \$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${K9_ENGINE_DIR}/MAP.INI\")
")

# The staged tree in the build folder, for the end-to-end tests and for running
# the programs without installing.
if(NOT KESTREL9_TESTS)
  return()
endif()
set(K9_STAGE_DIR "${PROJECT_BINARY_DIR}/stage" CACHE INTERNAL "")
add_custom_target(k9_stage ALL
  COMMAND ${CMAKE_COMMAND} --install "${PROJECT_BINARY_DIR}" --prefix "${K9_STAGE_DIR}"
  COMMENT "Staging the install tree in ${K9_STAGE_DIR}"
  VERBATIM)
add_dependencies(k9_stage Kestrel9 kestrel9-host kestrel9-regsvr k9_help)
if(TARGET InitKestrel9)
  add_dependencies(k9_stage InitKestrel9)
endif()
