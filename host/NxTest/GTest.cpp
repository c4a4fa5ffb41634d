#include "GTest.h"

#include <QCoreApplication>

namespace Nx {

GTest::GTest(const QString& taskName, GTest* cp, const GTestEnvironment* e, TaskFlags flags,
             const QList<GTest*>& subtasks)
    : Task(taskName, flags), contextParent(cp), env(e) {
    for (GTest* t : subtasks) {
        addSubTask(t);
    }
}

void GTest::init(XMLTestFormat*, const QDomElement&) {
}

GTest* GTest::contextHolder() const {
    GTest* t = const_cast<GTest*>(this);
    while (t->contextParent != nullptr) {
        t = t->contextParent;
    }
    return t;
}

void GTest::addContext(const QString& name, QObject* obj) {
    contextHolder()->context.insert(name, QPointer<QObject>(obj));
}

void GTest::removeContext(const QString& name) {
    contextHolder()->context.remove(name);
}

QObject* GTest::getContext(const QString& name) const {
    return contextHolder()->context.value(name).data();
}

void GTest::failMissingValue(const QString& attr) {
    stateInfo.setError(tr("Mandatory attribute not set: %1").arg(attr));
}

bool GTest::readMandatory(const QDomElement& el, const char* attr, QString& value) {
    value = el.attribute(attr);
    if (value.isEmpty()) {
        failMissingValue(attr);
        return false;
    }
    return true;
}

QString GTest::tempDataFilePath(const QString& fileName) const {
    QString folder = env != nullptr ? env->getVar("TEMP_DATA_DIR") : QString();
    if (folder.isEmpty()) {
        folder = QCoreApplication::applicationDirPath();
    }
    return folder + "/" + fileName;
}

void GTest::wrongValue(const QString& attr) {
    stateInfo.setError(tr("Wrong value for attribute: %1").arg(attr));
}

void GTest::wrongValue(const QString& attr, const QString& value) {
    stateInfo.setError(tr("Illegal attribute value: %1='%2'").arg(attr, value));
}

}  // namespace Nx
