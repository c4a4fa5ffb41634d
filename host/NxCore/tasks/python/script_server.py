# Serves runs of one Python script from a pre-started interpreter, so that a run costs a fork
# instead of an interpreter start and the script's imports.
#
#   python3 -c "<this file>" SCRIPT        (working folder: the runs' working folder)
#
# The channel is standard input (requests) and standard output (replies), one JSON object a line;
# the host holds the other end of a socket pair. Steps:
#  1. Check that the script can be served like a real start: a top-level main(), nothing but
#     definitions at import (read from its syntax tree, before anything runs), and an import that
#     prints nothing, leaves no file open, starts no thread and stays in the working folder. A
#     script's optional warm() (loads what every run needs) is called as part of the import.
#     Reply {"ready": true} or {"ready": false, "reason": ...}; then the host starts the script
#     as a process of its own instead, for the rest of its run.
#  2. For each request {"argv", "cwd", "out_limit", "err_limit"}: fork a child in a process group
#     of its own, with an empty standard input and fresh pipes for its output; it calls
#     main(argv[1:]) and exits as the interpreter would. Reply {"pid"} at once, then, when the
#     child has ended, {"exit", "signal", "out", "err", "out_overflow"} (output base64-encoded).
#     The run ends when the child ends, even if a process it left behind still holds the pipes;
#     whatever is left in its process group is killed then. Standard output beyond out_limit
#     kills the run; standard error beyond err_limit is read and dropped.
#  3. The host's end of the channel closing (the host ended, however) kills the running child's
#     group and ends the server.
#
# A script that sets NX_INDEPENDENT_RUNS = True at module level promises that a run leaves nothing a
# later run could see (module state beyond caches of what every run reads, files, processes,
# environment). Its runs then share one forked child, one after the other, each with its own
# arguments, folder, standard streams, atexit functions and exit code; the fork is paid once, not
# per run. The child is replaced when a run ends it (os._exit, a signal, the time limit), when a run
# leaves a file open, a thread, a child process or a timer, or changes the environment, sys.path or
# a signal handler, after RUNS_PER_CHILD runs, and when it has grown by CHILD_GROWTH_LIMIT bytes. A
# script that also has a `global` statement is taken at its code, not its word: one child per run.
import ast
import base64
import json
import os
import select
import signal
import sys


def is_main_guard(test):
    # if __name__ == "__main__":
    return (isinstance(test, ast.Compare) and isinstance(test.left, ast.Name) and test.left.id == "__name__"
            and len(test.ops) == 1 and isinstance(test.ops[0], ast.Eq)
            and len(test.comparators) == 1 and isinstance(test.comparators[0], ast.Constant)
            and test.comparators[0].value == "__main__")


def is_path_setup(node):
    # sys.path.insert(...) / sys.path.append(...): how a script finds its sibling modules.
    call = node.value if isinstance(node, ast.Expr) else None
    return (isinstance(call, ast.Call) and isinstance(call.func, ast.Attribute)
            and call.func.attr in ("insert", "append") and isinstance(call.func.value, ast.Attribute)
            and call.func.value.attr == "path" and isinstance(call.func.value.value, ast.Name)
            and call.func.value.value.id == "sys")


def only_definitions(statements):
    for node in statements:
        if is_path_setup(node):
            continue
        if isinstance(node, (ast.Import, ast.ImportFrom, ast.FunctionDef, ast.AsyncFunctionDef, ast.ClassDef,
                             ast.Assign, ast.AnnAssign, ast.Pass)):
            continue
        if isinstance(node, ast.Expr) and isinstance(node.value, ast.Constant):
            continue  # a docstring
        if isinstance(node, ast.If) and is_main_guard(node.test):
            continue  # not run: the module is not imported as __main__
        if isinstance(node, ast.If) and only_definitions(node.body) is None and only_definitions(node.orelse) is None:
            continue
        if isinstance(node, ast.Try) and all(only_definitions(b) is None for b in
                                             [node.body, node.orelse, node.finalbody] + [h.body for h in node.handlers]):
            continue  # optional imports
        return node
    return None


def static_reason(path):
    """(Why the script cannot be served, judged from its text alone, or None when it may be;
    whether it rebinds module names from inside functions)."""
    try:
        with open(path, "rb") as f:
            source = f.read()
        tree = ast.parse(source, path)
    except (OSError, SyntaxError, ValueError) as e:
        return "cannot be read as Python (%s)" % e.__class__.__name__, True
    rebinds = any(isinstance(n, ast.Global) for n in ast.walk(tree))
    bad = only_definitions(tree.body)
    if bad is not None:
        return "runs code at import (line %d)" % bad.lineno, rebinds
    if not any(isinstance(n, (ast.FunctionDef, ast.AsyncFunctionDef)) and n.name == "main" for n in tree.body):
        return "has no main()", rebinds
    return None, rebinds


def open_fds():
    return set(os.listdir("/proc/self/fd"))


def thread_count():
    try:
        return len(os.listdir("/proc/self/task"))
    except OSError:
        return 1


def import_script(path):
    """(main, independent runs declared, None) or (None, False, reason). Output of the import goes
    to a scratch file that must stay empty."""
    import importlib.util
    import tempfile
    scratch = tempfile.TemporaryFile()
    saved_err = os.dup(2)
    cwd = os.getcwd()
    os.dup2(scratch.fileno(), 1)
    os.dup2(scratch.fileno(), 2)
    before = open_fds()
    threads = thread_count()
    reason = None
    main = None
    try:
        spec = importlib.util.spec_from_file_location("__nx_script__", path)
        module = importlib.util.module_from_spec(spec)
        sys.modules["__nx_script__"] = module
        spec.loader.exec_module(module)
        main = getattr(module, "main", None)
        if not callable(main):
            reason = "has no callable main()"
        warm = getattr(module, "warm", None)
        if reason is None and callable(warm):
            # Data every run needs, loaded once here instead of in every run's child.
            warm()
    except BaseException as e:
        reason = "fails at import (%s)" % e.__class__.__name__
    try:
        sys.stdout.flush()
        sys.stderr.flush()
    except BaseException:
        pass
    after = open_fds()
    os.dup2(saved_err, 2)
    os.close(saved_err)
    null = os.open(os.devnull, os.O_WRONLY)
    os.dup2(null, 1)
    os.close(null)
    printed = os.fstat(scratch.fileno()).st_size
    scratch.close()
    if reason is None and printed > 0:
        reason = "prints at import"
    if reason is None and after - before:
        # A file opened at import would be shared by every run's child.
        reason = "keeps files open at import"
    if reason is None and thread_count() > threads:
        reason = "starts threads at import"
    if reason is None and os.getcwd() != cwd:
        reason = "changes the working folder at import"
    if reason is not None:
        return None, False, reason
    return main, getattr(sys.modules["__nx_script__"], "NX_INDEPENDENT_RUNS", False) is True, None


class Channel:
    def __init__(self, fd_in, fd_out):
        self.fd_in = fd_in
        self.fd_out = fd_out
        self.pending = bytearray()
        self.scanned = 0  # bytes of pending known to hold no line end
        self.closed = False

    def send(self, obj):
        data = (json.dumps(obj) + "\n").encode("ascii")
        view = memoryview(data)
        while view:
            n = os.write(self.fd_out, view)
            view = view[n:]

    def read_some(self):
        """False when the host's end is closed."""
        data = os.read(self.fd_in, 65536)
        if not data:
            self.closed = True
            return False
        self.pending += data
        return True

    def take_line(self):
        cut = self.pending.find(b"\n", self.scanned)
        if cut < 0:
            self.scanned = len(self.pending)
            return None
        line = bytes(self.pending[:cut])
        del self.pending[:cut + 1]
        self.scanned = 0
        return line


def exit_code(code):
    if code is None:
        return 0
    if isinstance(code, int):
        return code & 0xFF
    print(code, file=sys.stderr)
    return 1


RUNS_PER_CHILD = 1000
CHILD_GROWTH_LIMIT = 256 << 20


def redirect_std(null, out_w, err_w):
    """Standard streams as a real start has them: empty input, fresh text files on the pipes."""
    os.dup2(null, 0)
    os.dup2(out_w, 1)
    os.dup2(err_w, 2)
    sys.stdin = open(0, "r", closefd=False)
    sys.stdout = open(1, "w", closefd=False)
    sys.stderr = open(2, "w", buffering=1, closefd=False, errors="backslashreplace")


def run_main(main, request):
    """One run of the script's main as a real start makes it; its exit code."""
    code = 1
    try:
        os.chdir(request["cwd"])
        sys.argv = list(request["argv"])
        try:
            code = exit_code(main(sys.argv[1:]))
        except SystemExit as e:
            code = exit_code(e.code)
    except BaseException:
        import traceback
        traceback.print_exc()
        code = 1
    try:
        import atexit
        atexit._run_exitfuncs()
        atexit._clear()
    except BaseException:
        pass
    try:
        sys.stdout.flush()
    except BaseException:
        code = 120
    try:
        sys.stderr.flush()
    except BaseException:
        pass
    return code


def enter_child(out_w, err_w, keep_closed):
    """The forked child's own process group and streams; the descriptor of /dev/null."""
    os.setpgid(0, 0)
    for fd in keep_closed:
        os.close(fd)
    null = os.open(os.devnull, os.O_RDONLY)
    redirect_std(null, out_w, err_w)
    return null


def child(main, request, out_w, err_w, keep_closed):
    code = 1
    try:
        null = enter_child(out_w, err_w, keep_closed)
        os.close(null)
        os.close(out_w)
        os.close(err_w)
        code = run_main(main, request)
    except BaseException:
        pass  # the streams may be what failed: nothing can be told
    os._exit(code)


def resident_bytes():
    with open("/proc/self/statm") as f:
        return int(f.read().split()[1]) * os.sysconf("SC_PAGE_SIZE")


def traces():
    """What a run can leave behind for the next one to see; exited children are reaped."""
    children = False
    while True:
        try:
            pid, _ = os.waitpid(-1, os.WNOHANG)
        except ChildProcessError:
            break
        if pid == 0:
            children = True
            break
    handlers = tuple(signal.getsignal(n) for n in sorted(signal.valid_signals())
                     if n not in (signal.SIGKILL, signal.SIGSTOP))
    timer = signal.getitimer(signal.ITIMER_REAL)[0] > 0
    return open_fds(), thread_count(), dict(os.environ), list(sys.path), children, handlers, timer


def worker(main, req_r, ctl_w, out_w, err_w, keep_closed):
    """Runs requests of a script with independent runs one after the other, until its input ends
    or a run leaves traces."""
    try:
        null = enter_child(out_w, err_w, keep_closed)
    except BaseException:
        os._exit(1)
    requests = Channel(req_r, ctl_w)
    clean = traces()
    start_size = resident_bytes()
    runs = 0
    while True:
        line = requests.take_line()
        if line is None:
            if not requests.read_some():
                os._exit(0)
            continue
        redirect_std(null, out_w, err_w)
        code = run_main(main, json.loads(line))
        runs += 1
        retire = (traces() != clean or runs >= RUNS_PER_CHILD
                  or resident_bytes() - start_size > CHILD_GROWTH_LIMIT)
        requests.send({"exit": code, "retire": retire})
        if retire:
            os._exit(code)


def kill_group(pid):
    try:
        os.killpg(pid, signal.SIGKILL)
    except OSError:
        pass


def open_pidfd(pid):
    try:
        return os.pidfd_open(pid)
    except (AttributeError, OSError):
        return None


class Output:
    """A run's standard output (up to a limit that kills the run) and the first part of its error."""

    def __init__(self, out_r, err_r, request, on_overflow):
        self.out_r = out_r
        self.err_r = err_r
        self.out_limit = int(request.get("out_limit", 8 << 20))
        self.err_limit = int(request.get("err_limit", 64 << 10))
        self.on_overflow = on_overflow
        self.out = bytearray()
        self.err = bytearray()
        self.overflow = False

    def read(self, fd):
        """True when data was read, False at the end of the stream or after an overflow, None
        when nothing is waiting."""
        if self.overflow and fd == self.out_r:
            return False
        try:
            data = os.read(fd, 65536)
        except BlockingIOError:
            return None
        if not data:
            return False
        if fd == self.out_r:
            if len(self.out) + len(data) > self.out_limit:
                self.overflow = True
                self.on_overflow()
                return False
            self.out += data
        elif len(self.err) < self.err_limit:
            self.err += data[:self.err_limit - len(self.err)]
        return True

    def drain(self, fds):
        """Takes what the pipes hold now, without waiting for more."""
        for fd in fds:
            os.set_blocking(fd, False)
            while self.read(fd):
                pass

    def reply(self, status):
        return {"exit": os.WEXITSTATUS(status) if os.WIFEXITED(status) else -1,
                "signal": os.WTERMSIG(status) if os.WIFSIGNALED(status) else 0,
                "out": base64.b64encode(bytes(self.out)).decode("ascii"),
                "err": base64.b64encode(bytes(self.err)).decode("ascii"),
                "out_overflow": self.overflow}


def host_gone(pid):
    kill_group(pid)
    try:
        os.waitpid(pid, 0)
    except ChildProcessError:
        pass  # already reaped
    os._exit(0)


def wait_ready(fds, pidfd):
    ready, _, _ = select.select(fds + ([pidfd] if pidfd is not None else []), [], [],
                                None if pidfd is not None else 0.02)
    return ready


def serve(main, channel, request):
    out_r, out_w = os.pipe()
    err_r, err_w = os.pipe()
    pid = os.fork()
    if pid == 0:
        child(main, request, out_w, err_w, {out_r, err_r, channel.fd_in, channel.fd_out})
    try:
        os.setpgid(pid, pid)  # also here: the host may signal the group as soon as it hears the pid
    except OSError:
        pass
    os.close(out_w)
    os.close(err_w)
    channel.send({"pid": pid})
    pidfd = open_pidfd(pid)
    output = Output(out_r, err_r, request, lambda: kill_group(pid))
    streams = {out_r, err_r}
    status = None
    while status is None:
        for fd in wait_ready(list(streams) + [channel.fd_in], pidfd):
            if fd == channel.fd_in:
                if not channel.read_some():
                    host_gone(pid)
            elif fd in streams and output.read(fd) is False:
                streams.discard(fd)
        done, st = os.waitpid(pid, os.WNOHANG)
        if done == pid:
            status = st
    # The child has ended: take what its pipes still hold, without waiting for processes it left.
    output.drain(streams)
    kill_group(pid)
    for fd in (out_r, err_r):
        os.close(fd)
    if pidfd is not None:
        os.close(pidfd)
    channel.send(output.reply(status))


class Worker:
    """The server's end of a child that serves runs one after the other."""

    def __init__(self, main, channel):
        req_r, self.req_w = os.pipe()
        ctl_r, ctl_w = os.pipe()
        self.out_r, out_w = os.pipe()
        self.err_r, err_w = os.pipe()
        self.pid = os.fork()
        if self.pid == 0:
            worker(main, req_r, ctl_w, out_w, err_w,
                   {self.req_w, ctl_r, self.out_r, self.err_r, channel.fd_in, channel.fd_out})
        try:
            os.setpgid(self.pid, self.pid)
        except OSError:
            pass
        for fd in (req_r, ctl_w, out_w, err_w):
            os.close(fd)
        # Shared by every run of the child: read without blocking, so that a run's end can take
        # exactly what its pipes hold.
        os.set_blocking(self.out_r, False)
        os.set_blocking(self.err_r, False)
        self.control = Channel(ctl_r, None)
        self.pidfd = open_pidfd(self.pid)
        self.status = None  # once reaped

    def ended(self):
        if self.status is None:
            done, status = os.waitpid(self.pid, os.WNOHANG)
            if done == self.pid:
                self.status = status
        return self.status is not None

    def stop(self):
        """Ends the child and whatever it left in its group; its exit status."""
        kill_group(self.pid)
        if self.status is None:
            _, self.status = os.waitpid(self.pid, 0)
        status = self.status
        for fd in (self.req_w, self.control.fd_in, self.out_r, self.err_r):
            os.close(fd)
        if self.pidfd is not None:
            os.close(self.pidfd)
        return status


def serve_in_worker(main, channel, request, workers):
    """A run in the child kept for runs of this script (workers: a list of at most one)."""
    if workers and workers[0].ended():
        workers.pop().stop()  # ended while idle: the run goes to a fresh child
    if not workers:
        workers.append(Worker(main, channel))
    w = workers[0]
    channel.send({"pid": w.pid})
    output = Output(w.out_r, w.err_r, request, lambda: kill_group(w.pid))
    data = (json.dumps({"argv": request["argv"], "cwd": request["cwd"]}) + "\n").encode("ascii")
    try:
        view = memoryview(data)
        while view:
            view = view[os.write(w.req_w, view):]
    except OSError:
        pass  # the child is gone: its status below says how
    result = None
    ended = False
    while result is None and not ended:
        for fd in wait_ready([w.out_r, w.err_r, w.control.fd_in, channel.fd_in], w.pidfd):
            if fd == channel.fd_in:
                if not channel.read_some():
                    host_gone(w.pid)
            elif fd == w.control.fd_in:
                if w.control.read_some():
                    line = w.control.take_line()
                    if line is not None:
                        result = json.loads(line)
                else:
                    ended = True
            elif fd == w.pidfd:
                ended = w.ended()
            elif fd in (w.out_r, w.err_r):
                output.read(fd)
        if w.pidfd is None and result is None and w.ended():
            ended = True
    # Everything the run wrote went to the pipes before its end was reported (or the child died).
    output.drain([w.out_r, w.err_r])
    if result is None or result["retire"] or output.overflow:
        del workers[0]
        status = w.stop()
    if result is not None and not output.overflow:
        status = (result["exit"] & 0xFF) << 8  # as if the run's own process had exited with it
    channel.send(output.reply(status))


def run():
    script = os.path.abspath(sys.argv[1])
    channel_fd = os.dup(0)
    null = os.open(os.devnull, os.O_RDONLY)
    os.dup2(null, 0)
    os.close(null)
    channel = Channel(channel_fd, channel_fd)
    sys.argv = [script]
    sys.path[0] = os.path.dirname(script)
    reason, rebinds_globals = static_reason(script)
    main = None
    independent = False
    if reason is None:
        main, independent, reason = import_script(script)
    if reason is not None:
        channel.send({"ready": False, "reason": reason})
        return
    independent = independent and not rebinds_globals
    # What the import made is shared by every run's child: kept out of the collector's reach,
    # a child's collections do not touch (and so copy) those pages.
    import gc
    gc.collect()
    gc.freeze()
    channel.send({"ready": True, "independent_runs": independent})
    workers = []
    while True:
        line = channel.take_line()
        if line is None:
            if not channel.read_some():
                for w in workers:
                    w.stop()
                return
            continue
        if independent:
            serve_in_worker(main, channel, json.loads(line), workers)
        else:
            serve(main, channel, json.loads(line))


if __name__ == "__main__":
    run()
