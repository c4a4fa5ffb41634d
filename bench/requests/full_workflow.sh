#!/usr/bin/env bash
# The full sample workflow (read, annotate, the five script elements, the TATA element, both
# reports, the annotated VCF) end to end on demo data with N random variations (default
# 100,000): wall time, peak memory, and for each element its requests, their time and rate, and
# failures (from the log).
# Usage: bench/requests/full_workflow.sh [BUILD_DIR] [WORK_DIR] [N]
set -euo pipefail
source "$(dirname "$0")/../common/demo_data.sh"
build=$(cd "${1:-build}" && pwd)
work=${2:-$(mktemp -d)}
n=${3:-100000}
root=$(cd "$(dirname "$0")/../.." && pwd)
bin="$build/bin"
dir="$work/demo_$n"
make_demo "$bin" "$dir" "$n"
export NX_SNP_RSID_TABLE="$dir/rsids.bed" NX_CHIP_PEAK_DIR="$dir/chip_peaks"
args=(--workflow="$root/data/workflows/full_demo.json" --set "read.url-in=$dir/variants.vcf")
for e in annotate rsnp stability1d stability3d pdbsite tata report vcf; do
  args+=(--set "$e.db_path=$dir/reference.s3db")
done
args+=(--set "report.report_path=$dir/full_in_gene.tsv" --set "report.regulatory_report_path=$dir/full_regulatory.tsv"
      --set "vcf.url-out=$dir/full_annotated.vcf.gz")
start=$(date +%s.%N)
status=0
/usr/bin/time -f '%M' -o "$dir/full.mem" "$bin/resource_probe" "${args[@]}" >/dev/null 2>"$dir/full.log" || status=$?
end=$(date +%s.%N)
printf 'records %d, exit code %d, wall %.1f s, peak %.1f MB\n' "$(grep -vc '^#' "$dir/variants.vcf")" "$status" \
  "$(echo "$end - $start" | bc)" "$(echo "$(tail -n 1 "$dir/full.mem") / 1024" | bc -l)"
printf '%-14s %9s %9s %9s %7s\n' element requests seconds "req/s" failed
# "<element>: <r> requests for the <v> variations of <chr> in <s> s, <f> failed", one line per track.
sed -n 's/^.*info: \([^:]*\): \([0-9]*\) requests for the [0-9]* variations of [^ ]* in \([0-9.]*\) s, \([0-9]*\) failed$/\1 \2 \3 \4/p' \
  "$dir/full.log" | awk '{r[$1] += $2; s[$1] += $3; f[$1] += $4; if (!($1 in o)) { o[$1] = ++k; n[k] = $1 } }
    END { for (i = 1; i <= k; i++) { e = n[i]; printf "%-14s %9d %9.1f %9.1f %7d\n", e, r[e], s[e], (s[e] > 0 ? r[e] / s[e] : 0), f[e] } }'
