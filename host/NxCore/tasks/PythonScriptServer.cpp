#include "PythonScriptServer.h"

#include "ChildProcessGuard.h"

#include <NxCore/log/Logger.h>

#include <ScriptServerSource.h>

#include <QCryptographicHash>
#include <QDeadlineTimer>
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

struct Server {
    pid_t pid = -1;
    int fd = -1;         // our end of the socket that is the server's standard input and output
    QByteArray pending;  // read and not yet consumed
    int scanned = 0;     // bytes of pending known to hold no line end: reading stays linear
};

void stopServer(Server* s) {
    if (s->fd >= 0) {
        ::close(s->fd);  // end of input: the server loop ends
    }
    if (s->pid > 0) {
        int status = 0;
        if (::waitpid(s->pid, &status, WNOHANG) == 0) {
            ::kill(-s->pid, SIGKILL);
            ::waitpid(s->pid, &status, 0);
        }
        ChildProcessGuard::release(s->pid);
    }
    delete s;
}

// Idle servers by key, and the scripts refused by key; a run takes a server out and puts it back
// when it is done with it.
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
    bool isRefused(const QString& key) {
        QMutexLocker lock(&mutex);
        return refused.contains(key);
    }
    // True the first time a key is refused.
    bool refuse(const QString& key) {
        QMutexLocker lock(&mutex);
        if (refused.contains(key)) {
            return false;
        }
        refused.insert(key, true);
        return true;
    }
    void stopAll() {
        QMutexLocker lock(&mutex);
        for (Server* s : qAsConst(idle)) {
            stopServer(s);
        }
        idle.clear();
    }

private:
    QMutex mutex;
    QMultiHash<QString, Server*> idle;
    QHash<QString, bool> refused;
};

Pool& pool() {
    static Pool p;
    return p;
}

enum class ReadEnd { Line, Closed, TimedOut, Canceled };

// One line from the server (without its line end). deadline may be forever.
ReadEnd readLine(Server* s, QByteArray& line, const QDeadlineTimer& deadline, const std::function<bool()>& canceled) {
    while (true) {
        const int cut = s->pending.indexOf('\n', s->scanned);
        if (cut >= 0) {
            line = s->pending.left(cut);
            s->pending.remove(0, cut + 1);
            s->scanned = 0;
            return ReadEnd::Line;
        }
        s->scanned = s->pending.size();
        if (canceled && canceled()) {
            return ReadEnd::Canceled;
        }
        if (deadline.hasExpired()) {
            return ReadEnd::TimedOut;
        }
        // Woken at once by data; the timeout only bounds how late a cancel or deadline is seen.
        const qint64 left = deadline.remainingTime();
        pollfd p{s->fd, POLLIN, 0};
        const int r = ::poll(&p, 1, left < 0 ? 100 : int(qMin<qint64>(left, 100)));
        if (r < 0 && errno != EINTR) {
            return ReadEnd::Closed;
        }
        if (r > 0) {
            char buffer[1 << 16];
            const ssize_t n = ::recv(s->fd, buffer, sizeof buffer, 0);
            if (n <= 0) {
                return ReadEnd::Closed;
            }
            s->pending.append(buffer, int(n));
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

// A started server, or null with the reason the script is refused (empty: the server itself
// could not be started).
Server* startServer(const QString& interpreter, const QString& script, const QString& cwd, QString& refusal) {
    int sv[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) != 0) {
        return nullptr;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, sv[1], 0);
    posix_spawn_file_actions_adddup2(&actions, sv[1], 1);
    const QByteArray dir = QFile::encodeName(cwd);
    posix_spawn_file_actions_addchdir_np(&actions, dir.constData());
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    const QByteArray program = QFile::encodeName(interpreter);
    const QByteArray scriptPath = QFile::encodeName(script);
    char* argv[] = {const_cast<char*>(program.constData()), const_cast<char*>("-c"),
                    const_cast<char*>(SCRIPT_SERVER_SOURCE), const_cast<char*>(scriptPath.constData()), nullptr};
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, program.constData(), &actions, &attributes, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(sv[1]);
    auto* s = new Server;
    s->fd = sv[0];
    s->pid = rc == 0 ? pid : -1;
    if (s->pid > 0) {
        ChildProcessGuard::watch(s->pid);
    }
    QByteArray hello;
    // The check and import of the script; a script that hangs in its import is not served.
    if (rc != 0 || readLine(s, hello, QDeadlineTimer(60000), nullptr) != ReadEnd::Line) {
        stopServer(s);
        return nullptr;
    }
    const QJsonObject reply = QJsonDocument::fromJson(hello).object();
    if (!reply.value("ready").toBool()) {
        refusal = reply.value("reason").toString("cannot be served");
        stopServer(s);
        return nullptr;
    }
    return s;
}

// Servers are told apart by everything a script could see at import time.
QString serverKey(const QString& interpreter, const QString& script, const QString& cwd) {
    QCryptographicHash h(QCryptographicHash::Sha1);
    for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
        h.addData(*e, int(qstrlen(*e)) + 1);
    }
    const QFileInfo fi(script);
    return interpreter + '\n' + fi.absoluteFilePath() + '\n' + QString::number(fi.lastModified().toMSecsSinceEpoch()) +
           '\n' + QString::number(fi.size()) + '\n' + cwd + '\n' + QString::fromLatin1(h.result().toHex());
}

}  // namespace

bool PythonScriptServer::isEnabled() {
    return qgetenv("NX_PYTHON_SERVER") != "0";
}

PythonScriptServer::Outcome PythonScriptServer::run(const Request& request) {
    Outcome o;
    const QStringList& arguments = request.arguments;
    if (!isEnabled() || arguments.isEmpty() || !arguments.first().endsWith(".py") || !QFileInfo(arguments.first()).isFile()) {
        return o;
    }
    const QString cwd = request.workingDirectory.isEmpty() ? QDir::currentPath() : request.workingDirectory;
    const QString key = serverKey(request.interpreter, arguments.first(), cwd);
    if (pool().isRefused(key)) {
        return o;
    }
    Server* s = pool().take(key);
    if (s == nullptr) {
        QString refusal;
        s = startServer(request.interpreter, arguments.first(), cwd, refusal);
        if (s == nullptr) {
            if (pool().refuse(key)) {
                scriptLog.details(QString("%1 is started as a process of its own: %2")
                                      .arg(arguments.first(), refusal.isEmpty() ? "no interpreter could serve it" : "it " + refusal));
            }
            return o;
        }
    }
    QJsonObject message;
    message["argv"] = QJsonArray::fromStringList(arguments);
    message["cwd"] = cwd;
    message["out_limit"] = double(request.outputLimit);
    message["err_limit"] = double(request.errorLimit);
    QByteArray line;
    if (!sendAll(s, QJsonDocument(message).toJson(QJsonDocument::Compact) + "\n") ||
        readLine(s, line, QDeadlineTimer(30000), nullptr) != ReadEnd::Line) {
        stopServer(s);
        return o;  // the server is gone before the run began: nothing ran
    }
    const pid_t child = pid_t(QJsonDocument::fromJson(line).object().value("pid").toVariant().toLongLong());
    if (child > 0) {
        ChildProcessGuard::watch(child);
    }
    o.available = true;
    const QDeadlineTimer deadline = request.timeLimitMs > 0 ? QDeadlineTimer(request.timeLimitMs) : QDeadlineTimer(QDeadlineTimer::Forever);
    ReadEnd end = readLine(s, line, deadline, request.canceled);
    if ((end == ReadEnd::TimedOut || end == ReadEnd::Canceled) && child > 0) {
        o.timedOut = end == ReadEnd::TimedOut;
        ::kill(-child, SIGKILL);
        end = readLine(s, line, QDeadlineTimer(10000), nullptr);
    }
    if (child > 0) {
        ChildProcessGuard::release(child);
    }
    if (end != ReadEnd::Line) {
        // The server died during the run.
        if (child > 0) {
            ::kill(-child, SIGKILL);
        }
        stopServer(s);
        o.crashed = true;
        return o;
    }
    const QJsonObject reply = QJsonDocument::fromJson(line).object();
    o.exitCode = reply.value("exit").toInt(-1);
    o.signalNumber = reply.value("signal").toInt();
    o.crashed = o.signalNumber != 0;
    o.outputOverflow = reply.value("out_overflow").toBool();
    o.out = QByteArray::fromBase64(reply.value("out").toString().toLatin1());
    o.err = QByteArray::fromBase64(reply.value("err").toString().toLatin1());
    pool().give(key, s);
    return o;
}

void PythonScriptServer::shutdown() {
    pool().stopAll();
}

}  // namespace Nx
