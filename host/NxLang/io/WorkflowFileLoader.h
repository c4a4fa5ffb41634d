// Reads a workflow file (JSON) into a Schema and checks everything before anything runs:
//
//   {"elements": [{"name": "read", "type": "read-variations", "attributes": {"url-in": "in.vcf"}},
//                 {"name": "annotate", "type": "VOZAdarova-id", "attributes": {}}],
//    "links": [{"from": "read", "to": "annotate"}]}
//
// An element may also have a "label" (what messages call it; the name by default).
// An attribute value is a string, number or boolean, or {"script": "..."} for an attribute
// script. A link end is "name" (the element's only output / input port) or "name.port-id".
// Relative file paths are taken from the workflow file's folder; values given on the command
// line (NAME.ATTRIBUTE=VALUE) replace file values, with paths taken from the current folder.
// Every error names the file and the element (or link) at fault.
#pragma once

#include <QList>
#include <QPair>
#include <QString>

namespace Nx {

class NxOpStatus;
namespace Workflow {
class Schema;
}

class WorkflowFileLoader {
public:
    struct Override {
        QString element;
        QString attribute;
        QString value;
    };

    // Parses "NAME.ATTRIBUTE=VALUE"; sets an error naming the text when it is malformed.
    static Override parseOverride(const QString& text, NxOpStatus& os);

    // The loaded, validated workflow (the caller owns it), or null with the error set.
    static Workflow::Schema* load(const QString& path, const QList<Override>& overrides, NxOpStatus& os);
    // The same from memory: fileName is what errors call the file; baseDir resolves paths.
    static Workflow::Schema* loadFromData(const QByteArray& data, const QString& fileName, const QString& baseDir,
                                          const QList<Override>& overrides, NxOpStatus& os);
};

}  // namespace Nx
