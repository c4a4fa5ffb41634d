// The request worker base as the engine drives it, over real channels, a real workflow
// database and the real scheduler: empty tracks, batches of answers, the stored attribute names,
// failed groups, and one run of a real Python script through prepareRequests.
#include "RequestTestSupport.h"

#include <BaseRequestForSnpWorker.h>
#include <BaseSnpAnnotationTask.h>
#include <SnpRequestKeys.h>
#include <element_pattern/SnpElementPattern.h>

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/tasks/SequentialMultiTask.h>
#include <NxLang/base/BasePorts.h>
#include <NxLang/base/BaseSlots.h>
#include <NxLang/datatype/BaseTypes.h>
#include <NxLang/engine/IntegralBus.h>
#include <NxLang/engine/WorkflowContext.h>
#include <NxLang/engine/WorkflowMonitor.h>
#include <NxLang/model/Actor.h>
#include <NxLang/storage/DbiDataStorage.h>
#include <NxPrivate/core/AppContextImpl.h>
#include <NxPrivate/tasks/TaskRunner.h>

#include <gtest/gtest.h>

#include <QFileInfo>

#include <functional>
#include <memory>

using namespace Nx;
using namespace Nx::LocalWorkflow;
using namespace Nx::RequestTestSupport;

namespace {

// Answers in-process with its own request: every entry comes back as result; "FAIL" fails it.
class EchoTask : public BaseSnpAnnotationTask {
public:
    EchoTask(const QVariantMap& request, const NxVariant& v) : BaseSnpAnnotationTask(request, v) {
        setFlag(TaskFlag_NoRun);
    }
    void prepare() override {
        if (inputData.contains("FAIL")) {
            setError("asked to fail");
        }
    }
    QVariantMap getResults() const override { return inputData; }
};

// A request element of its own: requests come from a function of the variation; useEcho runs
// them in-process, otherwise the base runs the script.
class TestWorker : public BaseRequestForSnpWorker {
public:
    using BaseRequestForSnpWorker::BaseRequestForSnpWorker;

    std::function<QList<QVariantMap>(const NxVariant&)> requests;
    QStringList keys{SnpRequestKeys::PROT1D_RESULT};
    QString script = "answer.py";
    bool useEcho = true;

protected:
    QList<QVariantMap> prepareRequests(const NxVariant& v, const NxVariantTrack&, NxDbi*) override { return requests(v); }
    QStringList getResultKeys() const override { return keys; }
    QString getScriptName() const override { return script; }
    QList<Task*> createRequestTasks(const NxVariant& v, const NxVariantTrack& t, NxDbi* db) override {
        if (!useEcho) {
            return BaseRequestForSnpWorker::createRequestTasks(v, t, db);
        }
        QList<Task*> tasks;
        for (const QVariantMap& r : requests(v)) {
            auto* task = new EchoTask(r, v);
            connect(task, &Task::si_stateChanged, this, &TestWorker::sl_taskFinished);
            tasks << task;
        }
        return tasks;
    }
};

class RequestWorkerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ensureApplication();
        AppContextImpl::getApplicationContext()->setWorkingDirectoryPath(box.workingDirectory);
        proto.reset(new IntegralBusActorPrototype(Descriptor("test-request"), SnpElementPattern::createPorts(true),
                                                  {SnpElementPattern::createDbPathAttribute()}));
        actor.reset(proto->createInstance("request"));
        actor->setParameter("db_path", QString());
        upstream.addReceiver(&in);
        out.addReceiver(&downstream);
        storage.reset(new DbiDataStorage(box.sessionRef));
        context.reset(new WorkflowContext({actor.get()}, storage.get(), &monitor, QString()));
        worker.reset(new TestWorker(actor.get()));
        worker->bindPorts({{BasePorts::IN_VARIATION_TRACK_PORT_ID(), &in}, {BasePorts::OUT_VARIATION_TRACK_PORT_ID(), &out}});
        worker->setContext(context.get());
        worker->start();
    }

    void TearDown() override {
        worker.reset();
        qDeleteAll(tasks);
    }

    QList<NxVariant> sendTrack(int count, qint64 firstPos = 100) {
        QList<NxVariant> vars;
        for (int i = 0; i < count; ++i) {
            vars << snv(firstPos + i, "A", "G");
        }
        NxVariantTrack t = box.addTrack(vars);
        QVariantMap data;
        data[BaseSlots::VARIATION_TRACK_SLOT().getId()] = QVariant::fromValue(storage->putVariantTrack(t.id));
        upstream.put(Message(BaseTypes::ANY_TYPE(), data));
        return vars;
    }

    // One step; runs the returned task to its end (onStart sees it before it runs).
    Task* stepAndRun(const std::function<void(Task*)>& onStart = nullptr) {
        Task* t = worker->step();
        if (t != nullptr) {
            tasks << t;
            if (onStart) {
                onStart(t);
            }
            EXPECT_TRUE(TaskRunner::runAndWait(t, 120000));
        }
        return t;
    }

    Sandbox box;
    std::unique_ptr<ActorPrototype> proto;
    std::unique_ptr<Actor> actor;
    IntegralBus upstream{"up", false};
    IntegralBus in{BasePorts::IN_VARIATION_TRACK_PORT_ID(), true};
    IntegralBus out{BasePorts::OUT_VARIATION_TRACK_PORT_ID(), false};
    IntegralBus downstream{"down", true};
    std::unique_ptr<DbiDataStorage> storage;
    WorkflowMonitor monitor;
    std::unique_ptr<WorkflowContext> context;
    std::unique_ptr<TestWorker> worker;
    QList<Task*> tasks;
};

QVariantMap answer(const QString& value, const QByteArray& featureId = QByteArray()) {
    QVariantMap m{{SnpRequestKeys::PROT1D_RESULT, value}};
    if (!featureId.isEmpty()) {
        m[SnpRequestKeys::FEATURE_ID] = featureId;
    }
    return m;
}

}  // namespace

TEST_F(RequestWorkerTest, TracksWithoutVariationsOrWithoutRequestsSendOneEmptyMessageAtOnce) {
    worker->requests = [](const NxVariant&) { return QList<QVariantMap>(); };
    sendTrack(0);
    EXPECT_EQ(stepAndRun(), nullptr);
    EXPECT_EQ(downstream.hasMessages(), 1);

    sendTrack(5);
    EXPECT_EQ(stepAndRun(), nullptr);
    EXPECT_EQ(downstream.hasMessages(), 2);
    // The empty message reaches the next element with the track handle of the message taken.
    EXPECT_TRUE(downstream.get().getData().toMap().contains(BaseSlots::VARIATION_TRACK_SLOT().getId()));

    // The input ends: the worker is done and ends its output.
    EXPECT_FALSE(worker->isDone());
    upstream.setEnded();
    EXPECT_EQ(stepAndRun(), nullptr);
    EXPECT_TRUE(worker->isDone());
    EXPECT_TRUE(out.isEnded());
}

TEST_F(RequestWorkerTest, AThousandVariationsAreWrittenWhileTheGroupRunsAndTheRestAtItsEnd) {
    worker->requests = [](const NxVariant& v) { return QList<QVariantMap>{answer(QString::number(v.startPos))}; };
    QList<NxVariant> vars = sendTrack(1500);
    int writtenBeforeTask1001 = -1;
    int writtenBeforeTask1000 = -1;
    Task* group = stepAndRun([&](Task* t) {
        ASSERT_NE(qobject_cast<SequentialMultiTask*>(t), nullptr);
        ASSERT_EQ(t->getSubtaskCount(), 1500);
        for (int i : {999, 1000}) {
            Task* sub = t->getSubtaskAt(i);
            int* seen = i == 999 ? &writtenBeforeTask1000 : &writtenBeforeTask1001;
            QObject::connect(sub, &Task::si_stateChanged, t, [this, sub, seen] {
                if (sub->getState() == Task::State_Prepared) {
                    *seen = box.attributeCount();
                }
            });
        }
    });
    ASSERT_NE(group, nullptr);
    EXPECT_FALSE(group->hasError()) << group->getError().toStdString();
    EXPECT_EQ(writtenBeforeTask1000, 0);
    EXPECT_EQ(writtenBeforeTask1001, 1000);
    EXPECT_EQ(box.attributeCount(), 1500);
    EXPECT_EQ(box.attributes(vars[1499].id).value("STABILITY_1D"), QString::number(vars[1499].startPos));
    EXPECT_EQ(downstream.hasMessages(), 1);
    EXPECT_TRUE(worker->getPendingResults().isEmpty());
    // The group freed its finished subtasks as it went.
    EXPECT_EQ(group->getSubtaskCount(), 0);
}

TEST_F(RequestWorkerTest, TheThresholdCountsVariationsNotAnswers) {
    // Three answers for each of 999 variations: 2997 answers pending, still under the threshold.
    worker->requests = [](const NxVariant&) {
        return QList<QVariantMap>{answer("a", "F1"), answer("b", "F2"), answer("c", "F3")};
    };
    sendTrack(999);
    int writtenBeforeLast = -1;
    stepAndRun([&](Task* t) {
        Task* last = t->getSubtaskAt(t->getSubtaskCount() - 1);
        QObject::connect(last, &Task::si_stateChanged, t, [&, last] {
            if (last->getState() == Task::State_Prepared) {
                writtenBeforeLast = box.attributeCount();
            }
        });
    });
    EXPECT_EQ(writtenBeforeLast, 0);
    EXPECT_EQ(box.attributeCount(), 2997);
}

TEST_F(RequestWorkerTest, StoredNamesCarryTheFeatureAndAMissingFirstKeyStopsTheRecord) {
    worker->keys = QStringList{SnpRequestKeys::PROT1D_RESULT, "SECOND"};
    worker->requests = [](const NxVariant& v) {
        switch (v.startPos) {
            case 100: return QList<QVariantMap>{answer("0.5", "F1")};
            case 101: return QList<QVariantMap>{{{"SECOND", "x"}}};                    // first key missing
            case 102: return QList<QVariantMap>{{{SnpRequestKeys::PROT1D_RESULT, "1"}, {"SECOND", "2"}}};
            default: return QList<QVariantMap>{{{SnpRequestKeys::PROT1D_RESULT, ""}, {"SECOND", "2"}}};  // empty
        }
    };
    QList<NxVariant> vars = sendTrack(4);
    Task* group = stepAndRun();
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(box.attributes(vars[0].id), (QMap<QString, QString>{{"STABILITY_1D:F1", "0.5"}}));
    EXPECT_TRUE(box.attributes(vars[1].id).isEmpty());
    EXPECT_EQ(box.attributes(vars[2].id), (QMap<QString, QString>{{"STABILITY_1D", "1"}, {"SECOND", "2"}}));
    EXPECT_TRUE(box.attributes(vars[3].id).isEmpty());
}

TEST_F(RequestWorkerTest, AFailedGroupWritesNothingAndSendsNoMessage) {
    worker->requests = [](const NxVariant& v) {
        QVariantMap m = answer("ok");
        if (v.startPos == 102) {
            m["FAIL"] = 1;
        }
        return QList<QVariantMap>{m};
    };
    sendTrack(5);
    Task* group = stepAndRun();
    ASSERT_NE(group, nullptr);
    EXPECT_TRUE(group->hasError());
    EXPECT_EQ(downstream.hasMessages(), 0);
    EXPECT_EQ(box.attributeCount(), 0);
    worker->finish();
    EXPECT_TRUE(worker->getPendingResults().isEmpty());
}

TEST_F(RequestWorkerTest, TheBaseRunsTheElementsScriptFromTheScriptFolder) {
    box.writeScript("answer.py",
                    "import sys\n"
                    "args = sys.argv[1:]\n"
                    "print('STABILITY_1D:' + ' '.join(args))\n");
    worker->useEcho = false;
    worker->requests = [](const NxVariant& v) {
        return QList<QVariantMap>{{{SnpRequestKeys::FEATURE_ID, "G7"}, {"-p", v.startPos}, {"-t", "W"}}};
    };
    EXPECT_EQ(worker->getScriptPath(), QFileInfo(box.dir.filePath("data/snp_scripts/answer.py")).absoluteFilePath());
    QList<NxVariant> vars = sendTrack(2);
    Task* group = stepAndRun();
    ASSERT_NE(group, nullptr);
    EXPECT_FALSE(group->hasError()) << group->getError().toStdString();
    EXPECT_EQ(box.attributes(vars[0].id).value("STABILITY_1D:G7"), "-p 100 -t W");
    EXPECT_EQ(box.attributes(vars[1].id).value("STABILITY_1D:G7"), "-p 101 -t W");
    EXPECT_EQ(downstream.hasMessages(), 1);
}

TEST_F(RequestWorkerTest, AMessageWithoutTheTrackSlotFailsTheStep) {
    upstream.put(Message(BaseTypes::ANY_TYPE(), QVariantMap{{"other", 1}}));
    std::unique_ptr<Task> t(worker->step());
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->getError(), "Variations slot is empty");
    EXPECT_EQ(downstream.hasMessages(), 0);
}
