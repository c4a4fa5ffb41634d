// An attribute with a fixed choice: display text -> stored value.
#pragma once

#include <NxLang/model/ConfigurationEditor.h>

namespace Nx {

class ComboBoxDelegate : public PropertyDelegate {
    Q_OBJECT
public:
    explicit ComboBoxDelegate(const QVariantMap& items, QObject* parent = nullptr)
        : PropertyDelegate(parent), items(items) {}

    QString getKind() const override { return QStringLiteral("choice"); }
    QVariantMap getChoices() const override { return items; }
    // Display text of a stored value; empty when the value is not among the choices.
    QString getDisplayText(const QVariant& value) const;

private:
    QVariantMap items;  // display text -> stored value
};

}  // namespace Nx
