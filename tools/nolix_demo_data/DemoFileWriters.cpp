#include "DemoFileWriters.h"

#include <NxCore/biology/DNAAminoTranslation.h>
#include <NxCore/biology/DNAComplementTranslation.h>

#include <QDir>
#include <QFile>
#include <QMap>
#include <QSet>
#include <QStringList>

#include <algorithm>

#include <cmath>

namespace Nx {

namespace {

// Buffered output that remembers the first failure.
class OutFile {
public:
    explicit OutFile(const QString& path) : file(path) { ok = file.open(QIODevice::WriteOnly | QIODevice::Truncate); }
    ~OutFile() { close(); }
    OutFile& operator<<(const QByteArray& s) {
        buffer.append(s);
        if (buffer.size() > (1 << 20)) {
            flush();
        }
        return *this;
    }
    OutFile& operator<<(const char* s) { return *this << QByteArray(s); }
    OutFile& operator<<(const QString& s) { return *this << s.toUtf8(); }
    OutFile& operator<<(qint64 v) { return *this << QByteArray::number(v); }
    bool close() {
        flush();
        if (file.isOpen()) {
            file.close();
        }
        return ok;
    }
    bool failed(QString& error) {
        if (!close()) {
            error = QString("cannot write %1: %2").arg(file.fileName(), file.errorString());
            return true;
        }
        return false;
    }

private:
    void flush() {
        if (ok && !buffer.isEmpty()) {
            ok = file.write(buffer) == buffer.size();
        }
        buffer.clear();
    }
    QFile file;
    QByteArray buffer;
    bool ok = false;
};

const char* const SCORE_KEYS[DEMO_SCORE_COUNT] = {"AVSIFT", "LRT",      "PHYLOP", "PP2",    "MUTTASTER",
                                                  "G1000AF", "EXTRA1",  "EXTRA2", "GERPCONS", "ALTAF",
                                                  "HAPMAP",  "GERP",    "EXTRA3"};

QByteArray contigLines(const DemoGenome& g) {
    QByteArray s;
    for (const DemoChromosome& c : g.chromosomes) {
        s += "##contig=<ID=" + c.name.toUtf8() + ",length=" + QByteArray::number(c.sequence.size()) + ">\n";
    }
    return s;
}

QByteArray strand(const DemoTranscript& t) {
    return t.reverse ? "-" : "+";
}

}  // namespace

QString DemoFileWriters::path(const char* name) const {
    return QDir(dir).filePath(QString::fromLatin1(name));
}

bool DemoFileWriters::writeFasta(QString& error) const {
    OutFile out(path("genome.fa"));
    for (const DemoChromosome& c : genome.chromosomes) {
        out << ">" << c.name << "\n";
        for (int i = 0; i < c.sequence.size(); i += 60) {
            out << c.sequence.mid(i, 60) << "\n";
        }
    }
    return !out.failed(error);
}

bool DemoFileWriters::writeGff3(QString& error) const {
    OutFile out(path("genes.gff3"));
    out << "##gff-version 3\n";
    for (const DemoChromosome& c : genome.chromosomes) {
        out << "##sequence-region " << c.name << " 1 " << qint64(c.sequence.size()) << "\n";
    }
    const QByteArray src = "\tnolix_demo\t";
    int proteinCounter = 0;
    for (const DemoChromosome& c : genome.chromosomes) {
        const QByteArray chr = c.name.toUtf8();
        // Genes in order of their first transcript; the gene line spans all its transcripts.
        QStringList order;
        QMap<QString, QVector<const DemoTranscript*>> byGene;
        for (const DemoTranscript& t : c.transcripts) {
            if (!byGene.contains(t.geneId)) {
                order << t.geneId;
            }
            byGene[t.geneId].append(&t);
        }
        for (const QString& geneId : order) {
            const QVector<const DemoTranscript*>& ts = byGene[geneId];
            const DemoTranscript& first = *ts.first();
            qint64 s = first.span().startPos;
            qint64 e = first.span().endPos();
            for (const DemoTranscript* t : ts) {
                s = std::min(s, t->span().startPos);
                e = std::max(e, t->span().endPos());
            }
            const QByteArray biotype = first.coding ? "protein_coding" : "lncRNA";
            out << chr << src << "gene\t" << (s + 1) << "\t" << e << "\t.\t" << strand(first) << "\t.\tID=gene:"
                << geneId << ";Name=" << first.geneName << ";biotype=" << biotype << "\n";
            int isoform = 201;
            for (const DemoTranscript* t : ts) {
                const QByteArray tid = t->transcriptId.toUtf8();
                const QByteArray parent = ";Parent=transcript:" + tid;
                out << chr << src << (t->coding ? "mRNA" : "lnc_RNA") << "\t" << (t->span().startPos + 1) << "\t"
                    << t->span().endPos() << "\t.\t" << strand(*t) << "\t.\tID=transcript:" << tid
                    << ";Parent=gene:" << geneId << ";Name=" << t->geneName << "-" << qint64(isoform++)
                    << ";biotype=" << biotype << (t->ccdsId.isEmpty() ? QString() : ";ccdsid=" + t->ccdsId)
                    << (t->tags.isEmpty() ? QString() : ";tag=" + t->tags) << "\n";
                int exonNumber = 0;
                for (const NxRegion& x : t->exons) {
                    ++exonNumber;
                    int rank = t->reverse ? t->exons.size() - exonNumber + 1 : exonNumber;
                    out << chr << src << "exon\t" << (x.startPos + 1) << "\t" << x.endPos() << "\t.\t" << strand(*t)
                        << "\t.\tParent=transcript:" << tid << ";Name=" << tid << "." << qint64(rank)
                        << ";rank=" << qint64(rank) << "\n";
                }
                if (!t->coding) {
                    continue;
                }
                const QByteArray proteinId = "ENSP9" + QByteArray::number(++proteinCounter).rightJustified(10, '0');
                // UTR pieces: exon parts before and after the CDS.
                for (const NxRegion& x : t->exons) {
                    NxRegion low = NxRegion(x.startPos, t->cds.startPos - x.startPos).intersect(x);
                    NxRegion high = NxRegion(t->cds.endPos(), x.endPos() - t->cds.endPos()).intersect(x);
                    if (low.length > 0) {
                        out << chr << src << (t->reverse ? "three_prime_UTR" : "five_prime_UTR") << "\t"
                            << (low.startPos + 1) << "\t" << low.endPos() << "\t.\t" << strand(*t) << "\t." << "\t"
                            << parent.mid(1) << "\n";
                    }
                    if (high.length > 0) {
                        out << chr << src << (t->reverse ? "five_prime_UTR" : "three_prime_UTR") << "\t"
                            << (high.startPos + 1) << "\t" << high.endPos() << "\t.\t" << strand(*t) << "\t." << "\t"
                            << parent.mid(1) << "\n";
                    }
                }
                // CDS parts with their phase: bases to skip, in transcript order, to reach a codon start.
                QVector<NxRegion> parts = t->cdsParts();
                QVector<int> phases(parts.size());
                qint64 before = 0;
                for (int k = 0; k < parts.size(); ++k) {
                    int i = t->reverse ? parts.size() - 1 - k : k;
                    phases[i] = int((3 - before % 3) % 3);
                    before += parts[i].length;
                }
                for (int i = 0; i < parts.size(); ++i) {
                    out << chr << src << "CDS\t" << (parts[i].startPos + 1) << "\t" << parts[i].endPos() << "\t.\t"
                        << strand(*t) << "\t" << qint64(phases[i]) << "\tID=CDS:" << proteinId << parent
                        << ";protein_id=" << proteinId << "\n";
                }
            }
        }
    }
    return !out.failed(error);
}

bool DemoFileWriters::writeKnownMutations(QString& error) const {
    OutFile out(path("known_mutations.vcf"));
    out << "##fileformat=VCFv4.2\n##source=nolix-demo-data\n" << contigLines(genome);
    for (const char* key : SCORE_KEYS) {
        out << "##INFO=<ID=" << key << ",Number=A,Type=Float,Description=\"" << key << " score\">\n";
    }
    out << "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\n";
    QVector<const DemoKnownMutation*> sorted;
    for (const DemoKnownMutation& m : genome.knownMutations) {
        sorted.append(&m);
    }
    std::stable_sort(sorted.begin(), sorted.end(), [](const DemoKnownMutation* a, const DemoKnownMutation* b) {
        return a->chromosome != b->chromosome ? a->chromosome < b->chromosome : a->position < b->position;
    });
    for (const DemoKnownMutation* m : sorted) {
        QByteArray info;
        for (int i = 0; i < DEMO_SCORE_COUNT; ++i) {
            if (std::isnan(m->scores[i])) {
                continue;
            }
            if (!info.isEmpty()) {
                info += ';';
            }
            info += QByteArray(SCORE_KEYS[i]) + "=" + QByteArray::number(m->scores[i], 'g', 6);
        }
        out << genome.chromosomes[m->chromosome].name << "\t" << (m->position + 1) << "\t"
            << (m->id.isEmpty() ? QByteArray(".") : m->id) << "\t" << m->ref << "\t" << m->alt << "\t.\t.\t"
            << (info.isEmpty() ? QByteArray(".") : info) << "\n";
    }
    return !out.failed(error);
}

bool DemoFileWriters::writeMatrices(DemoRandom& rnd, QString& error) const {
    OutFile out(path("matrices.tsv"));
    out << "#transcript_id\tposition";
    const char* order = "ACDEFGHIKLMNPQRSTVWY";
    for (int i = 0; i < 20; ++i) {
        out << "\t" << QByteArray(1, order[i]);
    }
    out << "\n";
    DNAAminoTranslation code("demo:code", nullptr, nullptr);
    DNAComplementTranslation complement("demo:complement", nullptr);
    for (const DemoChromosome& c : genome.chromosomes) {
        for (const DemoTranscript& t : c.transcripts) {
            if (!t.coding || !t.hasMatrix) {
                continue;
            }
            QByteArray cds;
            for (const NxRegion& p : t.cdsParts()) {
                cds += c.sequence.mid(int(p.startPos), int(p.length));
            }
            if (t.reverse) {
                cds = complement.reverseComplement(cds);
            }
            QByteArray protein = code.translateAll(cds);
            protein.chop(1);  // the stop codon
            for (int i = 0; i < protein.size(); ++i) {
                out << t.transcriptId << "\t" << qint64(i + 1);
                for (int k = 0; k < 20; ++k) {
                    if (order[k] == protein[i]) {
                        out << "\t1";
                    } else if (rnd.chance(0.02)) {
                        out << "\tNA";
                    } else {
                        out << "\t" << QByteArray::number(double(rnd.below(101)) / 100.0, 'g', 3);
                    }
                }
                out << "\n";
            }
        }
    }
    return !out.failed(error);
}

bool DemoFileWriters::writeGeneInfo(QString& error) const {
    OutFile out(path("gene_info.tsv"));
    out << "#gene_or_transcript\talt_name\taccession\tdisease\n";
    QSet<QString> done;
    for (const DemoChromosome& c : genome.chromosomes) {
        for (const DemoTranscript& t : c.transcripts) {
            if (t.altName.isEmpty() && t.accession.isEmpty() && t.disease.isEmpty()) {
                continue;
            }
            QString key = t.infoByTranscript ? t.transcriptId : t.geneName;
            if (done.contains(key)) {
                continue;
            }
            done.insert(key);
            out << key << "\t" << t.altName << "\t" << t.accession << "\t" << t.disease << "\n";
        }
    }
    return !out.failed(error);
}

bool DemoFileWriters::writeRegions(QString& error) const {
    OutFile sd(path("sd.bed"));
    OutFile cr(path("cr.bed"));
    int n = 0;
    for (const DemoChromosome& c : genome.chromosomes) {
        for (const NxRegion& r : c.segmentalDuplications) {
            sd << c.name << "\t" << r.startPos << "\t" << r.endPos() << "\tSD_" << qint64(++n) << "\n";
        }
        for (const NxRegion& r : c.conservedRegions) {
            cr << c.name << "\t" << r.startPos << "\t" << r.endPos() << "\tCR_" << qint64(++n) << "\n";
        }
    }
    return !sd.failed(error) && !cr.failed(error);
}

bool DemoFileWriters::writeVariants(const QVector<DemoRandomVariant>& randomVariants, quint64 seed,
                                    QString& error) const {
    OutFile out(path("variants.vcf"));
    out << "##fileformat=VCFv4.2\n##source=nolix-demo-data --seed " << QByteArray::number(seed) << "\n"
        << "##reference=genome.fa\n" << contigLines(genome)
        << "##INFO=<ID=DEMO,Number=1,Type=String,Description=\"Location class the record was placed in\">\n"
        << "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\n";
    // Both lists are sorted; merge them by chromosome and position.
    int i = 0;
    int j = 0;
    const QVector<DemoVariant>& planned = genome.variants;
    QByteArray line;
    while (i < planned.size() || j < randomVariants.size()) {
        bool takePlanned = j >= randomVariants.size() ||
                           (i < planned.size() && (planned[i].chromosome != randomVariants[j].chromosome
                                                       ? planned[i].chromosome < randomVariants[j].chromosome
                                                       : planned[i].position <= randomVariants[j].position));
        line.clear();
        if (takePlanned) {
            const DemoVariant& v = planned[i++];
            line += genome.chromosomes[v.chromosome].name.toUtf8();
            line += '\t';
            line += QByteArray::number(v.position + 1);
            line += '\t';
            line += v.id.isEmpty() ? QByteArray(".") : v.id;
            line += '\t';
            line += v.ref;
            line += '\t';
            for (int k = 0; k < v.alts.size(); ++k) {
                if (k > 0) {
                    line += ',';
                }
                line += v.alts[k];
            }
            line += "\t.\t.\t";
            line += v.label.isEmpty() ? QByteArray(".") : "DEMO=" + v.label;
        } else {
            const DemoRandomVariant& v = randomVariants[j++];
            const QByteArray& seq = genome.chromosomes[v.chromosome].sequence;
            line += genome.chromosomes[v.chromosome].name.toUtf8();
            line += '\t';
            line += QByteArray::number(v.position + 1);
            line += "\t.\t";
            if (v.kind == 0) {
                line += seq[int(v.position)];
                line += '\t';
                line += v.bases[0];
            } else if (v.kind == 1) {
                line += seq.mid(int(v.position), v.length + 1);
                line += '\t';
                line += seq[int(v.position)];
            } else {
                line += seq[int(v.position)];
                line += '\t';
                line += seq[int(v.position)];
                line.append(v.bases, v.length);
            }
            line += "\t.\t.\t.";
        }
        line += '\n';
        out << line;
    }
    return !out.failed(error);
}

}  // namespace Nx
