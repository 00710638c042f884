#!/usr/bin/env bash
# The Windows scortex-cli against the Linux one on the same archives: every
# command's output, error text and exit status byte for byte. Then an
# archive written by the Windows program is compared with the same change
# made by the Linux one, and each build reads the other's file.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
linux="$root/build/tools/scortex-cli"
[ -x "$linux" ] || linux="$root/build/bin/scortex-cli"
win="$root/build-windows/bin/scortex-cli.exe"
run_win() { "$root/windows/wine-run.sh" "$win" "$@"; }

work="$(mktemp -d /tmp/scortex-cli-XXXXXX)"
trap 'rm -rf "$work"' EXIT
chmod 777 "$work"
"$root/build/bench/makearchives" "$work" 3000 2024
cp "$root/tests/data/2024.odc" "$work/2023.odc"
chmod 666 "$work"/*
cd "$work"

compared=0
failed=0
compare() {
  local name="$1"; shift
  local lo le lc wo we wc
  set +e
  "$linux" "$@" >"$work/l.out" 2>"$work/l.err"; lc=$?
  run_win "$@" >"$work/w.out" 2>"$work/w.err"; wc=$?
  set -e
  compared=$((compared + 1))
  if [ "$lc" != "$wc" ] || ! cmp -s "$work/l.out" "$work/w.out" || ! cmp -s "$work/l.err" "$work/w.err"; then
    failed=$((failed + 1))
    echo "DIFFERS: $name (exit $lc / $wc)"
    cmp "$work/l.out" "$work/w.out" || true
    diff <(head -c 2000 "$work/l.err") <(head -c 2000 "$work/w.err") | head -10 || true
  fi
}

for f in Fornitori.pro Magazzino.pro 2024.odc 2023.odc; do
  compare "dump $f" dump "$f"
  compare "check $f" check "$f"
done
compare "find Ditta" find Fornitori.pro Ditta=rossi
compare "find two fields" find Fornitori.pro Ditta=srl Note=a
compare "find all suppliers" find Fornitori.pro
compare "find Descrizione" find Magazzino.pro Descrizione=inox
compare "find receipts" find 2024.odc Codice=1
compare "list ricontatta" find Fornitori.pro --list ricontatta
compare "list sottoscorta" find Magazzino.pro --list sottoscorta
compare "list sospese" find 2024.odc --list sospese
compare "find unknown field" find Fornitori.pro Nessuno=1
for v in "codfisc RSSMRA80A01H501U" "codfisc RSSMRA80A01H501X" "piva 01234567890" "piva 12345678903" \
         "carta 4111111111111111" "carta 4111111111111112" "iban IT60X0542811101000000123456" "iban IT60X0542811101000000123457"; do
  # shellcheck disable=SC2086
  compare "validate $v" validate $v
done
compare "inventory" inventory Magazzino.pro
compare "inventory vit" inventory Magazzino.pro --tipologia vit
compare "summary March" summary 2024.odc --from 01/03 --to 31/03
compare "summary year, one code" summary 2024.odc --from 01/01 --to 31/12 --codice 12
compare "summary bad period" summary 2024.odc --from 31/02 --to 01/03
cp "$root"/tests/data/invoices/*.xml "$root"/tests/data/invoices/*.p7m "$root"/tests/data/invoices/period.zip "$work/"
chmod 666 "$work"/*.xml "$work"/*.p7m "$work"/period.zip
compare "fattura, every envelope" fattura IT01234567890_FPR01.xml IT01234567890_FPR01.xml.p7m \
  IT01234567890_FPR01_BER.xml.p7m IT01234567890_FPR01_B64.xml.p7m IT09876543210_FPR02.xml
compare "fattura, encodings" fattura enc_utf8_bom.xml enc_latin1.xml enc_cp1252.xml enc_nodecl.xml
compare "fattura, zip, damaged, simplified, DOCTYPE" fattura period.zip damaged.xml.p7m IT44444444444_FSM01.xml doctype.xml
compare "no such archive" dump Manca.pro
compare "usage" frobnicate

for f in Fornitori.pro Magazzino.pro 2024.odc; do
  set +e
  "$linux" export "$f" "$work/linux.xls" >/dev/null 2>&1; lc=$?
  run_win export "$f" windows.xls >/dev/null 2>&1; wc=$?
  set -e
  compared=$((compared + 1))
  if [ "$lc" != 0 ] || [ "$wc" != 0 ] || ! cmp -s "$work/linux.xls" "$work/windows.xls"; then
    failed=$((failed + 1)); echo "DIFFERS: export $f (exit $lc / $wc)"
  fi
done

# The same stock import made by each build's program on its own copy.
cp Magazzino.pro linux.pro; cp Magazzino.pro windows.pro; chmod 666 linux.pro windows.pro
echo go | "$root/build/tests/sharedworker" import linux.pro 7 2,5 3 >/dev/null
echo go | "$root/windows/wine-run.sh" "$root/build-windows/tests/sharedworker.exe" import windows.pro 7 2,5 3 >/dev/null
compared=$((compared + 1))
if cmp -s Magazzino.pro windows.pro || ! cmp -s linux.pro windows.pro; then
  failed=$((failed + 1)); echo "DIFFERS: the archive saved by the Windows program"
fi
"$linux" dump windows.pro --kind magazzino >cross-l.csv
run_win dump linux.pro --kind magazzino >cross-w.csv
compared=$((compared + 1))
if ! cmp -s cross-l.csv cross-w.csv; then
  failed=$((failed + 1)); echo "DIFFERS: each build reading the other's archive"
fi

echo "scortex-cli Linux / Windows: $((compared - failed)) passed, $failed failed"
[ "$failed" = 0 ]
