"""Cuts an indexed VCF/BCF into shards: one per chromosome, or fixed-size regions.

A record belongs to the one shard whose region holds its POS (the shard runs `bcftools view -r
REGION --regions-overlap pos`), so a deletion that spans a boundary is neither lost nor
duplicated. The last region of a chromosome is open-ended, so a record past the declared
length (or of a chromosome without a declared length) still has a shard.

Shards are numbered in the order their rows must appear in the merged reports: chromosomes in
the order of the file (the order the importer makes its tracks in, which for an indexed file is
the order of the index), then by position.
"""

import re
import subprocess
from dataclasses import dataclass


@dataclass(frozen=True)
class Shard:
    id: str       # file-safe name, sorts in merge order
    chrom: str
    region: str   # bcftools region text


class PlanError(Exception):
    pass


def read_index_stats(vcf, bcftools="bcftools"):
    """Chromosomes that hold records, in file order: [(name, declared length or None)]."""
    try:
        proc = subprocess.run([bcftools, "index", "--stats", vcf], capture_output=True, text=True)
    except OSError as e:
        raise PlanError(f"cannot run {bcftools}: {e}") from e
    if proc.returncode != 0:
        raise PlanError(f"cannot read the index of {vcf} (it must be bgzipped and indexed with "
                        f"tabix or bcftools index): {proc.stderr.strip()}")
    chroms = []
    for line in proc.stdout.splitlines():
        fields = line.split("\t")
        if len(fields) < 3:
            continue
        name, length = fields[0], fields[1]
        chroms.append((name, int(length) if length.isdigit() and int(length) > 0 else None))
    return chroms


def region_name(chrom):
    # htslib reads a trailing ":..." as coordinates; braces keep such names whole.
    return "{" + chrom + "}" if ":" in chrom else chrom


def plan_shards(chroms, shard_by, shard_size=0):
    """Shards for [(name, length or None)]; shard_by is "chromosome" or "region"."""
    if shard_by not in ("chromosome", "region"):
        raise PlanError(f'shard_by must be "chromosome" or "region", not "{shard_by}"')
    if shard_by == "region" and (not isinstance(shard_size, int) or shard_size < 1):
        raise PlanError(f"shard_size must be a whole number of bases of at least 1, not {shard_size!r}")
    spans = []  # (chromosome, region, part of the shard name)
    for chrom, length in chroms:
        name = region_name(chrom)
        if shard_by == "chromosome" or length is None or length <= shard_size:
            spans.append((chrom, name, ""))
            continue
        start = 1
        while start + shard_size - 1 < length:
            end = start + shard_size - 1
            spans.append((chrom, f"{name}:{start}-{end}", f"_{start}-{end}"))
            start += shard_size
        spans.append((chrom, f"{name}:{start}-", f"_{start}-end"))
    # The bounds are part of the name, so a new shard size never reuses an older shard's outputs.
    width = max(4, len(str(len(spans))))
    shards = []
    for i, (chrom, region, bounds) in enumerate(spans, start=1):
        safe = re.sub(r"[^A-Za-z0-9._-]", "_", chrom)[:40]
        shards.append(Shard(f"{i:0{width}d}-{safe}{bounds}", chrom, region))
    return shards
