// The configuration editor of most elements: a map from attribute id to its delegate. The
// delegates tell a user interface (and the console listing) how each attribute is edited.
#pragma once

#include <NxLang/model/ConfigurationEditor.h>

#include <QMap>

namespace Nx {

class DelegateEditor : public ConfigurationEditor {
    Q_OBJECT
public:
    // Takes ownership of the delegates.
    explicit DelegateEditor(const QMap<QString, PropertyDelegate*>& map = {});

    PropertyDelegate* getDelegate(const QString& attributeId) const override { return delegates.value(attributeId); }
    QMap<QString, PropertyDelegate*> getDelegates() const { return delegates; }
    // Takes ownership; replaces (and deletes) an earlier delegate of the attribute.
    void addDelegate(PropertyDelegate* d, const QString& attributeId);

private:
    QMap<QString, PropertyDelegate*> delegates;  // attribute id -> delegate, children of this
};

}  // namespace Nx
