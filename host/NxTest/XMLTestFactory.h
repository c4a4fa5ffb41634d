// Makes the test of one XML element tag. Factories are owned by whoever registers them (the
// plug-ins keep theirs in a GAutoDeleteList); a factory that is destroyed leaves the format it
// was registered with, so the format never holds a dangling factory.
#pragma once

#include <QDomElement>
#include <QList>
#include <QPointer>
#include <QString>

namespace Nx {

class GTest;
class GTestEnvironment;
class XMLTestFormat;

class XMLTestFactory {
public:
    explicit XMLTestFactory(const QString& tagName) : tagName(tagName) {}
    virtual ~XMLTestFactory();

    const QString& getTagName() const { return tagName; }

    // Builds the test of one element (null: the element cannot be a test). The default calls
    // makeTest, so a factory overrides either.
    virtual GTest* createTest(XMLTestFormat* tf, const QString& testName, GTest* cp,
                              const GTestEnvironment* env, const QList<GTest*>& subtasks,
                              const QDomElement& el);
    virtual GTest* makeTest(XMLTestFormat* tf, const QString& testName, GTest* cp,
                            const GTestEnvironment* env, const QList<GTest*>& subtasks,
                            const QDomElement& el);

private:
    friend class XMLTestFormat;
    QString tagName;
    QPointer<XMLTestFormat> registeredIn;  // the format that knows this factory, if any
};

}  // namespace Nx
