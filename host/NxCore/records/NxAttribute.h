// Attributes attached to an object or feature identifier, found by (object, name).
// A record with an empty id stands for "no such attribute".
#pragma once

#include <NxCore/records/NxEntity.h>

namespace Nx {

class NxAttribute : public NxEntity {
public:
    NxDataId objectId;  // what the attribute is attached to
    QString name;
    qint64 version = 0;
};

class NxIntegerAttribute : public NxAttribute {
public:
    qint64 value = 0;
};

class NxRealAttribute : public NxAttribute {
public:
    double value = 0;
};

class NxStringAttribute : public NxAttribute {
public:
    QString value;
};

class NxByteArrayAttribute : public NxAttribute {
public:
    QByteArray value;
};

}  // namespace Nx
