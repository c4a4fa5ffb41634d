// One configurable parameter of an element: its descriptor, type, required flag, default and
// current value, and an optional script that computes the value when a worker reads it.
#pragma once

#include <NxLang/datatype/DataType.h>
#include <NxLang/model/AttributeScript.h>

#include <QVariant>

namespace Nx {

namespace Workflow {
class WorkflowContext;
}

class Attribute : public Descriptor {
public:
    Attribute(const Descriptor& d, const DataTypePtr& type, bool required = false,
              const QVariant& defaultValue = QVariant());
    virtual ~Attribute() = default;

    const DataTypePtr& getAttributeType() const { return type; }
    bool isRequiredAttribute() const { return required; }
    const QVariant& getDefaultPureValue() const { return defaultValue; }

    // The stored value (the default until set), without script evaluation.
    const QVariant& getAttributePureValue() const { return value; }
    void setAttributeValue(const QVariant& v) { value = v; }
    bool isDefaultValue() const { return value == defaultValue; }

    AttributeScript& getAttributeScript() { return script; }
    const AttributeScript& getAttributeScript() const { return script; }
    void setAttributeScript(const AttributeScript& s) { script = s; }

    // The value a worker sees: the script's result when a script is set, else the stored
    // value. A failing script is reported to the context's monitor (which fails the run) and
    // gives an empty value.
    QVariant getAttributeValueWithoutScript() const { return value; }
    QVariant evaluate(Workflow::WorkflowContext* ctx) const;

    template <class T>
    T getAttributeValue(Workflow::WorkflowContext* ctx) const {
        return evaluate(ctx).value<T>();
    }

    // Ids are case-sensitive; a non-empty value of a required attribute is a set one.
    bool isEmptyValue() const { return value.toString().isEmpty(); }

private:
    DataTypePtr type;
    bool required;
    QVariant defaultValue;
    QVariant value;
    AttributeScript script;
};

}  // namespace Nx
