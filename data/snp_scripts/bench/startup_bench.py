#!/usr/bin/env python3
"""Cost of one request per script: process starts side by side with a bare interpreter start,
and main() calls in one pre-started interpreter. Prints requests per second and ratios.

usage: startup_bench.py [--runs N]   (default 40 starts per script)
The rs-id table (100,000 ids) and peaks (3 factors x 20,000 peaks over 100 Mb, about the density
of public ChIP-seq sets) are generated into a temporary folder; the cache is warmed first."""

import io
import os
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, HERE)

from inprocess_bench import make_chip_data  # noqa: E402  (the same data for both benchmarks)

REF = "GGCTAGCTAGGATCGATCGGCTAGCTTGCGGTTTCTGTGGTTTGCATGCATCGATCGGCTAGCTAGCATCGATCGGCTAGCTA"
ALT = REF[:40] + "A" + REF[41:]
ALPHA = ("MVLSPADKTNVKAAWGKVGAHAGEYGAEALERMFLSFPTTKTYFPHFDLSHGSAQVKGHGKKVADALTNAVAHVDDMPNALSALSDLHAHK"
         "LRVDPVNFKLLSHCLLVTLAAHLPAEFTPAVHASLDKFLASVSTVLTSKYR")
CASES = [
    ("rsnp.py", ["--sign", "10", "--snpdm1", "1", "--snpdm2", "2", "-f", REF, "-s", ALT]),
    ("protstability1d.py", ["-p", "59", "-s", ">seq\n" + ALPHA, "-t", "R"]),
    ("protstability3d.py", ["-c", "A", "-i", "P69905", "-p", "59", "-t", "R"]),
    ("snp2pdbsite.py", ["-c", "A", "-m", '"A 59       H -> R"', "-p", "P69905"]),
    ("SNPChIPTools.py", ["--ug", "true", "-i", "rs1000500"]),
]


def starts_per_second(argv, runs):
    """(starts per second of wall time, CPU milliseconds per start); the CPU figure is steadier on
    a machine shared with other work."""
    t = time.perf_counter()
    c = os.times()
    for _ in range(runs):
        subprocess.run(argv, stdout=subprocess.DEVNULL, check=True)
    c2 = os.times()
    cpu = (c2.children_user + c2.children_system) - (c.children_user + c.children_system)
    return runs / (time.perf_counter() - t), 1000.0 * cpu / runs


def calls_per_second(module, args, runs):
    saved = sys.stdout
    t = time.perf_counter()
    try:
        for _ in range(runs):
            sys.stdout = io.StringIO()
            module.main(list(args))
    finally:
        sys.stdout = saved
    return runs / (time.perf_counter() - t)


def main():
    runs = int(sys.argv[sys.argv.index("--runs") + 1]) if "--runs" in sys.argv else 40
    with tempfile.TemporaryDirectory() as tmp:
        run(tmp, runs)


def run(tmp, runs):
    os.environ["NX_SNP_CACHE_DIR"] = os.path.join(tmp, "cache")
    make_chip_data(tmp)

    base, base_cpu = starts_per_second([sys.executable, "-c", "pass"], runs)
    print("%-20s %10s %10s %12s %12s %10s" % ("script", "starts/s", "vs bare", "CPU ms/start",
                                              "in-process/s", "vs starts"))
    print("%-20s %10.1f %10s %12.1f" % ("python3 -c pass", base, "1.00", base_cpu))
    for name, args in CASES:
        path = os.path.join(HERE, name)
        subprocess.run([sys.executable, path] + args, stdout=subprocess.DEVNULL, check=True)  # warm the cache
        rate, cpu = starts_per_second([sys.executable, path] + args, runs)
        module = __import__(name[:-3])
        inproc = calls_per_second(module, args, runs * 5)
        print("%-20s %10.1f %10.2f %12.1f %12.1f %10.1f" % (name, rate, rate / base, cpu, inproc, inproc / rate))


if __name__ == "__main__":
    main()
