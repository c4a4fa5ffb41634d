#!/usr/bin/env python3
"""Runs the suite workflow on one shard of a VCF and delivers the shard's two reports.

1. `bcftools view -r REGION --regions-overlap pos` writes the shard's records (those whose POS
   lies in the region) to a scratch folder. A chromosome name with a colon, which -r cannot
   parse, goes in a regions file (-R) instead. A shard without records ends here, with empty
   reports.
2. `resource_probe --workflow=...` runs on them with its own session database in that folder;
   every "db_path" gets the reference database, the report element gets report paths in the
   folder. Its standard output and error go to the log.
   A workflow with an annotated-VCF element also runs on a shard without records, so that the
   shard's file has the header every shard's file has; its "url-out" gets a path in the folder.
3. Only after a successful run are the reports (and the annotated VCF) moved to their final names
   (a report the run did not write becomes an empty file), so a finished shard's outputs are
   always whole. On failure
   the shard's error lines are printed and the exit code is 1.
"""

import argparse
import json
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from shard_plan import region_text  # noqa: E402

LAST_POS = 2**31 - 1


class ShardError(Exception):
    pass


def parse_args(argv):
    p = argparse.ArgumentParser(description="Run the suite workflow on one shard of a VCF.")
    p.add_argument("--shard", required=True, help="shard name, for messages")
    p.add_argument("--chrom", required=True, help="chromosome of the shard")
    p.add_argument("--start", type=int, default=1, help="first POS of the shard")
    p.add_argument("--end", type=int, default=None, help="last POS of the shard (default: to the end)")
    p.add_argument("--vcf", required=True, help="bgzipped, indexed VCF (or indexed BCF)")
    p.add_argument("--reference", required=True, help="reference database (every element's db_path)")
    p.add_argument("--workflow", required=True, help="suite workflow file")
    p.add_argument("--roles", required=True, help="element roles of the workflow (workflow_roles.py)")
    p.add_argument("--resource-probe", required=True)
    p.add_argument("--bcftools", default="bcftools")
    p.add_argument("--in-gene", required=True, help="where the shard's in-gene report goes")
    p.add_argument("--regulatory", required=True, help="where the shard's regulatory report goes")
    p.add_argument("--annotated", default="", help="where the shard's annotated VCF goes (workflows that write one)")
    p.add_argument("--log", required=True)
    p.add_argument("--scratch", default="", help="folder for the shard VCF and session database (default: TMPDIR)")
    p.add_argument("--keep-session-db", default="", help="keep the session database at this path")
    return p.parse_args(argv)


def error_lines(log_path, limit=20):
    """The lines of the log that say what failed (the suite logs them as '... error: ...')."""
    try:
        with open(log_path, encoding="utf-8", errors="replace") as f:
            lines = [line.rstrip("\n") for line in f]
    except OSError:
        return []
    errors = [line for line in lines if "error:" in line.lower()]
    return (errors or lines)[-limit:]


def has_records(vcf):
    with open(vcf, "rb") as f:
        return any(not line.startswith(b"#") for line in f)


def deliver(src, dst):
    """Puts src (or an empty file when src is missing) at dst in one rename."""
    dst_dir = os.path.dirname(os.path.abspath(dst))
    fd, tmp = tempfile.mkstemp(dir=dst_dir, prefix="." + os.path.basename(dst) + ".")
    os.close(fd)
    try:
        if os.path.exists(src):
            shutil.copyfile(src, tmp)  # the scratch folder may be on another file system
        os.chmod(tmp, 0o644)
        os.replace(tmp, dst)
    except BaseException:
        if os.path.exists(tmp):
            os.unlink(tmp)
        raise


def run(args):
    with open(args.roles, encoding="utf-8") as f:
        roles = json.load(f)
    annotating = bool(roles.get("vcf"))
    if annotating and not args.annotated:
        raise ShardError(f'the workflow writes an annotated VCF ("{roles["vcf"]}"): give --annotated')
    for path in (args.in_gene, args.regulatory, args.log) + ((args.annotated,) if annotating else ()):
        os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    work = tempfile.mkdtemp(prefix=f"nolix-shard-{args.shard}-", dir=args.scratch or None)
    try:
        shard_vcf = os.path.join(work, "variants.vcf")
        if ":" in args.chrom:
            regions = os.path.join(work, "region.tsv")
            with open(regions, "w", encoding="utf-8") as f:
                f.write(f"{args.chrom}\t{args.start}\t{LAST_POS if args.end is None else args.end}\n")
            where = ["-R", regions]
        else:
            where = ["-r", args.region]
        view = subprocess.run([args.bcftools, "view", "--no-version", *where, "--regions-overlap", "pos",
                               "-Ov", "-o", shard_vcf, args.vcf], capture_output=True, text=True)
        if view.returncode != 0:
            raise ShardError(f"bcftools view of {args.region} failed: {view.stderr.strip()}")

        if not annotating and not has_records(shard_vcf):
            # Nothing of the file lies here: the shard's reports are empty, as the run would leave them.
            with open(args.log, "w", encoding="utf-8") as log:
                log.write(f"shard {args.shard}: {args.region}\nno records in the region\n")
            deliver(os.path.join(work, "none"), args.regulatory)
            deliver(os.path.join(work, "none"), args.in_gene)
            return

        session_db = os.path.join(work, "session.s3db")
        in_gene = os.path.join(work, "in_gene.tsv")
        regulatory = os.path.join(work, "regulatory.tsv")
        cmd = [args.resource_probe, f"--workflow={os.path.abspath(args.workflow)}", f"--session-db={session_db}",
               "--set", f"{roles['read']}.url-in={shard_vcf}"]
        for name in roles["db_path"]:
            cmd += ["--set", f"{name}.db_path={os.path.abspath(args.reference)}"]
        cmd += ["--set", f"{roles['report']}.report_path={in_gene}",
                "--set", f"{roles['report']}.regulatory_report_path={regulatory}"]
        annotated = os.path.join(work, "annotated.vcf.gz")
        if annotating:
            cmd += ["--set", f"{roles['vcf']}.url-out={annotated}", "--set", f"{roles['vcf']}.url-in={shard_vcf}"]
        with open(args.log, "w", encoding="utf-8") as log:
            log.write(f"shard {args.shard}: {args.region}\n{' '.join(cmd)}\n")
            log.flush()
            try:
                rc = subprocess.run(cmd, stdout=log, stderr=subprocess.STDOUT).returncode
            except OSError as e:
                raise ShardError(f"cannot run {args.resource_probe}: {e.strerror}") from e
        if rc != 0:
            how = f"was killed by signal {-rc}" if rc < 0 else f"exited with {rc}"
            details = "\n".join("  " + line for line in error_lines(args.log))
            raise ShardError(f"resource_probe {how}:\n{details}\n  (full log: {args.log})")

        if annotating:
            if not os.path.exists(annotated):
                raise ShardError(f"the run wrote no annotated VCF {annotated}")
            deliver(annotated, args.annotated)
        deliver(regulatory, args.regulatory)
        deliver(in_gene, args.in_gene)
        if args.keep_session_db:
            os.makedirs(os.path.dirname(os.path.abspath(args.keep_session_db)), exist_ok=True)
            shutil.move(session_db, args.keep_session_db)
    finally:
        shutil.rmtree(work, ignore_errors=True)


def main(argv):
    args = parse_args(argv)
    args.region = region_text(args.chrom, args.start, args.end)
    try:
        run(args)
    except ShardError as e:
        print(f"shard {args.shard} ({args.region}) failed: {e}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
