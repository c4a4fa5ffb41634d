// A Chromium started with --remote-debugging-pipe and driven over its DevTools protocol: JSON
// messages, each ended by a NUL byte, written to the browser's fd 3 and read from its fd 4. No
// port is opened. Calls wait for their answer with the test's event loop running (so in-process
// servers the page talks to keep answering); events that arrive meanwhile go to the event
// handler, when one is set, in the order the browser sent them.
#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <sys/types.h>

#include <functional>

namespace Nx {

class DevToolsPipe {
public:
    ~DevToolsPipe();

    // The chromium program on PATH, or empty.
    static QString findChromium();

    // Starts the browser with args (the pipe switch is added) and env additions ("K=V"); its
    // standard output and error go to logPath.
    bool start(const QString& program, const QStringList& args, const QStringList& env, const QString& logPath,
               QString* why);
    // Sends one command (to a page session when sessionId is set) and returns its "result";
    // an empty object with *error set on a protocol error, a closed pipe or no answer in time.
    QJsonObject call(const QString& method, const QJsonObject& params = QJsonObject(),
                     const QString& sessionId = QString(), QString* error = nullptr, int timeoutMs = 10000);
    // Reads what the browser sends for ms milliseconds (events go to the handler).
    void pump(int ms);
    // Asks the browser to close, then ends it.
    void close();

    std::function<void(const QJsonObject&)> onEvent;

private:
    bool readMessages();
    void waitForInput();

    pid_t pid = -1;
    int toBrowser = -1;
    int fromBrowser = -1;
    int nextId = 1;
    QByteArray pending;
    QList<QJsonObject> answers;
};

}  // namespace Nx
