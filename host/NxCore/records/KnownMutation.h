// One entry of the known-mutation tables. position -1 stands for "no mutation"; the scores of
// such a record are never read.
#pragma once

#include <NxCore/records/NxEntity.h>

namespace Nx {

class KnownMutation : public NxEntity {
public:
    qint64 position = -1;   // 0-based position on the chromosome
    QByteArray refAllele;
    QByteArray obsAllele;
    QByteArray knownId;     // public identifier (e.g. an rs id), Latin-1
    // Left unset by default: only read from a record whose position is not -1.
    double avSift;
    double lrt;
    double phyloP;
    double pp2;
    double mutationTaster;
    double genomes1000;
    double extraScore1;
    double extraScore2;
    double gerpConserved;
    double altAlleleFrequency;
    double hapmap;
    double gerpScore;
    double extraScore3;

    bool isMutation() const { return position != -1; }
};

}  // namespace Nx
