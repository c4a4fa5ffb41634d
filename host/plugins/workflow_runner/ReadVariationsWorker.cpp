#include "ReadVariationsWorker.h"

#include "ReadVariationsTask.h"

#include <NxCore/log/Logger.h>
#include <NxCore/tasks/FailTask.h>
#include <NxDesigner/delegates/DelegateEditor.h>
#include <NxDesigner/delegates/URLDelegate.h>
#include <NxLang/base/BaseActorCategories.h>
#include <NxLang/base/BasePorts.h>
#include <NxLang/base/BaseSlots.h>
#include <NxLang/datatype/BaseTypes.h>
#include <NxLang/engine/WorkflowContext.h>
#include <NxLang/registry/LocalDomainFactory.h>
#include <NxLang/registry/WorkflowEnv.h>
#include <NxLang/storage/DbiDataStorage.h>

#include <QCoreApplication>
#include <QFileInfo>

namespace Nx {
namespace LocalWorkflow {

const QString ReadVariationsWorkerFactory::ACTOR_ID = QStringLiteral("read-variations");
const QString ReadVariationsWorkerFactory::URL_IN_ATTR = QStringLiteral("url-in");

void ReadVariationsWorker::start() {
    output = ports.value(BasePorts::OUT_VARIATION_TRACK_PORT_ID());
}

Task* ReadVariationsWorker::step() {
    if (importStarted) {
        return nullptr;
    }
    importStarted = true;
    QString error;
    const QStringList files = inputFiles(error);
    if (!error.isEmpty()) {
        return new FailTask(error);
    }
    auto* t = new ReadVariationsTask(files, context->getDataStorage()->getDbiRef());
    connect(t, &Task::si_stateChanged, this, &ReadVariationsWorker::sl_taskFinished);
    return t;
}

QStringList ReadVariationsWorker::inputFiles(QString& error) const {
    QStringList files;
    for (const QString& part : getValue<QString>(ReadVariationsWorkerFactory::URL_IN_ATTR).split(';', Qt::SkipEmptyParts)) {
        const QString path = context->absolutePath(part.trimmed());
        if (path.isEmpty()) {
            continue;
        }
        const QFileInfo info(path);
        if (!info.exists()) {
            error = tr("Variation file %1 does not exist").arg(path);
        } else if (info.isDir()) {
            error = tr("Variation file %1 is a folder, not a file").arg(path);
        } else if (!info.isFile()) {
            error = tr("Variation file %1 is not a regular file (a named pipe or a device); give the VCF as a file").arg(path);
        } else if (!info.isReadable()) {
            error = tr("Variation file %1 cannot be read (permissions)").arg(path);
        }
        if (!error.isEmpty()) {
            return {};
        }
        files << path;
    }
    if (files.isEmpty()) {
        error = tr("No variation file is given in \"%1\"").arg(ReadVariationsWorkerFactory::URL_IN_ATTR);
    }
    return files;
}

void ReadVariationsWorker::sl_taskFinished() {
    auto* t = qobject_cast<ReadVariationsTask*>(sender());
    NX_SAFE_POINT(t != nullptr, "Invalid task is encountered", );
    if (!t->isFinished() || t->hasError() || t->isCanceled()) {
        return;
    }
    for (const NxVariantTrack& track : t->getTracks()) {
        QVariantMap data;
        data[BaseSlots::VARIATION_TRACK_SLOT().getId()] =
            QVariant::fromValue(context->getDataStorage()->putVariantTrack(track.id));
        output->put(Message(BaseTypes::ANY_TYPE(), data));
    }
    setDone();
    output->setEnded();
}

QString ReadVariationsPrompter::composeDescription() {
    const QString url = getURL(ReadVariationsWorkerFactory::URL_IN_ATTR);
    const QString link = getHyperlink(ReadVariationsWorkerFactory::URL_IN_ATTR, url);
    return tr("Reads variations from <u>%1</u>.")
        .arg(link.isEmpty() ? "<font color='red'>" + tr("unset") + "</font>" : link);
}

static QString tr(const char* s) { return QCoreApplication::translate("ReadVariationsWorkerFactory", s); }

void ReadVariationsWorkerFactory::install() {
    if (WorkflowEnv::getProtoRegistry()->getProto(ACTOR_ID) != nullptr) {
        return;
    }
    QMap<Descriptor, DataTypePtr> outSlots;
    outSlots[BaseSlots::VARIATION_TRACK_SLOT()] = BaseTypes::VARIATION_TRACK_TYPE();
    DataTypePtr outType(new MapDataType(Descriptor("read.variations"), outSlots));
    QList<PortDescriptor*> ports{new PortDescriptor(
        Descriptor(BasePorts::OUT_VARIATION_TRACK_PORT_ID(), tr("Variations"), tr("One variation track per chromosome and file.")),
        outType, false, true)};
    QList<Attribute*> attrs{new Attribute(
        Descriptor(URL_IN_ATTR, tr("Input files"), tr("VCF or BCF files, plain or bgzipped; several separated by \";\".")),
        BaseTypes::STRING_TYPE(), true)};
    QMap<QString, PropertyDelegate*> delegates;
    delegates[URL_IN_ATTR] = new URLDelegate(tr("Variation files (*.vcf *.vcf.gz *.bcf)"), "variations", true, false, false);

    auto* proto = new IntegralBusActorPrototype(
        Descriptor(ACTOR_ID, tr("Read Variations"),
                   tr("Reads variations from VCF or BCF files into the workflow database, one track per chromosome.")),
        ports, attrs);
    proto->setPrompter(new ReadVariationsPrompter());
    proto->setEditor(new DelegateEditor(delegates));
    proto->addRunCheck([](BaseWorker* w) {
        QString error;
        auto* reader = qobject_cast<ReadVariationsWorker*>(w);
        if (reader != nullptr && reader->isValueKnownBeforeRun(ReadVariationsWorkerFactory::URL_IN_ATTR)) {
            reader->inputFiles(error);
        }
        return error.isEmpty() ? QStringList() : QStringList{error};
    });
    WorkflowEnv::getProtoRegistry()->registerProto(BaseActorCategories::CATEGORY_DATASRC(), proto);
    WorkflowEnv::getDomainRegistry()->getById(LocalDomainFactory::ID)->registerEntry(new ReadVariationsWorkerFactory());
}

}  // namespace LocalWorkflow
}  // namespace Nx
