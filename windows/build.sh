#!/usr/bin/env bash
# make windows: the Windows Qt (once, cached), then Scortex cross-built in
# build-windows, the program folder in build-windows/bin and its zip
# build-windows/Scortex-windows-x64.zip. Needs the Linux build (make build)
# for the artwork's PNGs and Guida.pdf.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
jobs="${JOBS:-2}"

start=$(date +%s)
qt="$(bash windows/build-qt.sh | tail -1)"
echo "Windows Qt: $qt ($(( $(date +%s) - start )) s)"

start=$(date +%s)
cmake -S . -B build-windows -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
  -DSCORTEX_WERROR=ON \
  -DSCORTEX_HOST_BUILD="$root/build" \
  -DCMAKE_CROSSCOMPILING_EMULATOR="$root/windows/wine-run.sh" >/dev/null
cmake --build build-windows --parallel "$jobs"
echo "Scortex for Windows built ($(( $(date +%s) - start )) s)"

bash windows/package.sh "$qt" build-windows
