// Sequence table: one sequence object per chromosome, stored in fixed-size chunks so that a
// region read costs time proportional to the region.
#pragma once

#include <NxCore/records/NxEntity.h>
#include <NxCore/records/NxRegion.h>

namespace Nx {

class NxOpStatus;

class NxSequence : public NxObject {
public:
    NxDataType getType() const override { return NxObjectTypes::Sequence; }

    qint64 length = 0;
    QString alphabet;       // alphabet id, e.g. the standard DNA alphabet
    bool circular = false;
};

class NxSequenceDbi {
public:
    virtual ~NxSequenceDbi() = default;

    // The sequence object (visible name = chromosome name); empty id and an error when absent.
    virtual NxSequence getSequenceObject(const NxDataId& sequenceId, NxOpStatus& os) = 0;
    // Upper-case bases of the region, clipped to the sequence.
    virtual QByteArray getSequenceData(const NxDataId& sequenceId, const NxRegion& region, NxOpStatus& os) = 0;

    // Writing: create the object, then append data in order.
    virtual void createSequenceObject(NxSequence& sequence, NxOpStatus& os) = 0;
    virtual void appendSequenceData(const NxDataId& sequenceId, const QByteArray& data, NxOpStatus& os) = 0;
};

}  // namespace Nx
