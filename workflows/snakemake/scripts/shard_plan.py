"""Cuts an indexed VCF/BCF into shards: one per chromosome, or fixed-size regions.

A record belongs to the one shard whose region holds its POS (the shard runs `bcftools view -r
REGION --regions-overlap pos`, see run_shard.py), so a deletion that spans a boundary is neither lost nor
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
    id: str            # file-safe name, sorts in merge order
    chrom: str
    start: int = 1     # first POS of the shard, 1-based
    end: int = None    # last POS, or None: to the end of the chromosome

    @property
    def region(self):
        return region_text(self.chrom, self.start, self.end)


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


def region_text(chrom, start=1, end=None):
    """The region as bcftools -r writes it."""
    if start == 1 and end is None:
        return chrom
    return f"{chrom}:{start}-{'' if end is None else end}"


def plan_shards(chroms, shard_by, shard_size=0):
    """Shards for [(name, length or None)]; shard_by is "chromosome" or "region"."""
    if shard_by not in ("chromosome", "region"):
        raise PlanError(f'shard_by must be "chromosome" or "region", not "{shard_by}"')
    if shard_by == "region" and (not isinstance(shard_size, int) or shard_size < 1):
        raise PlanError(f"shard_size must be a whole number of bases of at least 1, not {shard_size!r}")
    spans = []  # (chromosome, start, end or None)
    for chrom, length in chroms:
        if shard_by == "chromosome" or length is None or length <= shard_size:
            spans.append((chrom, 1, None))
            continue
        start = 1
        while start + shard_size - 1 < length:
            spans.append((chrom, start, start + shard_size - 1))
            start += shard_size
        spans.append((chrom, start, None))
    # The bounds are part of the name, so a new shard size never reuses an older shard's outputs.
    width = max(4, len(str(len(spans))))
    shards = []
    for i, (chrom, start, end) in enumerate(spans, start=1):
        safe = re.sub(r"[^A-Za-z0-9._-]", "_", chrom)[:40]
        bounds = "" if (start, end) == (1, None) else f"_{start}-{'end' if end is None else end}"
        shards.append(Shard(f"{i:0{width}d}-{safe}{bounds}", chrom, start, end))
    return shards
