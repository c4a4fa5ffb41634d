// The engine drives real workers through real channels, with step tasks run by the real task
// scheduler: handles travel down a chain, task failures and stalls end the run with an error.
#include "TestElements.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxLang/base/BaseSlots.h>
#include <NxLang/engine/BaseWorker.h>
#include <NxLang/engine/WorkflowContext.h>
#include <NxLang/engine/WorkflowMonitor.h>
#include <NxLang/engine/WorkflowRunTask.h>
#include <NxLang/io/WorkflowFileLoader.h>
#include <NxLang/model/Schema.h>
#include <NxLang/registry/LocalDomainFactory.h>
#include <NxLang/registry/WorkflowEnv.h>
#include <NxLang/storage/DbiDataStorage.h>
#include <NxPrivate/tasks/TaskRunner.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace Nx;
using namespace Nx::LocalWorkflow;

QT_BEGIN_NAMESPACE
inline void PrintTo(const QStringList& l, std::ostream* os) { *os << l.join(" | ").toStdString(); }
QT_END_NAMESPACE

namespace {

struct RunResult {
    bool loaded = false;
    QString error;
};

RunResult runJson(const QByteArray& json) {
    TestElements::registerAll();
    TestElements::journal().clear();
    RunResult r;
    QTemporaryDir dir;
    NxOpStatusImpl os;
    QScopedPointer<Schema> schema(WorkflowFileLoader::loadFromData(json, "t.json", dir.path(), {}, os));
    if (schema.isNull()) {
        r.error = os.getError();
        return r;
    }
    r.loaded = true;
    DbiDataStorage storage(NxDbiRef(SQLITE_DBI_ID, dir.filePath("session.s3db")));
    WorkflowMonitor monitor;
    WorkflowContext ctx(schema->getProcesses(), &storage, &monitor, dir.path());
    WorkflowRunTask* t = new WorkflowRunTask(schema.data(), &ctx);
    EXPECT_TRUE(TaskRunner::runAndWait(t, 30000));
    r.error = t->getError();
    delete t;
    return r;
}

const QByteArray CHAIN = R"({"elements": [
    {"name": "src", "type": "t-source", "attributes": {"tracks": "T1,T2"}},
    {"name": "a", "type": "t-pass", "attributes": {"mode": "MODE_A"}},
    {"name": "b", "type": "t-pass", "attributes": {"mode": "MODE_B"}},
    {"name": "sink", "type": "t-sink"}],
  "links": [{"from": "src", "to": "a"}, {"from": "a", "to": "b"}, {"from": "b.out", "to": "sink.in"}]})";

QByteArray chain(const char* modeA, const char* modeB) {
    return QByteArray(CHAIN).replace("MODE_A", modeA).replace("MODE_B", modeB);
}

}  // namespace

TEST(WorkflowEngine, chainOfThreePassesTrackHandlesDownThroughEmptyMessages) {
    RunResult r = runJson(chain("task", "direct"));
    ASSERT_TRUE(r.loaded) << r.error.toStdString();
    EXPECT_TRUE(r.error.isEmpty()) << r.error.toStdString();
    const QStringList j = TestElements::journal();
    // Both elements after the source only ever got empty messages from their predecessor,
    // yet each saw the handle of the track that caused them, in order.
    EXPECT_EQ(j.filter(QRegExp("^a:T")), QStringList({"a:T1:n", "a:T2:n"}));
    EXPECT_EQ(j.filter(QRegExp("^b:T")), QStringList({"b:T1:n", "b:T2:n"}));
    EXPECT_EQ(j.filter(QRegExp("^sink:T")), QStringList({"sink:T1:n", "sink:T2:n"}));
    // finish comes once per worker, after the work.
    EXPECT_EQ(j.filter("a:finish").size(), 1);
    EXPECT_EQ(j.filter("b:finish").size(), 1);
    EXPECT_LT(j.indexOf("sink:T2:n"), j.indexOf("a:finish"));
}

TEST(WorkflowEngine, failingTaskFailsTheRunWithItsText) {
    RunResult r = runJson(chain("task", "fail"));
    ASSERT_TRUE(r.loaded) << r.error.toStdString();
    EXPECT_TRUE(r.error.contains("boom on T1")) << r.error.toStdString();
    EXPECT_TRUE(r.error.contains("\"b\"")) << r.error.toStdString();
    // Nothing reached the sink after the failure of its predecessor.
    EXPECT_TRUE(TestElements::journal().filter(QRegExp("^sink:T")).isEmpty());
}

TEST(WorkflowEngine, stalledRunEndsWithErrorNamingTheWaitingElements) {
    RunResult r = runJson(chain("direct", "hold"));
    ASSERT_TRUE(r.loaded) << r.error.toStdString();
    EXPECT_TRUE(r.error.contains("cannot go on")) << r.error.toStdString();
    EXPECT_TRUE(r.error.contains("\"b\"")) << r.error.toStdString();
    EXPECT_TRUE(r.error.contains("\"sink\"")) << r.error.toStdString();
    EXPECT_FALSE(r.error.contains("\"a\"")) << r.error.toStdString();
}

// The run checks of every element run before the first step; one error lists each problem
// once, with every element that has it, and no worker has stepped.
TEST(WorkflowEngine, runChecksRefuseTheRunBeforeAnyStepListingEveryProblem) {
    QTemporaryDir dir;
    const QString there = dir.filePath("there.txt");
    QFile(there).open(QIODevice::WriteOnly);
    const QString missing = dir.filePath("missing.txt");
    const QString other = dir.filePath("other.txt");
    const QByteArray json = QString(R"({"elements": [
        {"name": "src", "type": "t-source", "attributes": {"tracks": "T1"}},
        {"name": "a", "type": "t-checked", "attributes": {"needs": "%1;%2"}},
        {"name": "b", "type": "t-checked", "attributes": {"needs": "%2;%3"}},
        {"name": "c", "type": "t-checked", "attributes": {"needs": "%1"}},
        {"name": "sink", "type": "t-sink"}],
      "links": [{"from": "src", "to": "a"}, {"from": "a", "to": "b"}, {"from": "b", "to": "c"},
                {"from": "c.out", "to": "sink.in"}]})")
                                .arg(there, missing, other)
                                .toUtf8();
    RunResult r = runJson(json);
    ASSERT_TRUE(r.loaded) << r.error.toStdString();
    EXPECT_EQ(r.error, "The workflow was not started; found before the first element ran:\n"
                       "  \"a\", \"b\": no file " + missing + "\n"
                       "  \"b\": no file " + other);
    EXPECT_TRUE(TestElements::journal().isEmpty()) << TestElements::journal().join(", ").toStdString();

    QFile(missing).open(QIODevice::WriteOnly);
    QFile(other).open(QIODevice::WriteOnly);
    r = runJson(json);
    EXPECT_TRUE(r.error.isEmpty()) << r.error.toStdString();
    EXPECT_TRUE(TestElements::journal().contains("sink:T1:n")) << TestElements::journal().join(", ").toStdString();
}

TEST(WorkflowEngine, attributeScriptChangesTheValueTheWorkerReads) {
    QByteArray json = chain("direct", "direct");
    json.replace(R"J("type": "t-sink")J", R"J("type": "t-sink", "attributes": {"note": {"script": "value.toUpperCase() + (20 + 1) + typeof variation_track"}})J");
    RunResult r = runJson(json);
    ASSERT_TRUE(r.loaded) << r.error.toStdString();
    EXPECT_TRUE(r.error.isEmpty()) << r.error.toStdString();
    // The stored value "n" went through the script, which also saw the message's slot.
    EXPECT_EQ(TestElements::journal().filter(QRegExp("^sink:T")), QStringList({"sink:T1:N21object", "sink:T2:N21object"}));
}

TEST(WorkflowEngine, failingAttributeScriptFailsTheRun) {
    QByteArray json = chain("direct", "direct");
    json.replace(R"J("type": "t-sink")J", R"J("type": "t-sink", "attributes": {"note": {"script": "noSuchFunction()"}})J");
    RunResult r = runJson(json);
    ASSERT_TRUE(r.loaded) << r.error.toStdString();
    EXPECT_TRUE(r.error.contains("note")) << r.error.toStdString();
    EXPECT_TRUE(r.error.contains("noSuchFunction")) << r.error.toStdString();
}

// Drives one worker by hand over channels wired like the engine does.
TEST(WorkflowEngine, workerIsDoneOnlyWhenItsInputHasEndedAndIsEmpty) {
    TestElements::registerAll();
    TestElements::journal().clear();
    QScopedPointer<Actor> actor(WorkflowEnv::getProtoRegistry()->getProto("t-sink")->createInstance("sink"));
    IntegralBus upstream("out", false);
    IntegralBus in("in", true);
    upstream.addReceiver(&in);
    actor->getPort("in")->setPeer(&in);
    QScopedPointer<Worker> w(WorkflowEnv::getDomainRegistry()->getById(LocalDomainFactory::ID)->makeWorker(actor.data()));
    ASSERT_FALSE(w.isNull());
    w->start();
    EXPECT_FALSE(w->isReady());  // nothing waits, input open

    upstream.put(Message::getEmptyMapMessage());
    EXPECT_TRUE(w->isReady());
    w->step();
    EXPECT_FALSE(w->isDone());  // input drained but not ended
    EXPECT_FALSE(w->isReady());

    upstream.put(Message::getEmptyMapMessage());
    upstream.setEnded();
    EXPECT_TRUE(in.isEnded());
    EXPECT_TRUE(in.hasMessage());
    EXPECT_TRUE(w->isReady());
    w->step();
    EXPECT_TRUE(w->isDone());
    EXPECT_FALSE(w->isReady());
    EXPECT_EQ(TestElements::journal().size(), 2);
}

TEST(WorkflowEngine, outputContextMergesUnderTheMessagesOwnSlots) {
    IntegralBus out("out", false);
    IntegralBus in("in", true);
    out.addReceiver(&in);
    out.setContext({{"a", 1}, {"b", 2}});
    out.put(Message(DataTypePtr(), QVariantMap({{"b", 3}})));
    const QVariantMap got = in.get().getData().toMap();
    EXPECT_EQ(got.value("a").toInt(), 1);
    EXPECT_EQ(got.value("b").toInt(), 3);  // the message's own slot wins
    EXPECT_EQ(in.takenMessages(), 1);
    EXPECT_FALSE(in.isEnded());
    out.setEnded();
    EXPECT_TRUE(in.isEnded());
}

TEST(WorkflowEngine, neverStepsAWorkerWhileItsTaskRuns) {
    QByteArray json = chain("slow", "direct");
    json.replace(R"J("mode": "slow")J", R"J("mode": "slow", "count": 20)J");
    RunResult r = runJson(json);
    ASSERT_TRUE(r.loaded) << r.error.toStdString();
    EXPECT_TRUE(r.error.isEmpty()) << r.error.toStdString();
    EXPECT_TRUE(TestElements::journal().filter("while its task ran").isEmpty()) << TestElements::journal().join(" ").toStdString();
    EXPECT_EQ(TestElements::journal().filter(QRegExp("^sink:T")).size(), 2);
}

TEST(WorkflowEngine, canceledRunEndsAfterItsTasksWithCancelError) {
    TestElements::registerAll();
    TestElements::journal().clear();
    QTemporaryDir dir;
    QByteArray json = chain("slow", "direct");
    json.replace(R"J("mode": "slow")J", R"J("mode": "slow", "count": 1000000)J");
    NxOpStatusImpl os;
    QScopedPointer<Schema> schema(WorkflowFileLoader::loadFromData(json, "t.json", dir.path(), {}, os));
    ASSERT_FALSE(schema.isNull()) << os.getError().toStdString();
    DbiDataStorage storage(NxDbiRef(SQLITE_DBI_ID, dir.filePath("session.s3db")));
    WorkflowMonitor monitor;
    WorkflowContext ctx(schema->getProcesses(), &storage, &monitor, dir.path());
    auto* t = new WorkflowRunTask(schema.data(), &ctx);
    // The slow task never ends on its own: only the cancel can end the run.
    QTimer::singleShot(20, t, [t] { t->cancel(); });
    EXPECT_TRUE(TaskRunner::runAndWait(t, 30000));
    EXPECT_TRUE(t->getError().contains("canceled")) << t->getError().toStdString();
    EXPECT_TRUE(TestElements::journal().filter(QRegExp("^sink:T")).isEmpty());
    EXPECT_EQ(TestElements::journal().filter("a:finish").size(), 1);
    delete t;
}
