#!/usr/bin/env bash
# The screens of the Windows build drawn by Qt's windows platform, under Wine
# on a virtual X display, into build-windows/gallery, to lay beside the
# Linux pictures of make gallery.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
out="$root/build-windows/gallery"
bash windows/wine-prefix.sh
work="$(mktemp -d /tmp/scortex-gallery-XXXXXX)"
chmod 777 "$work"
disp=":$(( 90 + RANDOM % 400 ))"
# No access control: the suite's unprivileged user draws on it too.
Xvfb "$disp" -screen 0 1280x1024x24 -nolisten tcp -ac >/dev/null 2>&1 &
xpid=$!
trap 'kill $xpid 2>/dev/null || true; rm -rf "$work"' EXIT
sleep 1
DISPLAY="$disp" SCORTEX_WINE_PLATFORM=windows "$root/windows/wine-run.sh" \
  "$root/build-windows/tools/scortex-gallery.exe" "Z:${work//\//\\}" | tail -3

mkdir -p "$out"
cp "$work"/*.png "$out/"
echo "$(ls "$out" | wc -l) pictures in $out"
