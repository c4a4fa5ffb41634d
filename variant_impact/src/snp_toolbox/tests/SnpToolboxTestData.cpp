#include "SnpToolboxTestData.h"

#include <NxCore/attributes/NxAttributeUtils.h>
#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/DbiConnection.h>
#include <NxCore/dbi/DbiOperationsBlock.h>
#include <NxCore/dbi/KnownMutationsDbi.h>
#include <NxCore/dbi/NxSequenceDbi.h>
#include <NxCore/dbi/NxVariantDbi.h>
#include <NxCore/dbi/sqlite/SQLiteFeatureDbi.h>
#include <NxCore/variation/DamageMatrix.h>
#include <NxPrivate/core/AppContextImpl.h>

#include <QCoreApplication>

namespace Nx {
namespace SnpToolboxTestData {

namespace {

QByteArray buildChr1() {
    // A fixed pattern without long repeats, then the codons the tests rely on.
    QByteArray s(SEQUENCE_LENGTH, 'A');
    const char bases[] = "ACGT";
    quint32 x = 12345;
    for (int i = 0; i < s.size(); ++i) {
        x = x * 1103515245u + 12345u;
        s[i] = bases[(x >> 16) & 3];
    }
    s.replace(FWD_CODON0, 9, "ATGCTGGAA");
    s.replace(1264, 6, "CCACAT");  // reverse-strand codons 1 and 0 read right to left
    return s;
}

Gene gene(const QByteArray& id, const QString& name, const NxRegion& span, const NxRegion& cds,
          const QVector<NxRegion>& exons, bool complemented) {
    return Gene(id, name, span, cds, exons, !cds.isEmpty(), complemented);
}

QVector<NxRegion> cdsParts(const Gene& g) {
    QVector<NxRegion> parts;
    for (const NxRegion& e : g.getExons()) {
        NxRegion p = e.intersect(g.getCDSRegion());
        if (!p.isEmpty()) {
            parts << p;
        }
    }
    return parts;
}

KnownMutation mutation(qint64 pos, const QByteArray& ref, const QByteArray& obs, const QByteArray& id, double base) {
    KnownMutation m;
    m.position = pos;
    m.refAllele = ref;
    m.obsAllele = obs;
    m.knownId = id;
    double* scores[] = {&m.avSift, &m.lrt, &m.phyloP, &m.pp2, &m.mutationTaster, &m.genomes1000, &m.extraScore1,
                        &m.extraScore2, &m.gerpConserved, &m.altAlleleFrequency, &m.hapmap, &m.gerpScore,
                        &m.extraScore3};
    for (int i = 0; i < 13; ++i) {
        *scores[i] = base + 0.01 * (i + 1);
    }
    return m;
}

NxDataId createSequence(NxSequenceDbi* seqDbi, const QString& name, const QByteArray& data, NxOpStatus& os) {
    NxSequence seq;
    seq.visualName = name;
    seq.alphabet = "nucl-dna-default";
    seqDbi->createSequenceObject(seq, os);
    seqDbi->appendSequenceData(seq.id, data, os);
    return seq.id;
}

}  // namespace

Databases::Databases() {
    referencePath = dir.filePath("reference.s3db");
    sessionPath = dir.filePath("session.s3db");
    referenceRef = NxDbiRef(SQLITE_DBI_ID, referencePath);
    sessionRef = NxDbiRef(SQLITE_DBI_ID, sessionPath);
}

bool Databases::buildReference(NxOpStatus& os) {
    DbiConnection con(referenceRef, true, os);
    if (os.hasError()) {
        return false;
    }
    DbiOperationsBlock block(referenceRef, os);
    auto* featureDbi = dynamic_cast<SQLiteFeatureDbi*>(con.dbi->getFeatureDbi());
    NxSequenceDbi* seqDbi = con.dbi->getSequenceDbi();
    if (featureDbi == nullptr || seqDbi == nullptr) {
        os.setError("reference tables missing");
        return false;
    }
    NxDataId chr1 = createSequence(seqDbi, "chr1", buildChr1(), os);
    NxDataId chr2 = createSequence(seqDbi, "chr2", QByteArray(2000, 'C'), os);

    QList<Gene> genes1 = {
        gene("ENST_FWD", "GENE_FWD", NxRegion(100, 300), NxRegion(120, 180), {NxRegion(100, 80), NxRegion(250, 150)}, false),
        gene("ENST_OVL", "GENE_OVL", NxRegion(110, 90), NxRegion(), {NxRegion(110, 90)}, false),
        gene("ENST_REV", "GENE_REV", NxRegion(1000, 300), NxRegion(1030, 240), {NxRegion(1000, 300)}, true),
        gene("ENST_NEG", "GENE_NEG", NxRegion(2000, 300), NxRegion(2010, 280), {NxRegion(2000, 300)}, false),
    };
    for (const Gene& g : genes1) {
        featureDbi->createGene(g, chr1, cdsParts(g), os);
    }
    QList<Gene> genes2 = {
        gene("ENST_LR", "LEFT_REV", NxRegion(20, 40), NxRegion(), {NxRegion(20, 40)}, true),
        gene("ENST_LF", "LEFT_FWD", NxRegion(100, 50), NxRegion(), {NxRegion(100, 50)}, false),
        gene("ENST_RR", "RIGHT_REV", NxRegion(500, 200), NxRegion(), {NxRegion(500, 200)}, true),
        gene("ENST_RF", "RIGHT_FWD", NxRegion(900, 200), NxRegion(), {NxRegion(900, 200)}, false),
        gene("ENST_FF", "FAR_FWD", NxRegion(1300, 100), NxRegion(), {NxRegion(1300, 100)}, false),
    };
    for (const Gene& g : genes2) {
        featureDbi->createGene(g, chr2, cdsParts(g), os);
    }

    QVector<std::array<float, DamageMatrix::AMINO_ACID_COUNT>> rows(FWD_MATRIX_ROWS);
    for (int r = 0; r < FWD_MATRIX_ROWS; ++r) {
        for (int c = 0; c < DamageMatrix::AMINO_ACID_COUNT; ++c) {
            rows[r][c] = r + c / 100.0f;
        }
    }
    NxAttributeDbi* attrDbi = con.dbi->getAttributeDbi();
    NxAttributeUtils::setIntegerAttribute(attrDbi, "ENST_FWD", "DEAttribute_len", FWD_MATRIX_ROWS, os);
    NxAttributeUtils::setByteArrayAttribute(attrDbi, "ENST_FWD", "DEAttribute", DamageMatrix::encode(rows), os);
    NxAttributeUtils::setIntegerAttribute(attrDbi, "ENST_NEG", "DEAttribute_len", -1, os);
    NxAttributeUtils::setByteArrayAttribute(attrDbi, "ENST_NEG", "DEAttribute", DamageMatrix::encode(rows), os);

    for (auto [cls, region] : {std::make_pair("SD", NxRegion(115, 10)), std::make_pair("CR", NxRegion(100, 22))}) {
        NxFeature f;
        f.sequenceId = chr1;
        f.featureClass = cls;
        f.name = cls;
        f.location = region;
        featureDbi->createFeature(f, os);
    }

    KnownMutationsDbi* kmDbi = con.dbi->getKnownMutationsDbi();
    KnownMutationsTrack track;
    track.chromosomeNumber = 1;
    track.visualName = "chr1";
    kmDbi->createTrack(track, os);
    kmDbi->addMutations(track.id,
                        {mutation(KNOWN_POS, "T", "G", "rs121g", 0.5), mutation(KNOWN_POS, "T", "C", "rs121", 0.1),
                         mutation(125, "G", "A", "", 0.3), mutation(130, "AA", "GT", "rs130", 0.6),
                         mutation(NO_GENE_POS, "c", "t", "rs2600", 0.7)},
                        os);
    return !os.hasError();
}

NxVariantTrack Databases::addTrack(QList<NxVariant>& variants, NxOpStatus& os, const QString& sequenceName) {
    DbiConnection con(sessionRef, true, os);
    NxVariantTrack track;
    if (os.hasError()) {
        return track;
    }
    track.visualName = sequenceName;
    track.sequenceName = sequenceName;
    con.dbi->getVariantDbi()->createVariantTrack(track, os);
    con.dbi->getVariantDbi()->addVariantsToTrack(track, variants, os);
    return track;
}

void ensureApplication() {
    if (QCoreApplication::instance() != nullptr) {
        return;
    }
    static int argc = 1;
    static char name[] = "snp_toolbox_test";
    static char* argv[] = {name, nullptr};
    new QCoreApplication(argc, argv);
}

bool startWithReference(Databases& dbs, NxOpStatus& os) {
    ensureApplication();
    AppContextImpl::getApplicationContext();
    return dbs.buildReference(os);
}

NxVariant snv(qint64 pos, char ref, char obs) {
    NxVariant v;
    v.startPos = pos;
    v.endPos = pos + 1;
    v.refData = QByteArray(1, ref);
    v.obsData = QByteArray(1, obs);
    return v;
}

QByteArray sequenceAt(qint64 start, int length) {
    return buildChr1().mid(start, length);
}

QList<NxVariant> everyPosition(const QString& chr, qint64 length) {
    const QByteArray chr1 = buildChr1();
    QList<NxVariant> variants;
    const char bases[] = "ACGT";
    for (qint64 pos = 0; pos < length; ++pos) {
        const char ref = chr == "chr1" && pos < chr1.size() ? chr1.at(int(pos)) : 'A';
        variants << snv(pos, ref, bases[(pos + 1) % 4] == ref ? bases[(pos + 2) % 4] : bases[(pos + 1) % 4]);
        if (pos % 7 == 0) {
            variants << snv(pos, ref, bases[(pos + 3) % 4] == ref ? bases[pos % 4] : bases[(pos + 3) % 4]);
        }
        if (pos % 101 == 0) {
            NxVariant two = snv(pos, ref, 'G');
            two.endPos = pos + 2;
            two.refData = "AT";
            two.obsData = "GC";
            variants << two;
        }
    }
    return variants;
}

}  // namespace SnpToolboxTestData
}  // namespace Nx
