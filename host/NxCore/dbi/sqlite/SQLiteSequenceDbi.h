// Sequence table: one Object row of type Sequence per chromosome, its length and alphabet in
// Sequence, and its bases in SequenceChunk rows of CHUNK_SIZE bytes (the last may be shorter).
// A region read touches only the chunks it overlaps, so it costs time proportional to the
// region, not to the chromosome. Bases are stored upper-case.
#pragma once

#include <NxCore/dbi/NxSequenceDbi.h>
#include <NxCore/dbi/sqlite/SQLiteTable.h>

#include <QCoreApplication>

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
};

}  // namespace Nx
