// The request worker base as the engine drives it, over real channels, a real workflow
// database and the real scheduler: empty tracks, windows and batches of answers, the stored
// attribute names, failed requests and answers that would break a report, the errors that used
// to drop a track silently, and real Python scripts run one at a time and several at once.
#include "RequestTestSupport.h"
#include "WorkerTestBed.h"

#include <BaseRequestForSnpWorker.h>
#include <BaseSnpAnnotationTask.h>
#include <SnpRequestKeys.h>
#include <element_pattern/SnpElementPattern.h>

#include <NxCore/core/NxOpStatus.h>
#include <NxLang/base/BasePorts.h>
#include <NxLang/base/BaseSlots.h>
#include <NxLang/datatype/BaseTypes.h>
#include <NxLang/model/Actor.h>
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

class RequestWorkerTest : public ::testing::Test, protected WorkerTestBed<TestWorker> {
protected:
    void SetUp() override {
        ensureApplication();
        AppContextImpl::getApplicationContext()->setWorkingDirectoryPath(box.workingDirectory);
        proto.reset(new IntegralBusActorPrototype(Descriptor("test-request"), SnpElementPattern::createPorts(true),
                                                  {SnpElementPattern::createDbPathAttribute()}));
        wire(proto->createInstance("request"), box.sessionRef);
        actor->setParameter("db_path", QString());
        start(new TestWorker(actor.get()));
    }

    void TearDown() override { release(); }

    QList<NxVariant> sendTrack(int count, qint64 firstPos = 100) {
        QList<NxVariant> vars;
        for (int i = 0; i < count; ++i) {
            vars << snv(firstPos + i, "A", "G");
        }
        WorkerTestBed::sendTrack(box.addTrack(vars).id);
        return vars;
    }

    // Steps as the engine does while the worker is ready, running each task to its end
    // (onStart sees each before it runs); the tasks, in order.
    QList<Task*> runWhileReady(const std::function<void(Task*)>& onStart = nullptr) {
        QList<Task*> run;
        while (worker->isReady()) {
            Task* t = worker->step();
            if (t == nullptr) {
                if (!worker->isReady() || downstream.hasMessages() > 0) {
                    break;
                }
                continue;
            }
            tasks << t;
            run << t;
            if (onStart) {
                onStart(t);
            }
            EXPECT_TRUE(TaskRunner::runAndWait(t, 120000));
        }
        return run;
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

TEST_F(RequestWorkerTest, ATrackRunsInBoundedWindowsAndAThousandVariationsAreWrittenWhileItRuns) {
    worker->requests = [](const NxVariant& v) { return QList<QVariantMap>{answer(QString::number(v.startPos))}; };
    QList<NxVariant> vars = sendTrack(2500);
    int writtenBeforeTask1001 = -1;
    int writtenBeforeTask1000 = -1;
    QList<int> sizes;
    const QList<Task*> windows = runWhileReady([&](Task* t) {
        sizes << t->getSubtaskCount();
        // The track is not sent on before its last answer is written.
        EXPECT_EQ(downstream.hasMessages(), 0);
        if (sizes.size() != 1) {
            return;
        }
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
    const int w = BaseRequestForSnpWorker::WINDOW_REQUESTS;
    EXPECT_EQ(sizes, (QList<int>{w, w, 2500 - 2 * w}));
    for (Task* t : windows) {
        EXPECT_FALSE(t->hasError()) << t->getError().toStdString();
        // Each window freed its finished subtasks as it went.
        EXPECT_EQ(t->getSubtaskCount(), 0);
    }
    // With one request at a time the answers arrive in order; the settings allow more.
    EXPECT_EQ(writtenBeforeTask1000, worker->getRunSettings().parallel > 1 ? writtenBeforeTask1000 : 0);
    EXPECT_GE(writtenBeforeTask1001, 0);
    EXPECT_EQ(box.attributeCount(), 2500);
    EXPECT_EQ(box.attributes(vars[2499].id).value("STABILITY_1D"), QString::number(vars[2499].startPos));
    EXPECT_EQ(downstream.hasMessages(), 1);
    EXPECT_TRUE(worker->getPendingResults().isEmpty());
    EXPECT_EQ(worker->getRequestCount(), 2500);
    EXPECT_EQ(monitor.getRequestCount(), 2500);
}

TEST_F(RequestWorkerTest, AStepLooksAtABoundedStretchEvenWhenFewVariationsAskAnything) {
    // 10,000 variations, of which only two ask anything: no step may walk the whole track.
    int looked = 0;
    worker->requests = [&](const NxVariant& v) {
        ++looked;
        return v.startPos % 5000 == 0 ? QList<QVariantMap>{answer("x")} : QList<QVariantMap>();
    };
    QList<NxVariant> vars = sendTrack(10000, 1);
    QList<int> lookedPerStep;
    int before = 0;
    const QList<Task*> steps = runWhileReady([&](Task*) {
        lookedPerStep << looked - before;
        before = looked;
    });
    const int w = BaseRequestForSnpWorker::WINDOW_VARIATIONS;
    EXPECT_EQ(lookedPerStep, (QList<int>{w, w, 10000 - 2 * w}));
    EXPECT_EQ(box.attributeCount(), 2);
    EXPECT_EQ(downstream.hasMessages(), 1);
}

TEST_F(RequestWorkerTest, TheThresholdCountsVariationsNotAnswers) {
    RequestRunSettings one = worker->getRunSettings();
    one.parallel = 1;
    worker->setRunSettings(one);
    // Three answers for each of 999 variations: 2997 answers pending, still under the threshold.
    worker->requests = [](const NxVariant&) {
        return QList<QVariantMap>{answer("a", "F1"), answer("b", "F2"), answer("c", "F3")};
    };
    sendTrack(999);
    QList<int> writtenAtWindowStart;
    runWhileReady([&](Task*) { writtenAtWindowStart << box.attributeCount(); });
    EXPECT_EQ(writtenAtWindowStart, (QList<int>{0, 0, 0}));
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
    ASSERT_EQ(runWhileReady().size(), 1);
    EXPECT_EQ(box.attributes(vars[0].id), (QMap<QString, QString>{{"STABILITY_1D:F1", "0.5"}}));
    EXPECT_TRUE(box.attributes(vars[1].id).isEmpty());
    EXPECT_EQ(box.attributes(vars[2].id), (QMap<QString, QString>{{"STABILITY_1D", "1"}, {"SECOND", "2"}}));
    EXPECT_TRUE(box.attributes(vars[3].id).isEmpty());
}

TEST_F(RequestWorkerTest, AFailedRequestCostsOnlyItsOwnAnswerAndIsCountedWithItsVariation) {
    worker->requests = [](const NxVariant& v) {
        QVariantMap m = answer("ok");
        if (v.startPos == 102) {
            m["FAIL"] = 1;
        }
        return QList<QVariantMap>{m};
    };
    QList<NxVariant> vars = sendTrack(5);
    const QList<Task*> run = runWhileReady();
    ASSERT_EQ(run.size(), 1);
    EXPECT_FALSE(run.first()->hasError());
    EXPECT_EQ(downstream.hasMessages(), 1);
    EXPECT_EQ(box.attributeCount(), 4);
    EXPECT_TRUE(box.attributes(vars[2].id).isEmpty());
    EXPECT_EQ(worker->getFailedRequestCount(), 1);
    ASSERT_EQ(monitor.getRequestFailures().size(), 1);
    EXPECT_EQ(monitor.getFailedRequestCount(), 1);
    EXPECT_EQ(monitor.getRequestFailures().first().variation, "chr1:103 A>G");
    EXPECT_EQ(monitor.getRequestFailures().first().reason, "asked to fail");
}

TEST_F(RequestWorkerTest, StoppingAtTheFirstFailureFailsTheElementAndSendsNothing) {
    RequestRunSettings stop = worker->getRunSettings();
    stop.stopAtFirstFailure = true;
    worker->setRunSettings(stop);
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
    EXPECT_TRUE(group->getError().contains("chr1:103 A>G")) << group->getError().toStdString();
    // The engine stops on the group's error; a further step would fail too, and never sends.
    std::unique_ptr<Task> next(worker->step());
    EXPECT_TRUE(next == nullptr || next->hasError());
    EXPECT_EQ(downstream.hasMessages(), 0);
}

TEST_F(RequestWorkerTest, AnswersThatWouldBreakAReportRowAreFailedRequestsNotStoredValues) {
    const QString longAnswer(BaseRequestForSnpWorker::MAX_ANSWER_LENGTH + 1, QChar('x'));
    const QString fine(BaseRequestForSnpWorker::MAX_ANSWER_LENGTH, QChar('y'));
    worker->requests = [&](const NxVariant& v) {
        switch (v.startPos) {
            case 100: return QList<QVariantMap>{answer("a\tb")};
            case 101: return QList<QVariantMap>{answer("a\nb")};
            case 102: return QList<QVariantMap>{answer(QString("a") + QChar(0x7f))};
            case 103: return QList<QVariantMap>{answer(longAnswer)};
            case 104: return QList<QVariantMap>{answer(QString("bad ") + QChar(QChar::ReplacementCharacter))};
            default: return QList<QVariantMap>{answer(fine)};
        }
    };
    QList<NxVariant> vars = sendTrack(6);
    runWhileReady();
    EXPECT_EQ(box.attributeCount(), 1);
    EXPECT_EQ(box.attributes(vars[5].id).value("STABILITY_1D"), fine);
    ASSERT_EQ(monitor.getRequestFailures().size(), 5);
    EXPECT_TRUE(monitor.getRequestFailures()[0].reason.contains("control character 0x09"));
    EXPECT_TRUE(monitor.getRequestFailures()[1].reason.contains("control character 0x0a"));
    EXPECT_TRUE(monitor.getRequestFailures()[2].reason.contains("control character 0x7f"));
    EXPECT_TRUE(monitor.getRequestFailures()[3].reason.contains("longer than 65536"));
    EXPECT_TRUE(monitor.getRequestFailures()[4].reason.contains("not valid text"));
}

TEST_F(RequestWorkerTest, WhatUsedToDropATrackSilentlyFailsTheElementWithItsCause) {
    worker->requests = [](const NxVariant&) { return QList<QVariantMap>{answer("ok")}; };
    // A reference database that cannot be opened.
    const QString missing = box.dir.filePath("no-such-reference.s3db");
    actor->setParameter("db_path", missing);
    sendTrack(3);
    std::unique_ptr<Task> t(worker->step());
    ASSERT_NE(t, nullptr);
    EXPECT_TRUE(t->hasError());
    EXPECT_TRUE(t->getError().contains(missing)) << t->getError().toStdString();
    EXPECT_EQ(downstream.hasMessages(), 0);

    // A message whose track the workflow database does not know.
    actor->setParameter("db_path", QString());
    QVariantMap data;
    data[BaseSlots::VARIATION_TRACK_SLOT().getId()] = QVariant::fromValue(SharedDbiDataHandler());
    upstream.put(Message(BaseTypes::ANY_TYPE(), data));
    t.reset(worker->step());
    ASSERT_NE(t, nullptr);
    EXPECT_TRUE(t->hasError());
    EXPECT_EQ(downstream.hasMessages(), 0);
}

TEST_F(RequestWorkerTest, TheBaseRunsTheElementsScriptFromTheDataFolder) {
    box.writeScript("answer.py",
                    "import sys\n"
                    "def main(argv):\n"
                    "    print('STABILITY_1D:' + ' '.join(argv))\n"
                    "if __name__ == '__main__':\n"
                    "    sys.exit(main(sys.argv[1:]))\n");
    worker->useEcho = false;
    worker->requests = [](const NxVariant& v) {
        return QList<QVariantMap>{{{SnpRequestKeys::FEATURE_ID, "G7"}, {"-p", v.startPos}, {"-t", "W"}}};
    };
    EXPECT_EQ(worker->getScriptPath(), QFileInfo(box.dir.filePath("data/snp_scripts/answer.py")).absoluteFilePath());
    QList<NxVariant> vars = sendTrack(2);
    runWhileReady();
    EXPECT_EQ(box.attributes(vars[0].id).value("STABILITY_1D:G7"), "-p 100 -t W");
    EXPECT_EQ(box.attributes(vars[1].id).value("STABILITY_1D:G7"), "-p 101 -t W");
    EXPECT_EQ(downstream.hasMessages(), 1);
}

TEST_F(RequestWorkerTest, RequestsRunAtOnceStoreWhatOneAtATimeStores) {
    // Fails one variation in seven, answers the others with its arguments after a short wait
    // whose length varies, so that answers arrive out of order when several run at once.
    box.writeScript("answer.py",
                    "import sys, time\n"
                    "def main(argv):\n"
                    "    pos = int(argv[1]) % 1000\n"
                    "    time.sleep((pos * 7919 % 5) / 1000.0)\n"
                    "    if pos % 7 == 0:\n"
                    "        print('no answer', file=sys.stderr)\n"
                    "        return 2\n"
                    "    print('STABILITY_1D:' + ' '.join(argv))\n"
                    "    return 0\n"
                    "if __name__ == '__main__':\n"
                    "    sys.exit(main(sys.argv[1:]))\n");
    worker->useEcho = false;
    worker->requests = [](const NxVariant& v) {
        return QList<QVariantMap>{{{SnpRequestKeys::FEATURE_ID, "F"}, {"-p", v.startPos}}};
    };
    auto runWith = [&](int parallel) {
        RequestRunSettings s = worker->getRunSettings();
        s.parallel = parallel;
        worker->setRunSettings(s);
        QList<NxVariant> vars = sendTrack(140, 1000 * parallel);
        runWhileReady();
        QStringList dump;
        for (const NxVariant& v : vars) {
            const QMap<QString, QString> a = box.attributes(v.id);
            for (auto it = a.constBegin(); it != a.constEnd(); ++it) {
                // Positions differ between the two tracks by a fixed offset: store them relative.
                const qint64 shown = it.value().section(' ', 1, 1).toLongLong() - 1000 * parallel;
                dump << QString::number(v.startPos - 1000 * parallel) + " " + it.key() + "=" +
                            it.value().section(' ', 0, 0) + " " + QString::number(shown);
            }
        }
        return dump;
    };
    const QStringList one = runWith(1);
    const QStringList four = runWith(4);
    EXPECT_EQ(one.size(), 120);
    EXPECT_EQ(one, four);
    EXPECT_EQ(monitor.getFailedRequestCount(), 40);
    EXPECT_TRUE(monitor.getRequestFailures().first().reason.contains("exited with code 2: no answer"))
        << monitor.getRequestFailures().first().reason.toStdString();
}

TEST_F(RequestWorkerTest, AMessageWithoutTheTrackSlotFailsTheStep) {
    upstream.put(Message(BaseTypes::ANY_TYPE(), QVariantMap{{"other", 1}}));
    std::unique_ptr<Task> t(worker->step());
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->getError(), "Variations slot is empty");
    EXPECT_EQ(downstream.hasMessages(), 0);
}
