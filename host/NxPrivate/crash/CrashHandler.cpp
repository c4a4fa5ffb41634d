#include "CrashHandler.h"

#include <NxCore/log/Logger.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <execinfo.h>
#include <fcntl.h>
#include <unistd.h>

namespace Nx {

bool CrashHandler::sendCrashReports = false;
char* CrashHandler::buffer = nullptr;
bool CrashHandler::handlerSet = false;

namespace {

const size_t RESERVE_SIZE = 4 * 1024 * 1024;
// The report file of a signal, chosen in advance: a signal handler may not allocate.
char signalReportPath[4096] = {0};
char altStack[64 * 1024];

void writeAll(int fd, const char* s) {
    size_t left = strlen(s);
    while (left > 0) {
        ssize_t n = write(fd, s, left);
        if (n <= 0) return;
        s += n;
        left -= size_t(n);
    }
}

const char* signalName(int sig) {
    switch (sig) {
        case SIGSEGV: return "Segmentation fault (SIGSEGV)";
        case SIGABRT: return "Abort (SIGABRT)";
        case SIGFPE: return "Arithmetic error (SIGFPE)";
        case SIGILL: return "Illegal instruction (SIGILL)";
        case SIGBUS: return "Bus error (SIGBUS)";
        default: return "Fatal signal";
    }
}

// Only async-signal-safe calls below (backtrace is preloaded in setupHandler).
void onFatalSignal(int sig) {
    CrashHandler::releaseReserve();
    void* frames[64];
    int n = backtrace(frames, 64);
    int fd = signalReportPath[0] ? open(signalReportPath, O_WRONLY | O_CREAT | O_TRUNC, 0644) : -1;
    const char* head = "Nolix crashed: ";
    for (int out : {2, fd}) {
        if (out < 0) continue;
        writeAll(out, head);
        writeAll(out, signalName(sig));
        writeAll(out, "\nStack:\n");
        backtrace_symbols_fd(frames, n, out);
    }
    if (fd >= 0) {
        close(fd);
        writeAll(2, "Crash report written to ");
        writeAll(2, signalReportPath);
        writeAll(2, "\n");
    }
    signal(sig, SIG_DFL);
    raise(sig);
}

QString reportFileName() {
    return QString("crash-%1-%2.txt")
        .arg(QDateTime::currentDateTime().toString("yyyyMMdd-HHmmss"))
        .arg(QCoreApplication::applicationPid());
}

}  // namespace

QString CrashHandler::crashReportDir() {
    QString dir = qEnvironmentVariable("NX_CRASH_DIR");
    if (dir.isEmpty()) {
        dir = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Nolix/crash_reports";
    }
    if (QDir().mkpath(dir)) {
        return dir;
    }
    QString tmp = QDir::temp().absoluteFilePath("nolix_crash_reports");
    QDir().mkpath(tmp);
    return tmp;
}

void CrashHandler::setupHandler() {
    void* warm[1];
    backtrace(warm, 1);  // loads libgcc now, not inside a handler
    QByteArray path = (crashReportDir() + "/" + reportFileName()).toLocal8Bit();
    strncpy(signalReportPath, path.constData(), sizeof(signalReportPath) - 1);

    stack_t ss;
    memset(&ss, 0, sizeof(ss));
    ss.ss_sp = altStack;
    ss.ss_size = sizeof(altStack);
    sigaltstack(&ss, nullptr);

    struct sigaction sa;
    memset(&sa, 0, sizeof(sa));
    sa.sa_handler = onFatalSignal;
    sa.sa_flags = SA_ONSTACK;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGSEGV, SIGABRT, SIGFPE, SIGILL, SIGBUS}) {
        sigaction(sig, &sa, nullptr);
    }
    handlerSet = true;
}

void CrashHandler::preallocateReservedSpace() {
    if (buffer != nullptr) {
        return;
    }
    buffer = static_cast<char*>(malloc(RESERVE_SIZE));
    if (buffer != nullptr) {
        memset(buffer, 0, RESERVE_SIZE);  // touch it so the memory is really ours
    }
}

void CrashHandler::releaseReserve() {
    char* b = buffer;
    buffer = nullptr;
    free(b);
}

void CrashHandler::reportUnhandledException() {
    if (buffer != nullptr) {
        releaseReserve();
    }
    runMonitorProcess("C++ exception|Unhandled exception");
}

QString CrashHandler::runMonitorProcess(const QString& description) {
    QString kind = description.section('|', 0, 0);
    QString details = description.section('|', 1);
    void* frames[64];
    int n = backtrace(frames, 64);
    char** symbols = backtrace_symbols(frames, n);
    QString text = QString("Nolix crash report\nProgram: %1\nTime: %2\nKind: %3\nDetails: %4\nStack:\n")
                       .arg(QCoreApplication::applicationFilePath(),
                            QDateTime::currentDateTime().toString(Qt::ISODate), kind, details);
    for (int i = 0; i < n && symbols != nullptr; i++) {
        text += QString::fromLocal8Bit(symbols[i]) + "\n";
    }
    free(symbols);

    QString path = crashReportDir() + "/" + reportFileName();
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append)) {
        coreLog.error(QString("%1: %2 (the crash report could not be written to %3)").arg(kind, details, path));
        return QString();
    }
    f.write(text.toUtf8());
    f.close();
    coreLog.error(QString("%1: %2. Crash report written to %3").arg(kind, details, path));
    return path;
}

}  // namespace Nx
