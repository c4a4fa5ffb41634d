# Sourced by the request benchmarks: make_demo BIN DIR N writes the demo data with N random
# variations (seed 1) into DIR and builds its reference database DIR/reference.s3db, unless that
# database is already there (a second run reuses the data).
make_demo() {
  local bin=$1 dir=$2 n=$3
  mkdir -p "$dir"
  if [ ! -f "$dir/reference.s3db" ]; then
    "$bin/nolix-demo-data" --out-dir "$dir" --seed 1 --variants "$n" >/dev/null
    "$bin/nolix-refdb" --out "$dir/reference.s3db" --fasta "$dir/genome.fa" --genes "$dir/genes.gff3" \
      --known-mutations "$dir/known_mutations.vcf" --matrices "$dir/matrices.tsv" \
      --gene-info "$dir/gene_info.tsv" 2>/dev/null
  fi
}
