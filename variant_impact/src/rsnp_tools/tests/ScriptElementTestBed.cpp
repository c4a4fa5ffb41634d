#include "ScriptElementTestBed.h"

#include "../../tests/TestReference.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/DbiConnection.h>
#include <NxCore/dbi/DbiOperationsBlock.h>
#include <NxCore/dbi/NxSequenceDbi.h>
#include <NxCore/dbi/sqlite/SQLiteFeatureDbi.h>
#include <NxCore/records/Gene.h>
#include <NxCore/tasks/Task.h>
#include <NxPrivate/core/AppContextImpl.h>
#include <NxPrivate/tasks/TaskRunner.h>

#include <QFileInfo>
#include <QJsonDocument>

namespace Nx {
namespace ScriptElementTestBed {

QByteArray chromosome() {
    // A fixed walk over the four letters; only the coding stretch below is read by name.
    QByteArray s;
    quint32 x = 12345;
    while (s.size() < SEQUENCE_LENGTH) {
        x = x * 1103515245u + 12345u;
        s += "ACGT"[(x >> 16) & 3];
    }
    s.replace(int(CDS_START), CDS.size(), CDS);
    return s;
}

NxVariant snv(qint64 pos, char obs, const QString& publicId) {
    NxVariant v = RequestTestSupport::snv(pos, chromosome().mid(int(pos), 1), QByteArray(1, obs));
    v.publicId = publicId;
    return v;
}

bool buildReference(const QString& path, QString& error) {
    return writeTestReference(path, "chrP", chromosome(),
                              [](SQLiteFeatureDbi* features, const NxDataId& seqId, NxOpStatus& os) {
                                  auto gene = [&](const char* id, const char* name, qint64 start, const char* accession) {
                                      const NxRegion span(start, 200 - start);
                                      const NxRegion cds(start, CDS_START + CDS.size() - start);
                                      Gene g(id, name, span, cds, {span}, true, false);
                                      g.setAccession(accession);
                                      features->createGene(g, seqId, {cds}, os);
                                  };
                                  gene("T1", "G1", 100, "Q00001");
                                  gene("T2", "G2", 103, "");
                                  gene("T3", "FR1", 100, "Q00003");
                              },
                              error);
}

bool Element::setUp(const QString& actorId, const QString& resultKey, const std::function<void()>& install,
                    QString& error) {
    RequestTestSupport::ensureApplication();
    AppContextImpl::getApplicationContext()->setWorkingDirectoryPath(box.workingDirectory);
    referencePath = box.dir.filePath("reference.s3db");
    if (!buildReference(referencePath, error)) {
        return false;
    }
    ActorPrototype* proto = installedProto(actorId, install);
    if (proto == nullptr) {
        error = "element " + actorId + " is not registered";
        return false;
    }
    wire(proto->createInstance(actorId), box.sessionRef);
    if (proto->getAttribute("db_path") != nullptr) {
        actor->setParameter("db_path", referencePath);
    }
    if (!start(makeRegisteredWorker(actorId))) {
        error = "element " + actorId + " has no factory that makes a request worker";
        return false;
    }
    // The stand-in script: its result key (the element's only one) and its command line.
    const QString script = QFileInfo(worker->getScriptPath()).fileName();
    box.writeScript(script, QString("import json, sys\nprint('%1:' + json.dumps(sys.argv[1:]))\n").arg(resultKey));
    return true;
}

Element::~Element() {
    release();
}

int Element::run(QList<NxVariant>& variants, const QString& sequenceName) {
    sendTrack(box.addTrack(variants, sequenceName).id);
    // A track runs in windows: one step each, until the step that sends the track on.
    int n = 0;
    while (Task* group = worker->step()) {
        tasks << group;
        n += group->getSubtaskCount();
        if (!TaskRunner::runAndWait(group, 60000) || group->hasError()) {
            return -1;
        }
    }
    return n;
}

QMap<QString, QJsonArray> Element::answers(const NxVariant& variation) {
    QMap<QString, QJsonArray> res;
    const QMap<QString, QString> attributes = box.attributes(variation.id);
    for (auto it = attributes.constBegin(); it != attributes.constEnd(); ++it) {
        res[it.key()] = QJsonDocument::fromJson(it.value().toUtf8()).array();
    }
    return res;
}

}  // namespace ScriptElementTestBed
}  // namespace Nx
