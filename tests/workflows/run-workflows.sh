#!/bin/sh
# Runs the Snakemake wrapper and the CWL tool description in packaging/workflows/ with Debian's
# snakemake and cwltool on 20 generated scans (two jobs at a time), and checks that each writes
# the channel files a plain quillane-split writes, byte for byte, and a report of 20 splits.
#   tests/workflows/run-workflows.sh <quillane-split> <quillane_make_scan> <work folder>
set -eu
program=$(realpath "$1")
make_scan=$(realpath "$2")
work=$3
here=$(cd "$(dirname "$0")/../.." && pwd)
fail() { echo "run-workflows: $*" >&2; exit 1; }
for engine in snakemake cwltool jq; do
    command -v "$engine" >/dev/null || fail "$engine is not installed (scripts/setup installs it)"
done
rm -rf "$work"
mkdir -p "$work/scans" "$work/plain" "$work/snakemake" "$work/cwl"
work=$(realpath "$work")
export PATH="$(dirname "$program"):$PATH"

# Twenty scans of different sizes, so that no two are alike.
for i in $(seq 1 20); do "$make_scan" $((20 + i)) $((10 + 2 * i)) "$work/scans/slide$i.tif" --spots; done
quillane-split --quiet --out "$work/plain" "$work/scans"/*.tif >/dev/null

# Snakemake: one job per scan, the wrapper from this checkout.
cp -r "$work/scans" "$work/snakemake/scans"
snakemake --cores 2 --quiet --snakefile "$here/packaging/workflows/snakemake/quillane/split/test/Snakefile" \
    --directory "$work/snakemake" --config wrapper="file:$here/packaging/workflows/snakemake/quillane/split" \
    >"$work/snakemake.log" 2>&1 || fail "snakemake failed; see $work/snakemake.log"

# cwltool: the scans as one array, without a container.
{
    echo "scans:"
    for scan in "$work/scans"/*.tif; do echo "  - {class: File, path: $scan}"; done
} >"$work/cwl-job.yaml"
cwltool --quiet --no-container --preserve-environment PATH --outdir "$work/cwl" \
    "$here/packaging/workflows/cwl/quillane-split.cwl" "$work/cwl-job.yaml" \
    >"$work/cwl-outputs.json" 2>"$work/cwltool.log" || fail "cwltool failed; see $work/cwltool.log"

for engine in snakemake/channels cwl; do
    [ "$(ls "$work/$engine" | grep -c '^\(Red\|Green\)')" -eq 40 ] || fail "$engine did not write 40 channel files"
    for file in "$work/plain"/*; do
        cmp -s "$file" "$work/$engine/$(basename "$file")" || fail "$engine/$(basename "$file") differs from a plain split"
    done
done
for report in "$work/snakemake/report.jsonl" "$work/cwl/report.jsonl"; do
    [ "$(jq -s '[.[] | select(.status == "split")] | length' "$report")" -eq 20 ] || fail "$report does not report 20 splits"
done
echo "run-workflows: snakemake and cwltool split 20 scans as quillane-split does"
