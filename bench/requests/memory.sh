#!/usr/bin/env bash
# Peak memory and time of the per-variation analyses at growing track sizes: the console runs
# read -> annotate -> prot-stability-1d and read -> annotate -> tata-box-snp on demo data with
# 10,000, 100,000 and 1,000,000 random variations (plus the demo's own), and prints, for each,
# the requests made, the wall time and the peak resident memory (/usr/bin/time). Flat memory
# means the last column hardly moves from one size to the next.
# Usage: bench/requests/memory.sh [BUILD_DIR] [WORK_DIR] [SIZES...]
set -euo pipefail
source "$(dirname "$0")/../common/demo_data.sh"
build=$(cd "${1:-build}" && pwd)
work=${2:-$(mktemp -d)}
shift $(( $# > 2 ? 2 : $# ))
sizes=("$@")
[ ${#sizes[@]} -eq 0 ] && sizes=(10000 100000 1000000)
bin="$build/bin"
mkdir -p "$work"
work=$(cd "$work" && pwd)
printf '%-20s %9s %9s %9s %12s\n' element variants requests "wall s" "peak MB"
for n in "${sizes[@]}"; do
  dir="$work/demo_$n"
  make_demo "$bin" "$dir" "$n"
  for element in prot-stability-1d tata-box-snp; do
    flow="$dir/$element.json"
    cat > "$flow" <<JSON
{
  "elements": [
    {"name": "read", "type": "read-variations", "attributes": {"url-in": "$dir/variants.vcf"}},
    {"name": "annotate", "type": "VOZAdarova-id", "attributes": {"db_path": "$dir/reference.s3db"}},
    {"name": "analysis", "type": "$element", "attributes": {"db_path": "$dir/reference.s3db"}}
  ],
  "links": [{"from": "read", "to": "annotate"}, {"from": "annotate", "to": "analysis"}]
}
JSON
    log="$dir/$element.log"
    start=$(date +%s.%N)
    /usr/bin/time -f '%M' -o "$dir/$element.mem" "$bin/resource_probe" --workflow="$flow" 2>"$log" >/dev/null || true
    end=$(date +%s.%N)
    requests=$(grep -o '[0-9]* requests for the' "$log" | awk '{s += $1} END {print s + 0}')
    printf '%-20s %9d %9d %9.1f %12.1f\n' "$element" "$n" "$requests" "$(echo "$end - $start" | bc)" \
      "$(echo "$(cat "$dir/$element.mem") / 1024" | bc -l)"
  done
done
