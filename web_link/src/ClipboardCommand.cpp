#include "ClipboardCommand.h"

#include <NxGui/remote/RemoteDBRegistry.h>

#include <QObject>

namespace Nx {

const QString ClipboardCommand::OPEN_SELECTION = "open/selection;";
const QString ClipboardCommand::OPEN_ENSEMBL = "open/Ensembl;";
const QString ClipboardCommand::OPEN_PDB = "open/PDB;";

ClipboardCommand ClipboardCommand::parse(const QString& text) {
    ClipboardCommand c;
    int nl = text.indexOf('\n');
    if (nl < 0) {
        return c;
    }
    c.lineBreak = true;
    if (text.startsWith(OPEN_SELECTION)) {
        c.kind = Kind_OpenSelection;
    } else if (text.startsWith(OPEN_ENSEMBL)) {
        c.kind = Kind_OpenEnsembl;
    } else if (text.startsWith(OPEN_PDB)) {
        c.kind = Kind_OpenPdb;
    }
    c.payload = text.mid(nl + 1).trimmed();
    if (c.kind == Kind_OpenEnsembl || c.kind == Kind_OpenPdb) {
        int end = c.payload.indexOf('\n');
        c.identifier = (end < 0 ? c.payload : c.payload.left(end)).simplified();
    }
    return c;
}

QString ClipboardCommand::getDatabaseName() const {
    switch (kind) {
        case Kind_OpenEnsembl:
            return RemoteDBRegistry::ENSEMBL;
        case Kind_OpenPdb:
            return RemoteDBRegistry::PDB;
        default:
            return QString();
    }
}

QString ClipboardCommand::getCounterName() const {
    switch (kind) {
        case Kind_OpenSelection:
            return "WebLink:open/selection";
        case Kind_OpenEnsembl:
            return "WebLink:open/Ensembl";
        case Kind_OpenPdb:
            return "WebLink:open/PDB";
        default:
            return QString();
    }
}

bool ClipboardCommand::isSafe(QString* reason) const {
    QString why;
    if (kind == Kind_None) {
        why = QObject::tr("not a command");
    } else if (kind == Kind_OpenSelection) {
        if (payload.size() > MAX_SELECTION_CHARS) {
            why = QObject::tr("the data has %1 characters, more than the limit of %2")
                      .arg(payload.size())
                      .arg(MAX_SELECTION_CHARS);
        }
    } else if (!RemoteDBRegistry::isValidAccession(getDatabaseName(), identifier)) {
        why = QObject::tr("the identifier (%1 characters) is not a public %2 identifier")
                  .arg(identifier.size())
                  .arg(getDatabaseName());
    }
    if (reason != nullptr) {
        *reason = why;
    }
    return why.isEmpty();
}

}  // namespace Nx
