// Reads damage-effect (tolerance) matrices from a TSV file: transcript id, 1-based amino-acid
// position, then 20 scores in the order A C D E F G H I K L M N P Q R S T V W Y ("NA" or "." for
// a missing score); '#' lines are comments or the header. The rows of one transcript must be
// contiguous, so a transcript's matrix is handed on as soon as its block ends and the whole file
// is never held in memory.
#pragma once

#include <QCoreApplication>

#include <NxCore/variation/DamageMatrix.h>

#include <QByteArray>
#include <QMap>
#include <QString>

#include <functional>

namespace Nx {

class DamageMatrixReader {
    Q_DECLARE_TR_FUNCTIONS(Nx::DamageMatrixReader)
public:
    typedef std::array<float, DamageMatrix::AMINO_ACID_COUNT> Row;
    // One transcript's rows by 1-based position, with the line of its first row for messages.
    typedef std::function<bool(const QByteArray& transcriptId, const QMap<int, Row>& rows, qint64 firstLine,
                               QString& error)>
        Sink;

    // False and error (file:line: reason) at the first bad line or when the sink refuses a block.
    static bool read(const QString& path, const Sink& onMatrix, QString& error);
};

}  // namespace Nx
