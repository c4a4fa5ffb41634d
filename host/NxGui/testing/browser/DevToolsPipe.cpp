#include "DevToolsPipe.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QStandardPaths>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

extern char** environ;

namespace Nx {

namespace {

// A pipe whose ends sit above the descriptors the child gets (3 and 4), close-on-exec.
bool highPipe(int fds[2]) {
    int raw[2];
    if (::pipe(raw) != 0) return false;
    for (int i = 0; i < 2; i++) {
        fds[i] = ::fcntl(raw[i], F_DUPFD_CLOEXEC, 10);
        ::close(raw[i]);
    }
    return fds[0] >= 0 && fds[1] >= 0;
}

}  // namespace

DevToolsPipe::~DevToolsPipe() {
    close();
}

QString DevToolsPipe::findChromium() {
    return QStandardPaths::findExecutable("chromium");
}

bool DevToolsPipe::start(const QString& program, const QStringList& args, const QStringList& env,
                         const QString& logPath, QString* why) {
    int in[2], out[2];
    if (!highPipe(in) || !highPipe(out)) {
        *why = "no pipes";
        return false;
    }
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, in[0], 3);
    posix_spawn_file_actions_adddup2(&fa, out[1], 4);
    const QByteArray log = logPath.toLocal8Bit();
    posix_spawn_file_actions_addopen(&fa, 1, log.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&fa, 1, 2);

    QList<QByteArray> argStore = {program.toLocal8Bit(), "--remote-debugging-pipe"};
    for (const QString& a : args) argStore.append(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& a : argStore) argv.push_back(a.data());
    argv.push_back(nullptr);
    QList<QByteArray> envStore;
    for (char** e = environ; *e != nullptr; e++) envStore.append(*e);
    for (const QString& e : env) envStore.append(e.toLocal8Bit());
    std::vector<char*> envp;
    for (QByteArray& e : envStore) envp.push_back(e.data());
    envp.push_back(nullptr);

    int rc = posix_spawn(&pid, argStore.first().constData(), &fa, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&fa);
    ::close(in[0]);
    ::close(out[1]);
    toBrowser = in[1];
    fromBrowser = out[0];
    ::fcntl(fromBrowser, F_SETFL, O_NONBLOCK);
    if (rc != 0) {
        *why = QString("cannot start %1: %2").arg(program, strerror(rc));
        pid = -1;
        return false;
    }
    return true;
}

bool DevToolsPipe::readMessages() {
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fromBrowser, buf, sizeof(buf));
        if (n > 0) {
            pending.append(buf, int(n));
            continue;
        }
        if (n == 0) return false;  // the browser closed its end
        if (errno == EAGAIN || errno == EINTR) break;
        return false;
    }
    int end;
    while ((end = pending.indexOf('\0')) >= 0) {
        const QJsonObject message = QJsonDocument::fromJson(pending.left(end)).object();
        pending.remove(0, end + 1);
        if (message.contains("id")) {
            answers.append(message);
        } else if (onEvent) {
            onEvent(message);
        }
    }
    return true;
}

void DevToolsPipe::waitForInput() {
    struct pollfd p = {fromBrowser, POLLIN, 0};
    ::poll(&p, 1, 10);
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

QJsonObject DevToolsPipe::call(const QString& method, const QJsonObject& params, const QString& sessionId,
                               QString* error, int timeoutMs) {
    QString dummy;
    QString& err = error != nullptr ? *error : dummy;
    err.clear();
    if (toBrowser < 0) {
        err = "browser not running";
        return {};
    }
    const int id = nextId++;
    QJsonObject msg{{"id", id}, {"method", method}, {"params", params}};
    if (!sessionId.isEmpty()) msg["sessionId"] = sessionId;
    QByteArray data = QJsonDocument(msg).toJson(QJsonDocument::Compact);
    data.append('\0');
    if (::write(toBrowser, data.constData(), size_t(data.size())) != data.size()) {
        err = "cannot write to the browser";
        return {};
    }
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < timeoutMs) {
        bool open = readMessages();
        for (int i = 0; i < answers.size(); i++) {
            if (answers[i].value("id").toInt() == id) {
                QJsonObject answer = answers.takeAt(i);
                if (answer.contains("error")) {
                    err = answer.value("error").toObject().value("message").toString();
                    return {};
                }
                return answer.value("result").toObject();
            }
        }
        if (!open) {
            err = "the browser closed the pipe";
            return {};
        }
        waitForInput();
    }
    err = method + ": no answer within " + QString::number(timeoutMs) + " ms";
    return {};
}

void DevToolsPipe::pump(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        waitForInput();
        if (!readMessages()) return;
    }
}

void DevToolsPipe::close() {
    if (pid > 0) {
        QString err;
        call("Browser.close", {}, {}, &err, 3000);
        int status = 0;
        QElapsedTimer t;
        t.start();
        while (::waitpid(pid, &status, WNOHANG) != pid) {
            if (t.elapsed() > 5000) {
                ::kill(pid, SIGKILL);
                ::waitpid(pid, &status, 0);
                break;
            }
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            ::usleep(20000);
        }
        pid = -1;
    }
    if (toBrowser >= 0) ::close(toBrowser);
    if (fromBrowser >= 0) ::close(fromBrowser);
    toBrowser = fromBrowser = -1;
}

}  // namespace Nx
