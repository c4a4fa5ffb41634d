#include "DelegateEditor.h"

namespace Nx {

DelegateEditor::DelegateEditor(const QMap<QString, PropertyDelegate*>& map) {
    for (auto it = map.begin(); it != map.end(); ++it) {
        addDelegate(it.value(), it.key());
    }
}

void DelegateEditor::addDelegate(PropertyDelegate* d, const QString& attributeId) {
    PropertyDelegate* old = delegates.value(attributeId);
    if (old == d) {
        return;
    }
    delete old;
    if (d == nullptr) {
        delegates.remove(attributeId);
        return;
    }
    d->setParent(this);
    delegates[attributeId] = d;
}

}  // namespace Nx
