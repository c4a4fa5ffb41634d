#!/usr/bin/env bash
# Installs what the sharded run needs beyond the suite itself: snakemake, and bcftools and
# tabix (bgzip, tabix) to index and cut the VCF. Only this workflow needs them. Idempotent.
set -euo pipefail
exec bash "$(dirname "$0")/../../scripts/setup.sh" snakemake bcftools tabix
