#!/usr/bin/env bash
# Annotation benchmark: demo data with 100,000 and 1,000,000 random variations, a reference
# database built from it, then the annotation step alone (see AnnotateBench.cpp).
# Usage: bench/annotate/run.sh [BUILD_DIR] [WORK_DIR]
set -euo pipefail
build=${1:-build}
work=${2:-$(mktemp -d)}
bin="$build/bin"
for n in 100000 1000000; do
  dir="$work/demo_$n"
  mkdir -p "$dir"
  "$bin/nolix-demo-data" --out-dir "$dir" --seed 1 --variants "$n" >/dev/null
  "$bin/nolix-refdb" --out "$dir/reference.s3db" --fasta "$dir/genome.fa" --genes "$dir/genes.gff3" \
    --known-mutations "$dir/known_mutations.vcf" --matrices "$dir/matrices.tsv" \
    --gene-info "$dir/gene_info.tsv" --segmental-duplications "$dir/sd.bed" \
    --conserved-regions "$dir/cr.bed" 2>/dev/null
  echo "== $n random variations (plus the demo's own)"
  "$bin/nolix-bench-annotate" --db "$dir/reference.s3db" --vcf "$dir/variants.vcf" --work-dir "$dir"
done
