// A test of the XML test framework: a task whose error is the test's failure. Test elements
// read their XML attributes in init(); a missing or bad attribute fails the test at once, and
// the scheduler then skips the rest of it. Tests can leave objects for their siblings in a
// named context held by the context parent.
#pragma once

#include <NxTest/GTestEnvironment.h>

#include <NxCore/tasks/Task.h>

#include <QDomElement>
#include <QMap>
#include <QPointer>

namespace Nx {

class XMLTestFormat;

class GTest : public Task {
    Q_OBJECT
public:
    // cp: the test whose context this test shares (may be null); env: not owned, must outlive
    // the test; subtasks become this test's subtasks.
    GTest(const QString& taskName, GTest* cp, const GTestEnvironment* env, TaskFlags flags,
          const QList<GTest*>& subtasks = QList<GTest*>());

    // Reads the element's attributes; the default reads nothing.
    virtual void init(XMLTestFormat* tf, const QDomElement& el);

    const GTestEnvironment* getEnv() const { return env; }
    GTest* getContextParent() const { return contextParent; }

    // Objects shared between the tests of one context (the context parent's, or this test's
    // own when it has no parent).
    void addContext(const QString& name, QObject* obj);
    void removeContext(const QString& name);
    QObject* getContext(const QString& name) const;
    template <class T>
    T* getContext(const QString& name) const {
        return qobject_cast<T*>(getContext(name));
    }

protected:
    // "Mandatory attribute not set: <attr>"
    void failMissingValue(const QString& attr);
    // The attribute's text into value; false, failing the test with the attribute's name, when it
    // is missing or empty.
    bool readMandatory(const QDomElement& el, const char* attr, QString& value);
    // fileName in the folder the environment's TEMP_DATA_DIR names (the program's folder when it
    // is not set).
    QString tempDataFilePath(const QString& fileName) const;
    // "Wrong value for attribute: <attr>"
    void wrongValue(const QString& attr);
    // "Illegal attribute value: <attr>='<value>'"
    void wrongValue(const QString& attr, const QString& value);

private:
    GTest* contextHolder() const;

    GTest* contextParent;                     // not owned
    const GTestEnvironment* env;              // not owned
    QMap<QString, QPointer<QObject>> context; // used when this test holds the context
};

}  // namespace Nx
