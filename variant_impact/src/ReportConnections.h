// Both databases of a report pass, opened for reading on the calling thread: a read transaction
// on each, the tables a pass reads and an evaluator over them. The task's thread and every
// reading thread hold one; members are released in the reverse order of opening.
#pragma once

#include "SNPReportWriterTask.h"

#include <NxCore/dbi/DbiConnection.h>

#include <QCoreApplication>
#include <QSharedPointer>

#include <memory>

namespace Nx {

class DbiOperationsBlock;
class SNPDatabase;

class ReportConnections {
    Q_DECLARE_TR_FUNCTIONS(Nx::SNPReportWriterTask)
public:
    ReportConnections();
    ~ReportConnections();
    ReportConnections(const ReportConnections&) = delete;
    ReportConnections& operator=(const ReportConnections&) = delete;

    // False, with the error in os, when a database or a table cannot be had. os must outlive
    // this object: the read transactions end into it.
    bool open(const QString& dbPath, const NxDbiRef& sessionRef, NxOpStatus& os);

    std::unique_ptr<SNPDatabase> database;
    DbiConnection session;
    std::unique_ptr<DbiOperationsBlock> databaseBlock;
    std::unique_ptr<DbiOperationsBlock> sessionBlock;
    QSharedPointer<DamageEffectEvaluator> evaluator;
    SNPReportWriterTask::Tables tables;
};

}  // namespace Nx
