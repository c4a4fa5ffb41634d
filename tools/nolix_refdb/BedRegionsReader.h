// Reads the special regions (segmental duplications, conserved regions) of a BED file: chrom,
// 0-based start, end (half-open); further columns are ignored. "track", "browser" and '#' lines
// are skipped. Sequence names must be those of the FASTA.
#pragma once

#include <QCoreApplication>

#include "TranscriptModel.h"

#include <functional>

namespace Nx {

class BedRegionsReader {
    Q_DECLARE_TR_FUNCTIONS(Nx::BedRegionsReader)
public:
    // Calls onRegion for every region in file order; false and error at the first bad line or
    // when onRegion returns false (its error is passed through).
    typedef std::function<bool(const QString& sequenceName, const NxRegion& region, QString& error)> Sink;
    static bool read(const QString& path, const SequenceLengths& sequences, const Sink& onRegion, QString& error);
};

}  // namespace Nx
