#!/usr/bin/env bash
# Builds Qt's base module for Windows x86-64 from Debian's own source package,
# with Debian's Qt as the host, once: the result is kept in a cache folder
# outside the clone, keyed by the Qt version and the options, and reused.
# Prints the folder of the Windows Qt on its last line.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
jobs="${JOBS:-2}"
cache="${SCORTEX_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/scortex}"

version="$(dpkg-query -W -f='${Version}' qt6-base-dev)"
options=(
  -G Ninja
  -DCMAKE_BUILD_TYPE=Release
  -DQT_HOST_PATH=/usr
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
  -DBUILD_WITH_PCH=OFF
  -DFEATURE_pkg_config=OFF
  -DFEATURE_tabletevent=OFF
  -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF
  # dynamicgl must go with opengl, or the windows platform plugin does not build.
  -DFEATURE_opengl=OFF -DFEATURE_dynamicgl=OFF -DFEATURE_vulkan=OFF -DFEATURE_concurrent=OFF
  -DFEATURE_xml=OFF -DFEATURE_icu=OFF -DFEATURE_zstd=OFF
  -DFEATURE_openssl=OFF -DINPUT_openssl=no
  -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF
  -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF
  -DFEATURE_system_pcre2=OFF -DFEATURE_system_doubleconversion=OFF
  -DFEATURE_system_md4c=OFF
  -DFEATURE_freetype=ON
)
key="$(printf '%s\n' "$version" "${options[@]}" | cat - "$here/toolchain-mingw64.cmake" "$0" | sha256sum | cut -c1-12)"
prefix="$cache/qt-windows-${version%%+*}-$key"
# --prefix: where this Qt is (or will be), without building it.
if [ "${1:-}" = --prefix ]; then
  echo "$prefix"
  exit 0
fi

if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi

work="$cache/work-$key"
rm -rf "$work" "$prefix"
mkdir -p "$work" "$prefix"
# The toolchain is kept beside the Qt it built: Qt's own toolchain file
# chain-loads it by its absolute path.
cp "$here/toolchain-mingw64.cmake" "$prefix/toolchain-mingw64.cmake"

cd "$work"
# Debian's source package, through a temporary deb-src entry copied from the
# machine's own Debian entry.
if ! ls qt6-base_*.dsc >/dev/null 2>&1; then
  list=/etc/apt/sources.list.d/scortex-qt-src.sources
  src=/etc/apt/sources.list.d/debian.sources
  sudo=""; [ "$(id -u)" = 0 ] || sudo=sudo
  trap '$sudo rm -f "$list"; $sudo apt-get update -qq || true' EXIT
  if [ -f "$src" ]; then
    sed 's/^Types:.*/Types: deb-src/' "$src" | $sudo tee "$list" >/dev/null
  else
    grep -h '^deb ' /etc/apt/sources.list | grep -v security | sed 's/^deb /deb-src /' \
      | $sudo tee "${list%.sources}.list" >/dev/null
    list="${list%.sources}.list"
  fi
  $sudo apt-get update -qq
  apt-get source -qq --download-only "qt6-base=$version"
  $sudo rm -f "$list"; $sudo apt-get update -qq || true
  trap - EXIT
fi
dpkg-source -x qt6-base_*.dsc src >/dev/null

mkdir build
cd build
cmake ../src "${options[@]}" \
  -DCMAKE_TOOLCHAIN_FILE="$prefix/toolchain-mingw64.cmake" \
  -DCMAKE_INSTALL_PREFIX="$prefix" >"$work/configure.log" 2>&1 \
  || { tail -40 "$work/configure.log"; exit 1; }
cmake --build . --parallel "$jobs" >"$work/build.log" 2>&1 \
  || { tail -60 "$work/build.log"; exit 1; }
cmake --install . >"$work/install.log" 2>&1 \
  || { tail -40 "$work/install.log"; exit 1; }
touch "$prefix/.complete"
cd "$cache"
rm -rf "$work"
echo "$prefix"
