#include "SQLiteVariantDbi.h"

#include "SQLiteDbi.h"
#include "SQLiteObjectDbi.h"
#include "SQLiteQuery.h"
#include "SQLiteTransaction.h"
#include "SQLiteUtils.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/log/Logger.h>

#include <QSet>
#include <QVector>

#include <limits>

namespace Nx {

NX_REGISTER_SQLITE_TABLE(SQLiteTableKind::Variant, SQLiteVariantDbi)

namespace {

const char* const VARIANT_COLUMNS = "id, startPos, endPos, refData, obsData, publicId";

const int INSERT_COLUMNS = 7;
const int INSERT_GROUP = 64;  // rows per execution of the bulk insert

// With withId false the row ids are left to SQLite (one more than the highest).
QString insertSql(int rows, bool withId) {
    QString sql = withId ? "INSERT INTO Variant(id, track, startPos, endPos, refData, obsData, publicId) VALUES "
                         : "INSERT INTO Variant(track, startPos, endPos, refData, obsData, publicId) VALUES ";
    const char* row = withId ? "(?,?,?,?,?,?,?)" : "(?,?,?,?,?,?)";
    for (int r = 0; r < rows; ++r) {
        if (r > 0) {
            sql += ',';
        }
        sql += row;
    }
    return sql;
}

// Reads a row of VARIANT_COLUMNS starting at column 0.
NxVariant readVariant(const SQLiteQuery& q) {
    NxVariant v;
    v.id = SQLiteUtils::toDbiId(q.getInt64(0), NxEntityTypes::Variant);  // the row id: never NULL
    v.startPos = q.getInt64(1);
    v.endPos = q.getInt64(2);
    v.refData = q.getBlob(3);
    v.obsData = q.getBlob(4);
    v.publicId = q.getString(5);
    return v;
}

// Streams the variations of a track in pages. No statement stays open between pages, so a
// reader that walks a whole track holds no read snapshot while its caller commits batches of
// writes in between: in WAL mode a write transaction cannot start on a connection whose snapshot
// is older than another connection's last commit, and a long track would otherwise fail every
// write that another element made meanwhile. Pages continue after the last (startPos, id) read,
// so rows are neither repeated nor skipped. The connection must stay open while iterating.
// A page that cannot be read sets the caller's status and ends the iteration, so a damaged
// table never looks like the end of the track.
class SQLiteVariantIterator : public NxDbiIterator<NxVariant> {
public:
    static const int PAGE_ROWS = 1024;

    SQLiteVariantIterator(SQLiteDbi* db, qint64 trackRowId, qint64 start, qint64 end, NxOpStatus& os)
        : os(os), db(db), trackRowId(trackRowId), start(start), end(end), lastStart(start) {}

    bool hasNext() override {
        fetch();
        return index < page.size();
    }

    NxVariant next() override {
        fetch();
        // Each row is handed out once: moved, not copied.
        return index < page.size() ? std::move(page[index++]) : NxVariant();
    }

    NxVariant peek() override {
        fetch();
        return index < page.size() ? page.at(index) : NxVariant();
    }

private:
    void fetch() {
        if (index < page.size() || exhausted) {
            return;
        }
        page.clear();
        index = 0;
        if (os.hasError()) {
            exhausted = true;
            return;
        }
        page.reserve(PAGE_ROWS);
        if (rowIdMisses < MAX_ROW_ID_MISSES && fetchInRowIdOrder()) {
            if (os.hasError()) {
                coreLog.error(os.getError());
                page.clear();
                exhausted = true;
            }
            return;
        }
        page.clear();
        fetchInIndexOrder();
    }

    // The next page read straight from the table in row id order, which costs no look-up of each
    // row from the position index. Imports store a sorted track in position order, so the rows
    // that follow the last one read are mostly the next ones by position too. They are taken
    // only when they are: rows of this track in the region, positions never falling, and as
    // many as the position index holds between the last row handed out and the last row read
    // (the index is counted without touching the table). False when the page must be read by
    // the index.
    bool fetchInRowIdOrder() {
        qint64 from = lastId + 1;
        if (lastId < 0) {
            SQLiteQuery first("SELECT id FROM Variant WHERE track = ?1 AND startPos >= ?2 AND startPos < ?3"
                              " ORDER BY startPos, id LIMIT 1",
                              db, os);
            first.bindInt64(1, trackRowId);
            first.bindInt64(2, start);
            first.bindInt64(3, end);
            if (!first.step()) {
                exhausted = true;
                return true;  // nothing in the region, or an error (in os)
            }
            from = first.getInt64(0);
        }
        {
            SQLiteQuery rows("SELECT id, startPos, endPos, refData, obsData, publicId, track FROM Variant"
                             " WHERE id >= ?1 ORDER BY id LIMIT ?2",
                             db, os);
            rows.bindInt64(1, from);
            rows.bindInt64(2, PAGE_ROWS);
            qint64 previousStart = lastStart;
            while (rows.step()) {
                const qint64 pos = rows.getInt64(1);
                if (rows.getInt64(6) != trackRowId || pos < previousStart || pos >= end) {
                    break;
                }
                page.append(readVariant(rows));
                previousStart = pos;
            }
        }
        if (os.hasError() || page.isEmpty()) {
            ++rowIdMisses;
            return os.hasError();
        }
        const qint64 pageEnd = page.last().startPos;
        const qint64 pageEndId = SQLiteUtils::toDbRef(page.last().id);
        // Rows of the positions from the last one handed out to the last one read, less those
        // at the two ends that lie outside: counted on plain ranges of the index, which is
        // cheaper than one count that compares every row's id.
        SQLiteQuery count("SELECT COUNT(*) FROM Variant WHERE track = ?1 AND startPos >= ?2 AND startPos <= ?3", db, os);
        count.bindInt64(1, trackRowId);
        count.bindInt64(2, lastStart);
        count.bindInt64(3, pageEnd);
        // Rows at one position on either side of a row id.
        auto rowsAt = [this](const char* sql, qint64 pos, qint64 id) {
            SQLiteQuery q(sql, db, os);
            q.bindInt64(1, trackRowId);
            q.bindInt64(2, pos);
            q.bindInt64(3, id);
            return q.selectInt64(-1);
        };
        const qint64 handedOut =
            rowsAt("SELECT COUNT(*) FROM Variant WHERE track = ?1 AND startPos = ?2 AND id <= ?3", lastStart, lastId);
        const qint64 beyond =
            rowsAt("SELECT COUNT(*) FROM Variant WHERE track = ?1 AND startPos = ?2 AND id > ?3", pageEnd, pageEndId);
        const qint64 inRange = count.selectInt64(-1) - handedOut - beyond;
        if (inRange != page.size() || os.hasError()) {
            ++rowIdMisses;
            return os.hasError();
        }
        rowIdMisses = 0;
        lastStart = pageEnd;
        lastId = pageEndId;
        return true;
    }

    void fetchInIndexOrder() {
        SQLiteQuery q(QString("SELECT %1 FROM Variant WHERE track = ?1 AND startPos >= ?6 AND startPos < ?2"
                              " AND (startPos > ?3 OR (startPos = ?3 AND id > ?4)) ORDER BY startPos, id LIMIT ?5")
                          .arg(VARIANT_COLUMNS),
                      db, true, os);
        q.bindInt64(1, trackRowId);
        q.bindInt64(2, end);
        q.bindInt64(3, lastStart);
        q.bindInt64(4, lastId);
        q.bindInt64(5, PAGE_ROWS);
        q.bindInt64(6, start);
        while (q.step()) {
            page.append(readVariant(q));
            lastStart = q.getInt64(1);
            lastId = q.getInt64(0);
        }
        if (os.hasError()) {
            coreLog.error(os.getError());
            page.clear();  // a partial page would be taken for the track's last rows
        }
        exhausted = page.size() < PAGE_ROWS || os.hasError();
    }

    // Pages in a row the table's order did not give: an unsorted or interleaved track is then
    // read by the index only.
    static const int MAX_ROW_ID_MISSES = 3;

    NxOpStatus& os;            // the caller's; outlives the iterator
    SQLiteDbi* db;
    qint64 trackRowId;
    qint64 start;              // startPos bound, inclusive
    qint64 end;                // startPos bound, exclusive
    qint64 lastStart;          // (startPos, id) of the last row read; the next page starts after it
    qint64 lastId = -1;
    QVector<NxVariant> page;   // rows of the current page
    int index = 0;             // next row of page
    bool exhausted = false;    // the last page was read
    int rowIdMisses = 0;       // pages in a row that had to be read by the index
};

}  // namespace

void SQLiteVariantDbi::initSqlSchema(NxOpStatus& os) {
    SQLiteQuery::exec(
        "CREATE TABLE IF NOT EXISTS VariantTrack ("
        "  object INTEGER PRIMARY KEY REFERENCES Object(id) ON DELETE CASCADE,"
        "  sequence BLOB NOT NULL,"
        "  sequenceName TEXT NOT NULL);"
        "CREATE TABLE IF NOT EXISTS Variant ("
        "  id INTEGER PRIMARY KEY,"
        "  track INTEGER NOT NULL,"
        "  startPos INTEGER NOT NULL,"
        "  endPos INTEGER NOT NULL,"
        "  refData BLOB NOT NULL,"
        "  obsData BLOB NOT NULL,"
        "  publicId TEXT NOT NULL);"
        "CREATE INDEX IF NOT EXISTS VariantByPosition ON Variant(track, startPos);"
        // Instead of a foreign key, which would look up the track for every inserted row: the
        // track is checked once per batch, and removing it removes its variations here.
        "CREATE TRIGGER IF NOT EXISTS VariantTrackRemoved AFTER DELETE ON VariantTrack"
        "  BEGIN DELETE FROM Variant WHERE track = old.object; END;"
        // Highest variation id ever given out. Ids are assigned here instead of by AUTOINCREMENT,
        // which costs a sequence update per row.
        "CREATE TABLE IF NOT EXISTS VariantIdWatermark (maxId INTEGER NOT NULL);",
        db, os);
}

void SQLiteVariantDbi::createVariantTrack(NxVariantTrack& track, NxOpStatus& os) {
    SQLiteObjectDbi* objectDbi = static_cast<SQLiteObjectDbi*>(db->getTable(SQLiteTableKind::Object));
    SQLiteTransaction t(db, os);
    NX_CHECK_OP(os, );
    objectDbi->createObject(track, NxObjectTypes::VariantTrack, os);
    NX_CHECK_OP(os, );
    SQLiteQuery q("INSERT INTO VariantTrack(object, sequence, sequenceName) VALUES(?1, ?2, ?3)", db, os);
    q.bindInt64(1, SQLiteUtils::toDbRef(track.id));
    q.bindBlob(2, track.sequence);
    q.bindString(3, track.sequenceName);
    q.execute();
}

NxVariantTrack SQLiteVariantDbi::getVariantTrack(const NxDataId& trackId, NxOpStatus& os) {
    NxVariantTrack res;
    qint64 rowId = SQLiteUtils::toDbRef(trackId, NxObjectTypes::VariantTrack, os);
    NX_CHECK_OP(os, res);
    SQLiteQuery q("SELECT o.name, o.version, t.sequence, t.sequenceName FROM VariantTrack t"
                  " JOIN Object o ON o.id = t.object WHERE t.object = ?1",
                  db, os);
    q.bindInt64(1, rowId);
    if (!q.step()) {
        if (!os.hasError()) {
            os.setError(tr("Variation track not found in database '%1'").arg(db->getFilePath()));
        }
        return res;
    }
    res.id = trackId;
    res.dbiId = db->getFilePath();
    res.visualName = q.getString(0);
    res.version = q.getInt64(1);
    res.sequence = q.getBlob(2);
    res.sequenceName = q.getString(3);
    return res;
}

NxVariantTrack SQLiteVariantDbi::getVariantTrackOfVariant(const NxDataId& variantId, NxOpStatus& os) {
    NxVariantTrack res;
    qint64 rowId = SQLiteUtils::toDbRef(variantId, NxEntityTypes::Variant, os);
    NX_CHECK_OP(os, res);
    const quint64 stamp = db->getReadStamp();
    if (stamp != 0) {
        if (stamp != windowStamp || rowId < windowStart || rowId >= windowEnd) {
            if (stamp != windowStamp) {
                trackRecords.clear();
            }
            trackOfVariant.assign(size_t(TRACK_WINDOW), -1);
            windowStamp = 0;
            SQLiteQuery q("SELECT id, track FROM Variant WHERE id >= ?1 AND id < ?2", db, os);
            q.bindInt64(1, rowId);
            q.bindInt64(2, rowId + TRACK_WINDOW);
            while (q.step()) {
                trackOfVariant[size_t(q.getInt64(0) - rowId)] = q.getInt64(1);
            }
            NX_CHECK_OP(os, res);
            windowStamp = stamp;
            windowStart = rowId;
            windowEnd = rowId + TRACK_WINDOW;
        }
        const qint64 track = trackOfVariant[size_t(rowId - windowStart)];
        if (track < 0) {
            os.setError(tr("Variation not found in database '%1'").arg(db->getFilePath()));
            return res;
        }
        auto record = trackRecords.constFind(track);
        if (record == trackRecords.constEnd()) {
            res = getVariantTrack(SQLiteUtils::toDbiId(track, NxObjectTypes::VariantTrack), os);
            NX_CHECK_OP(os, NxVariantTrack());
            record = trackRecords.insert(track, res);
        }
        return record.value();
    }
    // One statement: the report asks this for every variation it writes.
    SQLiteQuery q("SELECT t.object, o.name, o.version, t.sequence, t.sequenceName FROM Variant v"
                  " JOIN VariantTrack t ON t.object = v.track JOIN Object o ON o.id = t.object WHERE v.id = ?1",
                  db, os);
    q.bindInt64(1, rowId);
    if (!q.step()) {
        if (!os.hasError()) {
            os.setError(tr("Variation not found in database '%1'").arg(db->getFilePath()));
        }
        return res;
    }
    res.id = q.getDataId(0, NxObjectTypes::VariantTrack);
    res.dbiId = db->getFilePath();
    res.visualName = q.getString(1);
    res.version = q.getInt64(2);
    res.sequence = q.getBlob(3);
    res.sequenceName = q.getString(4);
    return res;
}

QList<NxDataId> SQLiteVariantDbi::getVariantTracks(NxOpStatus& os) {
    QList<NxDataId> res;
    SQLiteQuery q("SELECT object FROM VariantTrack ORDER BY object", db, os);
    while (q.step()) {
        res << q.getDataId(0, NxObjectTypes::VariantTrack);
    }
    return res;
}

void SQLiteVariantDbi::addVariantsToTrack(const NxVariantTrack& track, QList<NxVariant>& variants, NxOpStatus& os) {
    insertVariants(track, variants, true, os);
}

void SQLiteVariantDbi::appendVariants(const NxVariantTrack& track, QList<NxVariant>& variants, NxOpStatus& os) {
    insertVariants(track, variants, false, os);
}

void SQLiteVariantDbi::insertVariants(const NxVariantTrack& track, QList<NxVariant>& variants, bool setIds,
                                      NxOpStatus& os) {
    qint64 trackRowId = SQLiteUtils::toDbRef(track.id, NxObjectTypes::VariantTrack, os);
    NX_CHECK_OP(os, );
    SQLiteTransaction t(db, os);
    NX_CHECK_OP(os, );
    {
        SQLiteQuery check("SELECT COUNT(*) FROM VariantTrack WHERE object = ?1", db, os);
        check.bindInt64(1, trackRowId);
        if (check.selectInt64() == 0 && !os.hasError()) {
            os.setError(tr("Variation track not found in database '%1'").arg(db->getFilePath()));
        }
    }
    NX_CHECK_OP(os, );
    qint64 nextId = 0;
    bool sqliteAssigns = false;
    {
        SQLiteQuery maxQ("SELECT IFNULL((SELECT MAX(id) FROM Variant), 0), IFNULL((SELECT MAX(maxId) FROM VariantIdWatermark), 0)", db, os);
        if (maxQ.step()) {
            const qint64 highest = maxQ.getInt64(0);
            const qint64 watermark = maxQ.getInt64(1);
            nextId = qMax(highest, watermark) + 1;
            // Unless removed rows left ids above the highest row, SQLite gives the ids wanted here
            // itself, appending without looking each id up in the table first.
            sqliteAssigns = watermark <= highest;
        }
    }
    NX_CHECK_OP(os, );
    const int columns = sqliteAssigns ? INSERT_COLUMNS - 1 : INSERT_COLUMNS;
    // Rows go in groups of INSERT_GROUP per statement execution, which spares most of the
    // per-execution cost; the rest, and the rows before an invalid one, go one by one.
    SQLiteQuery group(insertSql(INSERT_GROUP, !sqliteAssigns), db, os);
    SQLiteQuery single(insertSql(1, !sqliteAssigns), db, os);
    auto bindRow = [&](SQLiteQuery& q, int slot, const NxVariant& v, qint64 id) {
        int b = slot * columns;
        if (!sqliteAssigns) {
            q.bindInt64(++b, id);
        }
        q.bindInt64(b + 1, trackRowId);
        q.bindInt64(b + 2, v.startPos);
        q.bindInt64(b + 3, v.endPos);
        q.bindBlob(b + 4, v.refData, false);  // v outlives the execution: no copy
        q.bindBlob(b + 5, v.obsData, false);
        q.bindString(b + 6, v.publicId);
    };
    qint64 lastStored = nextId - 1;  // id of the last row stored
    // Executes q for rows from..to, notes the last id stored and, when asked, gives the rows their
    // ids; false on an error (in os).
    auto insertRows = [&](SQLiteQuery& q, int from, int to) {
        const qint64 last = q.insert();
        if (last < 0 || os.hasError()) {
            return false;
        }
        // The rows got consecutive ids: this transaction is the only writer.
        const qint64 first = sqliteAssigns ? last - (to - from) + 1 : nextId + from;
        lastStored = first + (to - from) - 1;
        for (int j = from; setIds && j < to; ++j) {
            variants[j].id = SQLiteUtils::toDbiId(first + (j - from), NxEntityTypes::Variant);
        }
        return true;
    };
    auto insertOneByOne = [&](int from, int to) {
        for (int i = from; i < to && !os.hasError(); ++i) {
            single.reset();
            bindRow(single, 0, variants[i], nextId + i);
            insertRows(single, i, i + 1);
        }
    };
    int groupStart = 0;
    for (int i = 0; i < variants.size(); ++i) {
        const NxVariant& v = variants[i];
        if (v.startPos < 0 || (v.endPos != 0 && v.endPos < v.startPos)) {
            insertOneByOne(groupStart, i);
            os.setError(tr("Invalid variation region: start %1, end %2").arg(v.startPos).arg(v.endPos));
            break;
        }
        if (i - groupStart + 1 < INSERT_GROUP) {
            continue;
        }
        group.reset();
        for (int j = groupStart; j <= i; ++j) {
            bindRow(group, j - groupStart, variants[j], nextId + j);
        }
        if (!insertRows(group, groupStart, i + 1)) {
            break;
        }
        groupStart = i + 1;
    }
    if (!os.hasError()) {
        insertOneByOne(groupStart, variants.size());
    }
    // The rows stored before an error keep their ids: the watermark must cover them too.
    NxOpStatusImpl watermarkOs;
    SQLiteQuery::exec(QString("DELETE FROM VariantIdWatermark; INSERT INTO VariantIdWatermark VALUES(%1);").arg(lastStored),
                      db, watermarkOs);
    if (watermarkOs.hasError()) {
        os.setError(watermarkOs.getError());
    }
}
qint64 SQLiteVariantDbi::countVariants(const NxDataId& trackId, NxOpStatus& os) {
    qint64 rowId = SQLiteUtils::toDbRef(trackId, NxObjectTypes::VariantTrack, os);
    NX_CHECK_OP(os, -1);
    SQLiteQuery q("SELECT COUNT(*) FROM Variant WHERE track = ?1", db, os);
    q.bindInt64(1, rowId);
    qint64 n = q.selectInt64();
    return os.hasError() ? -1 : n;
}

qint64 SQLiteVariantDbi::countVariants(const QList<NxDataId>& trackIds, NxOpStatus& os) {
    // Usually every track of the table, each once: then the table's count, which SQLite takes
    // from the pages of its smallest index instead of walking each track's rows.
    const QList<NxDataId> all = getVariantTracks(os);
    NX_CHECK_OP(os, -1);
    if (all.size() == trackIds.size() && QSet<NxDataId>(all.begin(), all.end()) == QSet<NxDataId>(trackIds.begin(), trackIds.end())) {
        const qint64 n = SQLiteQuery("SELECT COUNT(*) FROM Variant", db, os).selectInt64();
        return os.hasError() ? -1 : n;
    }
    qint64 total = 0;
    for (const NxDataId& id : trackIds) {
        total += countVariants(id, os);
        NX_CHECK_OP(os, -1);
    }
    return total;
}

NxDbiIterator<NxVariant>* SQLiteVariantDbi::getVariantsInRegion(const NxDataId& trackId, const NxRegion& region, NxOpStatus& os) {
    qint64 rowId = SQLiteUtils::toDbRef(trackId, NxObjectTypes::VariantTrack, os);
    NX_CHECK_OP(os, nullptr);
    qint64 start = region.startPos;
    qint64 maxLen = std::numeric_limits<qint64>::max() - (start > 0 ? start : 0);
    qint64 end = region.length >= maxLen ? std::numeric_limits<qint64>::max() : start + region.length;
    QString sql = QString("SELECT %1 FROM Variant WHERE track = ?1 AND startPos >= ?2 AND startPos < ?3"
                          " ORDER BY startPos, id")
                      .arg(VARIANT_COLUMNS);
    // Prepare once here so that a bad database shows up in os, not only in the log later.
    {
        SQLiteQuery probe(sql, db, os);
    }
    NX_CHECK_OP(os, nullptr);
    return new SQLiteVariantIterator(db, rowId, start, end, os);
}

QList<NxRegion> SQLiteVariantDbi::splitTrack(const NxDataId& trackId, qint64 rowsPerPart, NxOpStatus& os) {
    qint64 rowId = SQLiteUtils::toDbRef(trackId, NxObjectTypes::VariantTrack, os);
    NX_CHECK_OP(os, {});
    NX_SAFE_POINT(rowsPerPart > 0, "No rows per part", {});
    // A part ends rowsPerPart rows after the row it was cut at, or at the next greater position
    // when that row still has the part's first position. SQLite skips the rows of a part on the
    // position index itself (OFFSET), which costs a fraction of handing every row out.
    SQLiteQuery first("SELECT startPos, id FROM Variant WHERE track = ?1 ORDER BY startPos, id LIMIT 1", db, os);
    // Rows at the cut's position that come before the cut row: the skip starts at the first.
    SQLiteQuery before("SELECT COUNT(*) FROM Variant WHERE track = ?1 AND startPos = ?2 AND id < ?3", db, os);
    SQLiteQuery due("SELECT startPos, id FROM Variant WHERE track = ?1 AND startPos >= ?2 ORDER BY startPos, id"
                    " LIMIT 1 OFFSET ?3",
                    db, os);
    SQLiteQuery above("SELECT startPos, id FROM Variant WHERE track = ?1 AND startPos > ?2 ORDER BY startPos, id LIMIT 1",
                      db, os);
    QList<NxRegion> parts;
    qint64 start = 0;  // of the part being collected
    first.bindInt64(1, rowId);
    if (first.step()) {
        // The row the part was cut at. The next cut must lie above its position: no part without
        // a variation.
        qint64 cutPos = first.getInt64(0);
        qint64 cutId = first.getInt64(1);
        for (;;) {
            before.reset();
            before.bindInt64(1, rowId);
            before.bindInt64(2, cutPos);
            before.bindInt64(3, cutId);
            const qint64 skipped = before.selectInt64();
            due.reset();
            due.bindInt64(1, rowId);
            due.bindInt64(2, cutPos);
            due.bindInt64(3, skipped + rowsPerPart);
            if (!due.step()) {
                break;
            }
            qint64 pos = due.getInt64(0);
            qint64 id = due.getInt64(1);
            if (pos <= cutPos) {
                above.reset();
                above.bindInt64(1, rowId);
                above.bindInt64(2, cutPos);
                if (!above.step()) {
                    break;
                }
                pos = above.getInt64(0);
                id = above.getInt64(1);
            }
            parts << NxRegion(start, pos - start);
            start = cutPos = pos;
            cutId = id;
        }
    }
    if (os.hasError()) {
        return {};
    }
    parts << NxRegion(start, std::numeric_limits<qint64>::max() - start);
    return parts;
}

NxVariant SQLiteVariantDbi::getVariant(const NxDataId& variantId, NxOpStatus& os) {
    qint64 rowId = SQLiteUtils::toDbRef(variantId, NxEntityTypes::Variant, os);
    NX_CHECK_OP(os, NxVariant());
    SQLiteQuery q(QString("SELECT %1 FROM Variant WHERE id = ?1").arg(VARIANT_COLUMNS), db, os);
    q.bindInt64(1, rowId);
    if (!q.step()) {
        if (!os.hasError()) {
            os.setError(tr("Variation not found in database '%1'").arg(db->getFilePath()));
        }
        return NxVariant();
    }
    return readVariant(q);
}

void SQLiteVariantDbi::setVariantPublicId(const NxDataId& trackId, const NxDataId& variantId, const QString& newId, NxOpStatus& os) {
    qint64 trackRowId = SQLiteUtils::toDbRef(trackId, NxObjectTypes::VariantTrack, os);
    qint64 rowId = SQLiteUtils::toDbRef(variantId, NxEntityTypes::Variant, os);
    NX_CHECK_OP(os, );
    SQLiteQuery q("UPDATE Variant SET publicId = ?1 WHERE id = ?2 AND track = ?3", db, os);
    q.bindString(1, newId);
    q.bindInt64(2, rowId);
    q.bindInt64(3, trackRowId);
    if (q.execute() == 0) {
        os.setError(tr("Variation not found in the given track of database '%1'").arg(db->getFilePath()));
    }
}

}  // namespace Nx
