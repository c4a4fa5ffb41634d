#include "KnownMutationsVcfReader.h"

#include "LineReader.h"

#include <QList>

#include <htslib/vcf.h>

#include <cmath>
#include <algorithm>
#include <cstring>

namespace Nx {

namespace {

// IUPAC nucleotide letters only: '.', '-', '*' or a symbolic allele name no reference bases.
bool isBases(const QByteArray& allele) {
    if (allele.isEmpty()) {
        return false;
    }
    for (char c : allele) {
        if (std::strchr("ACGTNRYSWKMBDHVUacgtnryswkmbdhvu", c) == nullptr || c == 0) {
            return false;
        }
    }
    return true;
}

}  // namespace

namespace {

const char* const SCORE_KEYS[KnownMutationsVcfReader::SCORE_COUNT] = {
    "AVSIFT", "LRT", "PHYLOP", "PP2", "MUTTASTER", "G1000AF", "EXTRA1",
    "EXTRA2", "GERPCONS", "ALTAF", "HAPMAP", "GERP", "EXTRA3"};

int scoreIndex(const QByteArray& key) {
    for (int i = 0; i < KnownMutationsVcfReader::SCORE_COUNT; ++i) {
        if (key == SCORE_KEYS[i]) {
            return i;
        }
    }
    return -1;
}

}  // namespace

const char* const* KnownMutationsVcfReader::scoreKeys() {
    return SCORE_KEYS;
}

bool KnownMutationsVcfReader::parseScores(const QByteArray& info, int altIndex, int nAlt, double scores[SCORE_COUNT],
                                          QString& reason) {
    for (int i = 0; i < SCORE_COUNT; ++i) {
        scores[i] = -1.0;
    }
    if (info == ".") {
        return true;
    }
    for (const QByteArray& item : info.split(';')) {
        int eq = item.indexOf('=');
        QByteArray key = eq < 0 ? item : item.left(eq);
        int idx = scoreIndex(key);
        if (idx < 0) {
            continue;
        }
        if (eq < 0) {
            reason = tr("INFO key %1 has no value").arg(QString::fromLatin1(key));
            return false;
        }
        QList<QByteArray> values = item.mid(eq + 1).split(',');
        if (values.size() != 1 && values.size() != nAlt) {
            reason = tr("INFO key %1 has %2 values for %3 ALT alleles")
                         .arg(QString::fromLatin1(key))
                         .arg(values.size())
                         .arg(nAlt);
            return false;
        }
        // Every value is checked, not only the one of this allele, so a bad record never half-loads.
        for (int v = 0; v < values.size(); ++v) {
            const QByteArray& text = values[v];
            double d = -1.0;
            if (text != ".") {
                bool ok = false;
                d = text.toDouble(&ok);
                if (!ok || !std::isfinite(d)) {
                    reason = tr("malformed value '%1' of INFO key %2")
                                 .arg(QString::fromUtf8(text), QString::fromLatin1(key));
                    return false;
                }
            }
            if (values.size() == 1 || v == altIndex) {
                scores[idx] = d;
            }
        }
    }
    return true;
}

void KnownMutationsVcfReader::setScores(KnownMutation& m, const double s[SCORE_COUNT]) {
    m.avSift = s[0];
    m.lrt = s[1];
    m.phyloP = s[2];
    m.pp2 = s[3];
    m.mutationTaster = s[4];
    m.genomes1000 = s[5];
    m.extraScore1 = s[6];
    m.extraScore2 = s[7];
    m.gerpConserved = s[8];
    m.altAlleleFrequency = s[9];
    m.hapmap = s[10];
    m.gerpScore = s[11];
    m.extraScore3 = s[12];
}

bool KnownMutationsVcfReader::read(const QString& path, const Sink& onMutation, QString& error) {
    LineReader reader;
    if (!reader.open(path, error)) {
        return false;
    }
    records = 0;
    skipped = 0;
    QByteArray headerText;
    bcf_hdr_t* hdr = nullptr;
    bcf1_t* rec = bcf_init();
    kstring_t ks = KS_INITIALIZE;
    bool ok = true;
    QByteArray line;
    auto fail = [&](const QString& reason) {
        error = reader.where() + reason;
        ok = false;
    };
    while (ok && reader.readLine(line)) {
        if (hdr == nullptr) {
            if (!line.startsWith('#')) {
                fail(tr("VCF data line before the #CHROM header line"));
                break;
            }
            headerText += line + '\n';
            if (!line.startsWith("#CHROM")) {
                continue;
            }
            hdr = bcf_hdr_init("r");
            if (hdr == nullptr || bcf_hdr_parse(hdr, headerText.data()) != 0) {
                fail(tr("cannot parse the VCF header"));
            }
            continue;
        }
        if (line.isEmpty() || line.startsWith('#')) {
            continue;
        }
        ++records;
        // CHROM POS ID REF ALT QUAL FILTER INFO: take INFO by its column before htslib touches the line.
        int tabs = 0;
        int infoStart = -1;
        int infoEnd = line.size();
        for (int i = 0; i < line.size(); ++i) {
            if (line[i] != '\t') {
                continue;
            }
            ++tabs;
            if (tabs == 7) {
                infoStart = i + 1;
            } else if (tabs == 8) {
                infoEnd = i;
                break;
            }
        }
        if (infoStart < 0) {
            fail(tr("expected at least 8 tab-separated VCF columns, found %1").arg(tabs + 1));
            break;
        }
        QByteArray info = line.mid(infoStart, infoEnd - infoStart);
        // htslib reads a POS that is no number as 0; a known mutation needs a real position.
        int posStart = line.indexOf('\t') + 1;
        QByteArray posText = line.mid(posStart, line.indexOf('\t', posStart) - posStart);
        bool posOk = false;
        qint64 pos = posText.toLongLong(&posOk);
        // Digits only: the record parser reads " 5" or "+5" differently from the number here.
        const bool digitsOnly = !posText.isEmpty() && std::all_of(posText.begin(), posText.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (!posOk || !digitsOnly || pos < 1) {
            fail(tr("bad POS '%1': a known mutation needs a 1-based position of 1 or more")
                     .arg(QString::fromUtf8(posText)));
            break;
        }

        ks.l = 0;
        kputsn(line.constData(), line.size(), &ks);
        if (vcf_parse(&ks, hdr, rec) != 0 || bcf_unpack(rec, BCF_UN_STR) != 0) {
            fail(tr("malformed VCF record"));
            break;
        }
        const QString chrom = QString::fromUtf8(bcf_seqname(hdr, rec));
        const int nAlt = rec->n_allele - 1;
        KnownMutation m;
        m.position = rec->pos;
        m.refAllele = QByteArray(rec->d.allele[0]);
        if (!isBases(m.refAllele)) {
            fail(tr("REF '%1' is no bases: a known mutation needs the reference bases it replaces")
                     .arg(QString::fromUtf8(m.refAllele)));
            break;
        }
        const char* id = rec->d.id;
        m.knownId = (id == nullptr || std::strcmp(id, ".") == 0) ? QByteArray() : QByteArray(id);
        for (int a = 0; a < nAlt && ok; ++a) {
            const char* alt = rec->d.allele[a + 1];
            if (std::strcmp(alt, "*") == 0 || std::strcmp(alt, ".") == 0 || alt[0] == '<' ||
                std::strchr(alt, '[') != nullptr || std::strchr(alt, ']') != nullptr) {
                ++skipped;
                continue;
            }
            double scores[SCORE_COUNT];
            QString reason;
            if (!parseScores(info, a, nAlt, scores, reason)) {
                fail(reason);
                break;
            }
            m.obsAllele = QByteArray(alt);
            setScores(m, scores);
            QString sinkError;
            if (!onMutation(chrom, m, sinkError)) {
                fail(sinkError);
                break;
            }
        }
    }
    if (ok && reader.hasReadError()) {
        error = reader.readErrorMessage();
        ok = false;
    }
    if (ok && hdr == nullptr) {
        error = tr("%1: no #CHROM header line; is this a VCF file?").arg(path);
        ok = false;
    }
    ks_free(&ks);
    bcf_destroy(rec);
    if (hdr != nullptr) {
        bcf_hdr_destroy(hdr);
    }
    return ok;
}

}  // namespace Nx
