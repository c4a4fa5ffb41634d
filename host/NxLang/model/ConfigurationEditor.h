// How a user interface edits the attributes of an element: one delegate per attribute id. The
// concrete delegates (URL, combo box) live in NxDesigner; the engine and the loader only ask
// what kind of value an attribute holds.
#pragma once

#include <QMap>
#include <QObject>
#include <QVariantMap>

namespace Nx {

class PropertyDelegate : public QObject {
    Q_OBJECT
public:
    explicit PropertyDelegate(QObject* parent = nullptr) : QObject(parent) {}

    // Short kind name shown in element listings ("url", "combo", ...).
    virtual QString getKind() const { return QStringLiteral("text"); }
    // Display text -> stored value, for attributes with a fixed choice; empty otherwise.
    virtual QVariantMap getChoices() const { return {}; }
    // The attribute holds a file path (several separated by ';' when isMultipleUrl()).
    virtual bool isUrl() const { return false; }
    virtual bool isOutputUrl() const { return false; }
    virtual bool isMultipleUrl() const { return false; }
};

class ConfigurationEditor : public QObject {
    Q_OBJECT
public:
    explicit ConfigurationEditor(QObject* parent = nullptr) : QObject(parent) {}
    // Null when the attribute has no delegate of its own.
    virtual PropertyDelegate* getDelegate(const QString& attributeId) const {
        Q_UNUSED(attributeId);
        return nullptr;
    }
};

}  // namespace Nx
