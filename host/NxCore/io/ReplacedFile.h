// A file that replaces its target only when it is complete: written as TARGET.tmp-PID-N beside
// the target, renamed over it by commit() (atomic on one file system), removed when dropped
// without a commit. A reader of the target sees the previous file or the whole new one, never a
// part; two writers of one target never mix their contents. Files of this kind left by processes
// that no longer exist (killed with SIGKILL) are removed when a new one is made beside them.
#pragma once

#include <QString>

namespace Nx {

class NxOpStatus;

class ReplacedFile {
public:
    explicit ReplacedFile(const QString& targetPath);
    ~ReplacedFile();  // removes the temporary file unless committed

    ReplacedFile(const ReplacedFile&) = delete;
    ReplacedFile& operator=(const ReplacedFile&) = delete;

    const QString& getTargetPath() const { return target; }
    // Where to write until commit().
    const QString& getTemporaryPath() const { return temporary; }
    // Renames the temporary file over the target; an error names both.
    bool commit(NxOpStatus& os);
    // Removes the temporary file (also done by the destructor).
    void discard();

    // Removes TARGET.tmp-PID[-N] files beside the target whose process has ended.
    static int removeStale(const QString& targetPath);

private:
    QString target;
    QString temporary;
    bool committed = false;
};

}  // namespace Nx
