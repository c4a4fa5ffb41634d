// Reads known mutations from a VCF (plain or bgzipped): one KnownMutation per ALT allele, with
// position = POS - 1, the REF and ALT alleles and the ID column as knownId ("." -> empty). The
// scores come from these INFO keys, one per KnownMutation score (absent or "." -> -1):
//   AVSIFT LRT PHYLOP PP2 MUTTASTER G1000AF EXTRA1 EXTRA2 GERPCONS ALTAF HAPMAP GERP EXTRA3
// A key holds one number for every ALT allele or one number for all of them. The INFO text is
// checked here before htslib parses the record, so a malformed value is reported with file, line,
// key and value rather than as a generic parse failure. ALT "*", "." and symbolic alleles are
// skipped.
#pragma once

#include <QCoreApplication>

#include <NxCore/records/KnownMutation.h>

#include <QString>

#include <functional>

namespace Nx {

class KnownMutationsVcfReader {
    Q_DECLARE_TR_FUNCTIONS(Nx::KnownMutationsVcfReader)
public:
    typedef std::function<bool(const QString& chromosome, const KnownMutation& mutation, QString& error)> Sink;

    static const char* const* scoreKeys();  // the 13 keys above, in KnownMutation order
    static constexpr int SCORE_COUNT = 13;

    // False and error (file:line: reason) at the first bad record or when the sink refuses one.
    bool read(const QString& path, const Sink& onMutation, QString& error);

    qint64 recordCount() const { return records; }
    qint64 skippedAlleles() const { return skipped; }

    // Sets the 13 scores of m (index = position in scoreKeys()) for ALT allele altIndex of nAlt
    // from one INFO column; false and a reason for a malformed value.
    static bool parseScores(const QByteArray& info, int altIndex, int nAlt, double scores[SCORE_COUNT],
                            QString& reason);
    static void setScores(KnownMutation& m, const double scores[SCORE_COUNT]);

private:
    qint64 records = 0;  // data lines read
    qint64 skipped = 0;  // ALT alleles left out (symbolic, '*', '.')
};

}  // namespace Nx
