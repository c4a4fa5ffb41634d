#include "WorkflowFileLoader.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxLang/datatype/BaseTypes.h>
#include <NxLang/model/ActorPrototype.h>
#include <NxLang/model/Schema.h>
#include <NxLang/registry/WorkflowEnv.h>
#include <NxLang/util/RFSUtils.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScopedPointer>

namespace Nx {

static QString tr(const char* s) { return QCoreApplication::translate("WorkflowFileLoader", s); }

WorkflowFileLoader::Override WorkflowFileLoader::parseOverride(const QString& text, NxOpStatus& os) {
    Override o;
    const int eq = text.indexOf('=');
    const int dot = eq < 0 ? -1 : text.left(eq).indexOf('.');
    if (eq < 0 || dot <= 0 || dot == eq - 1) {
        os.setError(tr("Bad attribute setting \"%1\": expected NAME.ATTRIBUTE=VALUE").arg(text));
        return o;
    }
    o.element = text.left(dot);
    o.attribute = text.mid(dot + 1, eq - dot - 1);
    o.value = text.mid(eq + 1);
    return o;
}

Workflow::Schema* WorkflowFileLoader::load(const QString& path, const QList<Override>& overrides, NxOpStatus& os) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        os.setError(tr("Cannot read the workflow file %1: %2").arg(path).arg(f.errorString()));
        return nullptr;
    }
    const QByteArray data = f.readAll();
    return loadFromData(data, path, QFileInfo(path).absolutePath(), overrides, os);
}

namespace {

// Resolves the relative paths of a file attribute (several separated by ';').
QString resolvePaths(const QString& value, const QString& baseDir) {
    QStringList parts = value.split(';');
    for (QString& p : parts) {
        const QString t = p.trimmed();
        p = t.isEmpty() || QFileInfo(t).isAbsolute() ? t : QDir::cleanPath(QDir(baseDir).absoluteFilePath(t));
    }
    return parts.join(';');
}

int lineOfOffset(const QByteArray& data, int offset) {
    return data.left(offset).count('\n') + 1;
}

class Loader {
public:
    Loader(const QString& fileName, const QString& baseDir, NxOpStatus& os) : file(fileName), baseDir(baseDir), os(os) {}

    void error(const QString& what) { os.setError(QString("%1: %2").arg(file).arg(what)); }
    void elementError(const QString& element, const QString& what) {
        error(tr("element \"%1\": %2").arg(element).arg(what));
    }

    // Checks the value against the attribute's type and choices; returns it as stored.
    bool setValue(Workflow::Actor* a, Attribute* attr, const QVariant& raw, const QString& pathBase) {
        QVariant v = raw;
        const QString text = raw.toString();
        if (PropertyDelegate* d = a->getProto()->getEditor() ? a->getProto()->getEditor()->getDelegate(attr->getId()) : nullptr) {
            const QVariantMap choices = d->getChoices();
            if (!choices.isEmpty()) {
                bool found = false;
                for (auto it = choices.begin(); it != choices.end(); ++it) {
                    if (it.value().toString() == text || it.key() == text) {
                        v = it.value();
                        found = true;
                        break;
                    }
                }
                if (!found) {
                    QStringList allowed;
                    for (auto it = choices.begin(); it != choices.end(); ++it) {
                        allowed << QString("%1 (%2)").arg(it.value().toString(), it.key());
                    }
                    elementError(a->getId(), tr("attribute \"%1\" cannot be \"%2\"; choose one of: %3")
                                                 .arg(attr->getId(), text, allowed.join(", ")));
                    return false;
                }
            }
        }
        if (attr->getAttributeType() == BaseTypes::NUM_TYPE()) {
            bool ok = false;
            const double num = v.toString().toDouble(&ok);
            if (!ok) {
                elementError(a->getId(), tr("attribute \"%1\" must be a number, not \"%2\"").arg(attr->getId(), text));
                return false;
            }
            v = num == qint64(num) ? QVariant(qint64(num)) : QVariant(num);
        } else if (attr->getAttributeType() == BaseTypes::BOOL_TYPE()) {
            const QString b = v.toString().toLower();
            if (b != "true" && b != "false" && b != "1" && b != "0") {
                elementError(a->getId(), tr("attribute \"%1\" must be true or false, not \"%2\"").arg(attr->getId(), text));
                return false;
            }
            v = (b == "true" || b == "1");
        } else {
            v = v.toString();
            if (RFSUtils::isUrlAttribute(attr, a)) {
                v = resolvePaths(v.toString(), pathBase);
            }
        }
        attr->setAttributeValue(v);
        attr->setAttributeScript(AttributeScript());
        return true;
    }

    Workflow::Actor* readElement(const QJsonValue& val, int index, Workflow::Schema* schema) {
        if (!val.isObject()) {
            error(tr("element %1 is not an object").arg(index + 1));
            return nullptr;
        }
        const QJsonObject o = val.toObject();
        const QString name = o.value("name").toString();
        if (name.isEmpty()) {
            error(tr("element %1 has no \"name\"").arg(index + 1));
            return nullptr;
        }
        if (name.contains('.')) {
            elementError(name, tr("a name cannot contain \".\""));
            return nullptr;
        }
        if (schema->actorById(name) != nullptr) {
            elementError(name, tr("the name is used twice"));
            return nullptr;
        }
        const QString type = o.value("type").toString();
        if (type.isEmpty()) {
            elementError(name, tr("no \"type\" given"));
            return nullptr;
        }
        Workflow::ActorPrototype* proto = WorkflowEnv::getProtoRegistry()->getProto(type);
        if (proto == nullptr) {
            elementError(name, tr("unknown type \"%1\"").arg(type));
            return nullptr;
        }
        for (const QString& key : o.keys()) {
            if (key != "name" && key != "type" && key != "attributes" && key != "label") {
                elementError(name, tr("unknown entry \"%1\" (expected \"name\", \"type\", \"attributes\", \"label\")").arg(key));
                return nullptr;
            }
        }
        Workflow::Actor* a = proto->createInstance(name);
        schema->addProcess(a);
        if (o.contains("label")) {
            a->setLabel(o.value("label").toString());
        }
        const QJsonValue attrsVal = o.value("attributes");
        if (!attrsVal.isUndefined() && !attrsVal.isObject()) {
            elementError(name, tr("\"attributes\" must be an object"));
            return nullptr;
        }
        const QJsonObject attrs = attrsVal.toObject();
        for (auto it = attrs.begin(); it != attrs.end(); ++it) {
            Attribute* attr = a->getParameter(it.key());
            if (attr == nullptr) {
                elementError(name, tr("unknown attribute \"%1\" (type \"%2\" has: %3)")
                                       .arg(it.key(), type, QStringList(a->getParameters().keys()).join(", ")));
                return nullptr;
            }
            const QJsonValue v = it.value();
            if (v.isObject() && v.toObject().contains("script")) {
                attr->setAttributeScript(AttributeScript(v.toObject().value("script").toString()));
                continue;
            }
            if (!(v.isString() || v.isDouble() || v.isBool())) {
                elementError(name, tr("attribute \"%1\" needs a text, number, boolean or {\"script\": ...} value").arg(it.key()));
                return nullptr;
            }
            if (!setValue(a, attr, v.toVariant(), baseDir)) {
                return nullptr;
            }
        }
        return a;
    }

    // "name" or "name.port"; the port must be of the wanted direction.
    Workflow::Port* findPort(Workflow::Schema* schema, const QString& end, bool input, const QString& linkText) {
        const int dot = end.indexOf('.');
        const QString name = dot < 0 ? end : end.left(dot);
        Workflow::Actor* a = schema->actorById(name);
        if (a == nullptr) {
            error(tr("link %1: unknown element \"%2\"").arg(linkText, name));
            return nullptr;
        }
        const QList<Workflow::Port*> candidates = input ? a->getInputPorts() : a->getOutputPorts();
        const QString dir = input ? tr("input") : tr("output");
        if (dot < 0) {
            if (candidates.size() != 1) {
                elementError(name, tr("link %1: the element has %2 %3 ports; name one as \"%4.port-id\"")
                                       .arg(linkText).arg(candidates.size()).arg(dir, name));
                return nullptr;
            }
            return candidates.first();
        }
        const QString portId = end.mid(dot + 1);
        for (Workflow::Port* p : candidates) {
            if (p->getId() == portId) {
                return p;
            }
        }
        QStringList ids;
        for (Workflow::Port* p : candidates) {
            ids << p->getId();
        }
        elementError(name, tr("link %1: no %2 port \"%3\" (%2 ports: %4)").arg(linkText, dir, portId,
                                                                              ids.isEmpty() ? tr("none") : ids.join(", ")));
        return nullptr;
    }

    bool readLinks(const QJsonValue& val, Workflow::Schema* schema) {
        if (val.isUndefined()) {
            return true;
        }
        if (!val.isArray()) {
            error(tr("\"links\" must be an array"));
            return false;
        }
        const QJsonArray links = val.toArray();
        for (int i = 0; i < links.size(); i++) {
            const QJsonObject l = links.at(i).toObject();
            const QString from = l.value("from").toString();
            const QString to = l.value("to").toString();
            const QString linkText = QString("%1 (\"%2\" -> \"%3\")").arg(i + 1).arg(from, to);
            if (from.isEmpty() || to.isEmpty()) {
                error(tr("link %1 needs \"from\" and \"to\"").arg(linkText));
                return false;
            }
            Workflow::Port* out = findPort(schema, from, false, linkText);
            if (out == nullptr) {
                return false;
            }
            Workflow::Port* in = findPort(schema, to, true, linkText);
            if (in == nullptr) {
                return false;
            }
            if (out->owner() == in->owner()) {
                elementError(out->owner()->getId(), tr("link %1 joins the element with itself").arg(linkText));
                return false;
            }
            if (out->isLinkedWith(in)) {
                error(tr("link %1 is given twice").arg(linkText));
                return false;
            }
            if (!in->isMulti() && !in->getLinks().isEmpty()) {
                elementError(in->owner()->getId(), tr("link %1: input port \"%2\" is already linked").arg(linkText, in->getId()));
                return false;
            }
            schema->addFlow(out, in);
        }
        return true;
    }

    bool applyOverrides(Workflow::Schema* schema, const QList<WorkflowFileLoader::Override>& overrides) {
        for (const WorkflowFileLoader::Override& o : overrides) {
            Workflow::Actor* a = schema->actorById(o.element);
            if (a == nullptr) {
                error(tr("--set %1.%2: unknown element \"%1\"").arg(o.element, o.attribute));
                return false;
            }
            Attribute* attr = a->getParameter(o.attribute);
            if (attr == nullptr) {
                elementError(o.element, tr("--set %1.%2: unknown attribute \"%2\"").arg(o.element, o.attribute));
                return false;
            }
            if (!setValue(a, attr, o.value, QDir::currentPath())) {
                return false;
            }
        }
        return true;
    }

    bool validate(Workflow::Schema* schema) {
        for (Workflow::Actor* a : schema->getProcesses()) {
            for (Attribute* attr : a->getProto()->getAttributes()) {
                Attribute* own = a->getParameter(attr->getId());
                if (own->isRequiredAttribute() && own->isEmptyValue() && own->getAttributeScript().isEmpty()) {
                    elementError(a->getId(), tr("required attribute \"%1\" (%2) is not set").arg(own->getId(), own->getDisplayName()));
                    return false;
                }
            }
        }
        Workflow::Actor* cycleActor = nullptr;
        if (!schema->getProcesses().isEmpty() && schema->topologicalOrder(&cycleActor).isEmpty()) {
            elementError(cycleActor != nullptr ? cycleActor->getId() : QString(), tr("the links form a cycle"));
            return false;
        }
        for (Workflow::Actor* a : schema->getProcesses()) {
            for (Workflow::Port* p : a->getInputPorts()) {
                if (p->getLinks().isEmpty()) {
                    elementError(a->getId(), tr("input port \"%1\" is not linked to any element").arg(p->getId()));
                    return false;
                }
                auto* bus = qobject_cast<Workflow::IntegralBusPort*>(p);
                if (bus == nullptr || p->getType().isNull()) {
                    continue;
                }
                for (const Descriptor& slot : p->getType()->getAllDescriptors()) {
                    if (bus->getProducer(slot.getId()) == nullptr) {
                        elementError(a->getId(), tr("no element upstream of input port \"%1\" provides \"%2\"")
                                                     .arg(p->getId(), slot.getId()));
                        return false;
                    }
                }
            }
        }
        return true;
    }

private:
    QString file;
    QString baseDir;
    NxOpStatus& os;
};

}  // namespace

Workflow::Schema* WorkflowFileLoader::loadFromData(const QByteArray& data, const QString& fileName, const QString& baseDir,
                                                   const QList<Override>& overrides, NxOpStatus& os) {
    Loader loader(fileName, baseDir, os);
    QJsonParseError perr;
    const QJsonDocument doc = QJsonDocument::fromJson(data, &perr);
    if (perr.error != QJsonParseError::NoError) {
        loader.error(tr("line %1: %2").arg(lineOfOffset(data, perr.offset)).arg(perr.errorString()));
        return nullptr;
    }
    if (!doc.isObject()) {
        loader.error(tr("the file must hold one JSON object with \"elements\" and \"links\""));
        return nullptr;
    }
    const QJsonObject root = doc.object();
    for (const QString& key : root.keys()) {
        if (key != "elements" && key != "links") {
            loader.error(tr("unknown entry \"%1\" (expected \"elements\" and \"links\")").arg(key));
            return nullptr;
        }
    }
    if (!root.value("elements").isArray() || root.value("elements").toArray().isEmpty()) {
        loader.error(tr("\"elements\" must be a non-empty array"));
        return nullptr;
    }
    QScopedPointer<Workflow::Schema> schema(new Workflow::Schema());
    const QJsonArray elements = root.value("elements").toArray();
    for (int i = 0; i < elements.size(); i++) {
        if (loader.readElement(elements.at(i), i, schema.data()) == nullptr) {
            return nullptr;
        }
    }
    if (!loader.readLinks(root.value("links"), schema.data())) {
        return nullptr;
    }
    if (!loader.applyOverrides(schema.data(), overrides)) {
        return nullptr;
    }
    if (!loader.validate(schema.data())) {
        return nullptr;
    }
    return schema.take();
}

}  // namespace Nx
