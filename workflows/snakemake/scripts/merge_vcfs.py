#!/usr/bin/env python3
"""Joins the shards' annotated VCFs, in shard order, into one bgzipped VCF with a tabix index.

    merge_vcfs.py BCFTOOLS OUTPUT SHARD_VCF...

Every shard holds the records whose POS lies in its region and the same header, so the records
of `bcftools concat` (without its version lines) are a single run's, in the single run's order.
Data and index are written under temporary names and renamed when both are complete.
"""

import os
import subprocess
import sys


def main(argv):
    if len(argv) < 4:
        print("usage: merge_vcfs.py BCFTOOLS OUTPUT SHARD_VCF...", file=sys.stderr)
        return 2
    bcftools, out, shards = argv[1], argv[2], argv[3:]
    tmp = f"{out}.tmp-{os.getpid()}.vcf.gz"
    tmp_index = tmp + ".tbi"
    try:
        for cmd in ([bcftools, "concat", "--no-version", "-Oz", "-o", tmp, *shards],
                    [bcftools, "index", "-t", "-o", tmp_index, tmp]):
            proc = subprocess.run(cmd, capture_output=True, text=True)
            if proc.returncode != 0:
                print(f"merge_vcfs: {' '.join(cmd)} failed: {proc.stderr.strip()}", file=sys.stderr)
                return 1
        os.replace(tmp_index, out + ".tbi")
        os.replace(tmp, out)
    finally:
        for path in (tmp, tmp_index):
            if os.path.exists(path):
                os.unlink(path)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
