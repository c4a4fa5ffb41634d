// The one-paragraph description of an actor ("Uses variations from <u>read</u> as input."),
// recomputed whenever the actor changes. Prompters (NxDesigner) make these documents.
#pragma once

#include <QObject>
#include <QString>

namespace Nx {

namespace Workflow {
class Actor;
}

class ActorDocument : public QObject {
    Q_OBJECT
public:
    explicit ActorDocument(Workflow::Actor* a = nullptr) : QObject(nullptr), target(a) {}
    // Rich text of the description.
    const QString& getHtml() const { return html; }
    void setHtml(const QString& h) { html = h; }
    Workflow::Actor* getTarget() const { return target; }

protected:
    Workflow::Actor* target;  // the actor described; null for a prototype's own prompter
    QString html;
};

class Prompter {
public:
    virtual ~Prompter() = default;
    // A new document bound to the actor; the caller owns it.
    virtual ActorDocument* createDescription(Workflow::Actor* a) = 0;
};

}  // namespace Nx
