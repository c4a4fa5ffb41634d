#include "NxAttributeUtils.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/NxAttributeDbi.h>
#include <NxCore/dbi/sqlite/SQLiteUtils.h>

#include <QCoreApplication>

namespace Nx {

namespace {

bool checkDbi(NxAttributeDbi* dbi, NxOpStatus& os) {
    if (dbi == nullptr) {
        os.setError(QCoreApplication::translate("Nx::NxAttributeUtils", "No attribute table"));
        return false;
    }
    return true;
}

// Newest attribute of that name and kind. Ids of our databases carry the kind, which spares a
// read per candidate; any other id is probed by reading it.
template <class T>
T findAttribute(NxAttributeDbi* dbi, const NxDataId& objectId, const QString& name, NxDataType kind,
                T (NxAttributeDbi::*get)(const NxDataId&, NxOpStatus&), NxOpStatus& os) {
    if (!checkDbi(dbi, os)) {
        return T();
    }
    QList<NxDataId> ids = dbi->getObjectAttributes(objectId, name, os);
    NX_CHECK_OP(os, T());
    for (int i = ids.size() - 1; i >= 0; --i) {
        const NxDataId& id = ids[i];
        if (SQLiteUtils::isWellFormed(id)) {
            if (SQLiteUtils::toType(id) == kind) {
                return (dbi->*get)(id, os);
            }
            continue;
        }
        NxOpStatusImpl probe;
        T attr = (dbi->*get)(id, probe);
        if (!probe.hasError() && attr.hasValidId()) {
            return attr;
        }
    }
    return T();
}

}  // namespace

NxIntegerAttribute NxAttributeUtils::findIntegerAttribute(NxAttributeDbi* dbi, const NxDataId& objectId, const QString& name, NxOpStatus& os) {
    return findAttribute<NxIntegerAttribute>(dbi, objectId, name, NxEntityTypes::IntegerAttribute, &NxAttributeDbi::getIntegerAttribute, os);
}

NxRealAttribute NxAttributeUtils::findRealAttribute(NxAttributeDbi* dbi, const NxDataId& objectId, const QString& name, NxOpStatus& os) {
    return findAttribute<NxRealAttribute>(dbi, objectId, name, NxEntityTypes::RealAttribute, &NxAttributeDbi::getRealAttribute, os);
}

NxStringAttribute NxAttributeUtils::findStringAttribute(NxAttributeDbi* dbi, const NxDataId& objectId, const QString& name, NxOpStatus& os) {
    return findAttribute<NxStringAttribute>(dbi, objectId, name, NxEntityTypes::StringAttribute, &NxAttributeDbi::getStringAttribute, os);
}

NxByteArrayAttribute NxAttributeUtils::findByteArrayAttribute(NxAttributeDbi* dbi, const NxDataId& objectId, const QString& name, NxOpStatus& os) {
    return findAttribute<NxByteArrayAttribute>(dbi, objectId, name, NxEntityTypes::ByteArrayAttribute, &NxAttributeDbi::getByteArrayAttribute, os);
}

void NxAttributeUtils::setIntegerAttribute(NxAttributeDbi* dbi, const NxDataId& objectId, const QString& name, qint64 value, NxOpStatus& os) {
    if (!checkDbi(dbi, os)) return;
    QList<NxIntegerAttribute> batch{initIntegerAttribute(objectId, name, value)};
    dbi->replaceIntegerAttributes(batch, os);
}

void NxAttributeUtils::setRealAttribute(NxAttributeDbi* dbi, const NxDataId& objectId, const QString& name, double value, NxOpStatus& os) {
    if (!checkDbi(dbi, os)) return;
    NxRealAttribute old = findRealAttribute(dbi, objectId, name, os);
    NX_CHECK_OP(os, );
    if (old.hasValidId()) {
        dbi->removeAttributes({old.id}, os);
    }
    NxRealAttribute a;
    a.objectId = objectId;
    a.name = name;
    a.value = value;
    dbi->createRealAttribute(a, os);
}

void NxAttributeUtils::setStringAttribute(NxAttributeDbi* dbi, const NxDataId& objectId, const QString& name, const QString& value, NxOpStatus& os) {
    if (!checkDbi(dbi, os)) return;
    QList<NxStringAttribute> batch{initStringAttribute(objectId, name, value)};
    dbi->replaceStringAttributes(batch, os);
}

void NxAttributeUtils::setByteArrayAttribute(NxAttributeDbi* dbi, const NxDataId& objectId, const QString& name, const QByteArray& value, NxOpStatus& os) {
    if (!checkDbi(dbi, os)) return;
    NxByteArrayAttribute old = findByteArrayAttribute(dbi, objectId, name, os);
    NX_CHECK_OP(os, );
    if (old.hasValidId()) {
        dbi->removeAttributes({old.id}, os);
    }
    NxByteArrayAttribute a;
    a.objectId = objectId;
    a.name = name;
    a.value = value;
    dbi->createByteArrayAttribute(a, os);
}

void NxAttributeUtils::setStringAttributes(NxAttributeDbi* dbi, QList<NxStringAttribute>& attrs, NxOpStatus& os) {
    if (!checkDbi(dbi, os)) return;
    dbi->replaceStringAttributes(attrs, os);
}

NxStringAttribute NxAttributeUtils::initStringAttribute(const NxDataId& objectId, const QString& name, const QString& value) {
    NxStringAttribute a;
    a.objectId = objectId;
    a.name = name;
    a.value = value;
    return a;
}

NxIntegerAttribute NxAttributeUtils::initIntegerAttribute(const NxDataId& objectId, const QString& name, qint64 value) {
    NxIntegerAttribute a;
    a.objectId = objectId;
    a.name = name;
    a.value = value;
    return a;
}

}  // namespace Nx
