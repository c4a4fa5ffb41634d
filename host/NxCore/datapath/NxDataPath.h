// A named location of the suite's data (a database, a script folder). A path that starts with
// "data:" is relative to the suite's data folder (NxDataPathRegistry::dataFolder()).
#pragma once

#include <QObject>
#include <QString>

namespace Nx {

class NxDataPath : public QObject {
    Q_OBJECT
public:
    NxDataPath(const QString& name, const QString& path, const QString& description = QString(),
               bool dirOnly = false, bool readOnly = false);

    const QString& getName() const { return name; }
    // The resolved, absolute path.
    const QString& getPath() const { return path; }
    // The path as given (e.g. "data:snp_scripts/x.s3db").
    const QString& getRawPath() const { return rawPath; }
    const QString& getDescription() const { return description; }
    bool isDirOnly() const { return dirOnly; }
    bool isReadOnly() const { return readOnly; }

    // A directory data path is valid when the directory exists. A file data path is valid when
    // the file exists, or when it does not exist yet but its folder does (the place where the
    // user is to put the file, such as the default reference database).
    bool isValid() const;

    // "data:x" -> <data folder>/x; anything else made absolute as it stands.
    static QString resolve(const QString& rawPath);

private:
    QString name;
    QString rawPath;
    QString path;         // resolved
    QString description;
    bool dirOnly;         // the path must be a directory
    bool readOnly;        // the suite never writes there
};

}  // namespace Nx
