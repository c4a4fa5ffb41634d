#include "SQLiteKnownMutationsDbi.h"

#include "SQLiteDbi.h"
#include "SQLiteQuery.h"
#include "SQLiteTransaction.h"
#include "SQLiteUtils.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/NxObjectDbi.h>

namespace Nx {

NX_REGISTER_SQLITE_TABLE(SQLiteTableKind::KnownMutations, SQLiteKnownMutationsDbi)

namespace {

const char* const SCORE_COLUMNS =
    "avsift, lrt, phylop, pp2, muttaster, g1000af, extra1, extra2, gerpcons, altaf, hapmap, gerp, extra3";

}  // namespace

void SQLiteKnownMutationsDbi::initSqlSchema(NxOpStatus& os) {
    SQLiteQuery::exec(
        "CREATE TABLE IF NOT EXISTS KnownMutationTrack ("
        "  object INTEGER PRIMARY KEY REFERENCES Object(id) ON DELETE CASCADE,"
        "  chromosome INTEGER NOT NULL UNIQUE);"
        "CREATE TABLE IF NOT EXISTS KnownMutation ("
        "  id INTEGER PRIMARY KEY,"
        "  track INTEGER NOT NULL REFERENCES KnownMutationTrack(object) ON DELETE CASCADE,"
        "  position INTEGER NOT NULL,"  // 0-based, like variation starts
        "  ref BLOB NOT NULL,"
        "  alt BLOB NOT NULL,"
        "  known_id BLOB NOT NULL,"     // empty when the mutation has no public identifier
        "  avsift REAL, lrt REAL, phylop REAL, pp2 REAL, muttaster REAL, g1000af REAL, extra1 REAL,"
        "  extra2 REAL, gerpcons REAL, altaf REAL, hapmap REAL, gerp REAL, extra3 REAL);"
        "CREATE INDEX IF NOT EXISTS KnownMutationByPosition ON KnownMutation(track, position);",
        db, os);
}

KnownMutationsTrack SQLiteKnownMutationsDbi::getTrackByChromosome(int chromosomeNumber, NxOpStatus& os) {
    KnownMutationsTrack track;
    SQLiteQuery q("SELECT o.id, o.version, o.name FROM KnownMutationTrack k JOIN Object o ON o.id = k.object "
                  "WHERE k.chromosome = ?1",
                  db, os);
    q.bindInt64(1, chromosomeNumber);
    if (!q.step()) {
        return track;
    }
    track.id = SQLiteUtils::toDbiId(q.getInt64(0), NxObjectTypes::KnownMutationsTrack);
    track.version = q.getInt64(1);
    track.visualName = q.getString(2);
    track.dbiId = db->getFilePath();
    track.chromosomeNumber = chromosomeNumber;
    return track;
}

namespace {

// A row of "id, position, ref, alt, known_id, scores...".
KnownMutation readMutation(const SQLiteQuery& q) {
    KnownMutation m;
    m.id = SQLiteUtils::toDbiId(q.getInt64(0), NxEntityTypes::KnownMutation);
    m.position = q.getInt64(1);
    m.refAllele = q.getBlob(2);
    m.obsAllele = q.getBlob(3);
    m.knownId = q.getBlob(4);
    double* scores[] = {&m.avSift, &m.lrt, &m.phyloP, &m.pp2, &m.mutationTaster, &m.genomes1000,
                        &m.extraScore1, &m.extraScore2, &m.gerpConserved, &m.altAlleleFrequency,
                        &m.hapmap, &m.gerpScore, &m.extraScore3};
    for (int i = 0; i < 13; ++i) {
        *scores[i] = q.isNull(5 + i) ? -1.0 : q.getDouble(5 + i);
    }
    return m;
}

}  // namespace

NxDbiIterator<KnownMutation>* SQLiteKnownMutationsDbi::getMutationsAt(const NxDataId& trackId, qint64 position,
                                                                       NxOpStatus& os) {
    QList<KnownMutation> res;
    qint64 trackRow = SQLiteUtils::toDbRef(trackId, NxObjectTypes::KnownMutationsTrack, os);
    if (os.hasError()) {
        return new NxBufferedDbiIterator<KnownMutation>(res);
    }
    static const QString sql =
        QString("SELECT id, position, ref, alt, known_id, %1 FROM KnownMutation WHERE track = ?1 AND position = ?2 "
                "ORDER BY id")
            .arg(SCORE_COLUMNS);
    SQLiteQuery q(sql, db, os);
    q.bindInt64(1, trackRow);
    q.bindInt64(2, position);
    while (q.step()) {
        res << readMutation(q);
    }
    if (os.hasError()) {
        res.clear();
    }
    return new NxBufferedDbiIterator<KnownMutation>(res);
}

NxDbiIterator<KnownMutation>* SQLiteKnownMutationsDbi::getMutationsInRegion(const NxDataId& trackId,
                                                                             const NxRegion& region, NxOpStatus& os) {
    QList<KnownMutation> res;
    qint64 trackRow = SQLiteUtils::toDbRef(trackId, NxObjectTypes::KnownMutationsTrack, os);
    if (os.hasError()) {
        return new NxBufferedDbiIterator<KnownMutation>(res);
    }
    static const QString sql = QString("SELECT id, position, ref, alt, known_id, %1 FROM KnownMutation WHERE track = ?1 "
                                       "AND position >= ?2 AND position < ?3 ORDER BY position, id")
                                   .arg(SCORE_COLUMNS);
    SQLiteQuery q(sql, db, os);
    q.bindInt64(1, trackRow);
    q.bindInt64(2, region.startPos);
    q.bindInt64(3, region.endPos());
    while (q.step()) {
        res << readMutation(q);
    }
    if (os.hasError()) {
        res.clear();
    }
    return new NxBufferedDbiIterator<KnownMutation>(res);
}

void SQLiteKnownMutationsDbi::createTrack(KnownMutationsTrack& track, NxOpStatus& os) {
    NxObjectDbi* objects = db->getObjectDbi();
    if (objects == nullptr) {
        os.setError(tr("Database '%1' has no object table").arg(db->getFilePath()));
        return;
    }
    SQLiteTransaction t(db, os);
    {
        SQLiteQuery dup("SELECT 1 FROM KnownMutationTrack WHERE chromosome = ?1", db, os);
        dup.bindInt64(1, track.chromosomeNumber);
        if (dup.step()) {
            os.setError(tr("Chromosome %1 already has a known-mutation track").arg(track.chromosomeNumber));
            return;
        }
    }
    objects->createObject(track, NxObjectTypes::KnownMutationsTrack, os);
    NX_CHECK_OP(os, );
    SQLiteQuery q("INSERT INTO KnownMutationTrack(object, chromosome) VALUES(?1, ?2)", db, os);
    q.bindInt64(1, SQLiteUtils::toDbRef(track.id));
    q.bindInt64(2, track.chromosomeNumber);
    q.execute();
}

void SQLiteKnownMutationsDbi::addMutations(const NxDataId& trackId, const QList<KnownMutation>& mutations,
                                           NxOpStatus& os) {
    qint64 trackRow = SQLiteUtils::toDbRef(trackId, NxObjectTypes::KnownMutationsTrack, os);
    NX_CHECK_OP(os, );
    SQLiteTransaction t(db, os);
    SQLiteQuery q(QString("INSERT INTO KnownMutation(track, position, ref, alt, known_id, %1) "
                          "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16, ?17, ?18)")
                      .arg(SCORE_COLUMNS),
                  db, os);
    for (const KnownMutation& m : mutations) {
        if (os.hasError()) {
            return;
        }
        if (m.position < 0) {
            os.setError(tr("A known mutation needs a position of 0 or more, got %1").arg(m.position));
            return;
        }
        q.reset();
        q.bindInt64(1, trackRow);
        q.bindInt64(2, m.position);
        q.bindBlob(3, m.refAllele);
        q.bindBlob(4, m.obsAllele);
        q.bindBlob(5, m.knownId);
        const double scores[] = {m.avSift,      m.lrt,         m.phyloP,        m.pp2,
                                 m.mutationTaster, m.genomes1000, m.extraScore1, m.extraScore2,
                                 m.gerpConserved, m.altAlleleFrequency, m.hapmap, m.gerpScore,
                                 m.extraScore3};
        for (int i = 0; i < 13; ++i) {
            q.bindDouble(6 + i, scores[i]);
        }
        q.execute();
    }
}

qint64 SQLiteKnownMutationsDbi::countMutations(const NxDataId& trackId, NxOpStatus& os) {
    qint64 trackRow = SQLiteUtils::toDbRef(trackId, NxObjectTypes::KnownMutationsTrack, os);
    NX_CHECK_OP(os, 0);
    SQLiteQuery q("SELECT COUNT(*) FROM KnownMutation WHERE track = ?1", db, os);
    q.bindInt64(1, trackRow);
    return q.selectInt64(0);
}

}  // namespace Nx
