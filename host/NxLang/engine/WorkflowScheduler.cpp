#include "WorkflowScheduler.h"

#include <NxCore/core/AppContext.h>
#include <NxCore/core/NxOpStatus.h>
#include <NxCore/log/Logger.h>
#include <NxCore/tasks/Task.h>
#include <NxCore/tasks/TaskScheduler.h>
#include <NxLang/engine/BaseWorker.h>
#include <NxLang/engine/WorkflowContext.h>
#include <NxLang/engine/WorkflowMonitor.h>
#include <NxLang/model/Schema.h>
#include <NxLang/registry/LocalDomainFactory.h>
#include <NxLang/registry/WorkflowEnv.h>
#include <NxLang/util/RFSUtils.h>

#include <QFileInfo>
#include <QMap>
#include <QTimer>

namespace Nx {
namespace LocalWorkflow {

WorkflowScheduler::WorkflowScheduler(Workflow::Schema* schema, Workflow::WorkflowContext* ctx, QObject* parent)
    : QObject(parent), schema(schema), context(ctx) {}

WorkflowScheduler::~WorkflowScheduler() {
    // Only the workers: the actors may be gone already, and the ports' channel pointers
    // clear themselves when the channels (children of this object) are deleted.
    for (Entry& e : entries) {
        delete e.worker;
    }
}

void WorkflowScheduler::init(NxOpStatus& os) {
    if (AppContext::getTaskScheduler() == nullptr) {
        os.setError(tr("No task scheduler to run the workflow's tasks"));
        return;
    }
    Workflow::Actor* cycleActor = nullptr;
    const QList<Workflow::Actor*> order = schema->topologicalOrder(&cycleActor);
    if (order.isEmpty() && !schema->getProcesses().isEmpty()) {
        os.setError(tr("Element \"%1\" lies on a cycle of links").arg(cycleActor ? cycleActor->getId() : QString()));
        return;
    }
    // 1. One channel per port; each output feeds the inputs it is linked with.
    for (Workflow::Actor* a : order) {
        for (Workflow::Port* p : a->getPorts()) {
            p->setPeer(new Workflow::IntegralBus(p->getId(), p->isInput(), this));
        }
    }
    for (const Workflow::Link& l : schema->getFlows()) {
        auto* out = qobject_cast<Workflow::IntegralBus*>(l.source()->getPeer());
        auto* in = qobject_cast<Workflow::IntegralBus*>(l.destination()->getPeer());
        out->addReceiver(in);
    }
    // 2. One worker per actor, from the local domain.
    Workflow::DomainFactory* domain = WorkflowEnv::getDomainRegistry()->getById(LocalDomainFactory::ID);
    for (Workflow::Actor* a : order) {
        Entry e;
        e.actor = a;
        e.worker = domain != nullptr ? domain->makeWorker(a) : nullptr;
        if (e.worker == nullptr) {
            os.setError(tr("Element \"%1\": no worker is known for type \"%2\"").arg(a->getId()).arg(a->getProto()->getId()));
            return;
        }
        if (auto* bw = dynamic_cast<BaseWorker*>(e.worker)) {
            bw->setContext(context);
        }
        for (Workflow::Port* p : a->getPorts()) {
            e.buses << qobject_cast<Workflow::IntegralBus*>(p->getPeer());
        }
        entries << e;
    }
    // 3. What can be checked before anything runs, for every element; one message lists all.
    //    The same problem of several elements (one reference database) is told once.
    QStringList problems;
    QMap<QString, QStringList> elementsOf;  // problem -> labels of the elements that have it
    for (const Entry& e : qAsConst(entries)) {
        auto* bw = dynamic_cast<BaseWorker*>(e.worker);
        if (bw == nullptr) {
            continue;
        }
        for (const QString& p : e.actor->getProto()->checkBeforeRun(bw) + outputFileProblems(bw)) {
            if (!elementsOf.contains(p)) {
                problems << p;
            }
            if (!elementsOf[p].contains(e.actor->getLabel())) {
                elementsOf[p] << e.actor->getLabel();
            }
        }
    }
    if (!problems.isEmpty()) {
        QStringList lines;
        for (const QString& p : qAsConst(problems)) {
            lines << QString("  %1: %2").arg("\"" + elementsOf[p].join("\", \"") + "\"", p);
        }
        os.setError(tr("The workflow was not started; found before the first element ran:") + "\n" + lines.join("\n"));
    }
}

// An output file must not be a folder, and the nearest folder of it that exists must be
// writable (the writers make the missing ones).
QStringList WorkflowScheduler::outputFileProblems(BaseWorker* worker) {
    QStringList problems;
    Workflow::Actor* actor = worker->getActor();
    for (Attribute* a : actor->getParameters()) {
        if (!RFSUtils::isOutUrlAttribute(a, actor) || !worker->isValueKnownBeforeRun(a->getId())) {
            continue;
        }
        const QString path = worker->getAttributeValue(a->getId()).toString();
        if (path.isEmpty()) {
            continue;
        }
        const QFileInfo info(path);
        if (info.isDir()) {
            problems << tr("output file %1 is a folder").arg(path);
            continue;
        }
        QFileInfo dir(info.absolutePath());
        while (!dir.exists() && !dir.isRoot() && dir.absolutePath() != dir.absoluteFilePath()) {
            dir = QFileInfo(dir.absolutePath());
        }
        if (!dir.isDir() || !dir.isWritable()) {
            problems << tr("output file %1 cannot be written: %2 is not a writable folder").arg(path, dir.absoluteFilePath());
        }
    }
    return problems;
}

void WorkflowScheduler::start() {
    if (started) {
        return;
    }
    started = true;
    for (Entry& e : entries) {
        e.worker->start();
    }
    scheduleTick();
}

void WorkflowScheduler::cancel() {
    fail(tr("The workflow was canceled"));
}

void WorkflowScheduler::scheduleTick() {
    if (tickPending || finished) {
        return;
    }
    tickPending = true;
    QTimer::singleShot(0, this, &WorkflowScheduler::sl_tick);
}

qint64 WorkflowScheduler::signature(const Entry& e) {
    qint64 s = e.worker->isDone() ? 1 : 0;
    for (Workflow::IntegralBus* b : e.buses) {
        s += 2 * (b->takenMessages() + b->putMessages()) + (b->isEnded() ? 1 : 0);
    }
    return s;
}

int WorkflowScheduler::runningTasks() const {
    int n = 0;
    for (const Entry& e : entries) {
        if (!e.task.isNull() && !e.task->isFinished()) {
            n++;
        }
    }
    return n;
}

void WorkflowScheduler::sl_tick() {
    tickPending = false;
    if (finished) {
        return;
    }
    if (failing) {
        if (runningTasks() == 0) {
            complete();
        }
        return;
    }
    bool moved = false;
    for (Entry& e : entries) {
        if (failing) {
            break;
        }
        if (e.worker->isDone() || !e.task.isNull()) {
            continue;
        }
        while (!failing && e.task.isNull() && e.worker->isReady() && !e.worker->isDone()) {
            const qint64 before = signature(e);
            Task* t = e.worker->step();
            if (context->getMonitor() != nullptr && context->getMonitor()->hasErrors()) {
                const Workflow::WorkflowProblem p = context->getMonitor()->getProblems().first();
                fail(tr("Element \"%1\": %2").arg(e.actor->getLabel()).arg(p.message));
            }
            if (t != nullptr) {
                e.task = t;
                e.taskKey = t;
                connect(t, &Task::si_stateChanged, this, &WorkflowScheduler::sl_taskStateChanged);
                connect(t, &Task::si_progressChanged, this, &WorkflowScheduler::sl_taskProgressChanged);
                // An element that works in a series of like tasks (windows of one track) is
                // announced once per series, not once per task.
                const bool repeated = t->getTaskName() == e.lastTaskName;
                e.lastTaskName = t->getTaskName();
                if (repeated) {
                    e.shownProgress = 10;
                    cmdLog.details(tr("%1: started \"%2\"").arg(e.actor->getLabel()).arg(t->getTaskName()));
                } else {
                    e.shownProgress = -1;
                    cmdLog.info(tr("%1: started \"%2\"").arg(e.actor->getLabel()).arg(t->getTaskName()));
                }
                t->setFlag(TaskFlag_ErrorReportedByOwner);  // the engine names the element
                AppContext::getTaskScheduler()->registerTopLevelTask(t);
                moved = true;
                break;
            }
            if (signature(e) == before) {
                break;
            }
            moved = true;
        }
        if (e.worker->isDone()) {
            // A done worker's outputs are ended, so the next elements can finish.
            for (Workflow::IntegralBus* b : e.buses) {
                if (!b->isInput() && !b->isEnded()) {
                    b->setEnded();
                    moved = true;
                }
            }
        }
    }
    if (failing) {
        if (runningTasks() == 0) {
            complete();
        }
        return;
    }
    bool allDone = true;
    for (const Entry& e : entries) {
        allDone = allDone && e.worker->isDone();
    }
    if (allDone) {
        complete();
        return;
    }
    if (moved) {
        scheduleTick();
        return;
    }
    if (runningTasks() > 0) {
        return;  // a task's end brings the next turn
    }
    QStringList waiting;
    for (const Entry& e : entries) {
        if (!e.worker->isDone()) {
            waiting << QString("\"%1\"").arg(e.actor->getLabel());
        }
    }
    fail(tr("The workflow cannot go on: no element can make progress. Elements still waiting: %1")
             .arg(waiting.join(", ")));
}

void WorkflowScheduler::sl_taskStateChanged() {
    Task* t = qobject_cast<Task*>(sender());
    if (t == nullptr || !t->isFinished()) {
        return;
    }
    for (Entry& e : entries) {
        if (e.taskKey != t) {
            continue;
        }
        e.task = nullptr;
        e.taskKey = nullptr;
        if (t->hasError()) {
            fail(tr("Element \"%1\" failed: %2").arg(e.actor->getLabel()).arg(t->getError()));
        } else if (t->isCanceled() && !failing) {
            fail(tr("Element \"%1\": task \"%2\" was canceled").arg(e.actor->getLabel()).arg(t->getTaskName()));
        } else if (!t->isCanceled() && e.shownProgress < 10) {
            cmdLog.info(tr("%1: finished \"%2\"").arg(e.actor->getLabel()).arg(t->getTaskName()));
        }
        break;
    }
    scheduleTick();
}

// Long tasks show their progress on the console in steps of ten percent.
void WorkflowScheduler::sl_taskProgressChanged() {
    Task* t = qobject_cast<Task*>(sender());
    if (t == nullptr || t->isFinished()) {
        return;
    }
    for (Entry& e : entries) {
        if (e.taskKey != t) {
            continue;
        }
        const int tenth = qBound(0, t->getProgress(), 100) / 10;
        if (tenth > e.shownProgress && tenth > 0 && tenth < 10) {
            e.shownProgress = tenth;
            cmdLog.info(tr("%1: \"%2\" %3%").arg(e.actor->getLabel()).arg(t->getTaskName()).arg(tenth * 10));
        }
        return;
    }
}

void WorkflowScheduler::fail(const QString& message) {
    if (finished) {
        return;
    }
    if (!failing) {
        failing = true;
        error = message;
        cmdLog.error(message);
        for (Entry& e : entries) {
            if (!e.task.isNull()) {
                e.task->cancel();
            }
        }
    }
    scheduleTick();
}

void WorkflowScheduler::complete() {
    if (finished) {
        return;
    }
    finished = true;
    for (Entry& e : entries) {
        e.worker->finish();
    }
    Q_EMIT si_finished();
}

}  // namespace LocalWorkflow
}  // namespace Nx
