// The "XML" test format: test elements are made by factories kept by tag name.
#pragma once

#include <NxTest/GTestFormat.h>
#include <NxTest/XMLTestFactory.h>

#include <QMap>

namespace Nx {

class XMLTestFormat : public GTestFormat {
    Q_OBJECT
public:
    static const QString ID;  // "XML"

    explicit XMLTestFormat(QObject* parent = nullptr);
    ~XMLTestFormat() override;

    // Does not take ownership. False for null or for a tag that already has a factory.
    virtual bool registerTestFactory(XMLTestFactory* f);
    virtual bool unregisterTestFactory(XMLTestFactory* f);
    XMLTestFactory* getTestFactory(const QString& tagName) const { return factories.value(tagName); }
    QStringList getTagNames() const { return factories.keys(); }

    // The test of an element, through the factory of its tag. Null with err set when no
    // factory knows the tag or the factory made nothing.
    GTest* createTest(const QString& testName, GTest* cp, const GTestEnvironment* env,
                      const QList<GTest*>& subtasks, const QDomElement& el, QString& err);

private:
    QMap<QString, XMLTestFactory*> factories;  // tag -> factory, not owned
};

}  // namespace Nx
