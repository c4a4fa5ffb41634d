// Sequence table: one Object row of type Sequence per chromosome, its length and alphabet in
// Sequence, and its bases in SequenceChunk rows of CHUNK_SIZE bytes (the last may be shorter).
// A region read touches only the chunks it overlaps, so it costs time proportional to the
// region, not to the chromosome. Bases are stored upper-case.
#pragma once

#include <NxCore/dbi/NxSequenceDbi.h>
#include <NxCore/dbi/sqlite/SQLiteTable.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QHash>

namespace Nx {

class SQLiteSequenceDbi : public SQLiteTable, public NxSequenceDbi {
    Q_DECLARE_TR_FUNCTIONS(Nx::SQLiteSequenceDbi)
public:
    static constexpr int CHUNK_SIZE = 16384;  // constexpr: inline, so taking its address links at -O0

    explicit SQLiteSequenceDbi(SQLiteDbi* db) : SQLiteTable(db) {}

    void initSqlSchema(NxOpStatus& os) override;

    NxSequence getSequenceObject(const NxDataId& sequenceId, NxOpStatus& os) override;
    QByteArray getSequenceData(const NxDataId& sequenceId, const NxRegion& region, NxOpStatus& os) override;

    // Stores a new, empty sequence object (visualName, alphabet, circular are taken from sequence);
    // sets its id, dbiId, version and length 0.
    void createSequenceObject(NxSequence& sequence, NxOpStatus& os) override;
    // Appends bases (upper-cased) after the stored ones; a partly filled last chunk is filled first.
    void appendSequenceData(const NxDataId& sequenceId, const QByteArray& data, NxOpStatus& os) override;

private:
    qint64 toRowId(const NxDataId& sequenceId, NxOpStatus& os);
    qint64 storedLength(qint64 rowId, NxOpStatus& os);
    // Reads that stay near each other (the codons of a report, variation after variation) find
    // their chunks and lengths here within one read transaction; see getSequenceData.
    // Appends [start, end) to res; false when the range is too wide for the cache (res untouched).
    bool readCached(qint64 rowId, qint64 start, qint64 end, QByteArray& res, NxOpStatus& os);
    // Appends [start, end) to res from the stored chunks, in one query.
    void readStored(qint64 rowId, qint64 start, qint64 end, QByteArray& res, NxOpStatus& os);
    // One stored chunk; false (and an error) when it is missing.
    bool readChunk(qint64 rowId, qint64 chunk, QByteArray& data, NxOpStatus& os);
    // Appends the part of [start, end) that the chunk holds; false (and an error) for a short
    // chunk before the last one.
    bool appendPiece(const QByteArray& data, qint64 chunk, qint64 lastChunk, qint64 start, qint64 end, QByteArray& res,
                     NxOpStatus& os) const;
    QString damagedAt(qint64 chunk) const;

    static const int CACHED_CHUNKS = 4;
    struct CachedChunk {
        qint64 sequence = -1;
        qint64 chunk = -1;
        QByteArray data;
    };
    quint64 cacheStamp = 0;           // SQLiteDbi::getReadStamp() the cache belongs to; 0: empty
    QHash<qint64, qint64> cachedLengths;
    CachedChunk cachedChunks[CACHED_CHUNKS];
    int nextCachedChunk = 0;          // the slot the next read chunk replaces
};

}  // namespace Nx
