// A location of a file as the suite passes it around: a local path, or the address of a remote
// file (the type says which; a plain path is a local file).
#pragma once

#include <QFileInfo>
#include <QString>

namespace Nx {

enum GUrlType { GUrl_File = 0, GUrl_Http = 1 };

class GUrl {
public:
    GUrl() = default;
    explicit GUrl(const QString& path) : path(path) {}
    GUrl(const QString& path, GUrlType type) : path(path), type(type) {}

    const QString& getURLString() const { return path; }
    GUrlType getType() const { return type; }
    bool isLocalFile() const { return type == GUrl_File; }
    bool isEmpty() const { return path.isEmpty(); }
    // The file name without its folder.
    QString fileName() const { return QFileInfo(path).fileName(); }
    QString dirPath() const { return QFileInfo(path).absolutePath(); }

    bool operator==(const GUrl& o) const { return path == o.path && type == o.type; }

private:
    QString path;
    GUrlType type = GUrl_File;
};

}  // namespace Nx
