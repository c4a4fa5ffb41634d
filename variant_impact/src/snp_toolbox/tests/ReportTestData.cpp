#include "ReportTestData.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/DbiConnection.h>
#include <NxCore/dbi/DbiOperationsBlock.h>
#include <NxCore/dbi/KnownMutationsDbi.h>
#include <NxCore/dbi/NxSequenceDbi.h>
#include <NxCore/dbi/sqlite/SQLiteFeatureDbi.h>
#include <NxCore/records/KnownMutationsTrack.h>

#include <algorithm>

namespace Nx {
namespace ReportTestData {

Gene makeGene(const QByteArray& featureId, const QString& name, const NxRegion& span, const NxRegion& cds,
              const QVector<NxRegion>& exons, bool complemented, const QString& altName, const QString& accession,
              const QString& disease) {
    QVector<NxRegion> sorted = exons;
    std::sort(sorted.begin(), sorted.end());
    Gene g(featureId, name, span, cds, sorted, !cds.isEmpty(), complemented);
    g.setAltName(altName);
    g.setAccession(accession);
    g.setDisease(disease);
    return g;
}

bool buildReference(const QString& path, const QByteArray& chr1, const QList<Gene>& genes,
                    const QList<KnownMutation>& known, NxOpStatus& os) {
    const NxDbiRef ref(SQLITE_DBI_ID, path);
    DbiConnection con(ref, true, os);
    if (os.hasError()) {
        return false;
    }
    DbiOperationsBlock block(ref, os);
    auto* featureDbi = dynamic_cast<SQLiteFeatureDbi*>(con.dbi->getFeatureDbi());
    NxSequenceDbi* seqDbi = con.dbi->getSequenceDbi();
    if (featureDbi == nullptr || seqDbi == nullptr) {
        os.setError("reference tables missing");
        return false;
    }
    NxSequence seq;
    seq.visualName = "chr1";
    seq.alphabet = "nucl-dna-default";
    seqDbi->createSequenceObject(seq, os);
    seqDbi->appendSequenceData(seq.id, chr1, os);
    for (const Gene& g : genes) {
        QVector<NxRegion> parts;
        for (const NxRegion& e : g.getExons()) {
            const NxRegion p = e.intersect(g.getCDSRegion());
            if (!p.isEmpty()) {
                parts << p;
            }
        }
        featureDbi->createGene(g, seq.id, parts, os);
    }
    KnownMutationsDbi* kmDbi = con.dbi->getKnownMutationsDbi();
    KnownMutationsTrack track;
    track.chromosomeNumber = 1;
    track.visualName = "chr1";
    kmDbi->createTrack(track, os);
    if (!known.isEmpty()) {
        kmDbi->addMutations(track.id, known, os);
    }
    return !os.hasError();
}

QByteArray randomBases(int length, quint32 seed) {
    QByteArray s(length, 'A');
    const char bases[] = "ACGT";
    quint32 x = seed;
    for (int i = 0; i < s.size(); ++i) {
        x = x * 1103515245u + 12345u;
        s[i] = bases[(x >> 16) & 3];
    }
    return s;
}

}  // namespace ReportTestData
}  // namespace Nx
