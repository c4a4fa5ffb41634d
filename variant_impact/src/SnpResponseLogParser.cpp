#include "SnpResponseLogParser.h"

#include "SnpRequestKeys.h"

#include <NxCore/log/Logger.h>

namespace Nx {

void SnpResponseLogParser::parseOutputChunk(const QString& chunk) {
    lastPartOfLog = chunk.split('\n', Qt::SkipEmptyParts, Qt::CaseSensitive);
    for (const QString& piece : qAsConst(lastPartOfLog)) {
        // Trimming also removes the carriage return of a CRLF line end.
        const QString line = piece.trimmed();
        if (line.isEmpty()) {
            continue;
        }
        lastLine = line;
        const int colon = line.indexOf(SnpRequestKeys::SEPARATOR);
        const QString key = colon < 0 ? line : line.left(colon);
        const QString value = colon < 0 ? line : line.mid(colon + 1);
        results[key] = value;
        scriptLog.trace(key + SnpRequestKeys::SEPARATOR + value);
    }
}

}  // namespace Nx
