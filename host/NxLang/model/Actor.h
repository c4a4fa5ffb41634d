// One element placed in a workflow: an instance of a prototype with its own label, attribute
// values and ports. Owns its ports, attributes and description document.
#pragma once

#include <NxLang/model/Attribute.h>

#include <QList>
#include <QMap>
#include <QObject>

namespace Nx {

class ActorDocument;

namespace Workflow {

class ActorPrototype;
class Port;

class Actor : public QObject {
    Q_OBJECT
public:
    Actor(ActorPrototype* proto, const QString& id);
    ~Actor() override;

    // Unique in its workflow: the element's "name" of the workflow file.
    const QString& getId() const { return id; }
    ActorPrototype* getProto() const { return proto; }

    QString getLabel() const { return label; }
    void setLabel(const QString& l);

    // Attributes by id.
    const QMap<QString, Attribute*>& getParameters() const { return params; }
    Attribute* getParameter(const QString& attrId) const { return params.value(attrId); }
    bool hasParameter(const QString& attrId) const { return params.contains(attrId); }
    // Sets the stored value (clearing any script) and tells listeners.
    void setParameter(const QString& attrId, const QVariant& value);
    void addParameter(Attribute* a);

    QList<Port*> getPorts() const { return ports; }
    Port* getPort(const QString& portId) const;
    QList<Port*> getInputPorts() const;
    QList<Port*> getOutputPorts() const;
    void addPort(Port* p);

    // Takes ownership.
    void setDescription(ActorDocument* d);
    ActorDocument* getDescription() const { return description; }

Q_SIGNALS:
    void si_labelChanged();
    void si_modified();

private:
    QString id;
    ActorPrototype* proto;             // not owned; lives in the registry
    QString label;                     // what the user calls the element; the id by default
    QMap<QString, Attribute*> params;  // owned
    QList<Port*> ports;                // owned, prototype order
    ActorDocument* description = nullptr;
};

}  // namespace Workflow
using namespace Workflow;
}  // namespace Nx
