// Runs one XML test element as the test runner does, for the tests of the elements themselves.
#pragma once

#include <NxPrivate/tasks/TaskRunner.h>
#include <NxTest/GTest.h>
#include <NxTest/GTestEnvironment.h>
#include <NxTest/XMLTestFactory.h>

#include <QDomDocument>

#include <gtest/gtest.h>

namespace Nx {

// The element's error; empty when it passed.
inline QString runXmlTestElement(XMLTestFactory& factory, const QString& xml, GTestEnvironment& env) {
    QDomDocument doc;
    EXPECT_TRUE(doc.setContent(xml)) << xml.toStdString();
    GTest* t = factory.makeTest(nullptr, "t", nullptr, &env, {}, doc.documentElement());
    t->setFlag(TaskFlag_NoAutoDelete);
    if (!t->hasError()) {
        EXPECT_TRUE(TaskRunner::runAndWait(t, 30000));
    }
    const QString err = t->getError();
    delete t;
    return err;
}

}  // namespace Nx
