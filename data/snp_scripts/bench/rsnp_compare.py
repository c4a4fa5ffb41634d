#!/usr/bin/env python3
"""Records the answers of rsnp.py main() to random requests, so two versions can be compared.

usage: rsnp_compare.py record OUT.json [--count N] [--seed S] [--module PATH] [--score-rule]
       rsnp_compare.py diff A.json B.json
Requests: random 81-base windows (a few with N) with a substitution, deletion or insertion at
the centre, every significance code and every pair of binding states drawn at random.
--module imports rsnp from another file (an older version); --score-rule decides the binding state
as older versions did (score <= 0 bits is "No binding" before the p-value is looked at), so
that a newer scan can be checked against an older one answer for answer."""

import importlib.util
import io
import json
import os
import random
import sys

HERE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, HERE)


def requests(count, seed):
    rng = random.Random(seed)
    out = []
    for k in range(count):
        ref = [rng.choice("ACGT") for _ in range(81)]
        if k % 17 == 0:
            ref[rng.randrange(81)] = "N"
        ref = "".join(ref)
        kind = rng.random()
        if kind < 0.8:
            alt = ref[:40] + rng.choice([b for b in "ACGT" if b != ref[40]]) + ref[41:]
        elif kind < 0.9:
            alt = ref[:40] + ref[41:]
        else:
            alt = ref[:40] + rng.choice("ACGT") + ref[40:]
        out.append(["--sign", str(rng.randrange(16)), "--snpdm1", str(rng.choice((0, 1, 2, 3, 4, 6))),
                    "--snpdm2", str(rng.choice((0, 1, 2, 3, 4, 6))), "-f", ref, "-s", alt])
    return out


def load(path):
    if not path:
        import rsnp
        return rsnp
    located = importlib.util.spec_from_file_location("rsnp_other", path)
    module = importlib.util.module_from_spec(located)
    located.loader.exec_module(module)
    return module


def score_rule(module):
    """Wraps the module's state decision so that a score <= 0 is "No binding" first."""
    original = module.state_of

    def state_of(score, *rest):
        return 6 if score <= 0 else original(score, *rest)
    module.state_of = state_of


def record(argv):
    out = argv[0]
    count = int(argv[argv.index("--count") + 1]) if "--count" in argv else 300
    seed = int(argv[argv.index("--seed") + 1]) if "--seed" in argv else 23
    module = load(argv[argv.index("--module") + 1] if "--module" in argv else None)
    if "--score-rule" in argv:
        score_rule(module)
    # An older copy elsewhere would look for the matrices beside itself.
    os.environ.setdefault("NX_RSNP_MATRICES", os.path.join(HERE, "data", "jaspar", "JASPAR2018_CORE_vertebrates.txt"))
    answers = []
    saved = sys.stdout
    for args in requests(count, seed):
        sys.stdout = io.StringIO()
        try:
            code = module.main(list(args))
            text = sys.stdout.getvalue()
        finally:
            sys.stdout = saved
        if code != 0:
            sys.stderr.write("request %r failed with exit status %d\n" % (args, code))
            return 1
        answers.append({"args": args, "code": code, "out": text})
    with open(out, "w") as f:
        json.dump(answers, f)
    found = sum(1 for a in answers if a["out"].strip() != "PRESENT:none")
    print("%d requests, %d with at least one factor" % (len(answers), found))
    return 0


def diff(argv):
    with open(argv[0]) as f:
        a = json.load(f)
    with open(argv[1]) as f:
        b = json.load(f)
    if [x["args"] for x in a] != [x["args"] for x in b]:
        print("the two files hold different requests")
        return 2
    differ = [(x, y) for x, y in zip(a, b) if (x["code"], x["out"]) != (y["code"], y["out"])]
    print("%d requests, %d identical, %d differ" % (len(a), len(a) - len(differ), len(differ)))
    for x, y in differ[:10]:
        print("  %s\n    < %.150s\n    > %.150s" % (" ".join(x["args"][:6]), x["out"].strip(), y["out"].strip()))
    return 0 if not differ else 1


def main(argv):
    if argv[:1] == ["record"] and len(argv) > 1:
        return record(argv[1:])
    if argv[:1] == ["diff"] and len(argv) == 3:
        return diff(argv[1:])
    sys.stderr.write(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
