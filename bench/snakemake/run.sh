#!/usr/bin/env bash
# One resource_probe run over a VCF of 1,000,000 random records (plus the demo's own) against
# the sharded Snakemake run with 2 cores at 4, 8 and 16 shards, side by side on the same files.
# Prints wall and CPU times (user + system of every process of the run), the speed-up over the
# single run, and the overhead per shard: the CPU time beyond the single run's, divided by the
# number of shards (CPU time, unlike wall time, hardly depends on what else runs on the machine;
# the load average is printed too). Every merged report is checked byte for byte against the
# single run's.
#
# Usage: bench/snakemake/run.sh [BUILD_DIR] [WORK_DIR] [VARIATIONS] [SHARD_COUNTS]
#        (defaults: build, a new temporary folder, 1000000, "4 8 16")
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
work=${2:-$(mktemp -d)}
n=${3:-1000000}
counts=${4:-4 8 16}
mkdir -p "$work"
work=$(cd "$work" && pwd)
bin="$build/bin"
workflow="$root/data/workflows/annotate_demo.json"
cores=2

for tool in snakemake bcftools bgzip tabix /usr/bin/time; do
  if ! command -v "$tool" >/dev/null; then
    echo "run.sh: $tool is missing (workflows/snakemake/setup.sh installs snakemake, bcftools and tabix; apt-get install time)" >&2
    exit 2
  fi
done

calc() { awk "BEGIN { print $1 }"; }
# timed LOG COMMAND...: runs the command with its output in LOG; sets wall and cpu (seconds).
timed() {
  local log=$1
  shift
  /usr/bin/time -f "%e %U %S" -o "$work/time.txt" "$@" >"$log" 2>&1 || return 1
  read -r wall user sys < "$work/time.txt"
  cpu=$(calc "$user + $sys")
}

demo="$work/demo"
if [ ! -f "$demo/variants.vcf.gz.tbi" ]; then
  echo "run.sh: generating $n variations and the reference database in $demo" >&2
  "$bin/nolix-demo-data" --out-dir "$demo" --variants "$n" >/dev/null
  "$bin/nolix-refdb" --out "$demo/reference.s3db" --fasta "$demo/genome.fa" --genes "$demo/genes.gff3" \
      --known-mutations "$demo/known_mutations.vcf" --matrices "$demo/matrices.tsv" \
      --gene-info "$demo/gene_info.tsv" --segmental-duplications "$demo/sd.bed" \
      --conserved-regions "$demo/cr.bed" >/dev/null
  bgzip -f -c "$demo/variants.vcf" > "$demo/variants.vcf.gz"
  tabix -f -p vcf "$demo/variants.vcf.gz"
fi
records=$(bcftools index -n "$demo/variants.vcf.gz")
lengths=$(bcftools index -s "$demo/variants.vcf.gz" | cut -f2 | paste -sd' ')
genome=$(echo "$lengths" | tr ' ' '\n' | awk '{s += $1} END {print s}')
# shard_size_for N: the smallest region size that cuts the chromosomes into at most N shards.
shard_size_for() {
  python3 -c 'import sys
want, lengths = int(sys.argv[1]), [int(x) for x in sys.argv[2:]]
count = lambda size: sum(-(-n // size) for n in lengths)
lo, hi = 1, max(lengths)
while lo < hi:
    mid = (lo + hi) // 2
    lo, hi = (lo, mid) if count(mid) <= want else (mid + 1, hi)
print(lo)' "$1" $lengths
}

echo "run.sh: single run" >&2
single="$work/single"
rm -rf "$single" && mkdir -p "$single"
timed "$single/run.log" "$bin/resource_probe" --workflow="$workflow" --set "read.url-in=$demo/variants.vcf.gz" \
    --set "annotate.db_path=$demo/reference.s3db" --set "report.db_path=$demo/reference.s3db" \
    --set "report.report_path=$single/in_gene.tsv" --set "report.regulatory_report_path=$single/regulatory.tsv" || {
  echo "run.sh: the single run failed, see $single/run.log" >&2
  exit 1
}
t_single=$wall
cpu_single=$cpu

printf '\n%s records, %s bases in %s chromosomes, %d cores, load average at start %s\n' "$records" "$genome" \
    "$(bcftools index -s "$demo/variants.vcf.gz" | wc -l)" "$cores" "$(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-22s %7s %9s %9s %9s %15s\n' "run" "shards" "wall s" "CPU s" "speed-up" "overhead/shard"
printf '%-22s %7s %9.2f %9.2f %9s %15s\n' "resource_probe" 1 "$t_single" "$cpu_single" "1.00" "-"

for want in $counts; do
  size=$(shard_size_for "$want")
  out="$work/sharded-$want"
  rm -rf "$out"
  timed "$work/sharded-$want.log" snakemake -s "$root/workflows/snakemake/Snakefile" --cores "$cores" \
      --directory "$work" --quiet \
      --config "vcf=$demo/variants.vcf.gz" "reference=$demo/reference.s3db" "workflow=$workflow" \
      "outdir=$out" "resource_probe=$bin/resource_probe" "summary_program=$bin/nolix-report-summary" \
      shard_by=region "shard_size=$size" || {
    echo "run.sh: the Snakemake run with $want shards failed, see $work/sharded-$want.log" >&2
    exit 1
  }
  cmp -s "$out/in_gene_report.tsv" "$single/in_gene.tsv" && cmp -s "$out/regulatory_report.tsv" "$single/regulatory.tsv" || {
    echo "run.sh: the merged reports of $want shards differ from the single run's" >&2
    exit 1
  }
  shards=$(ls "$out/shards" | wc -l)
  printf '%-22s %7d %9.2f %9.2f %9.2f %13.2f s\n' "snakemake --cores $cores" "$shards" "$wall" "$cpu" \
      "$(calc "$t_single / $wall")" "$(calc "($cpu - $cpu_single) / $shards")"
done
printf 'load average at end %s\n' "$(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "Files and logs: $work"
