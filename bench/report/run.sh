#!/usr/bin/env bash
# The whole chain (VCF import, annotation, both reports) against bcftools csq (writing bgzipped
# VCF) and SnpEff; and the chain that also writes the annotated VCF (bgzipped and indexed), with
# what that adds (its database built from the same FASTA and GFF3), side by side on the same
# files, on two genomes: the demo genome and one of human-like gene density (2 x 1000 coding
# genes, about 60 Mb). Then the report step alone (nolix-bench-report).
# The tools run in turn, RUNS rounds (default 3): the machine's speed drifts, so each round's
# figures are printed, then the median of each and the ratios of the medians, in wall time and
# in CPU time (user + system: the chain uses every processor, bcftools csq one).
# Each round also runs the chain from the same records bgzipped and as BCF, and on the first
# 10,000 records (peak memory must not follow the input size).
# Last, a small run: every other base at 1,016 positions of one transcript (3,048 SNVs) on the
# demo genome, where start-up and hand-overs between the steps count, against bcftools csq; with
# perf, the run's idle time (idle_time.py).
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

# measure NAME COMMAND...: runs the command, prints "NAME wall-seconds cpu-seconds peak-MB",
# appends the figures to the round lists of NAME.
declare -A secs cpu mem
measure() {
  local name=$1
  shift
  /usr/bin/time -f "%e %U %S %M" -o "$work/time.txt" "$@" >/dev/null 2>"$work/$name.log" || {
    echo "run.sh: $name failed, see $work/$name.log" >&2
    exit 1
  }
  local s u y kb c
  read -r s u y kb < "$work/time.txt"
  c=$(awk -v u="$u" -v y="$y" 'BEGIN { printf "%.2f", u + y }')
  secs[$name]="${secs[$name]:-} $s"
  cpu[$name]="${cpu[$name]:-} $c"
  mem[$name]="${mem[$name]:-} $(( kb / 1024 ))"
  printf '  %-14s %8.2f s wall %8.2f s cpu %7d MB\n' "$name" "$s" "$c" "$(( kb / 1024 ))"
}

# chain DIR VCF: sets chain_cmd to the whole chain of the demo workflow on VCF with DIR's
# reference, and removes the reports of the last run.
chain() {
  local dir=$1 vcf=$2
  rm -f "$dir/in_gene.tsv" "$dir/regulatory.tsv"
  chain_cmd=("$bin/resource_probe" --workflow="$root/data/workflows/annotate_demo.json"
    --set "read.url-in=$vcf" --set "annotate.db_path=$dir/reference.s3db"
    --set "report.db_path=$dir/reference.s3db" --set "report.report_path=$dir/in_gene.tsv"
    --set "report.regulatory_report_path=$dir/regulatory.tsv")
}

# measure_ms NAME COMMAND...: like measure, to the millisecond and without peak memory (for
# runs of a few hundredths of a second).
measure_ms() {
  local name=$1
  shift
  local TIMEFORMAT='%3R %3U %3S'
  local s u y
  { time "$@" >/dev/null 2>"$work/$name.log"; } 2>"$work/time.txt" || {
    echo "run.sh: $name failed, see $work/$name.log" >&2
    exit 1
  }
  read -r s u y < "$work/time.txt"
  secs[$name]="${secs[$name]:-} $s"
  cpu[$name]="${cpu[$name]:-} $(awk -v u="$u" -v y="$y" 'BEGIN { printf "%.3f", u + y }')"
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

  bgzip -c "$dir/variants.vcf" > "$dir/variants.vcf.gz"
  bcftools view -Ob -o "$dir/variants.bcf" "$dir/variants.vcf"
  awk '/^#/ { print; next } n++ < 10000' "$dir/variants.vcf" > "$dir/first10k.vcf"

  echo "== $label: $(grep -vc '^#' "$dir/variants.vcf") VCF records, $(grep -c $'\tmRNA\t\|\tlnc_RNA\t' "$dir/genes.gff3") transcripts, $(grep -v "^>" "$dir/genome.fa" | tr -d "\n" | wc -c | awk "{ printf \"%.1f\", \$1 / 1e6 }") Mb"
  secs=()
  cpu=()
  mem=()
  for ((round = 1; round <= runs; round++)); do
    echo "  round $round"
    chain "$dir" "$dir/variants.vcf"
    measure nolix "${chain_cmd[@]}"
    # Right after the chain it is compared with.
    rm -f "$dir/annotated.vcf.gz" "$dir/annotated.vcf.gz.tbi"
    measure nolix_vcf "$bin/resource_probe" --workflow="$root/data/workflows/annotate_vcf_demo.json" \
      --set "read.url-in=$dir/variants.vcf" --set "annotate.db_path=$dir/reference.s3db" \
      --set "report.db_path=$dir/reference.s3db" --set "report.report_path=$dir/in_gene_vcf.tsv" \
      --set "report.regulatory_report_path=$dir/regulatory_vcf.tsv" --set "vcf.db_path=$dir/reference.s3db" \
      --set "vcf.url-out=$dir/annotated.vcf.gz"
    chain "$dir" "$dir/variants.vcf.gz"
    measure nolix_vcf.gz "${chain_cmd[@]}"
    chain "$dir" "$dir/variants.bcf"
    measure nolix_bcf "${chain_cmd[@]}"
    chain "$dir" "$dir/first10k.vcf"
    measure nolix_10k "${chain_cmd[@]}"
    measure bcftools bcftools csq -f "$dir/genome.fa" -g "$dir/genes.gff3" -Oz -o "$dir/csq.vcf.gz" "$dir/variants.vcf"
    measure snpeff snpEff ann -noStats -c "$se/snpEff.config" demo "$dir/variants.vcf"
  done
  local a b c ac bc cc
  # shellcheck disable=SC2086
  a=$(median ${secs[nolix]})
  # shellcheck disable=SC2086
  b=$(median ${secs[bcftools]})
  # shellcheck disable=SC2086
  c=$(median ${secs[snpeff]})
  # shellcheck disable=SC2086
  ac=$(median ${cpu[nolix]})
  # shellcheck disable=SC2086
  bc=$(median ${cpu[bcftools]})
  # shellcheck disable=SC2086
  cc=$(median ${cpu[snpeff]})
  echo "  median of $runs rounds: nolix $a s ($ac s cpu), bcftools $b s ($bc s cpu), snpeff $c s ($cc s cpu)"
  awk -v a="$a" -v b="$b" -v c="$c" -v ac="$ac" -v bc="$bc" -v cc="$cc" \
    'BEGIN { printf "  wall ratio nolix/bcftools %.2f, nolix/snpeff %.2f; cpu ratio nolix/bcftools %.2f, nolix/snpeff %.2f\n", a / b, a / c, ac / bc, ac / cc }'
  local input
  for input in vcf.gz bcf; do
    # shellcheck disable=SC2086
    awk -v x="$(median ${secs[nolix_$input]})" -v xc="$(median ${cpu[nolix_$input]})" -v a="$a" -v ac="$ac" -v i="$input" \
      'BEGIN { printf "  from %s: %.2f s (%.2f s cpu), %.2f and %.2f of the plain VCF'"'"'s\n", i, x, xc, x / a, xc / ac }'
  done
  # shellcheck disable=SC2086
  awk -v v="$(median ${secs[nolix_vcf]})" -v vc="$(median ${cpu[nolix_vcf]})" -v a="$a" -v ac="$ac" \
    'BEGIN { printf "  with the annotated VCF: %.2f s (%.2f s cpu), the VCF adds %.0f%% to the chain (%.0f%% cpu)\n", v, vc, (v / a - 1) * 100, (vc / ac - 1) * 100 }'
  # Round by round, each against the chain of its own round (the machine drifts between rounds).
  local added
  # shellcheck disable=SC2086
  added=$(paste <(printf '%s\n' ${secs[nolix]}) <(printf '%s\n' ${secs[nolix_vcf]}) |
    awk '{ printf "%s%.0f%%", (NR > 1 ? " " : ""), ($2 / $1 - 1) * 100 }')
  echo "  the VCF adds, round by round: $added"
  # shellcheck disable=SC2086
  echo "  peak memory (median) nolix $(median ${mem[nolix]}) MB (first 10,000 records: $(median ${mem[nolix_10k]}) MB; vcf.gz $(median ${mem[nolix_vcf.gz]}) MB; bcf $(median ${mem[nolix_bcf]}) MB), bcftools $(median ${mem[bcftools]}) MB, snpeff $(median ${mem[snpeff]}) MB"
  echo "  report step alone:"
  "$bin/nolix-bench-report" --db "$dir/reference.s3db" --vcf "$dir/variants.vcf" --work-dir "$dir" 2>/dev/null | sed 's/^/  /'
  local records
  records=$(grep -vc '^#' "$dir/variants.vcf")
  echo "  session database: $(stat -c %s "$dir/bench_report_session.s3db") bytes, $(( $(stat -c %s "$dir/bench_report_session.s3db") / records )) bytes per VCF record"
}

# small_run: 3,048 SNVs (the three other bases at each of the first 1,016 positions of the demo's
# first transcript), ten rounds, medians.
small_run() {
  local dir="$work/demo" small="$work/small"
  mkdir -p "$small"
  cp "$dir/reference.s3db" "$small/"
  local chrom start
  read -r chrom start < <(awk -F'\t' '$3 == "mRNA" { print $1, $4; exit }' "$dir/genes.gff3")
  {
    grep '^#' "$dir/variants.vcf"
    awk -v chrom="$chrom" -v start="$start" '
      /^>/ { on = (substr($1, 2) == chrom); next }
      on { seq = seq $0 }
      END {
        for (p = start; p < start + 1016; p++) {
          r = toupper(substr(seq, p, 1))
          for (i = 1; i <= 4; i++) {
            a = substr("ACGT", i, 1)
            if (a != r) printf "%s\t%d\t.\t%s\t%s\t.\t.\t.\n", chrom, p, r, a
          }
        }
      }' "$dir/genome.fa"
  } > "$small/variants.vcf"
  echo "== small run: $(grep -vc '^#' "$small/variants.vcf") SNVs on $chrom from $start, one transcript"
  secs=()
  cpu=()
  mem=()
  local round
  for ((round = 1; round <= 10; round++)); do
    chain "$small" "$small/variants.vcf"
    measure_ms nolix "${chain_cmd[@]}"
    measure_ms bcftools bcftools csq -f "$dir/genome.fa" -g "$dir/genes.gff3" -Oz -o "$small/csq.vcf.gz" "$small/variants.vcf"
  done
  local a ac b bc
  # shellcheck disable=SC2086
  a=$(median ${secs[nolix]})
  # shellcheck disable=SC2086
  ac=$(median ${cpu[nolix]})
  # shellcheck disable=SC2086
  b=$(median ${secs[bcftools]})
  # shellcheck disable=SC2086
  bc=$(median ${cpu[bcftools]})
  awk -v a="$a" -v ac="$ac" -v b="$b" -v bc="$bc" \
    'BEGIN { printf "  median of 10 rounds: nolix %.3f s wall, %.3f s cpu, wall - cpu %.3f s; bcftools %.3f s wall, %.3f s cpu\n", a, ac, a - ac, b, bc }'
  # On a busy machine wall - cpu also holds the waits for a processor; the scheduler's record
  # tells the time no thread of the run could go on (timers, polls, I/O) apart.
  local idle=()
  for ((round = 1; round <= 3; round++)); do
    chain "$small" "$small/variants.vcf"
    if ! perf sched record -o "$work/sched.data" "${chain_cmd[@]}" >/dev/null 2>"$work/perf.log"; then
      echo "  (no idle time: perf sched record cannot run here, see $work/perf.log)"
      return
    fi
    idle+=("$(python3 "$root/bench/report/idle_time.py" "$work/sched.data" | awk '{ print $2 }')")
  done
  echo "  time with no thread of the run running or waiting for a processor (3 runs): ${idle[*]} s"
}

run_genome demo
run_genome human_density --genes-per-chromosome 1000 --intergenic-kb 25
small_run
