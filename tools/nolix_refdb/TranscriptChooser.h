// Picks one transcript per gene, the one a geneticist reads a variant against by default.
//
// The transcripts of a gene (same gene id on the same sequence; a transcript without a gene is a
// gene of its own) are ranked by these criteria, the first that tells two apart decides:
//  1. tagged MANE Select (the transcript agreed between RefSeq and Ensembl for clinical reporting);
//  2. tagged Ensembl canonical;
//  3. has a CCDS id or the tag CCDS (a consensus coding sequence);
//  4. longer coding sequence (bases of whole codons);
//  5. longer transcript (bases of its exons);
//  6. smaller transcript id (byte order), so that the choice never depends on file order.
#pragma once

#include "TranscriptModel.h"

#include <QCoreApplication>

namespace Nx {

class TranscriptChooser {
    Q_DECLARE_TR_FUNCTIONS(Nx::TranscriptChooser)
public:
    // The criterion that put the chosen transcript before the next best one of its gene.
    enum class Reason { OnlyTranscript, ManeSelect, EnsemblCanonical, Ccds, LongestCds, LongestTranscript, TranscriptId };

    struct Choice {
        int index = -1;                  // into the transcripts given to choose()
        Reason reason = Reason::OnlyTranscript;
        int transcriptsOfGene = 0;
    };

    // One choice per gene, genes in the order of their first transcript.
    static QVector<Choice> choose(const QVector<TranscriptModel>& transcripts);
    // Negative when a ranks before b, positive when after; sets the deciding criterion.
    static int compare(const TranscriptModel& a, const TranscriptModel& b, Reason* decidedBy = nullptr);
    // Short text of a reason, e.g. "MANE Select", "longest CDS".
    static QString reasonText(Reason reason);
    // The text of the rule, for --help and the chosen-transcripts file.
    static QString ruleText();
};

}  // namespace Nx
