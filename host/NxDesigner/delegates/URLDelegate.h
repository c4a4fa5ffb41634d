// A file path attribute: which files it accepts, whether several may be given (';'-separated),
// whether it is a folder, and whether the element writes the file (saveFile).
#pragma once

#include <NxLang/model/ConfigurationEditor.h>

namespace Nx {

class URLDelegate : public PropertyDelegate {
    Q_OBJECT
public:
    URLDelegate(const QString& filter, const QString& type, bool multi = false, bool isPath = false,
                bool saveFile = true, QObject* parent = nullptr, const QString& format = QString(),
                bool noFilesMode = false);

    QString getKind() const override { return saveFile ? QStringLiteral("output file") : QStringLiteral("input file"); }
    bool isUrl() const override { return true; }
    bool isOutputUrl() const override { return saveFile; }
    bool isMultipleUrl() const override { return multi; }

    const QString& getFilter() const { return filter; }
    const QString& getType() const { return type; }
    bool isPath() const { return path; }
    const QString& getFormat() const { return format; }
    bool isNoFilesMode() const { return noFilesMode; }

private:
    QString filter;     // file dialog filter, e.g. "VCF files (*.vcf *.vcf.gz)"
    QString type;       // key under which a dialog remembers the last folder
    bool multi;         // several files, ';'-separated
    bool path;          // a folder rather than a file
    bool saveFile;      // the element writes this file
    QString format;     // document format id of the file, if one is fixed
    bool noFilesMode;   // folders only, files hidden
};

}  // namespace Nx
