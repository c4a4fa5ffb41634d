#include "XMLTestFormat.h"

#include <NxTest/GTest.h>

namespace Nx {

const QString XMLTestFormat::ID = "XML";

XMLTestFactory::~XMLTestFactory() {
    if (!registeredIn.isNull()) {
        registeredIn->unregisterTestFactory(this);
    }
}

GTest* XMLTestFactory::createTest(XMLTestFormat* tf, const QString& testName, GTest* cp,
                                  const GTestEnvironment* env, const QList<GTest*>& subtasks,
                                  const QDomElement& el) {
    return makeTest(tf, testName, cp, env, subtasks, el);
}

GTest* XMLTestFactory::makeTest(XMLTestFormat*, const QString&, GTest*, const GTestEnvironment*,
                                const QList<GTest*>&, const QDomElement&) {
    return nullptr;
}

XMLTestFormat::XMLTestFormat(QObject* parent) : GTestFormat(ID, parent) {
}

XMLTestFormat::~XMLTestFormat() {
    for (XMLTestFactory* f : qAsConst(factories)) {
        f->registeredIn = nullptr;
    }
}

bool XMLTestFormat::registerTestFactory(XMLTestFactory* f) {
    if (f == nullptr || factories.contains(f->getTagName())) {
        return false;
    }
    factories.insert(f->getTagName(), f);
    f->registeredIn = this;
    return true;
}

bool XMLTestFormat::unregisterTestFactory(XMLTestFactory* f) {
    if (f == nullptr || factories.value(f->getTagName()) != f) {
        return false;
    }
    factories.remove(f->getTagName());
    f->registeredIn = nullptr;
    return true;
}

GTest* XMLTestFormat::createTest(const QString& testName, GTest* cp, const GTestEnvironment* env,
                                 const QList<GTest*>& subtasks, const QDomElement& el, QString& err) {
    XMLTestFactory* f = getTestFactory(el.tagName());
    if (f == nullptr) {
        err = tr("Unknown test element: <%1>").arg(el.tagName());
        qDeleteAll(subtasks);
        return nullptr;
    }
    GTest* t = f->createTest(this, testName, cp, env, subtasks, el);
    if (t == nullptr) {
        err = tr("Test element <%1> could not be created").arg(el.tagName());
    }
    return t;
}

}  // namespace Nx
