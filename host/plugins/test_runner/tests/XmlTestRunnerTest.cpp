// The XML test runner as users start it: resource_probe --test-suite with the built plug-ins
// (the variant-impact plug-in brings the "find-in-snp-result-table" element): one line per test,
// the closing count, the exit code, and the errors of bad suites.
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct ProbeRun {
    int exitCode = -1;
    QString out;
    QString err;
};

ProbeRun probe(const QStringList& args) {
    QProcess p;
    p.start(QString(NX_BINARY_DIR) + "/bin/resource_probe", args);
    ProbeRun r;
    if (!p.waitForFinished(60000)) {
        p.kill();
        return r;
    }
    r.exitCode = p.exitCode();
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

void write(const QString& path, const QByteArray& text) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

const QByteArray CHECK = "<find-in-snp-result-table file_name='r.tsv' report_type='regulatory' chr_name='chr1' "
                         "allele='A/C' gene_id='P' pos='5' column_name='promoterPos' expected_value='%1'/>";

QByteArray check(const char* expected) {
    return QByteArray(CHECK).replace("%1", expected);
}

class XmlTestRunnerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        write(dir.filePath("r.tsv"), "#header\nchr1\t5\tA/C\t-\tP\t\t-3\t-\t-\t-\t-\t-\t-\t-\t-\t-\n");
    }
    QTemporaryDir dir;
};

TEST_F(XmlTestRunnerTest, OneFailingTestAmongPassingOnesFailsTheRun) {
    write(dir.filePath("suite.xml"), "<suite name='s'>\n<test name='right'>" + check("-3") +
                                         "</test>\n<test name='wrong'>" + check("-4") + "</test>\n<test name='right again'>" +
                                         check("-3") + "</test>\n</suite>\n");
    ProbeRun r = probe({"--test-suite=" + dir.filePath("suite.xml"), "--test-env", "TEMP_DATA_DIR=" + dir.path()});
    EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
    EXPECT_EQ(r.out, "PASS s/right\nFAIL s/wrong: Values do not match. Current:-3. Expected:-4\nPASS s/right again\n"
                     "2 passed, 1 failed\n");

    write(dir.filePath("suite.xml"), "<suite name='s'><test name='right'>" + check("-3") + "</test></suite>");
    r = probe({"--test-suite=" + dir.path(), "--test-env", "TEMP_DATA_DIR=" + dir.path()});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "PASS s/right\n1 passed, 0 failed\n");
}

TEST_F(XmlTestRunnerTest, TheProcessEnvironmentGivesTempDataDir) {
    write(dir.filePath("suite.xml"), "<suite name='s'><test name='right'>" + check("-3") + "</test></suite>");
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TEMP_DATA_DIR", dir.path());
    p.setProcessEnvironment(env);
    p.start(QString(NX_BINARY_DIR) + "/bin/resource_probe", {"--test-suite=" + dir.filePath("suite.xml")});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_EQ(QString::fromLocal8Bit(p.readAllStandardOutput()), "PASS s/right\n1 passed, 0 failed\n");
}

TEST_F(XmlTestRunnerTest, BadSuitesAreNamedAndFailTheRun) {
    write(dir.filePath("broken.xml"), "<suite name='s'>\n<test name='t'>\n<unclosed>\n</suite>\n");
    ProbeRun r = probe({"--test-suite=" + dir.filePath("broken.xml")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(dir.filePath("broken.xml") + ":4:")) << r.err.toStdString();
    EXPECT_FALSE(r.out.contains("passed"));

    write(dir.filePath("unknown.xml"), "<suite name='s'><test name='t'><no-such-check a='1'/></test></suite>");
    r = probe({"--test-suite=" + dir.filePath("unknown.xml")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.contains("FAIL s/t: line 1: ")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("no-such-check")) << r.out.toStdString();
    EXPECT_TRUE(r.out.endsWith("0 passed, 1 failed\n"));

    write(dir.filePath("missing.xml"), "<suite name='s'><test name='t'><find-in-snp-result-table file_name='r.tsv'/>"
                                       "</test></suite>");
    r = probe({"--test-suite=" + dir.filePath("missing.xml")});
    EXPECT_TRUE(r.out.contains("FAIL s/t: Mandatory attribute not set: chr_name")) << r.out.toStdString();

    r = probe({"--test-suite=" + dir.filePath("nothing-here.xml")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("nothing-here.xml")) << r.err.toStdString();

    r = probe({"--test-env", "TEMP_DATA_DIR=/tmp"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("--test-env is only meaningful with --test-suite")) << r.err.toStdString();
}

// Suites a hostile or careless user can write: each is refused before parsing, naming the file
// and line, and the run fails without a closing count.
TEST_F(XmlTestRunnerTest, HostileSuitesAreRefusedWithTheirLine) {
    const QString path = dir.filePath("hostile.xml");
    auto refused = [&](const QByteArray& text, const QString& expected) {
        write(path, text);
        ProbeRun r = probe({"--test-suite=" + path, "--test-env", "TEMP_DATA_DIR=" + dir.path()});
        EXPECT_EQ(r.exitCode, 1) << expected.toStdString();
        EXPECT_TRUE(r.err.contains(path + expected)) << expected.toStdString() << "\n" << r.err.toStdString();
        EXPECT_FALSE(r.out.contains("passed")) << r.out.toStdString();
    };
    // One entity declared once and referenced 100,000 times: 300 KB that would expand to 1 GB.
    QByteArray many = "<?xml version='1.0'?>\n<!DOCTYPE suite [\n<!ENTITY big \"" + QByteArray(10000, 'x') +
                      "\">\n]>\n<suite name='s'>\n<test name='t'>" + check("-3") + "</test>\n<env name='X' value='";
    for (int i = 0; i < 100000; i++) {
        many += "&big;";
    }
    many += "'/>\n</suite>\n";
    refused(many, ":7: entity references expand to more than 1048576 characters (at 'big', declared on line 3)");

    QByteArray laughs = "<!DOCTYPE suite [\n<!ENTITY a \"aaaaaaaaaa\">\n";
    for (char c = 'b'; c <= 'j'; c++) {
        laughs += QByteArray("<!ENTITY ") + c + " \"" + QByteArray(10, '&').replace("&", QByteArray("&") + char(c - 1) + ";") + "\">\n";
    }
    laughs += "]>\n<suite name='s'><test name='t'>" + check("-3") + "</test><env name='X' value='&j;'/></suite>\n";
    refused(laughs, ":13: entity references expand to more than");

    refused("<!DOCTYPE suite [\n<!ENTITY a \"x&b;\">\n<!ENTITY b \"&a;\">\n]><suite name='s'/>", ":2: entity 'a' refers to itself");
    refused("<!DOCTYPE suite [\n\n<!ENTITY e SYSTEM \"/etc/passwd\">\n]><suite name='s'/>", ":3: external entity 'e' is not read");
    refused("<!DOCTYPE suite [\n<!ENTITY % p \"x\">\n]><suite name='s'/>", ":2: parameter entity 'p' is not allowed");
    QByteArray nul = "<suite name='s'>\n<test name='t'>" + check("-3") + "</test>\n<!-- ";
    nul += '\0';
    refused(nul + " -->\n</suite>\n", ":3: a NUL byte");
    refused("<suite name='s'>\n\n<test name='t\x01'>" + check("-3") + "</test></suite>\n", ":3: control character 0x01 is not allowed");
    refused("<suite name='s'>\n<test name='caf\xe9'>" + check("-3") + "</test></suite>\n", ":2: invalid UTF-8 (byte 0xE9)");
    refused("<?xml version='1.0' encoding='ISO-8859-1'?>\n<suite name='s'/>\n", ":1: encoding \"ISO-8859-1\" is not read");

    // Nothing to check is not a success.
    refused("<suite name='empty'>\n  <env name='TEMP_DATA_DIR' value='/x'/>\n</suite>\n", ":1: suite 'empty' holds no <test>");

    // Entities within the limit, and UTF-8 text, are read as usual.
    write(path, "<?xml version='1.0' encoding='UTF-8'?>\n<!DOCTYPE suite [\n<!ENTITY value \"-3\">\n]>\n"
                "<suite name='s'><test name='caf\xc3\xa9'>" + check("&value;") + "</test></suite>\n");
    ProbeRun ok = probe({"--test-suite=" + path, "--test-env", "TEMP_DATA_DIR=" + dir.path()});
    EXPECT_EQ(ok.exitCode, 0) << ok.err.toStdString();
    EXPECT_EQ(ok.out, QString::fromUtf8("PASS s/caf\xc3\xa9\n1 passed, 0 failed\n"));
}

}  // namespace
