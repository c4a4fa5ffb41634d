// Helpers for the tests that run the real windowed suite as another process on a virtual X
// display: Xvfb, the "nolix" program with its log, and the X clipboard through xclip (another X
// client). Every wait is bounded; a missing tool is reported so that the test can skip.
#pragma once

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <functional>

namespace Nx {

// The test process's application object (for its event loop), made on first use.
QCoreApplication* ensureCoreApplication();
// The path of an executable on PATH, or empty.
QString findTool(const QString& name);
// Spins the event loop (the test's loopback servers answer meanwhile) until cond() holds;
// false after timeoutMs.
bool spinUntil(const std::function<bool()>& cond, int timeoutMs);

class XvfbServer {
public:
    ~XvfbServer();
    // Starts Xvfb on a free display; false with the reason otherwise.
    bool start(QString* why);
    // ":<n>"
    const QString& display() const { return displayName; }

private:
    QProcess process;
    QString displayName;
};

// The X clipboard (CLIPBOARD selection) of a display, through xclip.
class XClipboard {
public:
    explicit XClipboard(const QString& display) : display(display) {}
    // xclip keeps serving the text in the background until another client owns the clipboard.
    bool setText(const QString& text);
    // The text offered now; empty when nobody offers one.
    QString text();

private:
    QString display;
};

// The suite's environment for a test: remote databases at serverUrl, and its downloads, settings
// and crash reports (and the X runtime folder) inside the test's folder.
QProcessEnvironment suiteEnvironment(const QString& serverUrl, const QString& folder);

class SuiteProcess {
public:
    ~SuiteProcess();
    // Starts build/bin/nolix on the display with the test's environment additions.
    bool start(const QString& display, const QProcessEnvironment& extra, QString* why);
    bool waitForLog(const QString& text, int timeoutMs);
    QString log();
    // SIGTERM, then the exit code (-1 when it had to be killed).
    int terminate(int timeoutMs = 10000);

private:
    QProcess process;
    QString collected;
};

}  // namespace Nx
