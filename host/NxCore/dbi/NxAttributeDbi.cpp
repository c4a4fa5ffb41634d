#include "NxAttributeDbi.h"

#include <NxCore/core/NxOpStatus.h>

namespace Nx {

namespace {

// Ids of objectId's attributes named name that read back as kind T.
template <class T, class Getter>
QList<NxDataId> sameKindIds(NxAttributeDbi* dbi, const T& attr, Getter get, NxOpStatus& os) {
    QList<NxDataId> res;
    QList<NxDataId> ids = dbi->getObjectAttributes(attr.objectId, attr.name, os);
    for (const NxDataId& id : ids) {
        NxOpStatusImpl probe;
        if ((dbi->*get)(id, probe).hasValidId() && !probe.hasError()) {
            res << id;
        }
    }
    return res;
}

}  // namespace

void NxAttributeDbi::replaceStringAttributes(QList<NxStringAttribute>& attrs, NxOpStatus& os) {
    for (NxStringAttribute& a : attrs) {
        removeAttributes(sameKindIds(this, a, &NxAttributeDbi::getStringAttribute, os), os);
        createStringAttribute(a, os);
        if (os.isCoR()) {
            return;
        }
    }
}

void NxAttributeDbi::replaceIntegerAttributes(QList<NxIntegerAttribute>& attrs, NxOpStatus& os) {
    for (NxIntegerAttribute& a : attrs) {
        removeAttributes(sameKindIds(this, a, &NxAttributeDbi::getIntegerAttribute, os), os);
        createIntegerAttribute(a, os);
        if (os.isCoR()) {
            return;
        }
    }
}

}  // namespace Nx
