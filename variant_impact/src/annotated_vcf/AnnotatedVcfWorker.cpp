#include "AnnotatedVcfWorker.h"

#include "AnnotatedVcfWorkerFactory.h"
#include "SharedVcfEntries.h"

#include <element_pattern/SnpElementPattern.h>
#include <snp_toolbox/VOZAdarovaWorkerFactory.h>

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/log/Logger.h>
#include <NxCore/tasks/FailTask.h>
#include <NxLang/engine/WorkflowContext.h>
#include <NxLang/model/Actor.h>
#include <NxLang/model/ActorPrototype.h>
#include <NxLang/model/Port.h>

#include <QSet>


namespace Nx {
namespace LocalWorkflow {

AnnotatedVcfWorker::AnnotatedVcfWorker(Actor* a) : TrackCollectingWorker(a) {
}

QString AnnotatedVcfWorker::upstreamInput(QString& error) const {
    QSet<const Actor*> seen;
    for (Actor* a = SnpElementPattern::getProducer(getActor()); a != nullptr && !seen.contains(a);
         a = SnpElementPattern::getProducer(a)) {
        seen.insert(a);
        Attribute* attr = a->getParameter(AnnotatedVcfWorkerFactory::URL_IN_ATTR_ID);
        if (attr == nullptr) {
            continue;
        }
        const QStringList files = attr->getAttributeValue<QString>(context).split(';', Qt::SkipEmptyParts);
        if (files.size() > 1) {
            error = tr("\"%1\" reads %2 files and this element writes one: give it the file to annotate in \"%3\", "
                       "or read each file in a workflow of its own")
                        .arg(a->getLabel())
                        .arg(files.size())
                        .arg(AnnotatedVcfWorkerFactory::URL_IN_ATTR_ID);
            return QString();
        }
        const QString file = files.isEmpty() ? QString() : files.first().trimmed();
        return context != nullptr ? context->absolutePath(file) : file;
    }
    return QString();
}

QSet<QString> AnnotatedVcfWorker::upstreamElements() const {
    return upstreamOf(getActor());
}

bool AnnotatedVcfWorker::readsAnswers(const Actor* element, WorkflowContext*) {
    // Reading and annotating store no answers: without other elements upstream there are none to
    // look up (a workflow database starts empty).
    QSet<QString> storing = upstreamOf(element);
    storing.remove(QStringLiteral("read-variations"));
    storing.remove(VOZAdarovaWorkerFactory::ACTOR_ID);
    return !storing.isEmpty();
}

QSet<QString> AnnotatedVcfWorker::upstreamOf(const Actor* element) {
    QSet<QString> ids;
    QSet<const Actor*> seen;
    QList<const Actor*> todo{element};
    while (!todo.isEmpty()) {
        const Actor* a = todo.takeLast();
        if (a == nullptr || seen.contains(a)) {
            continue;
        }
        seen.insert(a);
        for (Port* in : a->getInputPorts()) {
            for (Port* out : in->getLinks()) {
                ids.insert(out->owner()->getProto()->getId());
                todo << out->owner();
            }
        }
    }
    return ids;
}

AnnotatedVcfSettings AnnotatedVcfWorker::getSettings(QString& error) const {
    AnnotatedVcfSettings settings;
    settings.outputPath = getValue<QString>(AnnotatedVcfWorkerFactory::URL_OUT_ATTR_ID);
    settings.dbPath = getValue<QString>(AnnotatedVcfWorkerFactory::DB_PATH_ATTR_ID);
    settings.readAnswers = readsAnswers(getActor(), context);
    settings.inputPath = getValue<QString>(AnnotatedVcfWorkerFactory::URL_IN_ATTR_ID).trimmed();
    if (settings.inputPath.isEmpty()) {
        settings.inputPath = upstreamInput(error);
        if (error.isEmpty() && settings.inputPath.isEmpty()) {
            error = tr("No input file to annotate: \"%1\" is empty and no element upstream reads a file")
                        .arg(AnnotatedVcfWorkerFactory::URL_IN_ATTR_ID);
        }
    } else if (context != nullptr) {
        settings.inputPath = context->absolutePath(settings.inputPath);
    }
    if (settings.outputPath.isEmpty() && error.isEmpty()) {
        error = tr("No output file: \"%1\" is empty").arg(AnnotatedVcfWorkerFactory::URL_OUT_ATTR_ID);
    }
    return settings;
}

Task* AnnotatedVcfWorker::createTask(const QList<NxVariantTrack>& tracks, const NxDbiRef& dbiRef) {
    QString error;
    const AnnotatedVcfSettings settings = getSettings(error);
    if (!error.isEmpty()) {
        NxOpStatus2Log os(LogLevel_ERROR);
        os.setError(error);
        return new FailTask(error);
    }
    auto* task = new AnnotatedVcfTask(settings, tracks, dbiRef);
    sharedEntries = SharedVcfEntries::forElement(getActor(), context, dbiRef);
    task->setSharedEntries(sharedEntries);
    return task;
}

QStringList AnnotatedVcfWorker::outputFilesOf(Task* task) const {
    auto* vcf = qobject_cast<AnnotatedVcfTask*>(task);
    return vcf != nullptr ? vcf->getOutputFiles() : QStringList();
}

}  // namespace LocalWorkflow
}  // namespace Nx
