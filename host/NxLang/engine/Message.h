// What travels on a channel: a type and a value. Map messages (the usual kind) hold a
// QVariantMap keyed by slot id.
#pragma once

#include <NxLang/datatype/DataType.h>

#include <QVariant>

namespace Nx {
namespace Workflow {

class Message {
public:
    Message() = default;
    Message(const DataTypePtr& type, const QVariant& data) : type(type), data(data) {}

    const DataTypePtr& getType() const { return type; }
    const QVariant& getData() const { return data; }
    bool isEmpty() const { return !data.isValid() || (data.type() == QVariant::Map && data.toMap().isEmpty()); }

    // A map message with no slots: "this track is done" for the next element.
    static Message getEmptyMapMessage();

private:
    DataTypePtr type;
    QVariant data;
};

}  // namespace Workflow
using namespace Workflow;
}  // namespace Nx
