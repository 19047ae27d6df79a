#!/usr/bin/env bash
# Builds the Windows packages: the release deliverables for x86_64 and i686
# (optimised, stripped, runtime linked statically) and an MSI for each,
#   build/win64-release/Kestrel9-VERSION-x64.msi
#   build/win32-release/Kestrel9-VERSION-x86.msi
# Installs what is needed first (Debian 12, as root).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
for preset in win64-release win32-release; do
  echo "=== $preset"
  cmake --preset "$preset" >/dev/null
  # Only what ships and the package: the tests these presets also hold are left unbuilt.
  cmake --build --preset "$preset" --target k9_package -j "$(nproc)"
done
ls -l build/win64-release/Kestrel9-*-x64.msi build/win32-release/Kestrel9-*-x86.msi
