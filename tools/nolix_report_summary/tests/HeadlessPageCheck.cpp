#include "HeadlessPageCheck.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStandardPaths>
#include <QUrl>

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

HeadlessPageCheck::~HeadlessPageCheck() {
    close();
}

QString HeadlessPageCheck::findChromium() {
    return QStandardPaths::findExecutable("chromium");
}

bool HeadlessPageCheck::start(const QString& chromium, const QString& profileDir, QString* why) {
    int in[2];
    int out[2];
    if (!highPipe(in) || !highPipe(out)) {
        *why = "no pipes";
        return false;
    }
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, in[0], 3);
    posix_spawn_file_actions_adddup2(&fa, out[1], 4);
    const QByteArray log = (profileDir + "/browser.log").toLocal8Bit();
    posix_spawn_file_actions_addopen(&fa, 1, log.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&fa, 1, 2);
    QList<QByteArray> args{chromium.toLocal8Bit(), "--headless", "--no-sandbox", "--disable-gpu",
                           "--remote-debugging-pipe", "--no-first-run", "--no-default-browser-check",
                           "--user-data-dir=" + profileDir.toLocal8Bit(), "about:blank"};
    std::vector<char*> argv;
    for (QByteArray& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const int rc = posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    ::close(in[0]);
    ::close(out[1]);
    toBrowser = in[1];
    fromBrowser = out[0];
    ::fcntl(fromBrowser, F_SETFL, O_NONBLOCK);
    if (rc != 0) {
        *why = QString("cannot start %1: %2").arg(chromium, strerror(rc));
        pid = -1;
        return false;
    }
    QString error;
    const QJsonObject target = call("Target.createTarget", {{"url", "about:blank"}}, &error, 30000);
    if (!error.isEmpty()) {
        *why = "no page target: " + error;
        return false;
    }
    const QJsonObject attached =
        call("Target.attachToTarget", {{"targetId", target.value("targetId")}, {"flatten", true}}, &error);
    session = attached.value("sessionId").toString();
    if (session.isEmpty()) {
        *why = "cannot attach to the page: " + error;
        return false;
    }
    for (const char* domain : {"Network.enable", "Runtime.enable", "Log.enable", "Page.enable"}) {
        call(domain, {}, &error);
        if (!error.isEmpty()) {
            *why = QString("%1: %2").arg(domain, error);
            return false;
        }
    }
    return true;
}

bool HeadlessPageCheck::readAvailable() {
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fromBrowser, buf, sizeof(buf));
        if (n > 0) {
            pending.append(buf, int(n));
            continue;
        }
        if (n == 0) return false;
        if (errno == EAGAIN || errno == EINTR) break;
        return false;
    }
    int end;
    while ((end = pending.indexOf('\0')) >= 0) {
        const QJsonObject message = QJsonDocument::fromJson(pending.left(end)).object();
        pending.remove(0, end + 1);
        if (message.contains("id")) {
            answers << message;
        } else {
            handleEvent(message);
        }
    }
    return true;
}

void HeadlessPageCheck::handleEvent(const QJsonObject& message) {
    const QString method = message.value("method").toString();
    const QJsonObject params = message.value("params").toObject();
    if (method == "Page.loadEventFired") {
        loadFired = true;
    } else if (method == "Network.requestWillBeSent") {
        const QString url = params.value("request").toObject().value("url").toString();
        if (url != pageUrl && !url.startsWith("data:")) {
            current.requests << url;
        }
    } else if (method == "Runtime.consoleAPICalled") {
        const QString type = params.value("type").toString();
        if (type == "error" || type == "assert") {
            current.consoleErrors << "console." + type + ": " +
                                         QString::fromUtf8(QJsonDocument(params.value("args").toArray()).toJson(
                                             QJsonDocument::Compact));
        }
    } else if (method == "Runtime.exceptionThrown") {
        current.consoleErrors << "exception: " + params.value("exceptionDetails").toObject().value("text").toString();
    } else if (method == "Log.entryAdded") {
        const QJsonObject entry = params.value("entry").toObject();
        if (entry.value("level").toString() == "error") {
            current.consoleErrors << entry.value("source").toString() + ": " + entry.value("text").toString();
        }
    }
}

void HeadlessPageCheck::pump(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        struct pollfd p = {fromBrowser, POLLIN, 0};
        ::poll(&p, 1, 20);
        if (!readAvailable()) return;
    }
}

QJsonObject HeadlessPageCheck::call(const QString& method, const QJsonObject& params, QString* error, int timeoutMs) {
    error->clear();
    if (toBrowser < 0) {
        *error = "browser not running";
        return {};
    }
    const int id = nextId++;
    QJsonObject msg{{"id", id}, {"method", method}, {"params", params}};
    if (!session.isEmpty() && !method.startsWith("Target.")) {
        msg["sessionId"] = session;
    }
    QByteArray data = QJsonDocument(msg).toJson(QJsonDocument::Compact);
    data.append('\0');
    if (::write(toBrowser, data.constData(), size_t(data.size())) != data.size()) {
        *error = "cannot write to the browser";
        return {};
    }
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < timeoutMs) {
        const bool open = readAvailable();
        for (int i = 0; i < answers.size(); ++i) {
            if (answers[i].value("id").toInt() == id) {
                const QJsonObject answer = answers.takeAt(i);
                if (answer.contains("error")) {
                    *error = answer.value("error").toObject().value("message").toString();
                    return {};
                }
                return answer.value("result").toObject();
            }
        }
        if (!open) {
            *error = "the browser closed the pipe";
            return {};
        }
        struct pollfd p = {fromBrowser, POLLIN, 0};
        ::poll(&p, 1, 20);
    }
    *error = method + ": no answer in time";
    return {};
}

PageCheckResult HeadlessPageCheck::open(const QString& path, QString* why) {
    current = PageCheckResult();
    loadFired = false;
    pageUrl = QUrl::fromLocalFile(path).toString();
    QString error;
    call("Page.navigate", {{"url", pageUrl}}, &error);
    if (!error.isEmpty()) {
        *why = "Page.navigate: " + error;
        return current;
    }
    QElapsedTimer t;
    t.start();
    while (!loadFired && t.elapsed() < 30000) {
        pump(50);
    }
    if (!loadFired) {
        *why = "the page did not finish loading";
        return current;
    }
    pump(500);  // messages the page logs after its load event
    current.loaded = true;
    auto evaluate = [&](const QString& expression) {
        const QJsonObject r = call("Runtime.evaluate", {{"expression", expression}, {"returnByValue", true}}, &error);
        return r.value("result").toObject().value("value").toVariant();
    };
    current.svgCount = evaluate("document.querySelectorAll('svg').length").toInt();
    current.bodyText = evaluate("document.body.innerText").toString();
    return current;
}

bool HeadlessPageCheck::screenshot(const QString& pngPath, QString* why) {
    QString error;
    const QJsonObject r = call("Page.captureScreenshot", {{"format", "png"}, {"captureBeyondViewport", true}}, &error);
    if (!error.isEmpty()) {
        *why = error;
        return false;
    }
    QFile f(pngPath);
    if (!f.open(QIODevice::WriteOnly)) {
        *why = f.errorString();
        return false;
    }
    f.write(QByteArray::fromBase64(r.value("data").toString().toLatin1()));
    return true;
}

void HeadlessPageCheck::close() {
    if (pid > 0) {
        QString error;
        session.clear();
        call("Browser.close", {}, &error, 3000);
        int status = 0;
        QElapsedTimer t;
        t.start();
        while (::waitpid(pid, &status, WNOHANG) != pid) {
            if (t.elapsed() > 5000) {
                ::kill(pid, SIGKILL);
                ::waitpid(pid, &status, 0);
                break;
            }
            ::usleep(20000);
        }
        pid = -1;
    }
    if (toBrowser >= 0) ::close(toBrowser);
    if (fromBrowser >= 0) ::close(fromBrowser);
    toBrowser = fromBrowser = -1;
}

}  // namespace Nx
