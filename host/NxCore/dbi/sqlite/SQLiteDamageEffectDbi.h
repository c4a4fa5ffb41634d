// Damage-effect table of the workflow database (SQLite). One row per stored effect, kept in
// storage order by its row id, and one mark row per variation that tells whether its gene
// effects were evaluated and its known mutation looked up; known mutations also set the public
// identifier of their variation in the variant table.
//
// Writes are buffered: an annotation run stores several effects and two marks per variation, and
// writing them as multi-row statements is several times faster than one statement per row. The
// buffers are written together, public ids, effects and marks in one savepoint (inside the caller's
// transaction, or in a short one of their own), when a mark finds them full, by flushEffects,
// before any read that could see them (listEffects; needsGeneEvaluation of a buffered variation
// answers from memory) and at shutdown. A batch that fails is rolled back as a whole and dropped:
// its variations stay unmarked, so a later evaluation stores their effects once, never twice.
// Like SQLiteQuery, every operation does nothing when the op-status already holds an error: a
// caller that failed half-way through a record never stores the half.
#pragma once

#include <NxCore/dbi/DamageEffectDbi.h>
#include <NxCore/dbi/sqlite/PendingMarks.h>
#include <NxCore/dbi/sqlite/SQLiteTable.h>

#include <QCoreApplication>
#include <QVector>

#include <vector>

namespace Nx {

class SQLiteDamageEffectDbi : public DamageEffectDbi, public SQLiteTable {
    Q_DECLARE_TR_FUNCTIONS(Nx::SQLiteDamageEffectDbi)
public:
    explicit SQLiteDamageEffectDbi(SQLiteDbi* db);

    void initSqlSchema(NxOpStatus& os) override;
    void shutdown(NxOpStatus& os) override;

    void storeEffect(const DamageEffect& effect, NxOpStatus& os) override;
    NxDbiIterator<DamageEffect>* listEffects(const NxDataId& variantId, NxOpStatus& os) override;
    QList<DamageEffect> getEffects(const NxDataId& variantId, NxOpStatus& os) override;
    bool needsGeneEvaluation(const NxDataId& variantId, NxOpStatus& os) override;
    void markGeneEvaluated(const NxDataId& variantId, NxOpStatus& os) override;
    void markKnownChecked(const NxDataId& variantId, NxOpStatus& os) override;
    void storePublicId(const NxDataId& trackId, const NxDataId& variantId, const QString& publicId,
                       NxOpStatus& os) override;
    void flushEffects(NxOpStatus& os) override;
    void finishEffects(NxOpStatus& os) override;

    // Rows bound to one execution of the multi-row statements.
    static constexpr int BATCH_SIZE = 256;
    // Rows a buffer collects before it is written out on its own: one commit per this many
    // marks, short enough for a writer on another track to wait for.
    static constexpr int FLUSH_ROWS = 4096;

private:
    // Flag bits of a mark row.
    enum MarkFlag { Mark_GeneEvaluated = 1, Mark_KnownChecked = 2 };

    struct PendingEffect {
        qint64 variantRowId;   // row id of the variation in the variant table
        DamageEffect effect;
    };

    void addMark(const NxDataId& variantId, int flag, NxOpStatus& os);
    // Statements of a flush; they leave the buffers to flushEffects.
    void writeEffects(NxOpStatus& os);
    void writeMarks(NxOpStatus& os);

    QVector<PendingEffect> pendingEffects;  // stored but not yet written, in storage order
    struct PendingPublicId {
        NxDataId track;
        NxDataId variant;
        QString publicId;
    };
    QVector<PendingPublicId> pendingPublicIds;  // in the order given
    PendingMarks pendingMarks;              // variation row id -> mark flags not yet written

    // The marks of a window of variation row ids, read in one query: the annotation and the
    // report ask for every variation in turn, mostly in row order. Marks this table writes are
    // added when their batch is written; marks other connections write meanwhile are seen from
    // the next window on.
    static const qint64 MARK_WINDOW = 4096;
    qint64 windowStart = 0;   // first row id of the window
    qint64 windowEnd = 0;     // past its last; equal to windowStart when nothing is loaded
    std::vector<int> windowMarks;  // flags of row windowStart + i; 0: no mark

    // The effects of a window of variation row ids, read inside one transaction (see listEffects).
    static const qint64 EFFECT_WINDOW = 4096;
    quint64 effectWindowStamp = 0;   // SQLiteDbi::getReadStamp() of the read; 0: none
    qint64 effectWindowStart = 0;
    qint64 effectWindowEnd = 0;
    std::vector<QList<DamageEffect>> effectWindow;  // of row effectWindowStart + i, in storage order
};

}  // namespace Nx
