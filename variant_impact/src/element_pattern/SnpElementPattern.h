// What every variant-impact element shares, so that each element's install() states only its
// own table: the common input and output ports, the "db_path" attribute with its default and
// editor, the red "unset" marker, the common prompter sentences, and the registration steps
// (prototype in the SNP-annotation category, factory in the local domain).
#pragma once

#include <NxLang/model/ActorPrototype.h>
#include <NxLang/registry/DomainFactory.h>

#include <QCoreApplication>
#include <QMap>

namespace Nx {

class PrompterBaseImpl;
class PropertyDelegate;
class URLDelegate;

namespace LocalWorkflow {

class SnpElementPattern {
    Q_DECLARE_TR_FUNCTIONS(SnpElementPattern)
public:
    // "db_path": id of the database attribute (and name of the data path giving its default).
    // A constant array, not a QString: statics of other files may read it while they are built.
    static constexpr char DB_PATH_ATTR_ID[] = "db_path";

    // Input port: "in.variations" with the one variation-track slot.
    static PortDescriptor* createInputPort();
    // Output port: "out.variations" without slots (empty "track done" messages).
    static PortDescriptor* createOutputPort();
    // The input port, then the output port when the element has one.
    static QList<PortDescriptor*> createPorts(bool withOutput = true);

    // The path of the data path "db_path" when the registry holds a valid one and the file is
    // there; else empty.
    static QString defaultDbPath();
    // The common "db_path" attribute: "Database path", required, string, defaultDbPath();
    // description "Path to SNP database." unless the element gives its own.
    static Attribute* createDbPathAttribute(const QString& description = QString());
    // The editor of "db_path": an input-file URL delegate.
    static URLDelegate* createDbPathDelegate();

    // "<font color='red'>unset</font>" (the word translated).
    static QString unsetMarker();
    // The label of the actor feeding the input port's variation-track slot, or null.
    static Workflow::Actor* getProducer(const Workflow::Actor* target);
    // sentence with %1 = the producer's label, or the unset marker when the input is unbound.
    // The default sentence is "Uses variations from <u>%1</u> as input.".
    static QString inputSentence(const Workflow::Actor* target, const QString& sentence = QString());
    // sentence with %1 = the hyperlink of the attribute's value, or the unset marker when the
    // value is empty (for example " Takes sequences from <u>%1</u> database.").
    static QString attributeSentence(const PrompterBaseImpl* prompter, const QString& attrId, const QString& sentence);

    // Steps 5 to 10 of every install(): builds the prototype from the element descriptor,
    // ports and attributes, gives it the prompter and a DelegateEditor over the delegates,
    // registers it under CATEGORY_SNP_ANNOTATION() and the factory in the local domain.
    // Takes ownership of everything passed. Returns the registered prototype (null if refused).
    static Workflow::ActorPrototype* registerElement(const Descriptor& element, const QList<PortDescriptor*>& ports,
                                                     const QList<Attribute*>& attributes,
                                                     const QMap<QString, PropertyDelegate*>& delegates,
                                                     Prompter* prompter, Workflow::DomainFactory* factory);
};

}  // namespace LocalWorkflow
}  // namespace Nx
