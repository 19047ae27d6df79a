# Project-wide compiler settings and helpers shared by every folder.

set(K9_WARNINGS -Wall -Wextra -Wpedantic -Wnon-virtual-dtor)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  list(APPEND K9_WARNINGS -Wshadow=local)  # gcc's spelling; clang (fuzz preset) has no such option
  # gcc 12 at -O3 reports impossible overlaps inside std::string's own copies
  # (a false positive of its -Wrestrict), which would stop every release build.
  list(APPEND K9_WARNINGS -Wno-restrict)
endif()
if(KESTREL9_WERROR)
  list(APPEND K9_WARNINGS -Werror)
endif()
add_compile_options("$<$<COMPILE_LANGUAGE:CXX>:${K9_WARNINGS}>")

if(KESTREL9_SANITIZE)
  add_compile_options(-fsanitize=${KESTREL9_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${KESTREL9_SANITIZE})
endif()

if(WIN32)
  # One self-contained binary per deliverable: nothing from the toolchain needs to
  # travel with it, and Wine finds everything it runs.
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
  add_link_options(-static -static-libgcc -static-libstdc++)
  # Release builds are what the Windows package ships: stripped, and with no link
  # time stamp, so the same sources give the same bytes in every package.
  add_link_options($<$<CONFIG:Release>:-s> $<$<CONFIG:Release>:-Wl,--no-insert-timestamp>)
  set(K9_SHARED_PREFIX "")
endif()

# Gathers the .cpp files of the given folders (relative to the current source folder).
function(k9_glob_sources out)
  set(all)
  foreach(dir IN LISTS ARGN)
    file(GLOB found CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp)
    list(APPEND all ${found})
  endforeach()
  set(${out} ${all} PARENT_SCOPE)
endfunction()
