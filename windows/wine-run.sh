#!/usr/bin/env bash
# Runs a Windows program of the Windows build under Wine: headless with the
# offscreen platform, and, when started as root, as the unprivileged user of
# the Windows suite (Wine run as root writes to read-only files).
#   windows/wine-run.sh PROGRAM.exe [ARGUMENTS...]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
bin="${SCORTEX_WINDOWS_BIN:-$here/../build-windows/bin}"
bin="$(cd "$bin" 2>/dev/null && pwd || echo "$bin")"
user=scortex-wine
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine="$(command -v wine64 || command -v wine)"

# Host QT_* variables never reach a Windows program; Wine hands on those
# that start with WINE, without the prefix.
vars=(
  WINEDEBUG=-all
  WINEDLLOVERRIDES='mscoree,mshtml,winemenubuilder.exe='
  WINEPATH="Z:${bin//\//\\}"
  WINEQT_QPA_PLATFORM="${SCORTEX_WINE_PLATFORM:-offscreen}"
  WINEQT_FORCE_STDERR_LOGGING=1
  'WINEQT_QPA_FONTDIR=Z:\usr\share\fonts\truetype\liberation2'
  LANG=C.UTF-8
)
while IFS='=' read -r name _; do
  vars+=("$name=${!name}")
done < <(env | grep -E '^SCORTEX_[A-Z_]*=' | grep -v '^SCORTEX_WINDOWS_BIN=' || true)
[ -n "${DISPLAY:-}" ] && vars+=(DISPLAY="$DISPLAY")
[ -n "${XAUTHORITY:-}" ] && vars+=(XAUTHORITY="$XAUTHORITY")

# --kill ends every program of the suite's Wine prefix.
command=("$wine" "$@")
if [ "${1:-}" = --kill ]; then
  command=("$(dirname "$wine")/wineserver" -k)
fi
if [ "$(id -u)" = 0 ]; then
  home="$(getent passwd "$user" | cut -d: -f6)"
  [ -n "$home" ] || { echo "wine-run: manca l'utente $user (windows/test.sh lo crea)" >&2; exit 2; }
  exec runuser -u "$user" -- env -i PATH=/usr/bin:/bin HOME="$home" WINEPREFIX="$home/prefix" "${vars[@]}" "${command[@]}"
else
  exec env WINEPREFIX="${WINEPREFIX:-$HOME/.wine-scortex}" "${vars[@]}" "${command[@]}"
fi
