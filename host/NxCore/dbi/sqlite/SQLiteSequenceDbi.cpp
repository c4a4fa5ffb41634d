#include "SQLiteSequenceDbi.h"

#include "SQLiteDbi.h"
#include "SQLiteQuery.h"
#include "SQLiteTransaction.h"
#include "SQLiteUtils.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/NxObjectDbi.h>

namespace Nx {

NX_REGISTER_SQLITE_TABLE(SQLiteTableKind::Sequence, SQLiteSequenceDbi)

void SQLiteSequenceDbi::initSqlSchema(NxOpStatus& os) {
    SQLiteQuery::exec(
        "CREATE TABLE IF NOT EXISTS Sequence ("
        "  object INTEGER PRIMARY KEY REFERENCES Object(id) ON DELETE CASCADE,"
        "  length INTEGER NOT NULL DEFAULT 0,"
        "  alphabet TEXT NOT NULL,"
        "  circular INTEGER NOT NULL DEFAULT 0);"
        "CREATE TABLE IF NOT EXISTS SequenceChunk ("
        "  sequence INTEGER NOT NULL REFERENCES Sequence(object) ON DELETE CASCADE,"
        "  chunk INTEGER NOT NULL,"  // chunk i holds bases [i * CHUNK_SIZE, (i + 1) * CHUNK_SIZE)
        "  data BLOB NOT NULL,"
        "  PRIMARY KEY(sequence, chunk));",
        db, os);
}

qint64 SQLiteSequenceDbi::toRowId(const NxDataId& sequenceId, NxOpStatus& os) {
    if (sequenceId.isEmpty()) {
        os.setError(tr("No sequence identifier given"));
        return -1;
    }
    return SQLiteUtils::toDbRef(sequenceId, NxObjectTypes::Sequence, os);
}

qint64 SQLiteSequenceDbi::storedLength(qint64 rowId, NxOpStatus& os) {
    SQLiteQuery q("SELECT length FROM Sequence WHERE object = ?1", db, os);
    q.bindInt64(1, rowId);
    qint64 len = q.selectInt64(-1);
    if (len < 0 && !os.hasError()) {
        os.setError(tr("Sequence not found in database '%1'").arg(db->getFilePath()));
    }
    return len;
}

NxSequence SQLiteSequenceDbi::getSequenceObject(const NxDataId& sequenceId, NxOpStatus& os) {
    NxSequence res;
    qint64 rowId = toRowId(sequenceId, os);
    NX_CHECK_OP(os, res);
    SQLiteQuery q("SELECT o.version, o.name, s.length, s.alphabet, s.circular FROM Object o "
                  "JOIN Sequence s ON s.object = o.id WHERE o.id = ?1",
                  db, os);
    q.bindInt64(1, rowId);
    if (!q.step()) {
        if (!os.hasError()) {
            os.setError(tr("Sequence not found in database '%1'").arg(db->getFilePath()));
        }
        return res;
    }
    res.id = sequenceId;
    res.dbiId = db->getFilePath();
    res.version = q.getInt64(0);
    res.visualName = q.getString(1);
    res.length = q.getInt64(2);
    res.alphabet = q.getString(3);
    res.circular = q.getBool(4);
    return res;
}

bool SQLiteSequenceDbi::readChunk(qint64 rowId, qint64 chunk, QByteArray& data, NxOpStatus& os) {
    SQLiteQuery q("SELECT data FROM SequenceChunk WHERE sequence = ?1 AND chunk = ?2", db, os);
    q.bindInt64(1, rowId);
    q.bindInt64(2, chunk);
    if (!q.step()) {
        if (!os.hasError()) {
            os.setError(damagedAt(chunk));
        }
        return false;
    }
    data = q.getBlob(0);
    return true;
}

QString SQLiteSequenceDbi::damagedAt(qint64 chunk) const {
    return tr("Sequence data of '%1' is damaged at chunk %2").arg(db->getFilePath()).arg(chunk);
}

bool SQLiteSequenceDbi::appendPiece(const QByteArray& data, qint64 chunk, qint64 lastChunk, qint64 start, qint64 end,
                                    QByteArray& res, NxOpStatus& os) const {
    // Only the last chunk of a sequence may be short.
    if (chunk < lastChunk && data.size() != CHUNK_SIZE) {
        os.setError(damagedAt(chunk));
        return false;
    }
    const qint64 chunkStart = chunk * CHUNK_SIZE;
    const qint64 from = qMax(start, chunkStart) - chunkStart;
    const qint64 to = qMin(end, chunkStart + data.size()) - chunkStart;
    if (to > from) {
        res.append(data.constData() + from, static_cast<int>(to - from));
    }
    return true;
}

bool SQLiteSequenceDbi::readCached(qint64 rowId, qint64 start, qint64 end, QByteArray& res, NxOpStatus& os) {
    qint64 firstChunk = start / CHUNK_SIZE;
    qint64 lastChunk = (end - 1) / CHUNK_SIZE;
    if (lastChunk - firstChunk >= CACHED_CHUNKS) {
        return false;
    }
    for (qint64 chunk = firstChunk; chunk <= lastChunk; ++chunk) {
        const CachedChunk* found = nullptr;
        for (const CachedChunk& c : cachedChunks) {
            if (c.sequence == rowId && c.chunk == chunk) {
                found = &c;
            }
        }
        if (found == nullptr) {
            CachedChunk& slot = cachedChunks[nextCachedChunk];
            if (!readChunk(rowId, chunk, slot.data, os)) {
                return true;
            }
            nextCachedChunk = (nextCachedChunk + 1) % CACHED_CHUNKS;
            slot.sequence = rowId;
            slot.chunk = chunk;
            found = &slot;
        }
        if (!appendPiece(found->data, chunk, lastChunk, start, end, res, os)) {
            return true;
        }
    }
    return true;
}

void SQLiteSequenceDbi::readStored(qint64 rowId, qint64 start, qint64 end, QByteArray& res, NxOpStatus& os) {
    qint64 firstChunk = start / CHUNK_SIZE;
    qint64 lastChunk = (end - 1) / CHUNK_SIZE;
    SQLiteQuery q("SELECT chunk, data FROM SequenceChunk WHERE sequence = ?1 AND chunk BETWEEN ?2 AND ?3 "
                  "ORDER BY chunk",
                  db, os);
    q.bindInt64(1, rowId);
    q.bindInt64(2, firstChunk);
    q.bindInt64(3, lastChunk);
    qint64 expected = firstChunk;
    while (q.step()) {
        if (q.getInt64(0) != expected) {
            os.setError(damagedAt(expected));
            return;
        }
        if (!appendPiece(q.getBlob(1), expected, lastChunk, start, end, res, os)) {
            return;
        }
        ++expected;
    }
}

QByteArray SQLiteSequenceDbi::getSequenceData(const NxDataId& sequenceId, const NxRegion& region, NxOpStatus& os) {
    qint64 rowId = toRowId(sequenceId, os);
    NX_CHECK_OP(os, QByteArray());
    // Inside a read transaction nothing can change what was read: lengths and the last chunks
    // are kept until the transaction or a write of this connection ends it.
    const quint64 stamp = db->getReadStamp();
    if (stamp != cacheStamp) {
        cacheStamp = stamp;
        cachedLengths.clear();
        for (CachedChunk& c : cachedChunks) {
            c = CachedChunk();
        }
    }
    qint64 length = stamp != 0 ? cachedLengths.value(rowId, -1) : -1;
    if (length < 0) {
        length = storedLength(rowId, os);
        NX_CHECK_OP(os, QByteArray());
        if (stamp != 0) {
            cachedLengths.insert(rowId, length);
        }
    }
    qint64 start = qMax<qint64>(0, region.startPos);
    // endPos() of a huge length would overflow; clip the length first.
    qint64 end = region.length > length ? length : qMin(length, region.startPos + region.length);
    if (region.length <= 0 || end <= start) {
        return QByteArray();
    }
    QByteArray res;
    res.reserve(static_cast<int>(end - start));
    if (stamp == 0 || !readCached(rowId, start, end, res, os)) {
        readStored(rowId, start, end, res, os);
    }
    NX_CHECK_OP(os, QByteArray());
    if (res.size() != end - start) {
        os.setError(tr("Sequence data of '%1' is shorter than its stored length").arg(db->getFilePath()));
        return QByteArray();
    }
    return res;
}

void SQLiteSequenceDbi::createSequenceObject(NxSequence& sequence, NxOpStatus& os) {
    NxObjectDbi* objects = db->getObjectDbi();
    if (objects == nullptr) {
        os.setError(tr("Database '%1' has no object table").arg(db->getFilePath()));
        return;
    }
    SQLiteTransaction t(db, os);
    objects->createObject(sequence, NxObjectTypes::Sequence, os);
    NX_CHECK_OP(os, );
    SQLiteQuery q("INSERT INTO Sequence(object, length, alphabet, circular) VALUES(?1, 0, ?2, ?3)", db, os);
    q.bindInt64(1, SQLiteUtils::toDbRef(sequence.id));
    q.bindString(2, sequence.alphabet);
    q.bindBool(3, sequence.circular);
    q.execute();
    sequence.length = 0;
}

void SQLiteSequenceDbi::appendSequenceData(const NxDataId& sequenceId, const QByteArray& data, NxOpStatus& os) {
    qint64 rowId = toRowId(sequenceId, os);
    NX_CHECK_OP(os, );
    if (data.isEmpty()) {
        return;
    }
    SQLiteTransaction t(db, os);
    qint64 length = storedLength(rowId, os);
    NX_CHECK_OP(os, );
    qint64 chunk = length / CHUNK_SIZE;
    QByteArray pending;
    if (length % CHUNK_SIZE != 0 && !readChunk(rowId, chunk, pending, os)) {
        return;
    }
    pending += data.toUpper();
    SQLiteQuery put("INSERT OR REPLACE INTO SequenceChunk(sequence, chunk, data) VALUES(?1, ?2, ?3)", db, os);
    for (int off = 0; off < pending.size() && !os.hasError(); off += CHUNK_SIZE, ++chunk) {
        put.reset();
        put.bindInt64(1, rowId);
        put.bindInt64(2, chunk);
        put.bindBlob(3, QByteArray::fromRawData(pending.constData() + off, qMin(CHUNK_SIZE, pending.size() - off)));
        put.execute();
    }
    NX_CHECK_OP(os, );
    SQLiteQuery upd("UPDATE Sequence SET length = ?1 WHERE object = ?2", db, os);
    upd.bindInt64(1, length + data.size());
    upd.bindInt64(2, rowId);
    upd.execute();
}

}  // namespace Nx
