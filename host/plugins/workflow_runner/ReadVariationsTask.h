// Imports the VCF/BCF files of one "read-variations" element into the session database, on a
// pool thread with a connection of its own. A malformed file stops the import with the
// importer's error (file and line); the tracks imported before stay in the database.
#pragma once

#include <NxCore/records/NxDbiRef.h>
#include <NxCore/records/NxVariant.h>
#include <NxCore/tasks/Task.h>

#include <QStringList>

namespace Nx {

class ReadVariationsTask : public Task {
    Q_OBJECT
public:
    ReadVariationsTask(const QStringList& files, const NxDbiRef& sessionRef);

    void run() override;

    // The tracks created, in file order then chromosome order; read after the task finished.
    const QList<NxVariantTrack>& getTracks() const { return tracks; }

private:
    QStringList files;             // absolute paths, in the order given
    NxDbiRef sessionRef;           // the workflow database
    QList<NxVariantTrack> tracks;  // filled by run()
};

}  // namespace Nx
