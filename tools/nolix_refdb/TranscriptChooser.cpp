#include "TranscriptChooser.h"

#include <QHash>

#include <algorithm>

namespace Nx {

namespace {

bool isCcds(const TranscriptModel& t) {
    return !t.ccdsId.isEmpty() || t.hasTag("CCDS");
}

qint64 cdsBases(const TranscriptModel& t) {
    return t.isCoding() ? 3 * qint64(t.codonCount()) : 0;
}

// -1 when the flag or number of a is the better one, 1 when b's, 0 when equal.
int preferTrue(bool a, bool b) {
    return a == b ? 0 : (a ? -1 : 1);
}

int preferLarger(qint64 a, qint64 b) {
    return a == b ? 0 : (a > b ? -1 : 1);
}

}  // namespace

int TranscriptChooser::compare(const TranscriptModel& a, const TranscriptModel& b, Reason* decidedBy) {
    // In rule order; the first criterion that differs decides.
    const QVector<QPair<Reason, int>> criteria{
        {Reason::ManeSelect, preferTrue(a.hasTag("MANE_Select"), b.hasTag("MANE_Select"))},
        {Reason::EnsemblCanonical, preferTrue(a.hasTag("Ensembl_canonical"), b.hasTag("Ensembl_canonical"))},
        {Reason::Ccds, preferTrue(isCcds(a), isCcds(b))},
        {Reason::LongestCds, preferLarger(cdsBases(a), cdsBases(b))},
        {Reason::LongestTranscript, preferLarger(a.exonBases(), b.exonBases())},
        {Reason::TranscriptId, a.id == b.id ? 0 : (a.id < b.id ? -1 : 1)},
    };
    for (const auto& c : criteria) {
        if (c.second != 0) {
            if (decidedBy != nullptr) {
                *decidedBy = c.first;
            }
            return c.second;
        }
    }
    return 0;
}

QVector<TranscriptChooser::Choice> TranscriptChooser::choose(const QVector<TranscriptModel>& transcripts) {
    QHash<QString, int> geneOf;    // sequence and gene id -> index into genes
    QVector<QVector<int>> genes;   // transcript indexes per gene
    for (int i = 0; i < transcripts.size(); ++i) {
        const TranscriptModel& t = transcripts[i];
        const QString key = t.geneId.isEmpty() ? QString("\t\t") + QString::fromLatin1(t.id)
                                               : t.sequenceName + '\t' + t.geneId;
        auto it = geneOf.constFind(key);
        if (it == geneOf.constEnd()) {
            geneOf.insert(key, genes.size());
            genes.append(QVector<int>{i});
        } else {
            genes[it.value()].append(i);
        }
    }
    QVector<Choice> result;
    result.reserve(genes.size());
    for (QVector<int>& members : genes) {
        std::sort(members.begin(), members.end(),
                  [&](int a, int b) { return compare(transcripts[a], transcripts[b]) < 0; });
        Choice c;
        c.index = members.first();
        c.transcriptsOfGene = members.size();
        if (members.size() > 1) {
            compare(transcripts[members[0]], transcripts[members[1]], &c.reason);
        }
        result.append(c);
    }
    return result;
}

QString TranscriptChooser::reasonText(Reason reason) {
    switch (reason) {
        case Reason::OnlyTranscript: return tr("only transcript");
        case Reason::ManeSelect: return tr("MANE Select");
        case Reason::EnsemblCanonical: return tr("Ensembl canonical");
        case Reason::Ccds: return tr("CCDS");
        case Reason::LongestCds: return tr("longest CDS");
        case Reason::LongestTranscript: return tr("longest transcript");
        case Reason::TranscriptId: return tr("smallest transcript id");
    }
    return QString();
}

QString TranscriptChooser::ruleText() {
    return tr("MANE Select tag, then Ensembl canonical tag, then a CCDS id or tag, then the longest coding "
              "sequence, then the longest transcript (exon bases), then the smallest transcript id");
}

}  // namespace Nx
