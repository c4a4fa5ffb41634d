#include "DocumentFormat.h"

#include <QList>
#include <QLocale>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>
#include <QTextCodec>

namespace Nx {

const QString DocumentFormat::FASTA = "fasta";
const QString DocumentFormat::PDB = "pdb";
const QString DocumentFormat::MMCIF = "mmcif";
const QString DocumentFormat::VCF = "vcf";
const QString DocumentFormat::TSV = "tsv";
const QString DocumentFormat::RAW_SEQUENCE = "raw_sequence";
const QString DocumentFormat::PLAIN_TEXT = "text";

namespace {

QList<QByteArray> firstLines(const QByteArray& data, int n) {
    QList<QByteArray> lines;
    int pos = 0;
    while (pos < data.size() && lines.size() < n) {
        int end = data.indexOf('\n', pos);
        if (end < 0) end = data.size();
        QByteArray line = data.mid(pos, end - pos);
        if (line.endsWith('\r')) line.chop(1);
        if (!line.trimmed().isEmpty()) lines.append(line);
        pos = end + 1;
    }
    return lines;
}

bool isPdbRecord(const QByteArray& line) {
    static const QSet<QByteArray> records = {"HEADER", "TITLE ", "COMPND", "SOURCE", "REMARK", "ATOM  ", "HETATM",
                                             "CRYST1", "MODEL ", "SEQRES", "EXPDTA", "AUTHOR", "KEYWDS", "OBSLTE"};
    return records.contains(line.left(6).leftJustified(6, ' '));
}

QString number(qint64 n) {
    return QLocale(QLocale::English).toString(n);
}

}  // namespace

QString DocumentFormat::detect(const QByteArray& data, const QString& fileName) {
    if (data.contains('\0')) {
        return QString();
    }
    QTextCodec::ConverterState state;
    QTextCodec::codecForName("UTF-8")->toUnicode(data.constData(), data.size(), &state);
    if (state.invalidChars > 0) {
        return QString();
    }
    const QList<QByteArray> lines = firstLines(data, 20);
    if (lines.isEmpty()) {
        return PLAIN_TEXT;
    }
    const QByteArray& first = lines.first();
    if (first.startsWith("##fileformat=VCF")) return VCF;
    if (first.startsWith('>')) return FASTA;
    if (first.startsWith("data_")) return MMCIF;
    if (isPdbRecord(first)) {
        for (const QByteArray& l : lines) {
            if (!isPdbRecord(l) && !l.startsWith("END") && !l.startsWith("TER")) return PLAIN_TEXT;
        }
        return PDB;
    }
    static const QRegularExpression seqRx("^[ACGTUNRYKMSWBDHVacgtunrykmswbdhv\\-*\\s]+$");
    bool allSeq = true;
    for (const QByteArray& l : lines) {
        if (!seqRx.match(QString::fromLatin1(l)).hasMatch()) {
            allSeq = false;
            break;
        }
    }
    if (allSeq) return RAW_SEQUENCE;
    // Tab-separated: every line of the head has the same number (> 1) of columns.
    int cols = first.count('\t') + 1;
    bool tsv = cols > 1 || fileName.endsWith(".tsv", Qt::CaseInsensitive);
    for (const QByteArray& l : lines) {
        if (l.startsWith('#')) continue;
        if (l.count('\t') + 1 != cols) {
            tsv = false;
            break;
        }
    }
    return tsv ? TSV : PLAIN_TEXT;
}

QString DocumentFormat::displayName(const QString& id) {
    if (id == FASTA) return "FASTA";
    if (id == PDB) return "PDB";
    if (id == MMCIF) return "mmCIF";
    if (id == VCF) return "VCF";
    if (id == TSV) return "TSV";
    if (id == RAW_SEQUENCE) return QObject::tr("Raw sequence");
    return QObject::tr("Plain text");
}

QString DocumentFormat::summarize(const QString& id, const QByteArray& data) {
    const QList<QByteArray> lines = data.split('\n');
    if (id == FASTA) {
        qint64 seqs = 0, residues = 0;
        for (const QByteArray& l : lines) {
            if (l.startsWith('>')) {
                seqs++;
            } else {
                residues += l.trimmed().size();
            }
        }
        return QObject::tr("%1 sequence(s), %2 residues").arg(number(seqs), number(residues));
    }
    if (id == PDB) {
        qint64 atoms = 0, models = 0;
        QStringList chains;
        for (const QByteArray& l : lines) {
            if (l.startsWith("ATOM  ") || l.startsWith("HETATM")) {
                atoms++;
                QString chain = l.size() > 21 ? QString(QChar(l.at(21))).trimmed() : QString();
                if (!chain.isEmpty() && !chains.contains(chain)) chains.append(chain);
            } else if (l.startsWith("MODEL ")) {
                models++;
            }
        }
        return QObject::tr("%1 model(s), %2 atoms, chains %3")
            .arg(number(qMax<qint64>(1, models)), number(atoms), chains.isEmpty() ? "-" : chains.join(", "));
    }
    if (id == VCF) {
        qint64 records = 0, meta = 0;
        for (const QByteArray& l : lines) {
            if (l.startsWith("##")) {
                meta++;
            } else if (!l.startsWith('#') && !l.trimmed().isEmpty()) {
                records++;
            }
        }
        return QObject::tr("%1 record(s), %2 meta line(s)").arg(number(records), number(meta));
    }
    qint64 nonEmpty = 0;
    for (const QByteArray& l : lines) {
        if (!l.trimmed().isEmpty()) nonEmpty++;
    }
    if (id == TSV) {
        int cols = lines.isEmpty() ? 0 : lines.first().count('\t') + 1;
        return QObject::tr("%1 row(s), %2 column(s)").arg(number(nonEmpty)).arg(cols);
    }
    if (id == RAW_SEQUENCE) {
        qint64 residues = 0;
        for (const QByteArray& l : lines) residues += l.trimmed().size();
        return QObject::tr("%1 residues").arg(number(residues));
    }
    return QObject::tr("%1 line(s)").arg(number(nonEmpty));
}

}  // namespace Nx
