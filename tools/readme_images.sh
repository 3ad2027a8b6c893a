#!/usr/bin/env bash
# Makes the pictures of the README from the sample estimate and address:
# docs/estimate-page1.png (first page of the estimate's preview) and
# docs/envelope.png, printed by cmdtool on a fresh copy of the sample
# installation.
#   tools/readme_images.sh [CMDTOOL]     (default: build/release/cmdtool)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
tool=${1:-"$root/build/release/cmdtool"}
work=$(mktemp -d /tmp/cmddll3-images-XXXXXX)
trap 'rm -rf "$work"' EXIT
cp -r "$root/examples/install" "$work/install"
mkdir -p "$root/docs"
"$tool" --root "$work/install" print estimate "$root/examples/estimates/aoba-clinic.json" \
  -o "$work/estimate.pdf" --png "$work/estimate" >/dev/null
"$tool" --root "$work/install" print envelope --to "$root/examples/estimates/address-aoba.json" \
  -o "$work/envelope.pdf" --png "$work/envelope" >/dev/null
cp "$work/estimate-1.png" "$root/docs/estimate-page1.png"
cp "$work/envelope-1.png" "$root/docs/envelope.png"
echo "wrote docs/estimate-page1.png and docs/envelope.png"
