// The rule that keeps one transcript per gene: each criterion is put against the next one in a
// pair where the two disagree, so that any change of their order picks the other transcript.
#include "TranscriptChooser.h"

#include <gtest/gtest.h>

using namespace Nx;

namespace {

// A plus-strand transcript of gene G1 with one exon of exonBases and a CDS of cdsBases inside it.
TranscriptModel transcript(const QByteArray& id, qint64 exonBases, qint64 cdsBases, const QStringList& tags = {},
                           const QString& ccds = QString(), const QString& gene = "G1") {
    TranscriptModel t;
    t.id = id;
    t.geneId = gene;
    t.geneName = gene;
    t.sequenceName = "1";
    t.exons = {NxRegion(1000, exonBases)};
    t.span = t.exons.first();
    if (cdsBases > 0) {
        t.cdsParts = {NxRegion(1000, cdsBases)};
    }
    t.tags = tags;
    t.ccdsId = ccds;
    return t;
}

QByteArray chosenId(const QVector<TranscriptModel>& ts, TranscriptChooser::Reason* reason = nullptr) {
    const QVector<TranscriptChooser::Choice> choices = TranscriptChooser::choose(ts);
    if (choices.size() != 1) {
        return QByteArray("genes: ") + QByteArray::number(choices.size());
    }
    if (reason != nullptr) {
        *reason = choices.first().reason;
    }
    return ts[choices.first().index].id;
}

using Reason = TranscriptChooser::Reason;

TEST(TranscriptChooserTest, EachCriterionOutranksTheNextOne) {
    Reason r = Reason::OnlyTranscript;
    // MANE Select over Ensembl canonical (also longer and with a CCDS).
    EXPECT_EQ(chosenId({transcript("T9", 900, 600, {"Ensembl_canonical", "CCDS"}, "CCDS1.1"),
                        transcript("T5", 300, 150, {"basic", "MANE_Select"})},
                       &r),
              "T5");
    EXPECT_EQ(r, Reason::ManeSelect);
    // Ensembl canonical over a CCDS id.
    EXPECT_EQ(chosenId({transcript("T1", 900, 600, {}, "CCDS2.1"), transcript("T2", 300, 150, {"Ensembl_canonical"})}, &r),
              "T2");
    EXPECT_EQ(r, Reason::EnsemblCanonical);
    // A CCDS (id or tag) over a longer coding sequence.
    EXPECT_EQ(chosenId({transcript("T1", 900, 600), transcript("T2", 300, 150, {"CCDS"})}, &r), "T2");
    EXPECT_EQ(r, Reason::Ccds);
    EXPECT_EQ(chosenId({transcript("T1", 900, 600), transcript("T2", 300, 150, {}, "CCDS3.1")}, &r), "T2");
    // The longer coding sequence over the longer transcript; a non-coding one loses to any CDS.
    EXPECT_EQ(chosenId({transcript("T1", 900, 300), transcript("T2", 600, 450), transcript("T0", 5000, 0)}, &r), "T2");
    EXPECT_EQ(r, Reason::LongestCds);
    // The longer transcript over the smaller id.
    EXPECT_EQ(chosenId({transcript("T1", 600, 300), transcript("T2", 900, 300)}, &r), "T2");
    EXPECT_EQ(r, Reason::LongestTranscript);
    // Last, the smaller id, whatever the order in the file.
    EXPECT_EQ(chosenId({transcript("T2", 600, 300), transcript("T1", 600, 300)}, &r), "T1");
    EXPECT_EQ(r, Reason::TranscriptId);
    EXPECT_EQ(chosenId({transcript("T7", 600, 300)}, &r), "T7");
    EXPECT_EQ(r, Reason::OnlyTranscript);
}

TEST(TranscriptChooserTest, CdsLengthCountsWholeCodonsAndTagsAreReadAsUsersWriteThem) {
    // 302 CDS bases are 100 codons, as are 300: the tie goes on to the transcript length.
    EXPECT_EQ(chosenId({transcript("T1", 400, 302), transcript("T2", 500, 300)}), "T2");
    // RefSeq writes "MANE Select"; letter case and blanks do not matter, other MANE tags do not count.
    EXPECT_EQ(chosenId({transcript("T1", 900, 600, {"Ensembl_canonical"}), transcript("T2", 300, 150, {"MANE Select"})}),
              "T2");
    EXPECT_EQ(chosenId({transcript("T1", 900, 600), transcript("T2", 300, 150, {"MANE_Plus_Clinical"})}), "T1");
}

TEST(TranscriptChooserTest, GenesAreKeptApartByIdAndSequenceAndListedInFileOrder) {
    TranscriptModel onY = transcript("T3", 900, 600, {}, QString(), "G2");
    onY.sequenceName = "Y";
    TranscriptModel lone = transcript("T4", 100, 0, {}, QString(), QString());  // no gene: a gene of its own
    const QVector<TranscriptModel> ts{transcript("T1", 300, 150, {}, QString(), "G2"), transcript("T2", 600, 300), onY,
                                      lone, transcript("T5", 600, 300, {}, QString(), QString())};
    const QVector<TranscriptChooser::Choice> choices = TranscriptChooser::choose(ts);
    ASSERT_EQ(choices.size(), 5);
    QList<QByteArray> ids;
    for (const TranscriptChooser::Choice& c : choices) {
        ids << ts[c.index].id;
        EXPECT_EQ(c.transcriptsOfGene, 1);
    }
    EXPECT_EQ(ids, QList<QByteArray>({"T1", "T2", "T3", "T4", "T5"}));
}

}  // namespace
