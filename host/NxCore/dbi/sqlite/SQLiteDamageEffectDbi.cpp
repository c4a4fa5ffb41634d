#include "SQLiteDamageEffectDbi.h"

#include "SQLiteDbi.h"
#include "SQLiteQuery.h"
#include "SQLiteTransaction.h"
#include "SQLiteUtils.h"
#include "SQLiteVariantDbi.h"

#include <NxCore/core/NxOpStatus.h>

#include <algorithm>

namespace Nx {

NX_REGISTER_SQLITE_TABLE(SQLiteTableKind::DamageEffect, SQLiteDamageEffectDbi)

namespace {

// Columns of one effect row after its variation, in bind order.
const char* const EFFECT_COLUMNS =
    "variant, gene, toleranceScore, avSift, lrt, phyloP, pp2, mutationTaster, genomes1000, "
    "inSegmentalDuplication, inConservedRegion, gerpConserved, altAlleleFrequency, hapmap, gerpScore, "
    "hasKnownId, discardReason, damaging, aminoAcidChanged";
const int EFFECT_COLUMN_COUNT = 19;

QString valuesList(int rows, int columns) {
    QString one = "(" + QString("?,").repeated(columns);
    one[one.size() - 1] = ')';
    QStringList all;
    for (int i = 0; i < rows; ++i) {
        all << one;
    }
    return all.join(',');
}

QString insertEffectsSql(int rows) {
    return QString("INSERT INTO DamageEffect(%1) VALUES %2").arg(EFFECT_COLUMNS, valuesList(rows, EFFECT_COLUMN_COUNT));
}

QString upsertMarksSql(int rows) {
    return QString("INSERT INTO DamageEffectMark(variant, flags) VALUES %1 "
                   "ON CONFLICT(variant) DO UPDATE SET flags = flags | excluded.flags")
        .arg(valuesList(rows, 2));
}

// Binds one effect from parameter `first` on; returns the next free parameter.
int bindEffect(SQLiteQuery& q, int first, qint64 variantRowId, const DamageEffect& e) {
    int i = first;
    q.bindInt64(i++, variantRowId);
    q.bindString(i++, e.affectedGeneName);
    q.bindDouble(i++, e.toleranceScore);
    q.bindDouble(i++, e.avSift);
    q.bindDouble(i++, e.lrt);
    q.bindDouble(i++, e.phyloP);
    q.bindDouble(i++, e.pp2);
    q.bindDouble(i++, e.mutationTaster);
    q.bindDouble(i++, e.genomes1000);
    q.bindBool(i++, e.inSegmentalDuplication);
    q.bindBool(i++, e.inConservedRegion);
    q.bindDouble(i++, e.gerpConserved);
    q.bindDouble(i++, e.altAlleleFrequency);
    q.bindDouble(i++, e.hapmap);
    q.bindDouble(i++, e.gerpScore);
    q.bindBool(i++, e.hasKnownId);
    q.bindString(i++, e.discardReason);
    q.bindBool(i++, e.damaging);
    q.bindBool(i++, e.aminoAcidChanged);
    return i;
}

}  // namespace

SQLiteDamageEffectDbi::SQLiteDamageEffectDbi(SQLiteDbi* db) : SQLiteTable(db) {
}

void SQLiteDamageEffectDbi::initSqlSchema(NxOpStatus& os) {
    // Scores are never NULL: -1 stands for "no value", as in the record.
    SQLiteQuery::exec(
        "CREATE TABLE IF NOT EXISTS DamageEffect ("
        " id INTEGER PRIMARY KEY,"
        " variant INTEGER NOT NULL,"
        " gene TEXT NOT NULL,"
        " toleranceScore REAL NOT NULL, avSift REAL NOT NULL, lrt REAL NOT NULL, phyloP REAL NOT NULL,"
        " pp2 REAL NOT NULL, mutationTaster REAL NOT NULL, genomes1000 REAL NOT NULL,"
        " inSegmentalDuplication INTEGER NOT NULL, inConservedRegion INTEGER NOT NULL,"
        " gerpConserved REAL NOT NULL, altAlleleFrequency REAL NOT NULL, hapmap REAL NOT NULL,"
        " gerpScore REAL NOT NULL, hasKnownId INTEGER NOT NULL, discardReason TEXT NOT NULL,"
        " damaging INTEGER NOT NULL, aminoAcidChanged INTEGER NOT NULL);"
        "CREATE INDEX IF NOT EXISTS DamageEffect_variant ON DamageEffect(variant, id);"
        "CREATE TABLE IF NOT EXISTS DamageEffectMark ("
        " variant INTEGER PRIMARY KEY,"
        " flags INTEGER NOT NULL);",
        db, os);
}

void SQLiteDamageEffectDbi::shutdown(NxOpStatus& os) {
    flushEffects(os);
}

void SQLiteDamageEffectDbi::storeEffect(const DamageEffect& effect, NxOpStatus& os) {
    if (os.hasError()) {
        return;
    }
    qint64 rowId = SQLiteUtils::toDbRef(effect.variant, NxEntityTypes::Variant, os);
    if (os.hasError()) {
        return;
    }
    pendingEffects.append({rowId, effect});
    // Normally written with the mark that closes a variation; only effects that never get a mark
    // (multi-base variations) can fill the buffer this far.
    if (pendingEffects.size() >= 4 * FLUSH_ROWS) {
        flushEffects(os);
    }
}

namespace {

// A row of "id, <effect columns>"; the variation id is the caller's to set.
DamageEffect readEffect(const SQLiteQuery& q) {
    DamageEffect e;
    e.id = q.getDataId(0, NxEntityTypes::DamageEffect);
    e.affectedGeneName = q.getString(2);
    e.toleranceScore = q.getDouble(3);
    e.avSift = q.getDouble(4);
    e.lrt = q.getDouble(5);
    e.phyloP = q.getDouble(6);
    e.pp2 = q.getDouble(7);
    e.mutationTaster = q.getDouble(8);
    e.genomes1000 = q.getDouble(9);
    e.inSegmentalDuplication = q.getBool(10);
    e.inConservedRegion = q.getBool(11);
    e.gerpConserved = q.getDouble(12);
    e.altAlleleFrequency = q.getDouble(13);
    e.hapmap = q.getDouble(14);
    e.gerpScore = q.getDouble(15);
    e.hasKnownId = q.getBool(16);
    e.discardReason = q.getString(17);
    e.damaging = q.getBool(18);
    e.aminoAcidChanged = q.getBool(19);
    return e;
}

}  // namespace

NxDbiIterator<DamageEffect>* SQLiteDamageEffectDbi::listEffects(const NxDataId& variantId, NxOpStatus& os) {
    QList<DamageEffect> effects = getEffects(variantId, os);
    return os.hasError() ? nullptr : new NxBufferedDbiIterator<DamageEffect>(effects);
}

QList<DamageEffect> SQLiteDamageEffectDbi::getEffects(const NxDataId& variantId, NxOpStatus& os) {
    if (os.hasError()) {
        return {};
    }
    qint64 rowId = SQLiteUtils::toDbRef(variantId, NxEntityTypes::Variant, os);
    if (os.hasError()) {
        return {};
    }
    flushEffects(os);
    if (os.hasError()) {
        return {};
    }
    // Inside a transaction the effects of a window of variations are read at once: the report
    // asks for every variation in turn. The read stamp changes with every write of this
    // connection and every new transaction, so a window never outlives what it read.
    const quint64 stamp = db->getReadStamp();
    if (stamp != 0) {
        if (stamp != effectWindowStamp || rowId < effectWindowStart || rowId >= effectWindowEnd) {
            effectWindow.assign(size_t(EFFECT_WINDOW), QList<DamageEffect>());
            effectWindowStamp = 0;
            static const QString windowSql =
                QString("SELECT id, %1 FROM DamageEffect WHERE variant >= ?1 AND variant < ?2 ORDER BY variant, id")
                    .arg(EFFECT_COLUMNS);
            SQLiteQuery q(windowSql, db, os);
            q.bindInt64(1, rowId);
            q.bindInt64(2, rowId + EFFECT_WINDOW);
            // The effects of one variation come one after another: they share its id.
            qint64 lastVariantRowId = -1;
            NxDataId lastVariantId;
            while (q.step()) {
                const qint64 variantRowId = q.getInt64(1);
                if (variantRowId != lastVariantRowId) {
                    lastVariantRowId = variantRowId;
                    lastVariantId = SQLiteUtils::toDbiId(variantRowId, NxEntityTypes::Variant);
                }
                DamageEffect e = readEffect(q);
                e.variant = lastVariantId;
                effectWindow[size_t(variantRowId - rowId)] << e;
            }
            if (os.hasError()) {
                effectWindow.clear();
                return {};
            }
            effectWindowStamp = stamp;
            effectWindowStart = rowId;
            effectWindowEnd = rowId + EFFECT_WINDOW;
        }
        // Read with their variation's id: handed out without a copy of the records.
        return effectWindow[size_t(rowId - effectWindowStart)];
    }
    static const QString sql = QString("SELECT id, %1 FROM DamageEffect WHERE variant = ?1 ORDER BY id").arg(EFFECT_COLUMNS);
    SQLiteQuery q(sql, db, os);
    q.bindInt64(1, rowId);
    QList<DamageEffect> effects;
    while (q.step()) {
        DamageEffect e = readEffect(q);
        e.variant = variantId;
        effects.append(e);
    }
    if (os.hasError()) {
        return {};
    }
    return effects;
}

bool SQLiteDamageEffectDbi::needsGeneEvaluation(const NxDataId& variantId, NxOpStatus& os) {
    if (os.hasError()) {
        return false;
    }
    qint64 rowId = SQLiteUtils::toDbRef(variantId, NxEntityTypes::Variant, os);
    if (os.hasError()) {
        return false;
    }
    if (pendingMarks.flags(rowId) & Mark_GeneEvaluated) {
        return false;
    }
    if (rowId < windowStart || rowId >= windowEnd) {
        windowMarks.assign(size_t(MARK_WINDOW), 0);
        windowStart = windowEnd = rowId;
        SQLiteQuery q("SELECT variant, flags FROM DamageEffectMark WHERE variant >= ?1 AND variant < ?2", db, os);
        q.bindInt64(1, rowId);
        q.bindInt64(2, rowId + MARK_WINDOW);
        while (q.step()) {
            windowMarks[size_t(q.getInt64(0) - rowId)] = int(q.getInt64(1));
        }
        if (os.hasError()) {
            return false;
        }
        windowEnd = rowId + MARK_WINDOW;
    }
    return (windowMarks[size_t(rowId - windowStart)] & Mark_GeneEvaluated) == 0;
}

void SQLiteDamageEffectDbi::markGeneEvaluated(const NxDataId& variantId, NxOpStatus& os) {
    addMark(variantId, Mark_GeneEvaluated, os);
}

void SQLiteDamageEffectDbi::markKnownChecked(const NxDataId& variantId, NxOpStatus& os) {
    addMark(variantId, Mark_KnownChecked, os);
}

void SQLiteDamageEffectDbi::addMark(const NxDataId& variantId, int flag, NxOpStatus& os) {
    if (os.hasError()) {
        return;
    }
    qint64 rowId = SQLiteUtils::toDbRef(variantId, NxEntityTypes::Variant, os);
    if (os.hasError()) {
        return;
    }
    pendingMarks.add(rowId, flag);
    // A mark ends a variation's record: a flush here never splits a variation's effects from
    // its mark.
    if (pendingMarks.size() >= FLUSH_ROWS || pendingEffects.size() >= FLUSH_ROWS) {
        flushEffects(os);
    }
}

void SQLiteDamageEffectDbi::storePublicId(const NxDataId& trackId, const NxDataId& variantId, const QString& publicId,
                                          NxOpStatus& os) {
    if (os.hasError()) {
        return;
    }
    // One statement each, but inside the batch's transaction instead of a commit each.
    pendingPublicIds.append({trackId, variantId, publicId});
}

void SQLiteDamageEffectDbi::flushEffects(NxOpStatus& os) {
    if ((pendingEffects.isEmpty() && pendingMarks.isEmpty() && pendingPublicIds.isEmpty()) || os.hasError()) {
        return;
    }
    // Public ids, effects and marks go in together or not at all. A savepoint lets this batch roll
    // back alone, also inside a caller's transaction that will commit what came before it.
    NxOpStatusImpl writeOs;
    {
        SQLiteTransaction t(db, writeOs);
        SQLiteQuery::exec("SAVEPOINT damage_effect_batch", db, writeOs);
        if (!writeOs.hasError()) {
            auto* variants = static_cast<SQLiteVariantDbi*>(db->getTable(SQLiteTableKind::Variant));
            for (const PendingPublicId& p : qAsConst(pendingPublicIds)) {
                if (writeOs.hasError()) {
                    break;
                }
                variants->setVariantPublicId(p.track, p.variant, p.publicId, writeOs);
            }
            writeEffects(writeOs);
            writeMarks(writeOs);
            NxOpStatusImpl endOs;
            SQLiteQuery::exec(writeOs.hasError() ? "ROLLBACK TO damage_effect_batch; RELEASE damage_effect_batch"
                                                 : "RELEASE damage_effect_batch",
                              db, endOs);
            if (endOs.hasError()) {
                writeOs.setError(endOs.getError());
            }
        }
    }
    if (!writeOs.hasError()) {
        pendingMarks.forEach([this](qint64 row, int flags) {
            if (row >= windowStart && row < windowEnd) {
                windowMarks[size_t(row - windowStart)] |= flags;
            }
        });
    }
    // Nothing of a failed batch stays buffered: its variations are unmarked, so the next
    // evaluation stores their effects again, once.
    pendingEffects.clear();
    pendingMarks.clear();
    pendingPublicIds.clear();
    if (writeOs.hasError()) {
        os.setError(tr("Cannot store damage effects in '%1': %2").arg(db->getFilePath(), writeOs.getError()));
    }
}

void SQLiteDamageEffectDbi::finishEffects(NxOpStatus& os) {
    // Nothing stays open between runs: whatever is still buffered is written now.
    flushEffects(os);
}

void SQLiteDamageEffectDbi::writeEffects(NxOpStatus& os) {
    if (pendingEffects.isEmpty() || os.hasError()) {
        return;
    }
    int done = 0;
    const int total = pendingEffects.size();
    if (total >= BATCH_SIZE) {
        SQLiteQuery batch(insertEffectsSql(BATCH_SIZE), db, os);
        while (done + BATCH_SIZE <= total && !os.hasError()) {
            int p = 1;
            for (int i = done; i < done + BATCH_SIZE; ++i) {
                p = bindEffect(batch, p, pendingEffects[i].variantRowId, pendingEffects[i].effect);
            }
            if (batch.execute() < 0) {
                break;
            }
            batch.reset();
            done += BATCH_SIZE;
        }
    }
    if (done < total && !os.hasError()) {
        SQLiteQuery single(insertEffectsSql(1), db, os);
        while (done < total && !os.hasError()) {
            bindEffect(single, 1, pendingEffects[done].variantRowId, pendingEffects[done].effect);
            if (single.execute() < 0) {
                break;
            }
            single.reset();
            ++done;
        }
    }
}

void SQLiteDamageEffectDbi::writeMarks(NxOpStatus& os) {
    if (pendingMarks.isEmpty() || os.hasError()) {
        return;
    }
    // In key order the upserts walk the table's B-tree once instead of jumping around in it.
    const std::vector<std::pair<qint64, int>> rows = pendingMarks.sorted();
    int done = 0;
    const int total = int(rows.size());
    if (total >= BATCH_SIZE) {
        SQLiteQuery batch(upsertMarksSql(BATCH_SIZE), db, os);
        while (done + BATCH_SIZE <= total && !os.hasError()) {
            for (int i = 0; i < BATCH_SIZE; ++i) {
                batch.bindInt64(2 * i + 1, rows[done + i].first);
                batch.bindInt64(2 * i + 2, rows[done + i].second);
            }
            if (batch.execute() < 0) {
                break;
            }
            batch.reset();
            done += BATCH_SIZE;
        }
    }
    if (done < total && !os.hasError()) {
        SQLiteQuery single(upsertMarksSql(1), db, os);
        while (done < total && !os.hasError()) {
            single.bindInt64(1, rows[done].first);
            single.bindInt64(2, rows[done].second);
            if (single.execute() < 0) {
                break;
            }
            single.reset();
            ++done;
        }
    }
}

}  // namespace Nx
