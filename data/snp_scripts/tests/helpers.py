"""Shared set-up of the script tests: the scripts folder on sys.path, a private cache folder,
and a way to run a script as a real process."""

import os
import subprocess
import sys
import tempfile
import unittest

SCRIPTS_DIR = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
if SCRIPTS_DIR not in sys.path:
    sys.path.insert(0, SCRIPTS_DIR)


def run_script(name, args, env=None):
    """Runs a script the way the host does: python, the script's absolute path, the arguments."""
    full_env = dict(os.environ)
    full_env.update(env or {})
    proc = subprocess.run([sys.executable, os.path.join(SCRIPTS_DIR, name)] + list(args),
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=full_env,
                          universal_newlines=True, timeout=120)
    return proc.returncode, proc.stdout, proc.stderr


def call_main(module, args):
    """Calls module.main(args) in-process and returns (exit code, stdout, stderr)."""
    import io
    out, err = io.StringIO(), io.StringIO()
    saved = sys.stdout, sys.stderr
    sys.stdout, sys.stderr = out, err
    try:
        code = module.main(list(args))
    finally:
        sys.stdout, sys.stderr = saved
    return code, out.getvalue(), err.getvalue()


def answer_of(stdout, key):
    """The value of the key's line, parsed as the host does (first colon splits)."""
    value = None
    for line in stdout.split("\n"):
        line = line.strip()
        if line and line.split(":", 1)[0] == key:
            value = line.split(":", 1)[1] if ":" in line else line
    return value


class ScriptTestCase(unittest.TestCase):
    """Gives every test a temporary folder and a private cache folder."""

    def setUp(self):
        self._tmp = tempfile.TemporaryDirectory()
        self.tmp = self._tmp.name
        self.cache = os.path.join(self.tmp, "cache")
        self._saved_cache = os.environ.get("NX_SNP_CACHE_DIR")
        os.environ["NX_SNP_CACHE_DIR"] = self.cache
        import snpcommon
        snpcommon._memo.clear()  # each test starts as a fresh process would
        snpcommon._memo_parts.clear()

    def tearDown(self):
        if self._saved_cache is None:
            os.environ.pop("NX_SNP_CACHE_DIR", None)
        else:
            os.environ["NX_SNP_CACHE_DIR"] = self._saved_cache
        self._tmp.cleanup()

    def write(self, rel, text):
        path = os.path.join(self.tmp, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w") as f:
            f.write(text)
        return path
