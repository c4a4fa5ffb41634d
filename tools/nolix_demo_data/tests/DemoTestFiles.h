// Plain readers of the demo files for the tests: they split lines themselves instead of using the
// reference-database builder, so a fault in the builder or the generator cannot hide itself.
#pragma once

#include <NxCore/records/NxRegion.h>

#include <QByteArray>
#include <QHash>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

namespace DemoTest {

using Nx::NxRegion;

struct Transcript {
    QString id;       // without "transcript:"
    QString geneId;   // without "gene:"
    QString geneName;
    QString biotype;
    QString chrom;
    bool reverse = false;
    NxRegion span;
    QVector<NxRegion> exons;     // ascending
    QVector<NxRegion> cds;       // ascending
    QVector<int> cdsPhases;      // phase column of each cds part, same order
};

struct VcfRecord {
    QString chrom;
    qint64 pos = 0;  // 1-based as written
    QByteArray id;
    QByteArray ref;
    QList<QByteArray> alts;
    QByteArray info;
    int line = 0;
};

QHash<QString, QByteArray> readFasta(const QString& path);
// Genes by id (name, biotype) and transcripts in file order.
QVector<Transcript> readGff3(const QString& path, QHash<QString, QStringList>* genes = nullptr);
QVector<VcfRecord> readVcf(const QString& path);
QList<QStringList> readTsv(const QString& path);  // '#' lines skipped
QByteArray readAll(const QString& path);

QByteArray reverseComplement(const QByteArray& s);
char translateCodon(const QByteArray& codon);  // standard code, 'X' for anything else
// Genomic positions of the coding bases in transcript order.
QVector<qint64> codingPositions(const Transcript& t);
// Spliced coding sequence in transcript order (complemented on the minus strand).
QByteArray codingSequence(const Transcript& t, const QByteArray& chromosome);

// Runs <build>/bin/<program> with arguments; returns the exit code (-1 when it could not start)
// and its standard error.
int runProgram(const QString& program, const QStringList& arguments, QString* errorOutput = nullptr,
               int timeoutMs = 120000);
QString binaryPath(const QString& program);

}  // namespace DemoTest
