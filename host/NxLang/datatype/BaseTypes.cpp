#include "BaseTypes.h"

#include <QCoreApplication>

namespace Nx {

static DataTypePtr makeType(const char* id, const char* name) {
    return DataTypePtr(new DataType(QString::fromLatin1(id), QCoreApplication::translate("BaseTypes", name), QString()));
}

DataTypePtr BaseTypes::STRING_TYPE() {
    static DataTypePtr t = makeType("string", "String");
    return t;
}

DataTypePtr BaseTypes::NUM_TYPE() {
    static DataTypePtr t = makeType("number", "Number");
    return t;
}

DataTypePtr BaseTypes::BOOL_TYPE() {
    static DataTypePtr t = makeType("bool", "Boolean");
    return t;
}

DataTypePtr BaseTypes::ANY_TYPE() {
    static DataTypePtr t = makeType("any", "Any");
    return t;
}

DataTypePtr BaseTypes::VARIATION_TRACK_TYPE() {
    static DataTypePtr t = makeType("variation-track", "Variation track");
    return t;
}

}  // namespace Nx
