# The script server driven over its channel as the host drives it, with scripts that behave
# badly: each run must look like a real start of the script, and a script that cannot be served
# safely must be refused before any of its code has run.
import base64
import json
import os
import signal
import socket
import subprocess
import sys
import tempfile
import textwrap
import time
import unittest

SERVER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "script_server.py")


class Server:
    def __init__(self, script, cwd):
        self.sock, theirs = socket.socketpair()
        with open(SERVER) as f:
            source = f.read()
        self.proc = subprocess.Popen([sys.executable, "-c", source, script], stdin=theirs, stdout=theirs, cwd=cwd)
        theirs.close()
        self.buffer = b""
        self.sock.settimeout(30)

    def line(self):
        while b"\n" not in self.buffer:
            data = self.sock.recv(1 << 20)
            if not data:
                raise EOFError("server closed the channel")
            self.buffer += data
        line, self.buffer = self.buffer.split(b"\n", 1)
        return json.loads(line)

    def run(self, argv, cwd, out_limit=8 << 20, on_pid=None):
        self.sock.sendall((json.dumps({"argv": argv, "cwd": cwd, "out_limit": out_limit,
                                       "err_limit": 65536}) + "\n").encode())
        pid = self.line()["pid"]
        if on_pid:
            on_pid(pid)
        reply = self.line()
        reply["out"] = base64.b64decode(reply["out"])
        reply["err"] = base64.b64decode(reply["err"])
        reply["pid"] = pid
        return reply

    def close(self):
        self.sock.close()
        self.proc.wait(10)


def alive(pid):
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return False
    # A zombie is gone for every purpose here.
    try:
        with open("/proc/%d/stat" % pid) as f:
            return f.read().split(")")[-1].split()[0] != "Z"
    except OSError:
        return False


class ScriptServerTest(unittest.TestCase):
    PREAMBLE = ""

    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.addCleanup(self.dir.cleanup)

    def script(self, body, name="s.py"):
        path = os.path.join(self.dir.name, name)
        with open(path, "w") as f:
            f.write(self.PREAMBLE + textwrap.dedent(body))
        return path

    def start(self, body):
        path = self.script(body)
        server = Server(path, self.dir.name)
        self.addCleanup(server.close)
        return server, path, server.line()

    def test_runs_match_a_real_start_in_arguments_output_folder_and_exit_code(self):
        body = """
            import os, sys
            def main(argv):
                print("ARGS:" + "|".join(argv))
                print("CWD:" + os.getcwd())
                print("ERR", file=sys.stderr)
                print("STDIN:%r" % sys.stdin.read())
                return int(argv[0])
            if __name__ == "__main__":
                sys.exit(main(sys.argv[1:]))
        """
        server, path, hello = self.start(body)
        self.assertTrue(hello["ready"], hello)
        sub = os.path.join(self.dir.name, "sub")
        os.mkdir(sub)
        for code in ("0", "3"):
            reply = server.run([path, code, "-x", "a b"], sub)
            real = subprocess.run([sys.executable, path, code, "-x", "a b"], cwd=sub, capture_output=True,
                                  stdin=subprocess.DEVNULL)
            self.assertEqual(reply["out"], real.stdout)
            self.assertEqual(reply["err"], real.stderr)
            self.assertEqual(reply["exit"], real.returncode)

    def test_scripts_that_cannot_be_served_are_refused_before_their_code_runs(self):
        marker = os.path.join(self.dir.name, "ran")
        cases = {
            "no main": "def run(argv):\n    return 0\n",
            "code at import": "open(%r, 'w').write('x')\ndef main(argv):\n    return 0\n" % marker,
            "print at import": "print('hello')\ndef main(argv):\n    return 0\n",
        }
        for what, body in cases.items():
            with self.subTest(what):
                server, _, hello = self.start(body)
                self.assertFalse(hello["ready"])
                self.assertTrue(hello["reason"])
        self.assertFalse(os.path.exists(marker), "a refused script's import-time code ran")

    def test_imports_with_effects_the_syntax_does_not_show_are_refused(self):
        cases = {
            "keeps files open at import": "F = open(__file__)\ndef main(argv):\n    return 0\n",
            "prints at import": "X = print('x')\ndef main(argv):\n    return 0\n",
            "fails at import": "X = 1 // 0\ndef main(argv):\n    return 0\n",
        }
        for reason, body in cases.items():
            with self.subTest(reason):
                _, _, hello = self.start(body)
                self.assertFalse(hello["ready"])
                self.assertIn(reason, hello["reason"])

    def test_a_run_ends_with_its_process_and_takes_what_it_left_behind_with_it(self):
        pidfile = os.path.join(self.dir.name, "bg.pid")
        body = """
            import os, subprocess, sys
            def main(argv):
                p = subprocess.Popen([sys.executable, "-c", "import time; time.sleep(60)"])
                open(argv[0], "w").write(str(p.pid))
                print("RESULT:ok")
                return 0
        """
        server, path, hello = self.start(body)
        self.assertTrue(hello["ready"])
        started = time.monotonic()
        reply = server.run([path, pidfile], self.dir.name)
        self.assertLess(time.monotonic() - started, 20)
        self.assertEqual(reply["out"], b"RESULT:ok\n")
        with open(pidfile) as f:
            background = int(f.read())
        deadline = time.monotonic() + 5
        while alive(background) and time.monotonic() < deadline:
            time.sleep(0.05)
        self.assertFalse(alive(background))

    def test_a_hung_run_killed_through_its_group_is_reported_with_its_signal(self):
        server, path, _ = self.start("import time\ndef main(argv):\n    time.sleep(600)\n")
        reply = server.run([path], self.dir.name, on_pid=lambda pid: os.killpg(pid, signal.SIGKILL))
        self.assertEqual(reply["signal"], signal.SIGKILL)
        self.assertEqual(reply["exit"], -1)

    def test_output_past_the_limit_kills_the_run_and_one_long_line_is_read_whole(self):
        body = """
            import sys
            def main(argv):
                sys.stdout.write("RESULT:" + "x" * int(argv[0]) + "\\n")
                return 0
        """
        server, path, _ = self.start(body)
        reply = server.run([path, str(5 << 20)], self.dir.name, out_limit=1 << 20)
        self.assertTrue(reply["out_overflow"])
        self.assertLessEqual(len(reply["out"]), 1 << 20)
        reply = server.run([path, str(3 << 20)], self.dir.name)
        self.assertFalse(reply["out_overflow"])
        self.assertEqual(len(reply["out"]), (3 << 20) + len("RESULT:\n"))

    def test_binary_output_and_a_file_opened_per_run_reach_every_run_intact(self):
        data = os.path.join(self.dir.name, "data.txt")
        with open(data, "w") as f:
            f.write("line\n")
        body = """
            import sys
            def main(argv):
                sys.stdout.flush()
                sys.stdout.buffer.write(bytes(range(256)))
                with open(argv[0]) as f:
                    print(f.read().strip())
                return 0
        """
        server, path, _ = self.start(body)
        for _ in range(3):
            reply = server.run([path, data], self.dir.name)
            self.assertEqual(reply["out"], bytes(range(256)) + b"line\n")

    def test_the_server_and_its_running_child_end_when_the_host_goes(self):
        server, path, _ = self.start("import time\ndef main(argv):\n    time.sleep(600)\n")
        server.sock.sendall((json.dumps({"argv": [path], "cwd": self.dir.name}) + "\n").encode())
        child = server.line()["pid"]
        server.sock.close()
        server.proc.wait(10)
        deadline = time.monotonic() + 5
        while alive(child) and time.monotonic() < deadline:
            time.sleep(0.05)
        self.assertFalse(alive(child))


class IndependentRunsTest(ScriptServerTest):
    """Every case above again with runs that share one child, and what sharing must not change."""
    PREAMBLE = "NX_INDEPENDENT_RUNS = True\n"

    def test_runs_share_one_child_and_each_ends_as_a_real_start_would(self):
        body = """
            import os, sys
            def main(argv):
                print("OUT:" + argv[0], flush=argv[0] == "exit")
                print("ERR:" + argv[0], file=sys.stderr)
                if argv[0] == "raise":
                    raise ValueError("bad value")
                if argv[0] == "exit":
                    os._exit(4)
                if argv[0] == "atexit":
                    import atexit
                    atexit.register(print, "AT EXIT")
                return sys.exit(int(argv[0])) if argv[0].isdigit() else 0
            if __name__ == "__main__":
                sys.exit(main(sys.argv[1:]))
        """
        server, path, hello = self.start(body)
        self.assertTrue(hello["independent_runs"], hello)
        pids = []
        for arg in ("0", "3", "raise", "atexit", "none", "exit", "0", "atexit"):
            reply = server.run([path, arg], self.dir.name)
            real = subprocess.run([sys.executable, path, arg], cwd=self.dir.name, capture_output=True,
                                  stdin=subprocess.DEVNULL)
            self.assertEqual((reply["out"], reply["exit"]), (real.stdout, real.returncode), arg)
            # A traceback's frames differ (the server's own come first); what it starts and ends with may not.
            ends = lambda err: (err.splitlines()[:2], err.splitlines()[-1:])
            self.assertEqual(ends(reply["err"]), ends(real.stderr), arg)
            pids.append(reply["pid"])
        # One child up to the run that ended it with os._exit, a new one after it.
        self.assertEqual(len(set(pids[:6])), 1, pids)
        self.assertNotEqual(pids[6], pids[5])
        self.assertEqual(pids[6], pids[7])

    def test_a_run_that_leaves_traces_ends_its_child(self):
        traces = {
            "file": "KEEP.append(open(__file__))",
            "thread": "import threading, time; threading.Thread(target=time.sleep, args=(5,), daemon=True).start()",
            "environment": "os.environ['NX_LEFT'] = '1'",
            "path": "sys.path.append('/nowhere')",
            "process": "import subprocess; subprocess.Popen(['sleep', '30'])",
            "signal handler": "import signal; signal.signal(signal.SIGUSR1, lambda *a: None)",
            "timer": "import signal; signal.setitimer(signal.ITIMER_REAL, 30)",
        }
        body = "import os, sys\nKEEP = []\nTRACES = %r\ndef main(argv):\n    if argv:\n        exec(TRACES[argv[0]])\n" \
               "    print('RESULT:' + repr(os.environ.get('NX_LEFT')) + repr(len(sys.path)))\n    return 0\n" % traces
        server, path, _ = self.start(body)
        clean = server.run([path], self.dir.name)
        for what in traces:
            with self.subTest(what):
                first = server.run([path, what], self.dir.name)
                self.assertEqual(first["exit"], 0, first["err"])
                after = server.run([path], self.dir.name)
                self.assertNotEqual(after["pid"], first["pid"])
                self.assertEqual(after["out"], clean["out"])  # nothing of the trace is seen
                again = server.run([path], self.dir.name)
                self.assertEqual(again["pid"], after["pid"])

    def test_a_child_that_died_while_idle_costs_no_run(self):
        server, path, _ = self.start("def main(argv):\n    print('RESULT:ok')\n    return 0\n")
        first = server.run([path], self.dir.name)
        os.kill(first["pid"], signal.SIGKILL)
        deadline = time.monotonic() + 5
        while alive(first["pid"]) and time.monotonic() < deadline:
            time.sleep(0.01)
        second = server.run([path], self.dir.name)
        self.assertEqual((second["exit"], second["signal"], second["out"]), (0, 0, b"RESULT:ok\n"))
        self.assertNotEqual(second["pid"], first["pid"])

    def test_a_script_that_rebinds_module_names_gets_a_child_per_run(self):
        body = """
            COUNT = 0
            def main(argv):
                global COUNT
                COUNT += 1
                print("RESULT:%d" % COUNT)
                return 0
        """
        server, path, hello = self.start(body)
        self.assertFalse(hello["independent_runs"])
        replies = [server.run([path], self.dir.name) for _ in range(3)]
        self.assertEqual([r["out"] for r in replies], [b"RESULT:1\n"] * 3)
        self.assertEqual(len({r["pid"] for r in replies}), 3)

    def test_a_run_after_a_killed_or_overflowing_one_starts_clean(self):
        body = """
            import sys, time
            def main(argv):
                if argv[0] == "hang":
                    print("partial", flush=True)
                    time.sleep(600)
                sys.stdout.write("x" * int(argv[0]))
                print("ERR", file=sys.stderr)
                return 0
        """
        server, path, _ = self.start(body)
        killed = server.run([path, "hang"], self.dir.name, on_pid=lambda pid: threading_timer(0.3, os.killpg, pid))
        self.assertEqual(killed["signal"], signal.SIGKILL)
        reply = server.run([path, "10"], self.dir.name)
        self.assertEqual((reply["out"], reply["err"]), (b"x" * 10, b"ERR\n"))
        big = server.run([path, str(2 << 20)], self.dir.name, out_limit=1 << 20)
        self.assertTrue(big["out_overflow"])
        reply = server.run([path, "5"], self.dir.name)
        self.assertEqual((reply["out"], reply["err"], reply["out_overflow"]), (b"x" * 5, b"ERR\n", False))
        self.assertNotEqual(reply["pid"], big["pid"])


def threading_timer(delay, kill, pid):
    import threading
    threading.Timer(delay, kill, (pid, signal.SIGKILL)).start()


if __name__ == "__main__":
    unittest.main()
