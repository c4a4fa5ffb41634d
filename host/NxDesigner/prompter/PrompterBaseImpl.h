// Base of the element prompters: a description document bound to one actor, recomputed by
// composeDescription() whenever the actor, its label or its links change.
#pragma once

#include <NxLang/model/Prompter.h>

#include <QString>

namespace Nx {

class PrompterBaseImpl : public ActorDocument, public Prompter {
    Q_OBJECT
public:
    explicit PrompterBaseImpl(Workflow::Actor* p = nullptr) : ActorDocument(p) {}

    // The element's description as rich text.
    virtual QString composeDescription() = 0;

    // The attribute's stored value as text ("" when the actor has no such attribute or it is
    // empty); an attribute computed by a script reads as the translated "set by script".
    QString getURL(const QString& attrId, bool* empty = nullptr) const;
    // A link to edit the attribute, showing text; empty when text is empty.
    static QString getHyperlink(const QString& attrId, const QString& text);
    static QString getHyperlink(const QString& attrId, int value) { return getHyperlink(attrId, QString::number(value)); }
    // Link target prefix of getHyperlink (the attribute id follows it).
    static const QString HREF_PARAM_ID;

public Q_SLOTS:
    void sl_actorModified();
};

}  // namespace Nx
