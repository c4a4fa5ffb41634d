#include "ExternalSession.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStandardPaths>

namespace Nx {

QString findTool(const QString& name) {
    return QStandardPaths::findExecutable(name);
}

QCoreApplication* ensureCoreApplication() {
    static int argc = 1;
    static char name[] = "web_link_session_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = QCoreApplication::instance() != nullptr ? QCoreApplication::instance()
                                                                           : new QCoreApplication(argc, argv);
    return app;
}

bool spinUntil(const std::function<bool()>& cond, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!cond()) {
        if (t.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

QProcessEnvironment suiteEnvironment(const QString& serverUrl, const QString& folder) {
    QProcessEnvironment env;
    env.insert("NX_PDB_URL", serverUrl);
    env.insert("NX_ENSEMBL_URL", serverUrl);
    env.insert("NX_DOWNLOAD_DIR", folder + "/downloads");
    env.insert("NX_SETTINGS_DIR", folder + "/settings");
    env.insert("NX_CRASH_DIR", folder + "/crash");
    env.insert("XDG_RUNTIME_DIR", folder);
    return env;
}

XvfbServer::~XvfbServer() {
    if (process.state() != QProcess::NotRunning) {
        process.terminate();
        if (!process.waitForFinished(3000)) {
            process.kill();
            process.waitForFinished(3000);
        }
    }
}

bool XvfbServer::start(QString* why) {
    const QString xvfb = findTool("Xvfb");
    if (xvfb.isEmpty()) {
        *why = "Xvfb is not installed (Debian package xvfb)";
        return false;
    }
    // -displayfd 1: Xvfb picks a free display and prints its number once it accepts clients.
    process.start(xvfb, {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "1280x800x24"});
    if (!process.waitForStarted(5000)) {
        *why = "Xvfb did not start: " + process.errorString();
        return false;
    }
    QByteArray out;
    bool ok = spinUntil([&] {
        out += process.readAllStandardOutput();
        return out.contains('\n') || process.state() == QProcess::NotRunning;
    }, 10000);
    const QString number = QString::fromLatin1(out).trimmed();
    if (!ok || number.isEmpty()) {
        *why = "Xvfb did not report a display: " + QString::fromLocal8Bit(process.readAllStandardError());
        return false;
    }
    displayName = ":" + number;
    return true;
}

bool XClipboard::setText(const QString& text) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display);
    p.setProcessEnvironment(env);
    p.start(findTool("xclip"), {"-selection", "clipboard", "-i"});
    if (!p.waitForStarted(5000)) return false;
    p.write(text.toUtf8());
    p.closeWriteChannel();
    // xclip returns once it owns the clipboard, leaving a child that serves the text.
    return p.waitForFinished(5000) && p.exitCode() == 0;
}

QString XClipboard::text() {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display);
    p.setProcessEnvironment(env);
    p.start(findTool("xclip"), {"-selection", "clipboard", "-o"});
    if (!p.waitForFinished(5000)) {
        p.kill();
        p.waitForFinished();
        return "<xclip did not answer>";
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

SuiteProcess::~SuiteProcess() {
    if (process.state() != QProcess::NotRunning) {
        terminate(3000);
    }
}

bool SuiteProcess::start(const QString& display, const QProcessEnvironment& extra, QString* why) {
    const QString program = QString(NX_BINARY_DIR) + "/bin/nolix";
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display);
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("NX_PLUGIN_DIR", QString(NX_BINARY_DIR) + "/plugins");
    env.insert("NX_LOG_LEVEL", "details");  // the tests wait for the plug-in loading lines
    for (const QString& k : extra.keys()) env.insert(k, extra.value(k));
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, QStringList());
    if (!process.waitForStarted(5000)) {
        *why = program + " did not start: " + process.errorString();
        return false;
    }
    return true;
}

QString SuiteProcess::log() {
    collected += QString::fromLocal8Bit(process.readAll());
    return collected;
}

bool SuiteProcess::waitForLog(const QString& text, int timeoutMs) {
    return spinUntil([&] { return log().contains(text) || process.state() == QProcess::NotRunning; }, timeoutMs) &&
           log().contains(text);
}

int SuiteProcess::terminate(int timeoutMs) {
    process.terminate();
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(3000);
        return -1;
    }
    log();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

}  // namespace Nx
