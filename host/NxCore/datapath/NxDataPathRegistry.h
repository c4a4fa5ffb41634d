// The registry of named data paths. It owns what is registered.
#pragma once

#include <NxCore/datapath/NxDataPath.h>

#include <QList>
#include <QMap>
#include <QObject>
#include <QPointer>

namespace Nx {

class NxDataPathRegistry : public QObject {
    Q_OBJECT
public:
    explicit NxDataPathRegistry(QObject* parent = nullptr) : QObject(parent) {}
    ~NxDataPathRegistry() override;

    // Takes ownership in every case. Returns false for a null entry or a name already taken:
    // then the refused entry is NOT deleted now (a caller may still read it, or delete it
    // itself); the registry deletes it at its own end if nobody did.
    bool registerEntry(NxDataPath* dp);
    // Removes and deletes the entry of that name; false if there is none.
    bool unregisterEntry(const QString& name);
    NxDataPath* getDataPathByName(const QString& name) const { return entries.value(name); }
    QList<NxDataPath*> getAllEntries() const { return entries.values(); }

    // The suite's data folder: $NX_DATA_DIR when set; else the repository's data/ folder seen
    // from a program in build/bin (applicationDirPath()/../../data) when it exists; else
    // applicationDirPath()/data when it exists; else the data/ folder of the source tree the
    // program was built from.
    static QString dataFolder();

Q_SIGNALS:
    void si_entryRegistered(const QString& name);

private:
    QMap<QString, NxDataPath*> entries;
    QList<QPointer<NxDataPath>> refused;  // kept alive for their callers, deleted at the end
};

}  // namespace Nx
