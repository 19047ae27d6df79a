#!/usr/bin/env bash
# Runs a Windows program under wine64 in the project's private, headless prefix.
# Used as CMAKE_CROSSCOMPILING_EMULATOR, so ctest runs the cross-compiled tests here.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export WINEPREFIX=${WINEPREFIX:-$here/../build/wineprefix}
export WINEARCH=win64 WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export KESTREL9_AUTOMATION=1
wine=/usr/lib/wine/wine64
if [ ! -f "$WINEPREFIX/.kestrel9-headless" ]; then
  mkdir -p "$WINEPREFIX"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.kestrel9-headless" ]; then
      "$wine" wineboot -i >/dev/null 2>&1 || true
      "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
      # A crashing program prints its backtrace and ends, instead of waiting on a
      # crash dialog that no one will see.
      "$wine" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
        >/dev/null 2>&1
      /usr/lib/wine/wineserver -w
      touch "$WINEPREFIX/.kestrel9-headless"
    fi
  ) 9>"$WINEPREFIX/.lock"
fi
exec "$wine" "$@"
