// Damage-effect table of the workflow database (SQLite). One row per stored effect, kept in
// storage order by its row id, and one mark row per variation that tells whether its gene
// effects were evaluated and its known mutation looked up.
//
// Writes are buffered: an annotation run stores several effects and two marks per variation, and
// writing them as multi-row statements is several times faster than one statement per row. Each
// buffer is written in a transaction of its own (or inside the caller's), so an annotation of a
// whole track commits batch by batch and never holds the write lock for long. The buffer is written out before any read that could see it
// (listEffects, needsGeneEvaluation of a buffered variation answers from memory), by
// flushEffects, when it is full, and at shutdown of the database, so nothing stored is lost.
// Like SQLiteQuery, every operation does nothing when the op-status already holds an error: a
// caller that failed half-way through a record never stores the half.
#pragma once

#include <NxCore/dbi/DamageEffectDbi.h>
#include <NxCore/dbi/sqlite/SQLiteTable.h>

#include <QCoreApplication>
#include <QHash>
#include <QVector>

namespace Nx {

class SQLiteDamageEffectDbi : public DamageEffectDbi, public SQLiteTable {
    Q_DECLARE_TR_FUNCTIONS(Nx::SQLiteDamageEffectDbi)
public:
    explicit SQLiteDamageEffectDbi(SQLiteDbi* db);

    void initSqlSchema(NxOpStatus& os) override;
    void shutdown(NxOpStatus& os) override;

    void storeEffect(const DamageEffect& effect, NxOpStatus& os) override;
    NxDbiIterator<DamageEffect>* listEffects(const NxDataId& variantId, NxOpStatus& os) override;
    bool needsGeneEvaluation(const NxDataId& variantId, NxOpStatus& os) override;
    void markGeneEvaluated(const NxDataId& variantId, NxOpStatus& os) override;
    void markKnownChecked(const NxDataId& variantId, NxOpStatus& os) override;
    void flushEffects(NxOpStatus& os) override;
    void finishEffects(NxOpStatus& os) override;

    // Rows a buffer collects before it is written out on its own.
    static const int BATCH_SIZE = 256;

private:
    // Flag bits of a mark row.
    enum MarkFlag { Mark_GeneEvaluated = 1, Mark_KnownChecked = 2 };

    struct PendingEffect {
        qint64 variantRowId;   // row id of the variation in the variant table
        DamageEffect effect;
    };

    void addMark(const NxDataId& variantId, int flag, NxOpStatus& os);
    void writeEffects(NxOpStatus& os);
    void writeMarks(NxOpStatus& os);

    QVector<PendingEffect> pendingEffects;  // stored but not yet written, in storage order
    QHash<qint64, int> pendingMarks;        // variation row id -> mark flags not yet written
};

}  // namespace Nx
