#include "ReportConnections.h"

#include "snp_toolbox/DamageEffectEvaluator.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/DbiOperationsBlock.h>
#include <NxCore/dbi/NxDbi.h>
#include <NxFormats/snp/SNPDatabaseUtils.h>

namespace Nx {

ReportConnections::ReportConnections() = default;

// Members go in the reverse order of their declaration: the evaluator before the connections it
// borrows, the read transactions before their connections.
ReportConnections::~ReportConnections() = default;

bool ReportConnections::open(const QString& dbPath, const NxDbiRef& sessionRef, NxOpStatus& os) {
    database.reset(SNPDatabaseUtils::openDatabase(dbPath));
    if (database == nullptr) {
        os.setError(tr("Cannot open database file: %1").arg(dbPath));
        return false;
    }
    session.open(sessionRef, false, os);
    if (os.isCoR()) {
        return false;
    }
    if (session.dbi == nullptr) {
        os.setError(tr("Dbi Session is null"));
        return false;
    }
    // Both databases are only read: one read transaction each, instead of one per statement, and
    // no write lock that other runs on the same reference would wait for.
    databaseBlock.reset(new DbiOperationsBlock(database->getDbiRef(), os, false));
    sessionBlock.reset(new DbiOperationsBlock(sessionRef, os, false));
    if (os.isCoR()) {
        return false;
    }
    evaluator.reset(new DamageEffectEvaluator(session.dbi, database->getDbi(), true));
    return SNPReportWriterTask::takeTables(session.dbi, database->getDbi(), tables, os);
}

}  // namespace Nx
