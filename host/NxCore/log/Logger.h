// Categorised logging to standard error as "[category] level: text".
// Listeners (LogCapture in tests, a GUI log view) see every message that passes the level.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace Nx {

enum LogLevel { LogLevel_TRACE = 0, LogLevel_DETAILS = 1, LogLevel_INFO = 2, LogLevel_ERROR = 3 };

struct LogMessage {
    QString category;
    LogLevel level;
    QString text;
};

class Logger {
public:
    explicit Logger(const QString& category) : category(category) {}

    void trace(const QString& text) const { message(LogLevel_TRACE, text); }
    void details(const QString& text) const { message(LogLevel_DETAILS, text); }
    void info(const QString& text) const { message(LogLevel_INFO, text); }
    void error(const QString& text) const { message(LogLevel_ERROR, text); }
    void message(LogLevel level, const QString& text) const;

    const QString& getCategory() const { return category; }

    // Standard error shows messages from this level on (default: info;
    // NX_LOG_LEVEL=trace|details|info|error). Listeners get every level.
    static void setMinimumLevel(LogLevel level);
    static LogLevel minimumLevel();
    // Standard error output can be switched off (listeners still get every message).
    static void setConsoleEnabled(bool enabled);

    using Listener = std::function<void(const LogMessage&)>;
    static int addListener(Listener l);
    static void removeListener(int id);

    static QString levelName(LogLevel level);

private:
    QString category;
};

// Records every message logged while it lives, whatever the console level. For tests.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    QList<LogMessage> messages() const;
    bool contains(const QString& textPart) const;
    bool contains(const QString& category, LogLevel level, const QString& textPart) const;

private:
    int listenerId;
    struct Store;
    std::shared_ptr<Store> store;  // shared with the listener, which may still run on another thread
};

// The ten categories of the suite.
extern const Logger algoLog;        // "Algorithms"
extern const Logger cmdLog;         // "Console"
extern const Logger coreLog;        // "Core Services"
extern const Logger ioLog;          // "Input/Output"
extern const Logger rsLog;          // "Remote Service"
extern const Logger perfLog;        // "Performance"
extern const Logger scriptLog;      // "Scripts"
extern const Logger taskLog;        // "Tasks"
extern const Logger uiLog;          // "User Interface"
extern const Logger userActLog;     // "User Actions"

QStringList allLogCategories();

}  // namespace Nx

// Recovery idiom: a failed precondition is logged with the source place and the caller returns
// an empty or null result.
// One multi-argument arg(): a message that itself holds "%1" stays as it is.
#define NX_RECOVER_MSG(msg)                                                                     \
    Nx::coreLog.error(QString("Trying to recover from error: %1 at %2:%3")                      \
                          .arg(QString(msg), QString::fromUtf8(__FILE__), QString::number(__LINE__)))

#define NX_SAFE_POINT(condition, msg, result) \
    if (!(condition)) {                       \
        NX_RECOVER_MSG(msg);                  \
        return result;                        \
    }
