#!/usr/bin/env bash
# The demo tour: cmdtool on a fresh copy of the sample installation.
#   tools/demo.sh BUILD_FOLDER
set -euo pipefail
build=$1; shift || true
root=$(cd "$(dirname "$0")/.." && pwd)
tool="$build/cmdtool"
work=$(mktemp -d /tmp/cmddll3-demo-XXXXXX)
trap 'rm -rf "$work"' EXIT
cp -r "$root/examples/install" "$work/install"
inst="$work/install"
master="$inst/MASTER/電気"

if [ -t 1 ]; then bold=$'\033[1m' plain=$'\033[0m'; else bold="" plain=""; fi
section() { printf '\n%s== %s%s\n' "$bold" "$*" "$plain"; }
show() {
  local shown="" a
  for a in "$@"; do
    case "$a" in *" "*) shown+=" \"$a\"" ;; *) shown+=" $a" ;; esac
  done
  printf '\n$ cmdtool%s\n' "$shown"
  "$tool" --root "$inst" "$@" || printf '(exit status %d)\n' "$?"
}
fingerprint() { (cd "$master" && sha256sum zai*.mst); }

echo "Sample installation copied to $inst"

section "Where the library finds things"
show paths

section "The electrical catalogue, level by level"
show master list 電気
show master list 電気 1
show master list 電気 1 3

section "A setting, changed through its setter and read back"
show settings get GetBaikaRituIni
show settings set SetBaikaRituIni 80
show settings get GetBaikaRituIni
show settings set SetBaikaRituIni ten

section "Display texts"
show format money 1234567 98000.50
show format number -d 2 1234.5 12 0.25
show format date 2024/05/03 0000/00/00

section "Export and re-import of the whole catalogue"
before=$(fingerprint)
show master export 電気 --format json -o "$work/denki.json"
head -c 420 "$work/denki.json"; echo " ..."
show master import 電気 "$work/denki.json"
show master export 電気 --format csv -o "$work/denki.csv"
show master import 電気 "$work/denki.csv"
if [ "$before" = "$(fingerprint)" ]; then
  echo "The $(echo "$before" | wc -l) catalogue files of MASTER/電気 are byte-identical after both round trips."
else
  echo "The catalogue files changed:"; diff <(echo "$before") <(fingerprint) || true
  exit 1
fi

section "A bad catalogue is refused before anything is written"
sed 's/^3,1,1,1,IV 1.6mm,\(.*\),m,28,/3,1,1,1,IV 1.6mm,\1,m,28.5,/' "$work/denki.csv" > "$work/bad.csv"
show master import 電気 "$work/bad.csv"
[ "$before" = "$(fingerprint)" ] && echo "The master files are untouched."

section "CAD and digitizer-panel tables"
show tables build 電気
show tables build 電気 --if-stale

section "An input history"
show history show 1
show history add 1 "青葉クリニック 増築電気設備工事"

section "Printed forms: an estimate sheet and an envelope"
estimates="$root/examples/estimates"
out="$root/build/release/printed"
mkdir -p "$out"
show print estimate "$estimates/sakura-school.json" -o "$out/sakura-school.pdf" --png "$out/sakura-school"
show print envelope --to "$estimates/address-aoba.json" -o "$out/envelope.pdf" --png "$out/envelope"
echo
echo "The estimate and the envelope are in $out:"
ls -1 "$out" | sed 's/^/  /'
