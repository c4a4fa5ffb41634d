#!/usr/bin/env bash
# The demo's run on programs already built: generates the demo genome and variations from a fixed
# seed, builds their reference database, runs the full sample workflow (read -> annotate -> the
# five analysis elements -> TATA boxes -> both reports and the annotated VCF) and writes the
# summary page beside the reports. Each step is announced with the time since the start.
#
#   scripts/run_demo_workflow.sh BIN_DIR OUTPUT_FOLDER
set -euo pipefail
if [ $# -ne 2 ]; then
  echo "usage: $0 BIN_DIR OUTPUT_FOLDER" >&2
  exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)

# Times count from NX_DEMO_STARTED (seconds since the epoch; demo.sh passes its own start).
started_at=${NX_DEMO_STARTED:-$(date +%s)}
step_at=$(date +%s)
elapsed() {
  local s=$(( $(date +%s) - started_at ))
  printf '%d:%02d' $(( s / 60 )) $(( s % 60 ))
}
step() {
  echo "demo [$(elapsed)]: $*" >&2
  step_at=$(date +%s)
}
done_step() { echo "demo [$(elapsed)]:   done in $(( $(date +%s) - step_at )) s" >&2; }

step "generating the demo genome and variations in $out"
"$bin/nolix-demo-data" --out-dir "$out"
done_step

step "building the reference database $out/reference.s3db"
rm -f "$out/reference.s3db"
"$bin/nolix-refdb" --out "$out/reference.s3db" --fasta "$out/genome.fa" --genes "$out/genes.gff3" \
    --known-mutations "$out/known_mutations.vcf" --matrices "$out/matrices.tsv" \
    --gene-info "$out/gene_info.tsv" --segmental-duplications "$out/sd.bed" \
    --conserved-regions "$out/cr.bed" --chosen-transcripts "$out/chosen_transcripts.tsv"
done_step

# The ChIP element's tables are the demo's own; the scripts' other data ship with them.
export NX_SNP_RSID_TABLE="$out/rsids.bed"
export NX_CHIP_PEAK_DIR="$out/chip_peaks"

workflow="$root/data/workflows/full_demo.json"
in_gene="$out/in_gene_report.tsv"
regulatory="$out/regulatory_report.tsv"
annotated="$out/annotated.vcf.gz"
rm -f "$in_gene" "$regulatory"
ref="$out/reference.s3db"
settings=(--set "read.url-in=$out/variants.vcf")
for element in annotate rsnp stability1d stability3d pdbsite tata report vcf; do
  settings+=(--set "$element.db_path=$ref")
done
settings+=(--set "report.report_path=$in_gene" --set "report.regulatory_report_path=$regulatory")
settings+=(--set "vcf.url-out=$annotated")

step "running $workflow (read, annotate, rSNP-tools, protein stability 1D and 3D, SNP-to-PDB site, ChIP peaks, TATA boxes, reports, annotated VCF)"
run_started=$(date -Iseconds)
run_began=$(date +%s.%N)
# Exit code 3: the run completed but some per-variation requests failed (listed beside the
# in-gene report); the reports and the page are still worth writing.
status=0
"$bin/resource_probe" --workflow="$workflow" "${settings[@]}" || status=$?
run_ended=$(date +%s.%N)
[ "$status" -eq 0 ] || [ "$status" -eq 3 ] || exit "$status"
done_step
failures="${in_gene%.tsv}.failed_requests.tsv"
failure_args=()
[ -f "$failures" ] && failure_args=(--failed-requests "$failures")

step "writing the summary page"
summary="$out/summary.html"
duration=$(awk -v a="$run_began" -v b="$run_ended" 'BEGIN { d = b - a; printf "%.3f", d < 0 ? 0 : d }')
"$bin/nolix-report-summary" --in-gene "$in_gene" --regulatory "$regulatory" --out "$summary" \
    --input "$out/variants.vcf" --reference "$ref" --started "$run_started" --duration "$duration" \
    --workflow "$workflow" "${settings[@]}" "${failure_args[@]}" >/dev/null
done_step

rows() { if [ -s "$1" ]; then echo $(( $(wc -l < "$1") - 1 )); else echo 0; fi; }
echo
echo "In-gene report:    $in_gene ($(rows "$in_gene") rows)"
echo "Regulatory report: $regulatory ($(rows "$regulatory") rows)"
echo "Annotated VCF:     $annotated (index $annotated.tbi)"
echo "Summary page:      $summary"
[ -f "$failures" ] && echo "Failed requests:   $failures ($(head -n1 "$failures" | sed 's/^## //'))"
[ "$status" -eq 0 ] || exit "$status"
