#include "SQLiteFeatureDbi.h"

#include "SQLiteDbi.h"
#include "SQLiteQuery.h"
#include "SQLiteTransaction.h"
#include "SQLiteUtils.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/records/ReferenceVocabulary.h>

#include <limits>

namespace Nx {

NX_REGISTER_SQLITE_TABLE(SQLiteTableKind::Feature, SQLiteFeatureDbi)

namespace {

const qint64 INDEX_MAX = std::numeric_limits<qint32>::max();

// Inclusive index bounds of the features that overlap region [start, end); false when the region
// lies wholly outside what the index can hold or is empty.
bool indexBounds(const NxRegion& region, qint64& lastStart, qint64& firstEnd) {
    if (region.length <= 0 || region.startPos > INDEX_MAX) {
        return false;
    }
    qint64 end = region.length > INDEX_MAX + 1 ? INDEX_MAX + 1 : qMin(INDEX_MAX + 1, region.startPos + region.length);
    if (end <= 0) {
        return false;
    }
    lastStart = end - 1;                       // a feature must start at or before the region's last base
    firstEnd = qMax<qint64>(0, region.startPos);  // and its last base must be at or after the region's first
    return true;
}

NxStrand toStrand(qint64 v) {
    return v > 0 ? NxStrand::Direct : (v < 0 ? NxStrand::Complementary : NxStrand::None);
}

const char* const GENE_COLUMNS =
    "f.id, f.fid, f.name, f.start, f.length, f.strand, g.alt_name, g.accession, g.disease, g.cds_start, "
    "g.cds_length, g.coding";

}  // namespace

void SQLiteFeatureDbi::initSqlSchema(NxOpStatus& os) {
    SQLiteQuery::exec(
        "CREATE TABLE IF NOT EXISTS FeatureClass ("
        "  id INTEGER PRIMARY KEY,"
        "  name TEXT NOT NULL UNIQUE);"
        "CREATE TABLE IF NOT EXISTS Feature ("
        "  id INTEGER PRIMARY KEY,"
        "  fid BLOB UNIQUE,"                 // identifier handed out: the transcript id for genes
        "  sequence INTEGER NOT NULL,"       // row id of the sequence object
        "  parent INTEGER,"                  // row id of the parent feature, NULL for top level
        "  class INTEGER NOT NULL REFERENCES FeatureClass(id),"
        "  name TEXT NOT NULL DEFAULT '',"
        "  start INTEGER NOT NULL,"
        "  length INTEGER NOT NULL,"
        "  strand INTEGER NOT NULL DEFAULT 0);"
        "CREATE INDEX IF NOT EXISTS FeatureByParent ON Feature(parent, class, start);"
        "CREATE TABLE IF NOT EXISTS GeneInfo ("
        "  feature INTEGER PRIMARY KEY REFERENCES Feature(id) ON DELETE CASCADE,"
        "  alt_name TEXT NOT NULL DEFAULT '',"
        "  accession TEXT NOT NULL DEFAULT '',"
        "  disease TEXT NOT NULL DEFAULT '',"
        "  coding INTEGER NOT NULL DEFAULT 0,"
        "  cds_start INTEGER NOT NULL DEFAULT 0,"  // coding region, phase-trimmed; length 0 when non-coding
        "  cds_length INTEGER NOT NULL DEFAULT 0);"
        "CREATE VIRTUAL TABLE IF NOT EXISTS FeatureLocation USING rtree_i32("
        "  id, seqMin, seqMax, classMin, classMax, startMin, lastMax);",  // lastMax = end - 1
        db, os);
}

qint64 SQLiteFeatureDbi::sequenceRowId(const NxDataId& sequenceId, NxOpStatus& os) {
    if (sequenceId.isEmpty()) {
        os.setError(tr("No sequence identifier given"));
        return -1;
    }
    return SQLiteUtils::toDbRef(sequenceId, NxObjectTypes::Sequence, os);
}

qint64 SQLiteFeatureDbi::classId(const QString& name, bool create, NxOpStatus& os) {
    auto it = classIds.constFind(name);
    if (it != classIds.constEnd()) {
        return it.value();
    }
    qint64 id = -1;
    {
        SQLiteQuery q("SELECT id FROM FeatureClass WHERE name = ?1", db, os);
        q.bindString(1, name);
        id = q.selectInt64(-1);
    }
    if (id < 0 && create && !os.hasError()) {
        SQLiteQuery ins("INSERT INTO FeatureClass(name) VALUES(?1)", db, os);
        ins.bindString(1, name);
        id = ins.insert();
    }
    if (id >= 0) {
        classIds.insert(name, id);  // unknown names are not cached: a writer may add them later
    }
    return id;
}

NxDbiIterator<NxFeature>* SQLiteFeatureDbi::getFeaturesByRegion(const NxDataId& sequenceId, const NxRegion& region,
                                                                 const QString& featureClass, NxOpStatus& os) {
    QList<NxFeature> res;
    qint64 seqRow = sequenceRowId(sequenceId, os);
    qint64 lastStart = 0;
    qint64 firstEnd = 0;
    qint64 cls = os.hasError() ? -1 : classId(featureClass, false, os);
    if (os.hasError() || cls < 0 || !indexBounds(region, lastStart, firstEnd)) {
        return new NxBufferedDbiIterator<NxFeature>(res);
    }
    bool child = featureClass == ReferenceVocabulary::EXON || featureClass == ReferenceVocabulary::CDS;
    // Children lie inside their gene, so the genes found by the index lead to them.
    QString sql = child ? "SELECT c.id, c.fid, c.name, c.start, c.length, c.strand, p.fid FROM FeatureLocation r "
                          "JOIN Feature c ON c.parent = r.id JOIN Feature p ON p.id = r.id "
                          "WHERE r.seqMin = ?1 AND r.seqMax = ?1 AND r.classMin = ?2 AND r.classMax = ?2 "
                          "AND r.startMin <= ?3 AND r.lastMax >= ?4 AND c.class = ?5 "
                          "AND c.start <= ?3 AND c.start + c.length - 1 >= ?4 ORDER BY c.start, c.fid"
                        : "SELECT f.id, f.fid, f.name, f.start, f.length, f.strand, NULL FROM FeatureLocation r "
                          "JOIN Feature f ON f.id = r.id "
                          "WHERE r.seqMin = ?1 AND r.seqMax = ?1 AND r.classMin = ?2 AND r.classMax = ?2 "
                          "AND r.startMin <= ?3 AND r.lastMax >= ?4 ORDER BY f.start, f.fid";
    qint64 geneClass = child ? classId(ReferenceVocabulary::GENE, false, os) : cls;
    if (geneClass < 0) {
        return new NxBufferedDbiIterator<NxFeature>(res);
    }
    SQLiteQuery q(sql, db, os);
    q.bindInt64(1, seqRow);
    q.bindInt64(2, geneClass);
    q.bindInt64(3, lastStart);
    q.bindInt64(4, firstEnd);
    if (child) {
        q.bindInt64(5, cls);
    }
    while (q.step()) {
        NxFeature f;
        f.id = q.getBlob(1);
        f.sequenceId = sequenceId;
        f.featureClass = featureClass;
        f.name = q.getString(2);
        f.location = NxRegion(q.getInt64(3), q.getInt64(4));
        f.strand = toStrand(q.getInt64(5));
        f.parentFeatureId = q.isNull(6) ? NxDataId() : q.getBlob(6);
        res << f;
    }
    if (os.hasError()) {
        res.clear();
    }
    return new NxBufferedDbiIterator<NxFeature>(res);
}

bool SQLiteFeatureDbi::hasFeatureInRegion(const NxDataId& sequenceId, const NxRegion& region,
                                          const QString& featureClass, NxOpStatus& os) {
    if (featureClass == ReferenceVocabulary::EXON || featureClass == ReferenceVocabulary::CDS) {
        NxDbiIterator<NxFeature>* it = getFeaturesByRegion(sequenceId, region, featureClass, os);
        bool found = it->hasNext();
        delete it;
        return found;
    }
    qint64 seqRow = sequenceRowId(sequenceId, os);
    NX_CHECK_OP(os, false);
    qint64 cls = classId(featureClass, false, os);
    qint64 lastStart = 0;
    qint64 firstEnd = 0;
    if (os.hasError() || cls < 0 || !indexBounds(region, lastStart, firstEnd)) {
        return false;
    }
    SQLiteQuery q("SELECT 1 FROM FeatureLocation WHERE seqMin = ?1 AND seqMax = ?1 AND classMin = ?2 "
                  "AND classMax = ?2 AND startMin <= ?3 AND lastMax >= ?4 LIMIT 1",
                  db, os);
    q.bindInt64(1, seqRow);
    q.bindInt64(2, cls);
    q.bindInt64(3, lastStart);
    q.bindInt64(4, firstEnd);
    return q.step();
}

NxFeature SQLiteFeatureDbi::getFeature(const NxDataId& featureId, NxOpStatus& os) {
    NxFeature f;
    SQLiteQuery q("SELECT f.sequence, p.fid, c.name, f.name, f.start, f.length, f.strand FROM Feature f "
                  "JOIN FeatureClass c ON c.id = f.class LEFT JOIN Feature p ON p.id = f.parent WHERE f.fid = ?1",
                  db, os);
    q.bindBlob(1, featureId);
    if (!q.step()) {
        if (!os.hasError()) {
            os.setError(tr("Feature '%1' not found in database '%2'")
                            .arg(QString::fromLatin1(featureId), db->getFilePath()));
        }
        return f;
    }
    f.id = featureId;
    f.sequenceId = SQLiteUtils::toDbiId(q.getInt64(0), NxObjectTypes::Sequence);
    f.parentFeatureId = q.isNull(1) ? NxDataId() : q.getBlob(1);
    f.featureClass = q.getString(2);
    f.name = q.getString(3);
    f.location = NxRegion(q.getInt64(4), q.getInt64(5));
    f.strand = toStrand(q.getInt64(6));
    return f;
}

QList<Gene> SQLiteFeatureDbi::readGenes(SQLiteQuery& q, NxOpStatus& os) {
    QList<Gene> res;
    qint64 exonClass = classId(ReferenceVocabulary::EXON, false, os);
    SQLiteQuery exonQuery("SELECT start, length FROM Feature WHERE parent = ?1 AND class = ?2 ORDER BY start", db, os);
    while (q.step()) {
        qint64 rowId = q.getInt64(0);
        QVector<NxRegion> exons;
        exonQuery.reset();
        exonQuery.bindInt64(1, rowId);
        exonQuery.bindInt64(2, exonClass);
        while (exonQuery.step()) {
            exons.append(NxRegion(exonQuery.getInt64(0), exonQuery.getInt64(1)));
        }
        Gene g(q.getBlob(1), q.getString(2), NxRegion(q.getInt64(3), q.getInt64(4)),
               NxRegion(q.getInt64(9), q.getInt64(10)), exons, q.getBool(11), q.getInt64(5) < 0);
        g.setAltName(q.getString(6));
        g.setAccession(q.getString(7));
        g.setDisease(q.getString(8));
        res << g;
    }
    if (os.hasError()) {
        res.clear();
    }
    return res;
}

QList<Gene> SQLiteFeatureDbi::getGenesInRegion(const NxDataId& sequenceId, const NxRegion& region, NxOpStatus& os) {
    qint64 seqRow = sequenceRowId(sequenceId, os);
    NX_CHECK_OP(os, QList<Gene>());
    qint64 cls = classId(ReferenceVocabulary::GENE, false, os);
    qint64 lastStart = 0;
    qint64 firstEnd = 0;
    if (os.hasError() || cls < 0 || !indexBounds(region, lastStart, firstEnd)) {
        return QList<Gene>();
    }
    SQLiteQuery q(QString("SELECT %1 FROM FeatureLocation r JOIN Feature f ON f.id = r.id "
                          "LEFT JOIN GeneInfo g ON g.feature = f.id "
                          "WHERE r.seqMin = ?1 AND r.seqMax = ?1 AND r.classMin = ?2 AND r.classMax = ?2 "
                          "AND r.startMin <= ?3 AND r.lastMax >= ?4 ORDER BY f.start, f.fid")
                      .arg(GENE_COLUMNS),
                  db, os);
    q.bindInt64(1, seqRow);
    q.bindInt64(2, cls);
    q.bindInt64(3, lastStart);
    q.bindInt64(4, firstEnd);
    return readGenes(q, os);
}

Gene SQLiteFeatureDbi::getGene(const NxDataId& featureId, NxOpStatus& os) {
    qint64 cls = classId(ReferenceVocabulary::GENE, false, os);
    SQLiteQuery q(QString("SELECT %1 FROM Feature f LEFT JOIN GeneInfo g ON g.feature = f.id "
                          "WHERE f.fid = ?1 AND f.class = ?2")
                      .arg(GENE_COLUMNS),
                  db, os);
    q.bindBlob(1, featureId);
    q.bindInt64(2, cls);
    QList<Gene> genes = readGenes(q, os);
    if (genes.isEmpty()) {
        if (!os.hasError()) {
            os.setError(tr("Gene '%1' not found in database '%2'")
                            .arg(QString::fromLatin1(featureId), db->getFilePath()));
        }
        return Gene();
    }
    return genes.first();
}

qint64 SQLiteFeatureDbi::insertFeature(NxFeature& f, qint64 seqRow, qint64 parentRow, NxOpStatus& os) {
    if (f.location.startPos < 0 || f.location.length <= 0 || f.location.endPos() > INDEX_MAX + 1) {
        os.setError(tr("Feature location %1..%2 cannot be stored: it must be non-empty and end before 2^31")
                        .arg(f.location.startPos)
                        .arg(f.location.endPos()));
        return -1;
    }
    qint64 cls = classId(f.featureClass, true, os);
    NX_CHECK_OP(os, -1);
    SQLiteQuery q("INSERT INTO Feature(fid, sequence, parent, class, name, start, length, strand) "
                  "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)",
                  db, os);
    if (f.id.isEmpty()) {
        q.bindNull(1);
    } else {
        q.bindBlob(1, f.id);
    }
    q.bindInt64(2, seqRow);
    if (parentRow < 0) {
        q.bindNull(3);
    } else {
        q.bindInt64(3, parentRow);
    }
    q.bindInt64(4, cls);
    q.bindString(5, f.name);
    q.bindInt64(6, f.location.startPos);
    q.bindInt64(7, f.location.length);
    q.bindInt64(8, static_cast<qint64>(f.strand));
    qint64 rowId = q.insert();
    if (os.hasError()) {
        return -1;
    }
    if (f.id.isEmpty()) {
        f.id = SQLiteUtils::toDbiId(rowId, NxEntityTypes::Feature);
        SQLiteQuery upd("UPDATE Feature SET fid = ?1 WHERE id = ?2", db, os);
        upd.bindBlob(1, f.id);
        upd.bindInt64(2, rowId);
        upd.execute();
    }
    if (parentRow < 0 && !os.hasError()) {
        SQLiteQuery idx("INSERT INTO FeatureLocation(id, seqMin, seqMax, classMin, classMax, startMin, lastMax) "
                        "VALUES(?1, ?2, ?2, ?3, ?3, ?4, ?5)",
                        db, os);
        idx.bindInt64(1, rowId);
        idx.bindInt64(2, seqRow);
        idx.bindInt64(3, cls);
        idx.bindInt64(4, f.location.startPos);
        idx.bindInt64(5, f.location.endPos() - 1);
        idx.execute();
    }
    return os.hasError() ? -1 : rowId;
}

void SQLiteFeatureDbi::createFeature(NxFeature& feature, NxOpStatus& os) {
    qint64 seqRow = sequenceRowId(feature.sequenceId, os);
    NX_CHECK_OP(os, );
    SQLiteTransaction t(db, os);
    qint64 parentRow = -1;
    if (!feature.parentFeatureId.isEmpty()) {
        SQLiteQuery q("SELECT id, start, length FROM Feature WHERE fid = ?1", db, os);
        q.bindBlob(1, feature.parentFeatureId);
        if (!q.step()) {
            if (!os.hasError()) {
                os.setError(tr("Parent feature '%1' not found").arg(QString::fromLatin1(feature.parentFeatureId)));
            }
            return;
        }
        parentRow = q.getInt64(0);
        if (!NxRegion(q.getInt64(1), q.getInt64(2)).contains(feature.location)) {
            os.setError(tr("Feature %1..%2 lies outside its parent '%3'")
                            .arg(feature.location.startPos)
                            .arg(feature.location.endPos())
                            .arg(QString::fromLatin1(feature.parentFeatureId)));
            return;
        }
    }
    insertFeature(feature, seqRow, parentRow, os);
}

void SQLiteFeatureDbi::createGene(const Gene& gene, const NxDataId& sequenceId, const QVector<NxRegion>& cdsParts,
                                  NxOpStatus& os) {
    qint64 seqRow = sequenceRowId(sequenceId, os);
    NX_CHECK_OP(os, );
    if (gene.getFeatureId().isEmpty()) {
        os.setError(tr("A gene needs a feature identifier"));
        return;
    }
    for (const NxRegion& r : gene.getExons() + cdsParts) {
        if (!gene.getRegion().contains(r)) {
            os.setError(tr("Part %1..%2 of gene '%3' lies outside the gene")
                            .arg(r.startPos)
                            .arg(r.endPos())
                            .arg(QString::fromLatin1(gene.getFeatureId())));
            return;
        }
    }
    SQLiteTransaction t(db, os);
    NxStrand strand = gene.isComplemented() ? NxStrand::Complementary : NxStrand::Direct;
    NxFeature f;
    f.id = gene.getFeatureId();
    f.sequenceId = sequenceId;
    f.featureClass = ReferenceVocabulary::GENE;
    f.name = gene.getName();
    f.location = gene.getRegion();
    f.strand = strand;
    {
        SQLiteQuery dup("SELECT 1 FROM Feature WHERE fid = ?1", db, os);
        dup.bindBlob(1, f.id);
        if (dup.step()) {
            os.setError(tr("Feature identifier '%1' is already used").arg(QString::fromLatin1(f.id)));
            return;
        }
    }
    qint64 geneRow = insertFeature(f, seqRow, -1, os);
    NX_CHECK_OP(os, );
    {
        SQLiteQuery info("INSERT INTO GeneInfo(feature, alt_name, accession, disease, coding, cds_start, cds_length) "
                         "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7)",
                         db, os);
        info.bindInt64(1, geneRow);
        info.bindString(2, gene.getAltName());
        info.bindString(3, gene.getAccession());
        info.bindString(4, gene.getDisease());
        info.bindBool(5, gene.isCoding());
        info.bindInt64(6, gene.getCDSRegion().startPos);
        info.bindInt64(7, gene.getCDSRegion().length);
        info.execute();
    }
    auto addChildren = [&](const QVector<NxRegion>& parts, const char* cls) {
        for (const NxRegion& r : parts) {
            if (os.hasError()) {
                return;
            }
            NxFeature c;
            c.sequenceId = sequenceId;
            c.featureClass = cls;
            c.name = gene.getName();
            c.location = r;
            c.strand = strand;
            insertFeature(c, seqRow, geneRow, os);
        }
    };
    addChildren(gene.getExons(), ReferenceVocabulary::EXON);
    addChildren(cdsParts, ReferenceVocabulary::CDS);
}

}  // namespace Nx
