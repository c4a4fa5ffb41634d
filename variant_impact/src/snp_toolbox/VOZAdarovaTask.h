// Annotates one variation track of the workflow database from the reference database file: known
// effects, gene effects and the public identifiers of variations that match a known mutation.
// The reference database is read inside one read transaction; the workflow database is written
// in short batch commits (the damage-effect table's buffers), so other elements' writers to the
// same workflow database never wait behind a whole track.
#pragma once

#include <NxCore/records/NxDbiRef.h>
#include <NxCore/records/NxVariant.h>
#include <NxCore/tasks/Task.h>

namespace Nx {

class VOZAdarovaTask : public Task {
    Q_OBJECT
public:
    VOZAdarovaTask(const QString& dbPath, const NxVariantTrack& track, const NxDbiRef& sessionRef);

    void run() override;

    const QString& getDbPath() const { return dbPath; }
    const NxVariantTrack& getTrack() const { return track; }
    const NxDbiRef& getSessionRef() const { return sessionRef; }

private:
    QString dbPath;          // reference database file
    NxVariantTrack track;    // the track to annotate, a copy
    NxDbiRef sessionRef;     // the workflow database that holds the track
};

}  // namespace Nx
