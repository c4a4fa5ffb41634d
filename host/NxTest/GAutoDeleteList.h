// A QObject that owns a list of plain pointers and deletes them when it is destroyed, so a list
// of non-QObject things (test factories) can be owned through a QObject parent.
#pragma once

#include <QList>
#include <QObject>

namespace Nx {

template <class T>
class GAutoDeleteList : public QObject {
public:
    explicit GAutoDeleteList(QObject* parent = nullptr) : QObject(parent) {
        setObjectName("GAutoDeleteList");
    }
    ~GAutoDeleteList() override { qDeleteAll(qlist); }

    QList<T*> qlist;  // owned
};

}  // namespace Nx
