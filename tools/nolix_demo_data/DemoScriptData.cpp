#include "DemoScriptData.h"

#include "DemoRandom.h"

#include <QDir>
#include <QMap>
#include <QSaveFile>

#include <algorithm>

namespace Nx {

const char* const DemoScriptData::GLOBIN_ACCESSION = "P69905";
const char* const DemoScriptData::GLOBIN_PROTEIN =
    "MVLSPADKTNVKAAWGKVGAHAGEYGAEALERMFLSFPTTKTYFPHFDLSHGSAQVKGHGKKVADALTNAVAHVDDMPNALSALSDLHAHKLRVDPVNFKLLSH"
    "CLLVTLAAHLPAEFTPAVHASLDKFLASVSTVLTSKYR";
const char* const DemoScriptData::TF_SITE_STRETCH = "CTAGCTTGCGGTTTCTGTGGTTTGCATGCATCGATCGGCTA";

namespace {

const qint64 GAP = 2500;          // random bases before the globin promoter and after the gene
const qint64 PROMOTER = 1000;     // bases between the gap and the transcription start
const qint64 TF_SITE_UPSTREAM = 200;  // the site stretch starts this far before the start
const int UTR5 = 37;
const int UTR3 = 112;
// CDS bases per exon, as in the human gene: the introns split codons 32 and 100.
const int EXON_CDS[3] = {94, 205, 130};
const int INTRONS[2] = {117, 149};

char codonTableBase(char aa, int i) {
    static const QMap<char, QByteArray> codons{
        {'A', "GCC"}, {'C', "TGC"}, {'D', "GAC"}, {'E', "GAG"}, {'F', "TTC"}, {'G', "GGC"}, {'H', "CAC"},
        {'I', "ATC"}, {'K', "AAG"}, {'L', "CTG"}, {'M', "ATG"}, {'N', "AAC"}, {'P', "CCC"}, {'Q', "CAG"},
        {'R', "CGG"}, {'S', "AGC"}, {'T', "ACC"}, {'V', "GTG"}, {'W', "TGG"}, {'Y', "TAC"}};
    return codons.value(aa).at(i);
}

// The protein written with one common human codon per amino acid, stop TAA.
QByteArray globinCds() {
    QByteArray cds;
    for (const char* p = DemoScriptData::GLOBIN_PROTEIN; *p != 0; ++p) {
        for (int i = 0; i < 3; ++i) {
            cds += codonTableBase(*p, i);
        }
    }
    return cds + "TAA";
}

QByteArray randomBases(DemoRandom& rnd, qint64 n) {
    QByteArray s;
    s.reserve(int(n));
    for (qint64 i = 0; i < n; ++i) {
        s += rnd.base();
    }
    return s;
}

void addRecord(DemoGenome& genome, int chr, qint64 pos, char alt, const char* label) {
    DemoVariant v;
    v.chromosome = chr;
    v.position = pos;
    v.ref = QByteArray(1, genome.chromosomes[chr].sequence[int(pos)]);
    v.alts = {QByteArray(1, alt)};
    v.label = label;
    genome.variants.append(v);
}

bool isGlobin(const DemoGenome& genome, const DemoVariant& v) {
    for (const DemoTranscript& t : genome.chromosomes[v.chromosome].transcripts) {
        if (t.accession == DemoScriptData::GLOBIN_ACCESSION) {
            return v.position >= t.span().startPos - PROMOTER && v.position < t.span().endPos();
        }
    }
    return false;
}

bool writeFile(const QString& path, const QByteArray& text, QString& error) {
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size() || !f.commit()) {
        error = QString("cannot write %1: %2").arg(path, f.errorString());
        return false;
    }
    return true;
}

}  // namespace

void DemoScriptData::addGlobinGene(DemoGenome& genome, quint64 seed) {
    DemoRandom rnd(seed ^ 0x9e3779b97f4a7c15ULL);
    const int chrIndex = genome.chromosomes.size() - 1;
    DemoChromosome& chr = genome.chromosomes[chrIndex];
    QByteArray& s = chr.sequence;

    s += randomBases(rnd, GAP);
    const qint64 tss = s.size() + PROMOTER;
    QByteArray promoter = randomBases(rnd, PROMOTER);
    promoter.replace(int(PROMOTER - TF_SITE_UPSTREAM), int(qstrlen(TF_SITE_STRETCH)), TF_SITE_STRETCH);
    s += promoter;

    const QByteArray cds = globinCds();
    DemoTranscript t;
    // Outside the numbering of the generated genes, which reaches 900 in large genomes.
    t.geneId = "ENSG80000000001";
    t.transcriptId = "ENST80000000001";
    t.geneName = "HBA1";
    t.altName = "HBA1";
    t.accession = GLOBIN_ACCESSION;
    t.disease = "alpha-thalassemia";
    QVector<qint64> codingPositions;  // genomic position of every CDS base
    int used = 0;
    for (int e = 0; e < 3; ++e) {
        const qint64 start = s.size();
        if (e == 0) {
            s += randomBases(rnd, UTR5);
        }
        const qint64 cdsStart = s.size();
        s += cds.mid(used, EXON_CDS[e]);
        for (int i = 0; i < EXON_CDS[e]; ++i) {
            codingPositions << cdsStart + i;
        }
        used += EXON_CDS[e];
        if (e == 2) {
            s += randomBases(rnd, UTR3);
        }
        t.exons << NxRegion(start, s.size() - start);
        if (e < 2) {
            s += "GT" + randomBases(rnd, INTRONS[e] - 4) + "AG";
        }
    }
    t.cds = NxRegion(codingPositions.first(), codingPositions.last() + 1 - codingPositions.first());
    s += randomBases(rnd, GAP);
    chr.transcripts.append(t);

    // Codon k (1-based) base b (0-based) of the CDS; protein position k is residue k - 1 of 4HHB A.
    auto codonBase = [&](int k, int b) { return codingPositions[(k - 1) * 3 + b]; };
    const qint64 site = tss - TF_SITE_UPSTREAM + 20;
    QVector<DemoVariant> added;
    addRecord(genome, chrIndex, site, 'A', "promoter");                      // T -> A inside the site stretch
    addRecord(genome, chrIndex, codonBase(2, 0), 'A', "coding_missense");    // GTG -> ATG, Val1 -> Met
    addRecord(genome, chrIndex, codonBase(59, 1), 'G', "coding_missense");   // CAC -> CGC, His58 -> Arg
    addRecord(genome, chrIndex, codonBase(88, 0), 'T', "coding_missense");   // CAC -> TAC, His87 -> Tyr
    std::sort(genome.variants.begin(), genome.variants.end());
}

void DemoScriptData::assignIds(DemoGenome& genome) {
    qint64 next = 800000001;
    for (int i = 0; i < genome.variants.size(); ++i) {
        DemoVariant& v = genome.variants[i];
        const bool regulatory = v.label == "promoter" || v.label == "tata_box" || v.label == "intergenic";
        if (regulatory || isGlobin(genome, v) || i % 10 == 0) {
            v.id = "rs" + QByteArray::number(next++);
        }
    }
}

bool DemoScriptData::writeChipData(const QString& dir, const DemoGenome& genome, QString& error) {
    const QVector<DemoVariant>& vars = genome.variants;
    // Identified promoter records with no other record within 300 bases: a peak around one of
    // them covers no other record.
    QList<int> lonely;
    int unknown = -1;  // the record left out of the table
    for (int i = 0; i < vars.size(); ++i) {
        if (vars[i].label != "promoter" || !vars[i].id.startsWith("rs") || isGlobin(genome, vars[i])) {
            continue;
        }
        const bool farBefore = i == 0 || vars[i - 1].chromosome != vars[i].chromosome ||
                               vars[i].position - vars[i - 1].position > 300;
        const bool farAfter = i + 1 == vars.size() || vars[i + 1].chromosome != vars[i].chromosome ||
                              vars[i + 1].position - vars[i].position > 300;
        if (farBefore && farAfter) {
            lonely << i;
        }
        unknown = i;
    }
    if (lonely.contains(unknown) && lonely.size() > 5) {
        lonely.removeAll(unknown);
    }

    QByteArray table;
    for (int i = 0; i < vars.size(); ++i) {
        const DemoVariant& v = vars[i];
        if (!v.id.startsWith("rs") || i == unknown) {
            continue;
        }
        table += genome.chromosomes[v.chromosome].name.toUtf8() + "\t" + QByteArray::number(v.position) + "\t" +
                 QByteArray::number(v.position + v.ref.size()) + "\t" + v.id + "\n";
    }
    if (!writeFile(QDir(dir).filePath("rsids.bed"), table, error)) {
        return false;
    }

    struct Peak {
        int chromosome;
        qint64 start;
        qint64 end;
    };
    QVector<Peak> ctcf;
    QVector<Peak> ep300;
    for (int k = 0; k < lonely.size() && k < 5; ++k) {
        const DemoVariant& v = vars[lonely[k]];
        const qint64 p = v.position;
        switch (k) {
            case 0: ctcf.append({v.chromosome, p - 150, p + 100}); break;
            case 1: ctcf.append({v.chromosome, p - 40, p + 200}); ep300.append({v.chromosome, p - 80, p + 40}); break;
            case 2: ctcf.append({v.chromosome, p - 200, p}); break;  // ends at the record: does not hold it
            case 3: ep300.append({v.chromosome, p, p + 120}); break;  // starts at the record: holds it
            default: ep300.append({v.chromosome, p - 10, p + 10}); break;
        }
    }
    for (const DemoVariant& v : vars) {
        if (isGlobin(genome, v) && v.label == "promoter") {
            ctcf.append({v.chromosome, v.position - 60, v.position + 90});
            ep300.append({v.chromosome, v.position - 30, v.position + 30});
        }
    }
    auto byPosition = [](const Peak& a, const Peak& b) {
        return a.chromosome != b.chromosome ? a.chromosome < b.chromosome : a.start < b.start;
    };
    std::sort(ctcf.begin(), ctcf.end(), byPosition);
    std::sort(ep300.begin(), ep300.end(), byPosition);

    QByteArray narrow;
    for (int i = 0; i < ctcf.size(); ++i) {
        const Peak& p = ctcf[i];
        const int score = 400 + (i * 137) % 600;
        narrow += genome.chromosomes[p.chromosome].name.toUtf8() + "\t" + QByteArray::number(p.start) + "\t" +
                  QByteArray::number(p.end) + "\tCTCF_peak_" + QByteArray::number(i + 1) + "\t" +
                  QByteArray::number(score) + "\t.\t" + QByteArray::number(score / 40.0, 'f', 2) + "\t" +
                  QByteArray::number(score / 50.0, 'f', 2) + "\t" + QByteArray::number(score / 60.0, 'f', 2) + "\t" +
                  QByteArray::number((p.end - p.start) / 2) + "\n";
    }
    QByteArray bed;
    for (int i = 0; i < ep300.size(); ++i) {
        const Peak& p = ep300[i];
        bed += genome.chromosomes[p.chromosome].name.toUtf8() + "\t" + QByteArray::number(p.start) + "\t" +
               QByteArray::number(p.end) + "\tEP300_peak_" + QByteArray::number(i + 1) + "\t" +
               QByteArray::number(300 + (i * 211) % 700) + "\n";
    }
    const QString peaks = QDir(dir).filePath("chip_peaks");
    if (!QDir().mkpath(peaks)) {
        error = QString("cannot create the folder '%1'").arg(peaks);
        return false;
    }
    return writeFile(QDir(peaks).filePath("CTCF.narrowPeak"), narrow, error) &&
           writeFile(QDir(peaks).filePath("EP300.bed"), bed, error);
}

}  // namespace Nx
