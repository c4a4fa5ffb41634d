#!/usr/bin/env python3
"""Per-request cost of each script's main() inside one interpreter, as a pre-started host runs it.

usage: inprocess_bench.py [--repeat N] [--number N]
Every script is imported once and called once to warm its caches; then timeit times
main(argv) with output to a throw-away buffer. Printed: the best of N repeats, in milliseconds
per request, and the requests per second that one core would give at that cost.
rSNP requests cycle through 50 random 81-base windows with a central single-base change
(fixed seed); the ChIP request uses a generated rs-id table and peaks (see startup_bench.py)."""

import io
import os
import random
import sys
import tempfile
import timeit

HERE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, HERE)

ALPHA = ("MVLSPADKTNVKAAWGKVGAHAGEYGAEALERMFLSFPTTKTYFPHFDLSHGSAQVKGHGKKVADALTNAVAHVDDMPNALSALSDLHAHK"
         "LRVDPVNFKLLSHCLLVTLAAHLPAEFTPAVHASLDKFLASVSTVLTSKYR")


def rsnp_requests(count, seed=23):
    rng = random.Random(seed)
    out = []
    for _ in range(count):
        ref = "".join(rng.choice("ACGT") for _ in range(81))
        alt = ref[:40] + rng.choice([b for b in "ACGT" if b != ref[40]]) + ref[41:]
        out.append(["--sign", "10", "--snpdm1", "1", "--snpdm2", "2", "-f", ref, "-s", alt])
    return out


def cases():
    return [
        ("rsnp", rsnp_requests(50)),
        ("protstability1d", [["-p", str(p), "-s", ">seq\n" + ALPHA, "-t", t]
                             for p, t in ((59, "R"), (44, "L"), (2, "M"), (100, "E"))]),
        ("protstability3d", [["-c", "A", "-i", "P69905", "-p", str(p), "-t", t]
                             for p, t in ((59, "R"), (44, "L"), (2, "M"), (100, "E"))]),
        ("snp2pdbsite", [["-c", "A", "-m", '"A %d       %s -> %s"' % (p, w, t), "-p", "P69905"]
                         for p, w, t in ((59, "H", "R"), (88, "H", "Y"), (2, "V", "M"))]),
        ("SNPChIPTools", [["--ug", "true", "-i", "rs%d" % (1000000 + k)] for k in (500, 7, 99999)]),
    ]


def make_chip_data(tmp):
    with open(os.path.join(tmp, "rsids.bed"), "w") as f:
        for i in range(100000):
            f.write("chr7\t%d\t%d\trs%d\n" % (i * 1000, i * 1000 + 1, 1000000 + i))
    os.makedirs(os.path.join(tmp, "peaks"))
    for factor in ("CTCF", "EP300", "REST"):
        with open(os.path.join(tmp, "peaks", factor + ".bed"), "w") as f:
            for i in range(20000):
                f.write("chr7\t%d\t%d\tp\t%d\n" % (i * 5000, i * 5000 + 300, i % 1000))
    os.environ["NX_SNP_RSID_TABLE"] = os.path.join(tmp, "rsids.bed")
    os.environ["NX_CHIP_PEAK_DIR"] = os.path.join(tmp, "peaks")


def main(argv):
    repeat = int(argv[argv.index("--repeat") + 1]) if "--repeat" in argv else 3
    number = int(argv[argv.index("--number") + 1]) if "--number" in argv else 200
    with tempfile.TemporaryDirectory() as tmp:
        os.environ["NX_SNP_CACHE_DIR"] = os.path.join(tmp, "cache")
        make_chip_data(tmp)
        print("%-18s %12s %12s" % ("script", "ms/request", "requests/s"))
        saved = sys.stdout
        for name, requests in cases():
            module = __import__(name)
            state = {"k": 0}

            def one():
                args = requests[state["k"] % len(requests)]
                state["k"] += 1
                sys.stdout = io.StringIO()
                try:
                    code = module.main(list(args))
                finally:
                    sys.stdout = saved
                if code != 0:
                    raise SystemExit("%s failed on %r" % (name, args))

            for _ in range(len(requests)):
                one()  # warm the caches
            n = max(1, number // 10) if name == "rsnp" else number
            best = min(timeit.repeat(one, repeat=repeat, number=n)) / n
            print("%-18s %12.3f %12.0f" % (name, best * 1000, 1.0 / best))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
