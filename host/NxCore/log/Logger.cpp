#include "Logger.h"

#include <QMap>
#include <QMutex>

#include <cstdio>

namespace Nx {

namespace {

struct LogState {
    QMutex lock;
    QMap<int, Logger::Listener> listeners;
    int nextId = 1;
    bool console = true;
    LogLevel minimum = LogLevel_INFO;

    LogState() {
        QByteArray env = qgetenv("NX_LOG_LEVEL").toLower();
        if (env == "trace") minimum = LogLevel_TRACE;
        else if (env == "details") minimum = LogLevel_DETAILS;
        else if (env == "error") minimum = LogLevel_ERROR;
    }
};

LogState& state() {
    static LogState s;
    return s;
}

}  // namespace

const Logger algoLog("Algorithms");
const Logger cmdLog("Console");
const Logger coreLog("Core Services");
const Logger ioLog("Input/Output");
const Logger rsLog("Remote Service");
const Logger perfLog("Performance");
const Logger scriptLog("Scripts");
const Logger taskLog("Tasks");
const Logger uiLog("User Interface");
const Logger userActLog("User Actions");

QStringList allLogCategories() {
    return {"Algorithms", "Console", "Core Services", "Input/Output", "Remote Service",
            "Performance", "Scripts", "Tasks", "User Interface", "User Actions"};
}

QString Logger::levelName(LogLevel level) {
    switch (level) {
        case LogLevel_TRACE: return "trace";
        case LogLevel_DETAILS: return "details";
        case LogLevel_INFO: return "info";
        case LogLevel_ERROR: return "error";
    }
    return "info";
}

void Logger::message(LogLevel level, const QString& text) const {
    LogState& s = state();
    QMap<int, Listener> listeners;
    bool toConsole = false;
    {
        QMutexLocker l(&s.lock);
        toConsole = s.console && level >= s.minimum;
        if (!toConsole && s.listeners.isEmpty()) {
            return;
        }
        listeners = s.listeners;  // implicitly shared: a copy costs nothing until one changes
    }
    // Listeners run without the lock: one that logs (or adds a listener) must not deadlock.
    LogMessage m{category, level, text};
    for (const Listener& listener : qAsConst(listeners)) {
        listener(m);
    }
    if (toConsole) {
        QByteArray line = QString("[%1] %2: %3\n").arg(category, levelName(level), text).toUtf8();
        fwrite(line.constData(), 1, size_t(line.size()), stderr);
    }
}

void Logger::setMinimumLevel(LogLevel level) {
    QMutexLocker l(&state().lock);
    state().minimum = level;
}

LogLevel Logger::minimumLevel() {
    QMutexLocker l(&state().lock);
    return state().minimum;
}

void Logger::setConsoleEnabled(bool enabled) {
    QMutexLocker l(&state().lock);
    state().console = enabled;
}

int Logger::addListener(Listener listener) {
    QMutexLocker l(&state().lock);
    int id = state().nextId++;
    state().listeners.insert(id, std::move(listener));
    return id;
}

void Logger::removeListener(int id) {
    QMutexLocker l(&state().lock);
    state().listeners.remove(id);
}

struct LogCapture::Store {
    mutable QMutex lock;
    QList<LogMessage> messages;
};

LogCapture::LogCapture() : store(std::make_shared<Store>()) {
    std::shared_ptr<Store> s = store;
    listenerId = Logger::addListener([s](const LogMessage& m) {
        QMutexLocker l(&s->lock);
        s->messages.append(m);
    });
}

LogCapture::~LogCapture() {
    Logger::removeListener(listenerId);
}

QList<LogMessage> LogCapture::messages() const {
    QMutexLocker l(&store->lock);
    return store->messages;
}

bool LogCapture::contains(const QString& textPart) const {
    for (const LogMessage& m : messages()) {
        if (m.text.contains(textPart)) return true;
    }
    return false;
}

bool LogCapture::contains(const QString& category, LogLevel level, const QString& textPart) const {
    for (const LogMessage& m : messages()) {
        if (m.category == category && m.level == level && m.text.contains(textPart)) return true;
    }
    return false;
}

}  // namespace Nx
