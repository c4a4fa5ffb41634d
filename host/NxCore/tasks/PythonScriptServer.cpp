#include "PythonScriptServer.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QMutexLocker>

#include <cerrno>
#include <csignal>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace Nx {

namespace {

// The server loop, run as "python -c DRIVER script". Requests and replies are JSON lines on its
// standard input and output; run output travels base64-encoded.
const char* const DRIVER = R"PY(
import base64, io, json, os, select, sys, traceback
script = sys.argv[1]
sys.argv = [script]
sys.path[0] = os.path.dirname(os.path.abspath(script))
channel = sys.stdout.buffer
def send(obj):
    channel.write((json.dumps(obj) + "\n").encode("ascii"))
    channel.flush()
try:
    import importlib.util
    spec = importlib.util.spec_from_file_location("__nx_script__", script)
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    main = module.main
    if not callable(main):
        raise TypeError("main is not callable")
except BaseException as e:
    send({"ready": False, "reason": repr(e)})
    sys.exit(0)
send({"ready": True})
def exit_code(code):
    if code is None:
        return 0
    if isinstance(code, int):
        return code & 0xFF
    print(code, file=sys.stderr)
    return 1
requests = sys.stdin.buffer
while True:
    line = requests.readline()
    if not line:
        break
    request = json.loads(line)
    out_r, out_w = os.pipe()
    err_r, err_w = os.pipe()
    pid = os.fork()
    if pid == 0:
        code = 1
        try:
            os.close(out_r)
            os.close(err_r)
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
            sys.argv = request["argv"]
            try:
                code = exit_code(main(sys.argv[1:]))
            except SystemExit as e:
                code = exit_code(e.code)
        except BaseException:
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
    os.close(out_w)
    os.close(err_w)
    send({"pid": pid})
    buffers = {out_r: bytearray(), err_r: bytearray()}
    results = dict(buffers)
    while buffers:
        ready, _, _ = select.select(list(buffers), [], [])
        for fd in ready:
            data = os.read(fd, 65536)
            if data:
                buffers[fd] += data
            else:
                os.close(fd)
                del buffers[fd]
    _, status = os.waitpid(pid, 0)
    send({"exit": os.WEXITSTATUS(status) if os.WIFEXITED(status) else -1,
          "signal": os.WTERMSIG(status) if os.WIFSIGNALED(status) else 0,
          "out": base64.b64encode(bytes(results[out_r])).decode("ascii"),
          "err": base64.b64encode(bytes(results[err_r])).decode("ascii")})
)PY";

struct Server {
    pid_t pid = -1;
    int fd = -1;        // our end of the socket that is the server's standard input and output
    QByteArray pending; // read and not yet consumed
};

// Idle servers by key; a run takes one out and puts it back when it is done with it.
class Pool {
public:
    ~Pool() { stopAll(); }
    Server* take(const QString& key) {
        QMutexLocker lock(&mutex);
        auto it = idle.find(key);
        if (it == idle.end()) {
            return nullptr;
        }
        Server* s = it.value();
        idle.erase(it);
        return s;
    }
    void give(const QString& key, Server* s) {
        QMutexLocker lock(&mutex);
        idle.insert(key, s);
    }
    void stopAll() {
        QMutexLocker lock(&mutex);
        for (Server* s : qAsConst(idle)) {
            stop(s);
        }
        idle.clear();
    }
    static void stop(Server* s) {
        if (s->fd >= 0) {
            ::close(s->fd);  // end of input: the server loop ends
        }
        if (s->pid > 0) {
            int status = 0;
            if (::waitpid(s->pid, &status, WNOHANG) == 0) {
                ::kill(s->pid, SIGTERM);
                ::waitpid(s->pid, &status, 0);
            }
        }
        delete s;
    }

private:
    QMutex mutex;
    QMultiHash<QString, Server*> idle;
};

Pool& pool() {
    static Pool p;
    return p;
}

// One line from the server (without its line end); false on end, error, timeout or cancel.
bool readLine(Server* s, QByteArray& line, const std::function<bool()>& canceled, int timeoutMs = -1) {
    int waited = 0;
    while (true) {
        const int cut = s->pending.indexOf('\n');
        if (cut >= 0) {
            line = s->pending.left(cut);
            s->pending.remove(0, cut + 1);
            return true;
        }
        pollfd p{s->fd, POLLIN, 0};
        const int r = ::poll(&p, 1, 100);
        if (r < 0 && errno != EINTR) {
            return false;
        }
        if (r > 0) {
            char buffer[65536];
            const ssize_t n = ::recv(s->fd, buffer, sizeof buffer, 0);
            if (n <= 0) {
                return false;
            }
            s->pending.append(buffer, int(n));
            continue;
        }
        waited += 100;
        if ((canceled && canceled()) || (timeoutMs >= 0 && waited >= timeoutMs)) {
            return false;
        }
    }
}

bool sendAll(Server* s, const QByteArray& data) {
    qint64 sent = 0;
    while (sent < data.size()) {
        const ssize_t n = ::send(s->fd, data.constData() + sent, size_t(data.size() - sent), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        sent += n;
    }
    return true;
}

Server* start(const QString& interpreter, const QString& script) {
    int sv[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) != 0) {
        return nullptr;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, sv[1], 0);
    posix_spawn_file_actions_adddup2(&actions, sv[1], 1);
    const QByteArray program = QFile::encodeName(interpreter);
    const QByteArray scriptPath = QFile::encodeName(script);
    char* argv[] = {const_cast<char*>(program.constData()), const_cast<char*>("-c"), const_cast<char*>(DRIVER),
                    const_cast<char*>(scriptPath.constData()), nullptr};
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, program.constData(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(sv[1]);
    auto* s = new Server;
    s->fd = sv[0];
    s->pid = rc == 0 ? pid : -1;
    QByteArray hello;
    // The import of the script and its modules; a script that hangs in its import is not served.
    if (rc != 0 || !readLine(s, hello, nullptr, 60000) ||
        !QJsonDocument::fromJson(hello).object().value("ready").toBool()) {
        Pool::stop(s);
        return nullptr;
    }
    return s;
}

// Servers are told apart by everything a script could see at import time.
QString serverKey(const QString& interpreter, const QString& script) {
    QCryptographicHash h(QCryptographicHash::Sha1);
    for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
        h.addData(*e, int(qstrlen(*e)) + 1);
    }
    const QFileInfo fi(script);
    return interpreter + '\n' + fi.absoluteFilePath() + '\n' + QString::number(fi.lastModified().toMSecsSinceEpoch()) +
           '\n' + QString::number(fi.size()) + '\n' + QString::fromLatin1(h.result().toHex());
}

}  // namespace

bool PythonScriptServer::isEnabled() {
    return qgetenv("NX_PYTHON_SERVER") != "0";
}

PythonScriptServer::Outcome PythonScriptServer::run(const QString& interpreter, const QStringList& arguments,
                                                    const QString& workingDirectory,
                                                    const std::function<bool()>& canceled) {
    Outcome o;
    if (!isEnabled() || arguments.isEmpty() || !arguments.first().endsWith(".py") || !QFileInfo(arguments.first()).isFile()) {
        return o;
    }
    const QString key = serverKey(interpreter, arguments.first());
    Server* s = pool().take(key);
    if (s == nullptr) {
        s = start(interpreter, arguments.first());
        if (s == nullptr) {
            return o;
        }
    }
    QJsonObject request;
    request["argv"] = QJsonArray::fromStringList(arguments);
    request["cwd"] = workingDirectory.isEmpty() ? QDir::currentPath() : workingDirectory;
    QByteArray line;
    if (!sendAll(s, QJsonDocument(request).toJson(QJsonDocument::Compact) + "\n") || !readLine(s, line, nullptr, 30000)) {
        Pool::stop(s);
        return o;  // the server is gone before the run began: nothing ran
    }
    const qint64 child = QJsonDocument::fromJson(line).object().value("pid").toVariant().toLongLong();
    o.available = true;
    bool got = readLine(s, line, canceled);
    if (!got && canceled && canceled() && child > 0) {
        ::kill(pid_t(child), SIGKILL);
        got = readLine(s, line, nullptr, 10000);
    }
    if (!got) {
        // The server died during the run.
        Pool::stop(s);
        o.crashed = true;
        return o;
    }
    const QJsonObject reply = QJsonDocument::fromJson(line).object();
    o.exitCode = reply.value("exit").toInt(-1);
    o.crashed = reply.value("signal").toInt() != 0;
    o.out = QByteArray::fromBase64(reply.value("out").toString().toLatin1());
    o.err = QByteArray::fromBase64(reply.value("err").toString().toLatin1());
    pool().give(key, s);
    return o;
}

void PythonScriptServer::shutdown() {
    pool().stopAll();
}

}  // namespace Nx
