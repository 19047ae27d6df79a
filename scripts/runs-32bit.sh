#!/usr/bin/env bash
# Says whether the 32-bit Windows programs can run here: Wine's 32-bit loader
# (Debian's wine32) must be installed and, being an i386 program itself, must
# start. Exit status 0 when they can; otherwise one line on standard output
# saying why not.
loader=/usr/lib/wine/wine
if [ ! -x "$loader" ]; then
  echo "wine32 is not installed (scripts/install-deps.sh installs it where 32-bit programs run)"
  exit 1
fi
if ! "$loader" --version >/dev/null 2>&1; then
  echo "this machine does not run 32-bit (i386) programs"
  exit 1
fi
