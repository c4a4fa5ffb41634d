#include "AnnotatedVcfFields.h"

#include <cctype>

namespace Nx {
namespace AnnotatedVcfFields {

namespace {

struct Field {
    const char* id;
    const char* description;
};

// Descriptions name the layout of an entry after "Format: ", as the peers' consequence fields do.
const Field FIELDS[] = {
    {CONSEQUENCE,
     "Consequence per transcript hit (or per promoter for an allele in no transcript). "
     "Format: Allele|Gene|Transcript|Consequence|Codon|AminoAcidChange|SIFT|SIFTscore|TSSDistance. "
     "Codon ref->alt in transcript order; AminoAcidChange as ref, 1-based position, alt; SIFT Damaging, "
     "Tolerated or Unknown for the known mutation; TSSDistance bases upstream of the transcription start. "
     "Texts percent-encoded"},
    {KNOWN,
     "Known mutation at the allele from the reference database. "
     "Format: Allele|ID|SIFT|LRT|PhyloP|PolyPhen2|MutationTaster|G1000AF|SegmentalDup|ConservedRegion|"
     "AltAlleleFreq|HapMap|GERP. Empty: no value; SegmentalDup and ConservedRegion are + when the allele lies in one"},
    {STABILITY_1D,
     "Protein stability change from the sequence, per transcript hit. Format: Allele|Transcript|Answer. "
     "Texts percent-encoded"},
    {STABILITY_3D,
     "Protein stability change from the structure, per transcript hit. Format: Allele|Transcript|Answer. "
     "Texts percent-encoded"},
    {PDB_SITE,
     "Structure sites and ligands at the changed residue, per transcript hit. Format: Allele|Transcript|Answer. "
     "Texts percent-encoded"},
    {TATA,
     "Effect on the TATA box of the promoter, per promoter the allele lies in. Format: Allele|Transcript|Answer. "
     "Texts percent-encoded"},
    {RSNP,
     "Transcription factor sites the allele changes. Format: Allele|Answer. Texts percent-encoded"},
    {CHIP,
     "ChIP-seq peaks over the variation's rs id. Format: Allele|Answer. Texts percent-encoded"},
};

}  // namespace

QList<QByteArray> fieldIds() {
    QList<QByteArray> ids;
    for (const Field& f : FIELDS) {
        ids << QByteArray(f.id);
    }
    return ids;
}

QByteArray headerLine(const QByteArray& id) {
    for (const Field& f : FIELDS) {
        if (id == f.id) {
            return QByteArray("##INFO=<ID=") + f.id + ",Number=.,Type=String,Description=\"" + f.description + "\">";
        }
    }
    return QByteArray();
}

QString escape(const QString& text) {
    // Most texts (alleles, ids, scores, terms) need nothing: no copy for them.
    bool plain = true;
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if (u == '%' || u == ';' || u == '=' || u == ',' || u == ' ' || u == '\t' || u == '\r' || u == '\n' ||
            u == '|' || u == '&') {
            plain = false;
            break;
        }
    }
    if (plain) {
        return text;
    }
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
            case '%': case ';': case '=': case ',': case ' ': case '\t': case '\r': case '\n': case '|': case '&':
                out += QString("%%1").arg(int(c.unicode()), 2, 16, QChar('0')).toUpper();
                break;
            default:
                out += c;
        }
    }
    return out;
}

QString unescape(const QString& text) {
    if (!text.contains('%')) {
        return text;
    }
    const QByteArray bytes = text.toUtf8();
    QByteArray out;
    for (int i = 0; i < bytes.size(); ++i) {
        auto hex = [](char c) { return isxdigit(static_cast<unsigned char>(c)) != 0; };
        if (bytes[i] == '%' && i + 2 < bytes.size() && hex(bytes[i + 1]) && hex(bytes[i + 2])) {
            const int value = bytes.mid(i + 1, 2).toInt(nullptr, 16);
            out += char(value);
            i += 2;
        } else {
            out += bytes[i];
        }
    }
    return QString::fromUtf8(out);
}

QString entry(const QStringList& parts) {
    QString out;
    for (int i = 0; i < parts.size(); ++i) {
        if (i > 0) {
            out += '|';
        }
        out += escape(parts[i]);
    }
    return out;
}

namespace {

// An amino acid (or "*") at a protein position, as "R100G" (a regular expression per transcript
// hit was a noticeable share of the entries' cost).
bool isAminoAcidChange(const QString& substitution) {
    const int n = substitution.size();
    auto residue = [](QChar c) { return (c >= 'A' && c <= 'Z') || c == '*'; };
    if (n < 3 || !residue(substitution[0]) || !residue(substitution[n - 1])) {
        return false;
    }
    for (int i = 1; i < n - 1; ++i) {
        if (substitution[i] < '0' || substitution[i] > '9') {
            return false;
        }
    }
    return true;
}

}  // namespace

void appendEntry(const QStringList& parts, QByteArray& out) {
    static const char hex[] = "0123456789ABCDEF";
    for (int i = 0; i < parts.size(); ++i) {
        if (i > 0) {
            out += '|';
        }
        const QString& part = parts[i];
        const int start = out.size();
        bool ascii = true;
        for (const QChar c : part) {
            const ushort u = c.unicode();
            if (u >= 0x80) {
                ascii = false;
                break;
            }
            switch (u) {
                case '%': case ';': case '=': case ',': case ' ': case '\t': case '\r': case '\n': case '|': case '&':
                    out += '%';
                    out += hex[u >> 4];
                    out += hex[u & 0xF];
                    break;
                default:
                    out += char(u);
            }
        }
        // Other text: escaped as text, then encoded.
        if (!ascii) {
            out.truncate(start);
            out += escape(part).toUtf8();
        }
    }
}

QString consequence(const QString& location, const QString& substitution, bool codingGene, int refLength,
                    int altLength) {
    QStringList terms;
    if (location.contains(QLatin1String("splice-site of the intron"))) {
        terms << (location.contains(QLatin1String("Donor")) ? "splice_donor_variant" : "splice_acceptor_variant")
              << "intron_variant";
        return terms.join('&');
    }
    if (location.contains(QLatin1String("Intron"))) {
        return "intron_variant";
    }
    if (location.contains(QLatin1String("Non-coding"))) {
        if (!codingGene) {
            terms << "non_coding_transcript_exon_variant";
        } else {
            terms << (location.contains(QLatin1String("5'-end of gene")) ? "5_prime_UTR_variant" : "3_prime_UTR_variant");
        }
    } else if (location.contains(QLatin1String("Exon: "))) {
        const int shift = altLength - refLength;
        if (shift != 0) {
            // The codon cells describe a substitution only; a length change is named by its size.
            terms << (shift % 3 != 0 ? "frameshift_variant" : shift > 0 ? "inframe_insertion" : "inframe_deletion");
        } else if (!isAminoAcidChange(substitution)) {
            terms << "coding_sequence_variant";
        } else {
            const QChar ref = substitution.front();
            const QChar alt = substitution.back();
            if (ref == alt) {
                terms << (ref == '*' ? "stop_retained_variant" : "synonymous_variant");
            } else if (alt == '*') {
                terms << "stop_gained";
            } else if (ref == '*') {
                terms << "stop_lost";
            } else if (substitution.size() == 3 && substitution[1] == '1' && ref == 'M') {
                terms << "start_lost";
            } else {
                terms << "missense_variant";
            }
        }
    } else {
        return "transcript_variant";
    }
    if (location.endsWith(QLatin1String("splice-site."))) {
        terms << "splice_region_variant";
    }
    return terms.join('&');
}

}  // namespace AnnotatedVcfFields
}  // namespace Nx
