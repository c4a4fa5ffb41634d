// The script request task and its answer parser: the command line built from a request, a
// refused request, and real Python runs (answers, exact arguments, lines split across writes,
// failing and missing scripts).
#include "RequestTestSupport.h"

#include <RequestForSnpTask.h>
#include <SnpRequestKeys.h>
#include <SnpResponseLogParser.h>

#include <NxCore/log/Logger.h>
#include <NxCore/tasks/ExternalToolRunTask.h>
#include <NxPrivate/tasks/TaskRunner.h>

#include <gtest/gtest.h>

#include <memory>

using namespace Nx;
using namespace Nx::RequestTestSupport;

namespace {

QVariantMap parse(const QStringList& chunks) {
    SnpResponseLogParser p;
    for (const QString& c : chunks) {
        p.parseOutputChunk(c);
    }
    return p.getResults();
}

std::unique_ptr<RequestForSnpTask> runRequest(const QString& script, const QVariantMap& request) {
    ensureApplication();
    std::unique_ptr<RequestForSnpTask> t(new RequestForSnpTask(script, request, snv(10, "A", "G")));
    EXPECT_TRUE(TaskRunner::runAndWait(t.get(), 60000));
    return t;
}

}  // namespace

TEST(SnpResponseLogParserTest, KeyEndsAtTheFirstColonAndALineWithoutColonIsItsOwnKey) {
    QVariantMap r = parse({"PRESENT:yes\nOTHER:1:2\nno colon here\nSPACED: v \n"});
    EXPECT_EQ(r.value("PRESENT").toString(), "yes");
    EXPECT_EQ(r.value("OTHER").toString(), "1:2");
    EXPECT_EQ(r.value("no colon here").toString(), "no colon here");
    // Only the line is trimmed: the blank after the colon stays.
    EXPECT_EQ(r.value("SPACED").toString(), " v");
    EXPECT_EQ(r.size(), 4);
    // A later line replaces an earlier one, also across chunks.
    r = parse({"PRESENT:yes\n", "PRESENT:no\n"});
    EXPECT_EQ(r.value("PRESENT").toString(), "no");
}

TEST(SnpResponseLogParserTest, CarriageReturnsAndBlankLinesGiveTheSameAnswer) {
    const QVariantMap plain = parse({"PRESENT:yes\nOTHER:1:2\n"});
    const QVariantMap crlf = parse({"\r\n\r\nPRESENT:yes\r\n   \r\n\nOTHER:1:2\r\n\r\n"});
    EXPECT_EQ(plain, crlf);
    EXPECT_EQ(crlf.value("OTHER").toString(), "1:2");
}

TEST(RequestForSnpTaskTest, ArgumentsFollowAscendingKeyOrderWithoutFeatureId) {
    ensureApplication();
    QVariantMap request;  // inserted as featureID, -t, -p, -s
    request.insert(SnpRequestKeys::FEATURE_ID, QByteArray("ENST1"));
    request.insert(SnpRequestKeys::PROT1D_SUBSTITUTION, "W");
    request.insert(SnpRequestKeys::PROT1D_POSITION, 17);
    request.insert(SnpRequestKeys::PROT1D_SEQUENCE, ">seq\nMKW");
    RequestForSnpTask t("/s/protstability1d.py", request, snv(1, "A", "C"));
    EXPECT_EQ(t.getArguments(), QStringList({"/s/protstability1d.py", "-p", "17", "-s", ">seq\nMKW", "-t", "W"}));
    EXPECT_EQ(t.getFeatureId(), QByteArray("ENST1"));
    EXPECT_FALSE(t.getInputData().contains(SnpRequestKeys::FEATURE_ID));
    ASSERT_EQ(t.getSubtasks().size(), 1);
    auto* run = qobject_cast<ExternalToolRunTask*>(t.getSubtasks().first());
    ASSERT_NE(run, nullptr);
    EXPECT_EQ(run->getArguments(), t.getArguments());
    EXPECT_EQ(t.getTaskName(), "Request to remote server for SNP analysis");

    QVariantMap rsnp;
    rsnp.insert(SnpRequestKeys::RSNP_SECOND_SEQUENCE, "ACGT");
    rsnp.insert(SnpRequestKeys::RSNP_FIRST_SEQUENCE, "ACTT");
    rsnp.insert(SnpRequestKeys::RSNP_SECOND_SITE_STATE, 1);
    rsnp.insert(SnpRequestKeys::RSNP_SIGNIFICANCE, 2);
    rsnp.insert(SnpRequestKeys::RSNP_FIRST_SITE_STATE, 0);
    RequestForSnpTask r("/s/rsnp.py", rsnp, snv(1, "A", "C"));
    EXPECT_EQ(r.getArguments(), QStringList({"/s/rsnp.py", "--sign", "2", "--snpdm1", "0", "--snpdm2", "1", "-f", "ACTT",
                                             "-s", "ACGT"}));
    EXPECT_TRUE(r.getFeatureId().isEmpty());
}

TEST(RequestForSnpTaskTest, ARequestWithAValueThatIsNoTextRunsNothingAndFinishesWithoutAnswer) {
    ensureApplication();
    LogCapture log;
    QVariantMap request;
    request.insert("-a", "fine");
    request.insert("-b", QVariantList{1, 2});
    std::unique_ptr<RequestForSnpTask> t(runRequest("/nonexistent/never-run.py", request));
    EXPECT_TRUE(t->isRefused());
    EXPECT_TRUE(t->isFinished());
    EXPECT_FALSE(t->hasError()) << t->getError().toStdString();
    EXPECT_TRUE(t->getSubtasks().isEmpty());
    EXPECT_TRUE(t->getResults().isEmpty());
    EXPECT_TRUE(log.contains("Core Services", LogLevel_ERROR, "Trying to recover from error: Invalid argument passed to script"));
}

TEST(RequestForSnpTaskTest, RealScriptSeesExactlyItsArgumentsAndItsAnswerIsParsed) {
    ensureApplication();
    Sandbox box;
    const QString script = box.writeScript("echo.py",
                                           "import sys\n"
                                           "sys.stdout.write('PRESENT:yes\\r\\n\\r\\nOTHER:1:2\\n')\n"
                                           "sys.stdout.write('ARGS:' + '|'.join(sys.argv[1:]) + '\\n')\n");
    QVariantMap request;
    request.insert(SnpRequestKeys::FEATURE_ID, "F1");
    request.insert("-s", "two words");
    request.insert("--sign", 3);
    std::unique_ptr<RequestForSnpTask> t(runRequest(script, request));
    ASSERT_FALSE(t->hasError()) << t->getError().toStdString();
    const QVariantMap r = t->getResults();
    EXPECT_EQ(r.value("PRESENT").toString(), "yes");
    EXPECT_EQ(r.value("OTHER").toString(), "1:2");
    EXPECT_EQ(r.value("ARGS").toString(), "--sign|3|-s|two words");
}

TEST(RequestForSnpTaskTest, ALineWrittenInTwoPartsReachesTheParserWhole) {
    ensureApplication();
    Sandbox box;
    const QString script = box.writeScript("slow.py",
                                           "import sys, time\n"
                                           "sys.stdout.write('STABILITY_1D:0.'); sys.stdout.flush(); time.sleep(0.4)\n"
                                           "sys.stdout.write('75\\nLAST:no line end'); sys.stdout.flush()\n");
    std::unique_ptr<RequestForSnpTask> t(runRequest(script, QVariantMap()));
    ASSERT_FALSE(t->hasError()) << t->getError().toStdString();
    EXPECT_EQ(t->getResults().value("STABILITY_1D").toString(), "0.75");
    EXPECT_EQ(t->getResults().value("LAST").toString(), "no line end");
}

TEST(RequestForSnpTaskTest, FailingOrMissingScriptFailsTheTaskWithAnErrorNamingTheTool) {
    ensureApplication();
    Sandbox box;
    const QString failing = box.writeScript("fail.py",
                                            "import sys\nprint('PRESENT:yes')\n"
                                            "sys.stderr.write('model file is missing\\n')\nsys.exit(3)\n");
    std::unique_ptr<RequestForSnpTask> t(runRequest(failing, QVariantMap()));
    ASSERT_TRUE(t->hasError());
    EXPECT_TRUE(t->getError().contains("'python'")) << t->getError().toStdString();
    EXPECT_TRUE(t->getError().contains("code 3")) << t->getError().toStdString();
    EXPECT_TRUE(t->getError().contains("model file is missing")) << t->getError().toStdString();

    std::unique_ptr<RequestForSnpTask> missing(runRequest(box.dir.filePath("data/snp_scripts/absent.py"), QVariantMap()));
    ASSERT_TRUE(missing->hasError());
    EXPECT_TRUE(missing->getError().contains("'python'")) << missing->getError().toStdString();
    EXPECT_TRUE(missing->getError().contains("absent.py")) << missing->getError().toStdString();
}
