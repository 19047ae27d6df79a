# Cross-compiles the Windows deliverables for 32-bit x86; tests run under Wine's
# 32-bit loader (wine32) in a 64-bit prefix, as 32-bit programs run on 64-bit
# Windows. wine64 hands a 32-bit program to that loader itself.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
# Floating point in SSE2 registers, as the 64-bit build and Linux do it: the x87
# unit's 80-bit intermediates round differently with the optimiser's choices, so a
# view computed to cover a request could fall short of it by the last digit. Every
# x86 processor sold since 2004 has SSE2, and Windows since 8 requires it.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
set(KESTREL9_WIDL i686-w64-mingw32-widl)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
