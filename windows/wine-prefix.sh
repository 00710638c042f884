#!/usr/bin/env bash
# The Wine prefix of the Windows suite, made once: booted, and with the
# fonts the screens name (Arial, Courier New, Verdana, Tahoma, Wine's own
# dialog font) taken from the same Liberation and DejaVu faces that Linux
# uses for them, so the windows platform draws as a PC with those fonts does.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
user=scortex-wine
if [ "$(id -u)" = 0 ] && ! getent passwd "$user" >/dev/null; then
  useradd --system --create-home --home-dir /var/lib/$user --shell /usr/sbin/nologin "$user"
fi
"$here/wine-run.sh" wineboot --init >/dev/null 2>&1 || true
key='HKCU\Software\Wine\Fonts\Replacements'
for pair in "Arial=Liberation Sans" "Courier New=Liberation Mono" "Times New Roman=Liberation Serif" \
            "Verdana=DejaVu Sans" "Tahoma=DejaVu Sans" "MS Shell Dlg=DejaVu Sans" "MS Shell Dlg 2=DejaVu Sans" \
            "Segoe UI=DejaVu Sans" "MS Sans Serif=DejaVu Sans"; do
  "$here/wine-run.sh" reg add "$key" /v "${pair%%=*}" /d "${pair#*=}" /f >/dev/null 2>&1
done
