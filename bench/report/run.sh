#!/usr/bin/env bash
# The whole chain (VCF import, annotation, both reports) against bcftools csq (writing bgzipped
# VCF) and SnpEff; and the chain that also writes the annotated VCF (bgzipped and indexed), with
# what that adds (its database built from the same FASTA and GFF3), side by side on the same
# files, on two genomes: the demo genome and one of human-like gene density (2 x 1000 coding
# genes, about 60 Mb). Then the report step alone (nolix-bench-report).
# The three run in turn, RUNS rounds (default 3): the machine's speed drifts, so each round's
# figures are printed, then the median of each and the ratios of the medians.
#
# Usage: bench/report/run.sh [BUILD_DIR] [WORK_DIR] [VARIATIONS] [RUNS]   (default 1000000 variations)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
work=${2:-$(mktemp -d)}
n=${3:-1000000}
runs=${4:-3}
mkdir -p "$work"
work=$(cd "$work" && pwd)
bin="$build/bin"

for tool in bcftools snpEff /usr/bin/time; do
  if ! command -v "$tool" >/dev/null; then
    echo "run.sh: $tool is missing (apt-get install bcftools snpeff time)" >&2
    exit 2
  fi
done

# measure NAME COMMAND...: runs the command, prints "NAME seconds peak-MB", appends the figures
# to the round lists of NAME.
declare -A secs mem
measure() {
  local name=$1
  shift
  /usr/bin/time -f "%e %M" -o "$work/time.txt" "$@" >/dev/null 2>"$work/$name.log" || {
    echo "run.sh: $name failed, see $work/$name.log" >&2
    exit 1
  }
  read -r s kb < "$work/time.txt"
  secs[$name]="${secs[$name]:-} $s"
  mem[$name]="${mem[$name]:-} $(( kb / 1024 ))"
  printf '  %-10s %8.2f s %7d MB\n' "$name" "$s" "$(( kb / 1024 ))"
}

# median VALUES...: the middle value (the mean of the two middle ones for an even count).
median() {
  printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'
}

run_genome() {
  local label=$1
  shift
  local dir="$work/$label"
  mkdir -p "$dir"
  "$bin/nolix-demo-data" --out-dir "$dir" --seed 1 --variants "$n" "$@" >/dev/null
  "$bin/nolix-refdb" --out "$dir/reference.s3db" --fasta "$dir/genome.fa" --genes "$dir/genes.gff3" \
    --known-mutations "$dir/known_mutations.vcf" --matrices "$dir/matrices.tsv" \
    --gene-info "$dir/gene_info.tsv" --segmental-duplications "$dir/sd.bed" \
    --conserved-regions "$dir/cr.bed" 2>/dev/null
  # SnpEff's database from the same files (not timed).
  local se="$dir/snpeff"
  mkdir -p "$se/data/demo"
  cp "$dir/genome.fa" "$se/data/demo/sequences.fa"
  cp "$dir/genes.gff3" "$se/data/demo/genes.gff"
  printf 'data.dir = %s/data/\ndemo.genome : demo\n' "$se" > "$se/snpEff.config"
  snpEff build -gff3 -noCheckCds -noCheckProtein -c "$se/snpEff.config" demo > "$se/build.log" 2>&1

  echo "== $label: $(grep -vc '^#' "$dir/variants.vcf") VCF records, $(grep -c $'\tmRNA\t\|\tlnc_RNA\t' "$dir/genes.gff3") transcripts, $(grep -v "^>" "$dir/genome.fa" | tr -d "\n" | wc -c | awk "{ printf \"%.1f\", \$1 / 1e6 }") Mb"
  secs=()
  mem=()
  for ((round = 1; round <= runs; round++)); do
    echo "  round $round"
    rm -f "$dir/in_gene.tsv" "$dir/regulatory.tsv" "$dir/annotated.vcf.gz" "$dir/annotated.vcf.gz.tbi"
    measure nolix "$bin/resource_probe" --workflow="$root/data/workflows/annotate_demo.json" \
      --set "read.url-in=$dir/variants.vcf" --set "annotate.db_path=$dir/reference.s3db" \
      --set "report.db_path=$dir/reference.s3db" --set "report.report_path=$dir/in_gene.tsv" \
      --set "report.regulatory_report_path=$dir/regulatory.tsv"
    measure nolix_vcf "$bin/resource_probe" --workflow="$root/data/workflows/annotate_vcf_demo.json" \
      --set "read.url-in=$dir/variants.vcf" --set "annotate.db_path=$dir/reference.s3db" \
      --set "report.db_path=$dir/reference.s3db" --set "report.report_path=$dir/in_gene_vcf.tsv" \
      --set "report.regulatory_report_path=$dir/regulatory_vcf.tsv" --set "vcf.db_path=$dir/reference.s3db" \
      --set "vcf.url-out=$dir/annotated.vcf.gz"
    measure bcftools bcftools csq -f "$dir/genome.fa" -g "$dir/genes.gff3" -Oz -o "$dir/csq.vcf.gz" "$dir/variants.vcf"
    measure snpeff snpEff ann -noStats -c "$se/snpEff.config" demo "$dir/variants.vcf"
  done
  local a b c
  a=$(median ${secs[nolix]})
  b=$(median ${secs[bcftools]})
  c=$(median ${secs[snpeff]})
  local v
  v=$(median ${secs[nolix_vcf]})
  echo "  median of $runs rounds: nolix $a s, nolix with the annotated VCF $v s, bcftools $b s, snpeff $c s"
  awk -v a="$a" -v v="$v" 'BEGIN { printf "  the annotated VCF adds %.0f%% to the chain (nolix_vcf/nolix %.2f)\n", (v / a - 1) * 100, v / a }'
  awk -v a="$a" -v b="$b" -v c="$c" \
    'BEGIN { printf "  time ratio nolix/bcftools %.2f, nolix/snpeff %.2f\n", a / b, a / c }'
  # shellcheck disable=SC2086
  echo "  peak memory (median) nolix $(median ${mem[nolix]}) MB, bcftools $(median ${mem[bcftools]}) MB, snpeff $(median ${mem[snpeff]}) MB"
  echo "  report step alone:"
  "$bin/nolix-bench-report" --db "$dir/reference.s3db" --vcf "$dir/variants.vcf" --work-dir "$dir" 2>/dev/null | sed 's/^/  /'
  local records
  records=$(grep -vc '^#' "$dir/variants.vcf")
  echo "  session database: $(stat -c %s "$dir/bench_report_session.s3db") bytes, $(( $(stat -c %s "$dir/bench_report_session.s3db") / records )) bytes per VCF record"
}

run_genome demo
run_genome human_density --genes-per-chromosome 1000 --intergenic-kb 25
