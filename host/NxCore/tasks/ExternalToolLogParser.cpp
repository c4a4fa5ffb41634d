#include "ExternalToolLogParser.h"

namespace Nx {

void ExternalToolLogParser::parseOutputChunk(const QString& chunk) {
    lastPartOfLog = chunk.split('\n', Qt::SkipEmptyParts);
    if (!lastPartOfLog.isEmpty()) {
        lastLine = lastPartOfLog.last();
    }
}

void ExternalToolLogParser::parseErrOutput(const QString& chunk) {
    for (const QString& line : chunk.split('\n', Qt::SkipEmptyParts)) {
        QString l = line.trimmed();
        if (l.isEmpty()) {
            continue;
        }
        if (firstErrLine.isEmpty()) {
            firstErrLine = l;
        }
        errTail.append(l);
        if (errTail.size() > 10) {
            errTail.removeFirst();
        }
    }
}

}  // namespace Nx
