#include "DemoTestFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>

namespace DemoTest {

QByteArray readAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return QByteArray();
    }
    return f.readAll();
}

QHash<QString, QByteArray> readFasta(const QString& path) {
    QHash<QString, QByteArray> result;
    QString name;
    for (const QByteArray& line : readAll(path).split('\n')) {
        if (line.startsWith('>')) {
            name = QString::fromLatin1(line.mid(1)).split(' ').first();
            result[name] = QByteArray();
        } else if (!name.isEmpty()) {
            result[name] += line.trimmed();
        }
    }
    return result;
}

static QHash<QString, QString> attributes(const QByteArray& column) {
    QHash<QString, QString> a;
    for (const QByteArray& kv : column.split(';')) {
        int eq = kv.indexOf('=');
        if (eq > 0) {
            a[QString::fromLatin1(kv.left(eq))] = QString::fromLatin1(kv.mid(eq + 1));
        }
    }
    return a;
}

QVector<Transcript> readGff3(const QString& path, QHash<QString, QStringList>* genes) {
    QVector<Transcript> result;
    QHash<QString, int> index;
    for (const QByteArray& line : readAll(path).split('\n')) {
        if (line.isEmpty() || line.startsWith('#')) {
            continue;
        }
        QList<QByteArray> f = line.split('\t');
        if (f.size() != 9) {
            continue;
        }
        QHash<QString, QString> a = attributes(f[8]);
        NxRegion r(f[3].toLongLong() - 1, f[4].toLongLong() - f[3].toLongLong() + 1);
        QString type = QString::fromLatin1(f[2]);
        if (type == "gene") {
            if (genes != nullptr) {
                (*genes)[a["ID"].mid(5)] = QStringList{a["Name"], a["biotype"]};
            }
        } else if (a.value("ID").startsWith("transcript:")) {
            Transcript t;
            t.id = a["ID"].mid(11);
            t.geneId = a["Parent"].mid(5);
            t.biotype = a["biotype"];
            t.chrom = QString::fromLatin1(f[0]);
            t.reverse = f[6] == "-";
            t.span = r;
            if (genes != nullptr && genes->contains(t.geneId)) {
                t.geneName = (*genes)[t.geneId][0];
            }
            index[t.id] = result.size();
            result.append(t);
        } else if (a.value("Parent").startsWith("transcript:")) {
            int i = index.value(a["Parent"].mid(11), -1);
            if (i < 0) {
                continue;
            }
            if (type == "exon") {
                result[i].exons.append(r);
            } else if (type == "CDS") {
                result[i].cds.append(r);
                result[i].cdsPhases.append(f[7].toInt());
            }
        }
    }
    for (Transcript& t : result) {
        std::sort(t.exons.begin(), t.exons.end());
        QVector<int> order(t.cds.size());
        for (int i = 0; i < order.size(); ++i) {
            order[i] = i;
        }
        std::sort(order.begin(), order.end(), [&](int x, int y) { return t.cds[x] < t.cds[y]; });
        QVector<NxRegion> cds;
        QVector<int> phases;
        for (int i : order) {
            cds.append(t.cds[i]);
            phases.append(t.cdsPhases[i]);
        }
        t.cds = cds;
        t.cdsPhases = phases;
    }
    return result;
}

QVector<VcfRecord> readVcf(const QString& path) {
    QVector<VcfRecord> result;
    int lineNo = 0;
    for (const QByteArray& line : readAll(path).split('\n')) {
        ++lineNo;
        if (line.isEmpty() || line.startsWith('#')) {
            continue;
        }
        QList<QByteArray> f = line.split('\t');
        if (f.size() < 8) {
            continue;
        }
        VcfRecord r;
        r.chrom = QString::fromLatin1(f[0]);
        r.pos = f[1].toLongLong();
        r.id = f[2];
        r.ref = f[3];
        r.alts = f[4].split(',');
        r.info = f[7];
        r.line = lineNo;
        result.append(r);
    }
    return result;
}

QList<QStringList> readTsv(const QString& path) {
    QList<QStringList> rows;
    for (const QByteArray& line : readAll(path).split('\n')) {
        if (line.isEmpty() || line.startsWith('#')) {
            continue;
        }
        rows.append(QString::fromUtf8(line).split('\t'));
    }
    return rows;
}

QByteArray reverseComplement(const QByteArray& s) {
    QByteArray r;
    r.reserve(s.size());
    for (int i = s.size() - 1; i >= 0; --i) {
        switch (s[i]) {
            case 'A': r += 'T'; break;
            case 'C': r += 'G'; break;
            case 'G': r += 'C'; break;
            case 'T': r += 'A'; break;
            default: r += 'N';
        }
    }
    return r;
}

char translateCodon(const QByteArray& codon) {
    static QHash<QByteArray, char> table;
    if (table.isEmpty()) {
        const char* lines[] = {"A GCT GCC GCA GCG", "R CGT CGC CGA CGG AGA AGG", "N AAT AAC", "D GAT GAC",
                               "C TGT TGC", "Q CAA CAG", "E GAA GAG", "G GGT GGC GGA GGG", "H CAT CAC",
                               "I ATT ATC ATA", "L TTA TTG CTT CTC CTA CTG", "K AAA AAG", "M ATG", "F TTT TTC",
                               "P CCT CCC CCA CCG", "S TCT TCC TCA TCG AGT AGC", "T ACT ACC ACA ACG", "W TGG",
                               "Y TAT TAC", "V GTT GTC GTA GTG", "* TAA TAG TGA"};
        for (const char* l : lines) {
            QList<QByteArray> w = QByteArray(l).split(' ');
            for (int i = 1; i < w.size(); ++i) {
                table[w[i]] = w[0][0];
            }
        }
    }
    return table.value(codon.toUpper(), 'X');
}

QVector<qint64> codingPositions(const Transcript& t) {
    QVector<qint64> pos;
    for (const NxRegion& p : t.cds) {
        for (qint64 i = p.startPos; i < p.endPos(); ++i) {
            pos.append(i);
        }
    }
    if (t.reverse) {
        std::reverse(pos.begin(), pos.end());
    }
    return pos;
}

QByteArray codingSequence(const Transcript& t, const QByteArray& chromosome) {
    QByteArray s;
    for (const NxRegion& p : t.cds) {
        s += chromosome.mid(int(p.startPos), int(p.length));
    }
    return t.reverse ? reverseComplement(s) : s;
}

QString binaryPath(const QString& program) {
    return QString(NX_BINARY_DIR) + "/bin/" + program;
}

int runProgram(const QString& program, const QStringList& arguments, QString* errorOutput, int timeoutMs) {
    QProcess p;
    QString path = QFileInfo(program).isAbsolute() ? program : binaryPath(program);
    p.start(path, arguments);
    if (!p.waitForStarted(10000)) {
        return -1;
    }
    p.waitForFinished(timeoutMs);
    if (errorOutput != nullptr) {
        *errorOutput = QString::fromUtf8(p.readAllStandardError());
    }
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

}  // namespace DemoTest
