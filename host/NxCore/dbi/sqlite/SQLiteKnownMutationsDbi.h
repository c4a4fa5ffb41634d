// Known-mutation table of the reference database: one KnownMutationsTrack object per chromosome
// number (KnownMutationTrack row beside its Object row) and its mutations in KnownMutation,
// indexed by (track, position) so a look-up at one position reads only the rows there.
#pragma once

#include <NxCore/dbi/KnownMutationsDbi.h>
#include <NxCore/dbi/sqlite/SQLiteTable.h>

#include <QCoreApplication>

namespace Nx {

class SQLiteKnownMutationsDbi : public SQLiteTable, public KnownMutationsDbi {
    Q_DECLARE_TR_FUNCTIONS(Nx::SQLiteKnownMutationsDbi)
public:
    explicit SQLiteKnownMutationsDbi(SQLiteDbi* db) : SQLiteTable(db) {}

    void initSqlSchema(NxOpStatus& os) override;

    KnownMutationsTrack getTrackByChromosome(int chromosomeNumber, NxOpStatus& os) override;
    // In insertion order.
    NxDbiIterator<KnownMutation>* getMutationsAt(const NxDataId& trackId, qint64 position, NxOpStatus& os) override;
    NxDbiIterator<KnownMutation>* getMutationsInRegion(const NxDataId& trackId, const NxRegion& region,
                                                       NxOpStatus& os) override;

    // One track per chromosome number: a second track of the same number is an error.
    void createTrack(KnownMutationsTrack& track, NxOpStatus& os) override;
    // Stores the mutations in one transaction (the ids of the records are not set).
    void addMutations(const NxDataId& trackId, const QList<KnownMutation>& mutations, NxOpStatus& os) override;
    qint64 countMutations(const NxDataId& trackId, NxOpStatus& os);
};

}  // namespace Nx
