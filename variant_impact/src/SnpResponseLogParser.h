// Reads a script's answer from its standard output: every non-blank line "KEY:value" sets
// results[KEY] = value (everything after the first colon, not trimmed); a line without a colon
// is its own key and value; a later line replaces an earlier one of the same key.
#pragma once

#include <NxCore/tasks/ExternalToolLogParser.h>

#include <QVariantMap>

namespace Nx {

class SnpResponseLogParser : public ExternalToolLogParser {
public:
    void parseOutputChunk(const QString& chunk) override;

    const QVariantMap& getResults() const { return results; }

private:
    QVariantMap results;  // key -> value text, filled while the script runs
};

}  // namespace Nx
