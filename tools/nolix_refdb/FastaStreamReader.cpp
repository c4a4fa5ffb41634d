#include "FastaStreamReader.h"

namespace Nx {

namespace {

// Upper-case IUPAC nucleotide letter, or 0 for anything else.
char normalizeBase(char c) {
    static const QByteArray allowed("ACGTUNRYKMSWBDHV");
    char u = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    return allowed.contains(u) ? u : 0;
}

}  // namespace

bool FastaStreamReader::open(const QString& path, QString& error) {
    return reader.open(path, error);
}

bool FastaStreamReader::fetchLine(QByteArray& line) {
    if (hasPending) {
        line = pending;
        hasPending = false;
        return true;
    }
    return reader.readLine(line);
}

bool FastaStreamReader::nextSequence(QString& name, QString& error) {
    QByteArray line;
    carry.clear();
    while (fetchLine(line)) {
        if (line.startsWith('>')) {
            QByteArray header = line.mid(1).trimmed();
            int blank = header.indexOf(' ');
            int tab = header.indexOf('\t');
            int cut = blank < 0 ? tab : (tab < 0 ? blank : qMin(blank, tab));
            name = QString::fromLatin1(cut < 0 ? header : header.left(cut));
            if (name.isEmpty()) {
                error = reader.where() + tr("FASTA header without a sequence name");
                return false;
            }
            inRecord = true;
            return true;
        }
        if (!line.trimmed().isEmpty() && !inRecord) {
            error = reader.where() + tr("FASTA data before the first '>' header line");
            return false;
        }
        // Bases of a record the caller did not read are skipped.
    }
    if (reader.hasReadError()) {
        error = reader.readErrorMessage();
    }
    inRecord = false;
    return false;
}

bool FastaStreamReader::readBlock(QByteArray& block, int maxBytes, QString& error) {
    block.clear();
    if (!inRecord) {
        return false;
    }
    block.reserve(maxBytes);
    if (!carry.isEmpty()) {
        int take = qMin(maxBytes, carry.size());
        block.append(carry.constData(), take);
        carry.remove(0, take);
    }
    QByteArray line;
    while (block.size() < maxBytes && fetchLine(line)) {
        if (line.startsWith('>')) {
            pending = line;
            hasPending = true;
            inRecord = false;
            break;
        }
        QByteArray bases = line.trimmed();
        char* p = bases.data();
        for (int i = 0; i < bases.size(); ++i) {
            char b = normalizeBase(p[i]);
            if (b == 0) {
                error = reader.where() + tr("invalid character '%1' in FASTA sequence (column %2)")
                                             .arg(QChar::fromLatin1(p[i]))
                                             .arg(i + 1);
                return false;
            }
            p[i] = b;
        }
        int room = maxBytes - block.size();
        if (bases.size() <= room) {
            block.append(bases);
        } else {
            block.append(bases.constData(), room);
            carry = bases.mid(room);
        }
    }
    if (reader.hasReadError()) {
        error = reader.readErrorMessage();
        return false;
    }
    return !block.isEmpty();
}

}  // namespace Nx
