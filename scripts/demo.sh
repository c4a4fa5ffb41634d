#!/usr/bin/env bash
# The demo on a fresh machine: installs what is missing, builds only the programs and plug-ins
# the demo runs (no tests, no benchmarks), then runs scripts/run_demo_workflow.sh: demo genome
# and variations from a fixed seed, their reference database, the full sample workflow, both
# reports and the summary page.
#
#   scripts/demo.sh [OUTPUT_FOLDER]     (default: demo/ in the repository)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-demo}

NX_DEMO_STARTED=$(date +%s)
export NX_DEMO_STARTED
elapsed() {
  local s=$(( $(date +%s) - NX_DEMO_STARTED ))
  printf '%d:%02d' $(( s / 60 )) $(( s % 60 ))
}

echo "demo [$(elapsed)]: checking the Debian packages (scripts/setup.sh)" >&2
bash scripts/setup.sh

if [ ! -f build/CMakeCache.txt ]; then
  echo "demo [$(elapsed)]: configuring build/" >&2
  launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
fi
targets=(resource_probe workflow_runner test_runner variant_impact nolix-demo-data nolix-refdb nolix-report-summary)
echo "demo [$(elapsed)]: building ${targets[*]} with $(nproc) job(s)" >&2
cmake --build build -j"$(nproc)" --target "${targets[@]}"
echo "demo [$(elapsed)]: built" >&2

scripts/run_demo_workflow.sh build/bin "$out"
echo "demo [$(elapsed)]: finished" >&2
