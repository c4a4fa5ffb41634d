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
    """Why the script cannot be served, judged from its text alone; None when it may be."""
    try:
        with open(path, "rb") as f:
            source = f.read()
        tree = ast.parse(source, path)
    except (OSError, SyntaxError, ValueError) as e:
        return "cannot be read as Python (%s)" % e.__class__.__name__
    bad = only_definitions(tree.body)
    if bad is not None:
        return "runs code at import (line %d)" % bad.lineno
    if not any(isinstance(n, (ast.FunctionDef, ast.AsyncFunctionDef)) and n.name == "main" for n in tree.body):
        return "has no main()"
    return None


def open_fds():
    return set(os.listdir("/proc/self/fd"))


def thread_count():
    try:
        return len(os.listdir("/proc/self/task"))
    except OSError:
        return 1


def import_script(path):
    """(main, None) or (None, reason). Output of the import goes to a scratch file that must
    stay empty."""
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
    return (main, None) if reason is None else (None, reason)


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


def child(main, request, out_w, err_w, keep_closed):
    code = 1
    try:
        os.setpgid(0, 0)
        for fd in keep_closed:
            os.close(fd)
        null = os.open(os.devnull, os.O_RDONLY)
        os.dup2(null, 0)
        os.close(null)
        os.dup2(out_w, 1)
        os.dup2(err_w, 2)
        os.close(out_w)
        os.close(err_w)
        sys.stdin = open(0, "r", closefd=False)
        sys.stdout = open(1, "w", closefd=False)
        sys.stderr = open(2, "w", buffering=1, closefd=False, errors="backslashreplace")
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
    os._exit(code)


def kill_group(pid):
    try:
        os.killpg(pid, signal.SIGKILL)
    except OSError:
        pass


def serve(main, channel, request):
    out_limit = int(request.get("out_limit", 8 << 20))
    err_limit = int(request.get("err_limit", 64 << 10))
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
    try:
        pidfd = os.pidfd_open(pid)
    except (AttributeError, OSError):
        pidfd = None
    out, err = bytearray(), bytearray()
    overflow = False
    streams = {out_r: out, err_r: err}
    status = None

    def read_stream(fd):
        nonlocal overflow
        try:
            data = os.read(fd, 65536)
        except BlockingIOError:
            return False
        if not data:
            os.close(fd)
            del streams[fd]
            return False
        buf = streams[fd]
        if fd == out_r:
            if len(buf) + len(data) > out_limit:
                overflow = True
                kill_group(pid)
                os.close(fd)
                del streams[fd]
                return False
            buf += data
        elif len(buf) < err_limit:
            buf += data[:err_limit - len(buf)]
        return True

    while status is None:
        watched = list(streams) + [channel.fd_in] + ([pidfd] if pidfd is not None else [])
        ready, _, _ = select.select(watched, [], [], None if pidfd is not None else 0.02)
        for fd in ready:
            if fd == channel.fd_in:
                if not channel.read_some():
                    kill_group(pid)  # the host is gone
                    os.waitpid(pid, 0)
                    os._exit(0)
            elif fd in streams:
                read_stream(fd)
        done, st = os.waitpid(pid, os.WNOHANG)
        if done == pid:
            status = st
    # The child has ended: take what its pipes still hold, without waiting for processes it left.
    for fd in list(streams):
        os.set_blocking(fd, False)
        while fd in streams and read_stream(fd):
            pass
    kill_group(pid)
    for fd in list(streams):
        os.close(fd)
    if pidfd is not None:
        os.close(pidfd)
    channel.send({"exit": os.WEXITSTATUS(status) if os.WIFEXITED(status) else -1,
                  "signal": os.WTERMSIG(status) if os.WIFSIGNALED(status) else 0,
                  "out": base64.b64encode(bytes(out)).decode("ascii"),
                  "err": base64.b64encode(bytes(err)).decode("ascii"),
                  "out_overflow": overflow})


def run():
    script = os.path.abspath(sys.argv[1])
    channel_fd = os.dup(0)
    null = os.open(os.devnull, os.O_RDONLY)
    os.dup2(null, 0)
    os.close(null)
    channel = Channel(channel_fd, channel_fd)
    sys.argv = [script]
    sys.path[0] = os.path.dirname(script)
    reason = static_reason(script)
    main = None
    if reason is None:
        main, reason = import_script(script)
    if reason is not None:
        channel.send({"ready": False, "reason": reason})
        return
    # What the import made is shared by every run's child: kept out of the collector's reach,
    # a child's collections do not touch (and so copy) those pages.
    import gc
    gc.collect()
    gc.freeze()
    channel.send({"ready": True})
    while True:
        line = channel.take_line()
        if line is None:
            if not channel.read_some():
                return
            continue
        serve(main, channel, json.loads(line))


if __name__ == "__main__":
    run()
