// The program's own promises: the textual version guard, event dispatch that survives an
// exception, and the exit code of the event loop seen from outside through real runs.
#include "GApplication.h"
#include "VersionGuard.h"

#include <NxPrivate/crash/CrashHandler.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <stdexcept>

namespace Nx {

namespace {

const QString PROBE = QString(NX_BINARY_DIR) + "/bin/resource_probe";

struct ProbeRun {
    int exitCode = -100;
    QString out;
    QString err;
};

ProbeRun runProbe(const QStringList& args, const QString& pluginDir = QString(), const QString& logLevel = QString()) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QTemporaryDir crashDir;
    env.insert("NX_CRASH_DIR", crashDir.path());
    env.remove("NX_LOG_LEVEL");
    if (!logLevel.isEmpty()) env.insert("NX_LOG_LEVEL", logLevel);
    if (!pluginDir.isEmpty()) env.insert("NX_PLUGIN_DIR", pluginDir);
    p.setProcessEnvironment(env);
    p.start(PROBE, args);
    ProbeRun r;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -200;
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

class Thrower : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User) {
            throw std::runtime_error("handler failure");
        }
        if (e->type() == QEvent::User + 1) {
            afterThrow++;
            return true;
        }
        return QObject::event(e);
    }
    int afterThrow = 0;
};

}  // namespace

TEST(ResourceProbeVersionGuard, ComparesTheVersionTextAsAString) {
    EXPECT_FALSE(isQtVersionAccepted("4.8.4"));
    EXPECT_TRUE(isQtVersionAccepted("4.8.5"));
    EXPECT_TRUE(isQtVersionAccepted("4.8.6"));
    EXPECT_TRUE(isQtVersionAccepted("5.15.8"));
    // Numerically later, textually earlier: refused.
    EXPECT_FALSE(isQtVersionAccepted("4.10.0"));
    EXPECT_FALSE(isQtVersionAccepted("10.0.0"));
    EXPECT_FALSE(isQtVersionAccepted(""));
    EXPECT_FALSE(isQtVersionAccepted(nullptr));
}

TEST(ResourceProbeVersionGuard, PrintsTheMessageOnlyWhenRefused) {
    char buf[256] = {0};
    FILE* f = fmemopen(buf, sizeof(buf) - 1, "w");
    ASSERT_NE(f, nullptr);
    EXPECT_FALSE(checkQtVersion("4.8.4", f));
    EXPECT_TRUE(checkQtVersion("4.8.6", f));
    fclose(f);
    EXPECT_STREQ(buf, "Installed Qt version must be 4.8.5 or greater \r\n");
}

TEST(ResourceProbeApplication, AnExceptionFromAnEventHandlerDoesNotEndTheProcess) {
    QTemporaryDir crashDir;
    qputenv("NX_CRASH_DIR", crashDir.path().toLocal8Bit());
    static int argc = 1;
    static char name[] = "resource_probe_test";
    static char* argv[] = {name, nullptr};
    {
        GApplication app(argc, argv);
        CrashHandler::preallocateReservedSpace();
        ASSERT_NE(CrashHandler::buffer, nullptr);
        Thrower t;
        QEvent direct(QEvent::User);
        EXPECT_FALSE(QCoreApplication::sendEvent(&t, &direct));
        EXPECT_EQ(CrashHandler::buffer, nullptr) << "the reserve must be freed for the report";
        // Posted through the event loop: the loop goes on with the next event.
        QCoreApplication::postEvent(&t, new QEvent(QEvent::User));
        QCoreApplication::postEvent(&t, new QEvent(QEvent::Type(QEvent::User + 1)));
        QCoreApplication::processEvents();
        EXPECT_EQ(t.afterThrow, 1);
    }
    QStringList reports = QDir(crashDir.path()).entryList({"crash-*.txt"}, QDir::Files);
    ASSERT_FALSE(reports.isEmpty());
    QFile f(crashDir.filePath(reports.first()));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QString text = QString::fromUtf8(f.readAll());
    EXPECT_TRUE(text.contains("Kind: C++ exception"));
    EXPECT_TRUE(text.contains("Details: Unhandled exception"));
    qunsetenv("NX_CRASH_DIR");
}

// Plug-in loading is told only at the detailed log level; by default a run that succeeds prints
// nothing but its own output.
TEST(ResourceProbeProgram, LoadsTheSuitePluginsAndTellsSoOnlyInDetail) {
    ProbeRun quiet = runProbe({"--list-elements"});
    EXPECT_EQ(quiet.exitCode, 0) << quiet.err.toStdString();
    EXPECT_TRUE(quiet.out.contains("VOZAdarova-id")) << "the plug-in's elements are there";
    EXPECT_TRUE(quiet.err.isEmpty()) << quiet.err.toStdString();

    ProbeRun detailed = runProbe({"--list-elements"}, QString(), "details");
    EXPECT_EQ(detailed.exitCode, 0) << detailed.err.toStdString();
    EXPECT_TRUE(detailed.err.contains("Plug-in loaded: Variant Impact Plugin")) << detailed.err.toStdString();
    if (QFile::exists(QString(NX_BINARY_DIR) + "/plugins/libweb_link.so")) {  // it declines without a window
        EXPECT_TRUE(detailed.err.contains("libweb_link.so: nolix_plugin_init returned no plug-in")) << detailed.err.toStdString();
    }
}

// A bare start is a usage error: a short usage on standard error, nothing on standard output
// (which is for the version message only), exit code 2.
TEST(ResourceProbeProgram, NoArgumentsPrintsUsageAndExitsTwo) {
    ProbeRun r = runProbe({});
    EXPECT_EQ(r.exitCode, 2) << r.err.toStdString();
    EXPECT_TRUE(r.err.startsWith("Usage: resource_probe --workflow=FILE")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("resource_probe --help lists every option")) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();

    ProbeRun version = runProbe({"--version"});
    EXPECT_EQ(version.exitCode, 0) << version.err.toStdString();
    EXPECT_TRUE(version.out.startsWith("resource_probe (Nolix variant-impact) ")) << version.out.toStdString();
    EXPECT_TRUE(version.out.contains(QString(", Qt ") + qVersion())) << version.out.toStdString();
    EXPECT_EQ(version.out.count('\n'), 1);
}
TEST(ResourceProbeProgram, ExitCodeIsTheEventLoopsOutcome) {
    const QString testPlugins = QString(NX_BINARY_DIR) + "/test-plugins/probe";
    ProbeRun ok = runProbe({"--probe-ok"}, testPlugins);
    EXPECT_EQ(ok.exitCode, 0) << ok.err.toStdString();

    ProbeRun fail = runProbe({"--probe-ok", "--probe-fail=reference database is missing"}, testPlugins);
    EXPECT_EQ(fail.exitCode, 1);
    EXPECT_TRUE(fail.err.contains("[Tasks] error:")) << fail.err.toStdString();
    EXPECT_TRUE(fail.err.contains("reference database is missing"));

    // The thrown exception is reported and the run still ends normally.
    ProbeRun thrown = runProbe({"--probe-throw"}, testPlugins);
    EXPECT_EQ(thrown.exitCode, 0) << thrown.err.toStdString();
    EXPECT_TRUE(thrown.err.contains("C++ exception")) << thrown.err.toStdString();
}

// --help lists the options of the loaded plug-ins and exits 0; a mistyped option is an error
// that names it, and nothing of the rest of the command line runs.
TEST(ResourceProbeProgram, HelpListsThePluginOptionsAndUnknownOptionsFail) {
    ProbeRun help = runProbe({"--help"});
    EXPECT_EQ(help.exitCode, 0) << help.err.toStdString();
    for (const char* option : {"--workflow=FILE", "--session-db=PATH", "--list-elements", "--test-suite", "--help, -h", "--version"}) {
        EXPECT_TRUE(help.out.contains(option)) << option << "\n" << help.out.toStdString();
    }
    for (const QString& line : help.out.split('\n', Qt::SkipEmptyParts).mid(2)) {
        EXPECT_TRUE(line.startsWith("--")) << line.toStdString();
    }

    ProbeRun shortHelp = runProbe({"-h"});
    EXPECT_EQ(shortHelp.exitCode, 0) << shortHelp.err.toStdString();
    EXPECT_EQ(shortHelp.out, help.out);

    QTemporaryDir dir;
    ProbeRun typo = runProbe({"--worklfow=" + dir.filePath("flow.json"), "--list-elements"});
    EXPECT_NE(typo.exitCode, 0);
    EXPECT_TRUE(typo.err.contains("Unknown command-line option --worklfow")) << typo.err.toStdString();
    EXPECT_FALSE(typo.out.contains("read-variations")) << "nothing else may run";

    const QString testPlugins = QString(NX_BINARY_DIR) + "/test-plugins/probe";
    ProbeRun testOnly = runProbe({"--probe-ok", "--probe-nothing"}, testPlugins);
    EXPECT_NE(testOnly.exitCode, 0);
    EXPECT_TRUE(testOnly.err.contains("--probe-nothing")) << testOnly.err.toStdString();
}

// A failure names what failed, once, and never as an anonymous task.
TEST(ResourceProbeProgram, ErrorLinesNameWhatFailed) {
    QTemporaryDir dir;
    const QString missing = dir.filePath("missing.json");
    ProbeRun r = runProbe({"--workflow=" + missing});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("Workflow " + missing + " failed: ")) << r.err.toStdString();
    EXPECT_FALSE(r.err.contains("Task {")) << r.err.toStdString();
    EXPECT_EQ(r.err.count("[Tasks] error:"), 0) << "the workflow runner reports its own failure: " << r.err.toStdString();

    ProbeRun forgotten = runProbe({QString(NX_SOURCE_DIR) + "/data/workflows/full_demo.json"});
    EXPECT_EQ(forgotten.exitCode, 1);
    EXPECT_TRUE(forgotten.err.contains("Unexpected argument '" + QString(NX_SOURCE_DIR) +
                                       "/data/workflows/full_demo.json': resource_probe takes options only"))
        << forgotten.err.toStdString();

    ProbeRun typo = runProbe({"--bogus"});
    EXPECT_TRUE(typo.err.contains("[Tasks] error: Command line failed: Unknown command-line option --bogus"))
        << typo.err.toStdString();
}

}  // namespace Nx
