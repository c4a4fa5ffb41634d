// What every named part of a workflow has: a stable id (used in files and code), a name and a
// documentation text (both shown to the user, already translated).
#pragma once

#include <QString>

namespace Nx {

class Descriptor {
public:
    Descriptor() = default;
    Descriptor(const QString& id) : id(id), name(id) {}
    Descriptor(const char* id) : Descriptor(QString::fromLatin1(id)) {}
    Descriptor(const QString& id, const QString& name, const QString& doc) : id(id), name(name), doc(doc) {}
    virtual ~Descriptor() = default;

    const QString& getId() const { return id; }
    const QString& getDisplayName() const { return name; }
    const QString& getDocumentation() const { return doc; }
    void setId(const QString& v) { id = v; }
    void setDisplayName(const QString& v) { name = v; }
    void setDocumentation(const QString& v) { doc = v; }

    bool operator==(const Descriptor& o) const { return id == o.id; }
    bool operator!=(const Descriptor& o) const { return id != o.id; }
    bool operator<(const Descriptor& o) const { return id < o.id; }

protected:
    QString id;
    QString name;
    QString doc;
};

}  // namespace Nx
