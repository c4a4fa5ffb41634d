#include "SnpElementRunChecks.h"

#include "SnpElementPattern.h"

#include <BaseRequestForSnpWorker.h>

#include <NxCore/core/NxOpStatus.h>
#include <NxFormats/snp/SNPDatabaseUtils.h>
#include <NxLang/model/ActorPrototype.h>

#include <QDir>
#include <QFileInfo>

#include <memory>

namespace Nx {
namespace LocalWorkflow {

QList<SnpElementRunChecks::ScriptData> SnpElementRunChecks::scriptData(const QString& elementId) {
    const ScriptData matrices{"NX_RSNP_MATRICES", "jaspar/JASPAR2018_CORE_vertebrates.txt", false,
                              tr("binding matrices")};
    const ScriptData aaindex{"NX_AAINDEX_DIR", "aaindex", true, tr("amino-acid index tables")};
    const ScriptData pdbMap{"NX_PDB_MAP", "pdb/pdb_map.tsv", false, tr("accession-to-structure map")};
    const ScriptData pdbDir{"NX_PDB_DIR", "pdb", true, tr("structure folder")};
    const ScriptData rsids{"NX_SNP_RSID_TABLE", "chip/rsids.bed", false, tr("rs-id table")};
    const ScriptData peaks{"NX_CHIP_PEAK_DIR", "chip/peaks", true, tr("ChIP-seq peak folder")};
    if (elementId == "rSnp-tools") return {matrices};
    if (elementId == "prot-stability-1d") return {aaindex};
    if (elementId == "prot-stability-3d") return {aaindex, pdbMap, pdbDir};
    if (elementId == "snp2pdb-site") return {pdbMap, pdbDir};
    if (elementId == "snp-chip-tools") return {rsids, peaks};
    return {};
}

void SnpElementRunChecks::addTo(Workflow::ActorPrototype* proto) {
    if (proto->getAttribute(SnpElementPattern::DB_PATH_ATTR_ID) != nullptr) {
        proto->addRunCheck(&checkReferenceDatabase);
    }
    // Every script element reads data files; the others run no script.
    const QList<ScriptData> data = scriptData(proto->getId());
    if (!data.isEmpty()) {
        proto->addRunCheck([data](BaseWorker* w) { return checkScriptAndData(w, data); });
    }
}

QStringList SnpElementRunChecks::checkReferenceDatabase(BaseWorker* worker) {
    if (!worker->isValueKnownBeforeRun(SnpElementPattern::DB_PATH_ATTR_ID)) {
        return {};
    }
    const QString path = worker->getValue<QString>(SnpElementPattern::DB_PATH_ATTR_ID);
    NxOpStatusImpl os;
    std::unique_ptr<SNPDatabase> db(SNPDatabaseUtils::openDatabase(path, os));
    if (db != nullptr) {
        return {};
    }
    return {path.isEmpty() ? tr("\"db_path\" is empty: name the reference database (nolix-refdb builds one)")
                           : tr("\"db_path\" %1 is no reference database: %2").arg(path, os.getError())};
}

QStringList SnpElementRunChecks::checkScriptAndData(BaseWorker* worker, const QList<ScriptData>& data) {
    auto* requests = dynamic_cast<BaseRequestForSnpWorker*>(worker);
    if (requests == nullptr) {
        return {};
    }
    const QFileInfo script(requests->getScriptPath());
    if (!script.isFile()) {
        return {tr("analysis script %1 does not exist").arg(script.absoluteFilePath())};
    }
    QStringList problems;
    for (const ScriptData& d : data) {
        const QString fromVariable = qEnvironmentVariable(d.variable.toLatin1().constData());
        const QString path = fromVariable.isEmpty() ? script.absolutePath() + "/data/" + d.defaultRel
                                                    : QDir::current().absoluteFilePath(fromVariable);
        const QFileInfo info(path);
        QString reason;
        if (!info.exists()) {
            reason = tr("does not exist");
        } else if (d.folder && !info.isDir()) {
            reason = tr("is not a folder");
        } else if (d.folder && QDir(path).entryList(QDir::Files | QDir::Readable).isEmpty()) {
            reason = tr("holds no readable file");
        } else if (!d.folder && !info.isFile()) {
            reason = tr("is not a file");
        } else if (!info.isReadable()) {
            reason = tr("cannot be read");
        }
        if (!reason.isEmpty()) {
            problems << tr("%1 %2 %3 (%4 %5)")
                            .arg(d.what, path, reason,
                                 fromVariable.isEmpty() ? tr("set") : tr("from"), d.variable);
        }
    }
    return problems;
}

}  // namespace LocalWorkflow
}  // namespace Nx
