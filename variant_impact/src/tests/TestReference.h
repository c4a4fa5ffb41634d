// A reference database for the element tests: one DNA sequence and the genes a test places on
// it, written in one transaction.
#pragma once

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/DbiConnection.h>
#include <NxCore/dbi/DbiOperationsBlock.h>
#include <NxCore/dbi/NxSequenceDbi.h>
#include <NxCore/dbi/sqlite/SQLiteFeatureDbi.h>

#include <functional>

namespace Nx {

// Writes the sequence and calls addGenes with the feature table and the sequence's id; false with
// the error when any of it failed. sequenceId, when given, receives the sequence's id.
inline bool writeTestReference(const QString& path, const QString& sequenceName, const QByteArray& letters,
                               const std::function<void(SQLiteFeatureDbi*, const NxDataId&, NxOpStatus&)>& addGenes,
                               QString& error, NxDataId* sequenceId = nullptr) {
    NxOpStatusImpl os;
    const NxDbiRef ref(SQLITE_DBI_ID, path);
    DbiConnection con(ref, true, os);
    if (os.hasError()) {
        error = os.getError();
        return false;
    }
    {
        DbiOperationsBlock block(ref, os);
        NxSequence seq;
        seq.visualName = sequenceName;
        seq.alphabet = "nucl-dna-default";
        con.dbi->getSequenceDbi()->createSequenceObject(seq, os);
        con.dbi->getSequenceDbi()->appendSequenceData(seq.id, letters, os);
        if (sequenceId != nullptr) {
            *sequenceId = seq.id;
        }
        addGenes(dynamic_cast<SQLiteFeatureDbi*>(con.dbi->getFeatureDbi()), seq.id, os);
    }
    error = os.getError();
    return !os.hasError();
}

}  // namespace Nx
