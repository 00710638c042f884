#!/usr/bin/env bash
# make test-windows: the whole QtTest suite of the Windows build under Wine,
# headless, as an unprivileged user with a Wine prefix of its own; then the
# Windows scortex-cli against the Linux one, byte for byte, and the zip's
# program folder.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
jobs="${JOBS:-2}"
user=scortex-wine

start=$(date +%s)
# A Wine prefix of the suite's own, and its user.
bash windows/wine-prefix.sh
echo "Wine prefix ready ($(( $(date +%s) - start )) s)"

if [ "$(id -u)" = 0 ]; then
  # The suite reads the build and the sources, and nothing else of root's: a
  # closed folder above the clone lets that user pass through, no more.
  if ! runuser -u "$user" -- test -r "$root/build-windows/tests/qt.conf"; then
    dir="$root"
    while [ "$dir" != / ]; do
      dir="$(dirname "$dir")"
      runuser -u "$user" -- test -x "$dir" || setfacl -m "u:$user:x" "$dir"
    done
  fi
  if ! runuser -u "$user" -- test -r "$root/build-windows/tests/qt.conf"; then
    echo "test-windows: $user cannot read $root/build-windows" >&2
    exit 2
  fi
fi

# A folder shared over the network, as Wine maps UNC names: \\server\Scortex.
home="$(getent passwd "$user" | cut -d: -f6 || true)"
prefix="${home:+$home/prefix}"
prefix="${prefix:-${WINEPREFIX:-$HOME/.wine-scortex}}"
share="$prefix/../share"
mkdir -p "$share" "$prefix/dosdevices/unc/server"
ln -sfn "$(cd "$share" && pwd)" "$prefix/dosdevices/unc/server/Scortex"
if [ "$(id -u)" = 0 ]; then chown -R "$user" "$share" "$prefix/dosdevices/unc"; fi
export SCORTEX_UNC_FOLDER='\\server\Scortex'
# A folder the suite's user may not write to, as a read-only share is.
readonly_folder="$prefix/../readonly"
mkdir -p "$readonly_folder"
chmod 755 "$readonly_folder"
if [ "$(id -u)" != 0 ]; then chmod 555 "$readonly_folder"; fi
export SCORTEX_READONLY_FOLDER="Z:$(cd "$readonly_folder" && pwd | sed 's|/|\\|g')"

start=$(date +%s)
ctest --test-dir build-windows -j "$jobs" --output-on-failure --timeout 900 --no-tests=error
echo "Windows suite under Wine: $(( $(date +%s) - start )) s"

bash windows/compare-cli.sh
bash windows/check-package.sh build-windows
