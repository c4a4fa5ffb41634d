// A format of test files (XML is the one the suite has) and the registry of formats.
#pragma once

#include <QList>
#include <QObject>
#include <QString>

namespace Nx {

class GTestFormat : public QObject {
    Q_OBJECT
public:
    explicit GTestFormat(const QString& id, QObject* parent = nullptr) : QObject(parent), formatId(id) {}
    const QString& getFormatId() const { return formatId; }

private:
    QString formatId;  // "XML"
};

class GTestFormatRegistry : public QObject {
    Q_OBJECT
public:
    explicit GTestFormatRegistry(QObject* parent = nullptr) : QObject(parent) {}
    ~GTestFormatRegistry() override;

    // Takes ownership; false (and nothing taken) for null or an id already registered.
    bool registerTestFormat(GTestFormat* f);
    // Forgets and deletes it.
    bool unregisterTestFormat(GTestFormat* f);
    GTestFormat* findFormat(const QString& id) const;
    const QList<GTestFormat*>& getFormats() const { return formats; }

private:
    QList<GTestFormat*> formats;  // owned
};

}  // namespace Nx
