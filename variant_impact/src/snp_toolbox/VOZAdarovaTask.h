// Annotates one variation track of the workflow database from the reference database file: known
// effects, gene effects and the public identifiers of variations that match a known mutation.
// Both databases stay inside one operations block each for the whole track, so a track is
// written in one transaction per database.
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
