// A location of a file as the suite passes it around: for now always a local path.
#pragma once

#include <QFileInfo>
#include <QString>

namespace Nx {

class GUrl {
public:
    GUrl() = default;
    explicit GUrl(const QString& path) : path(path) {}

    const QString& getURLString() const { return path; }
    bool isEmpty() const { return path.isEmpty(); }
    // The file name without its folder.
    QString fileName() const { return QFileInfo(path).fileName(); }
    QString dirPath() const { return QFileInfo(path).absolutePath(); }

    bool operator==(const GUrl& o) const { return path == o.path; }

private:
    QString path;
};

}  // namespace Nx
