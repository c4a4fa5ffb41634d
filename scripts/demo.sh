#!/usr/bin/env bash
# The demo on a fresh machine: installs what is missing, builds, generates the demo genome and
# variations from a fixed seed, builds their reference database, runs the annotation workflow
# (read -> annotate -> report) and says where the two reports are and how many rows each has.
#
#   scripts/demo.sh [OUTPUT_FOLDER]     (default: demo/ in the repository)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
out=${1:-demo}
mkdir -p "$out"
out=$(cd "$out" && pwd)

bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"

echo "demo: generating demo data in $out" >&2
build/bin/nolix-demo-data --out-dir "$out"
echo "demo: building the reference database" >&2
build/bin/nolix-refdb --out "$out/reference.s3db" --fasta "$out/genome.fa" --genes "$out/genes.gff3" \
    --known-mutations "$out/known_mutations.vcf" --matrices "$out/matrices.tsv" \
    --gene-info "$out/gene_info.tsv" --segmental-duplications "$out/sd.bed" \
    --conserved-regions "$out/cr.bed" --chosen-transcripts "$out/chosen_transcripts.tsv"

in_gene="$out/in_gene_report.tsv"
regulatory="$out/regulatory_report.tsv"
rm -f "$in_gene" "$regulatory"
echo "demo: running data/workflows/annotate_demo.json" >&2
build/bin/resource_probe --workflow="$root/data/workflows/annotate_demo.json" \
    --set "read.url-in=$out/variants.vcf" \
    --set "annotate.db_path=$out/reference.s3db" \
    --set "report.db_path=$out/reference.s3db" \
    --set "report.report_path=$in_gene" \
    --set "report.regulatory_report_path=$regulatory"

rows() { if [ -s "$1" ]; then echo $(( $(wc -l < "$1") - 1 )); else echo 0; fi; }
echo
echo "In-gene report:    $in_gene ($(rows "$in_gene") rows)"
echo "Regulatory report: $regulatory ($(rows "$regulatory") rows)"
echo "Transcript kept for each gene: $out/chosen_transcripts.tsv"

# The summary page beside the reports. The run began once the reference database was written
# and ended with the last report written, so the files' times give when and how long.
last_report=$(ls -t "$in_gene" "$regulatory" 2>/dev/null | head -n1)
started=$(date -r "$out/reference.s3db" -Iseconds)
duration=$(awk -v a="$(date -r "$out/reference.s3db" +%s.%N)" -v b="$(date -r "$last_report" +%s.%N)" \
    'BEGIN { d = b - a; printf "%.3f", d < 0 ? 0 : d }')
summary="$out/summary.html"
build/bin/nolix-report-summary --in-gene "$in_gene" --regulatory "$regulatory" --out "$summary" \
    --input "$out/variants.vcf" --reference "$out/reference.s3db" \
    --started "$started" --duration "$duration" \
    --workflow "$root/data/workflows/annotate_demo.json" \
    --set "read.url-in=$out/variants.vcf" \
    --set "annotate.db_path=$out/reference.s3db" \
    --set "report.db_path=$out/reference.s3db" \
    --set "report.report_path=$in_gene" \
    --set "report.regulatory_report_path=$regulatory" >/dev/null
echo "Summary page:      $summary"
