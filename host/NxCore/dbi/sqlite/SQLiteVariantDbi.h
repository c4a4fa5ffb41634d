// Variant table: variation tracks (objects of type VariantTrack) and their variations.
// Variations are rows of one table indexed by (track, start), so a region read walks the index
// in start order and, for equal starts, in row-id (insertion) order. Row ids are never reused,
// so the id of a removed variation cannot come back as another one with its attributes.
#pragma once

#include <NxCore/dbi/NxVariantDbi.h>
#include <NxCore/dbi/sqlite/SQLiteTable.h>

#include <QCoreApplication>
#include <QHash>

#include <vector>

namespace Nx {

class SQLiteVariantDbi : public SQLiteTable, public NxVariantDbi {
    Q_DECLARE_TR_FUNCTIONS(Nx::SQLiteVariantDbi)
public:
    explicit SQLiteVariantDbi(SQLiteDbi* db) : SQLiteTable(db) {}

    void initSqlSchema(NxOpStatus& os) override;

    void createVariantTrack(NxVariantTrack& track, NxOpStatus& os) override;
    NxVariantTrack getVariantTrack(const NxDataId& trackId, NxOpStatus& os) override;
    NxVariantTrack getVariantTrackOfVariant(const NxDataId& variantId, NxOpStatus& os) override;
    QList<NxDataId> getVariantTracks(NxOpStatus& os) override;

    // One prepared statement inside one transaction (nested in the caller's block, if any).
    void addVariantsToTrack(const NxVariantTrack& track, QList<NxVariant>& variants, NxOpStatus& os) override;
    void appendVariants(const NxVariantTrack& track, QList<NxVariant>& variants, NxOpStatus& os) override;

    qint64 countVariants(const NxDataId& trackId, NxOpStatus& os) override;
    qint64 countVariants(const QList<NxDataId>& trackIds, NxOpStatus& os) override;
    // A live iterator over a statement: memory does not grow with the track. It stays valid
    // after the connection is closed, until deleted.
    NxDbiIterator<NxVariant>* getVariantsInRegion(const NxDataId& trackId, const NxRegion& region, NxOpStatus& os) override;
    QList<NxRegion> splitTrack(const NxDataId& trackId, qint64 rowsPerPart, NxOpStatus& os) override;
    NxVariant getVariant(const NxDataId& variantId, NxOpStatus& os) override;
    void setVariantPublicId(const NxDataId& trackId, const NxDataId& variantId, const QString& newId, NxOpStatus& os) override;

private:
    void insertVariants(const NxVariantTrack& track, QList<NxVariant>& variants, bool setIds, NxOpStatus& os);

    // Inside a transaction the track rows of a window of variation row ids and the track records
    // asked for are kept (the report asks for the track of every variation); the read stamp
    // ends them with every write of this connection and every new transaction.
    static const qint64 TRACK_WINDOW = 4096;
    quint64 windowStamp = 0;
    qint64 windowStart = 0;
    qint64 windowEnd = 0;
    std::vector<qint64> trackOfVariant;        // track row id of variation row windowStart + i; -1: none
    QHash<qint64, NxVariantTrack> trackRecords; // track row id -> record
};

}  // namespace Nx
