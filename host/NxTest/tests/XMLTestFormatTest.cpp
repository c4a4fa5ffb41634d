// Factories by tag, their lifetime against the format, the auto-delete list, and the tests'
// attribute failures.
#include <NxTest/GAutoDeleteList.h>
#include <NxTest/GTest.h>
#include <NxTest/GTestFramework.h>
#include <NxTest/XMLTestFormat.h>

#include <gtest/gtest.h>

#include <QDomDocument>

namespace Nx {

namespace {

class AttrTest : public GTest {
public:
    AttrTest(const QString& name, const GTestEnvironment* env) : GTest(name, nullptr, env, TaskFlags(0x0C02)) {}
    void init(XMLTestFormat*, const QDomElement& el) override {
        value = el.attribute("value");
        if (value.isEmpty()) failMissingValue("value");
    }
    QString value;
};

class AttrFactory : public XMLTestFactory {
public:
    explicit AttrFactory(int* deleted = nullptr) : XMLTestFactory("attr-test"), deleted(deleted) {}
    ~AttrFactory() override {
        if (deleted) (*deleted)++;
    }
    GTest* makeTest(XMLTestFormat* tf, const QString& name, GTest*, const GTestEnvironment* env,
                    const QList<GTest*>&, const QDomElement& el) override {
        auto* t = new AttrTest(name, env);
        t->init(tf, el);
        return t;
    }
    int* deleted;
};

QDomElement element(QDomDocument& doc, const QString& xml) {
    doc.setContent(xml);
    return doc.documentElement();
}

}  // namespace

TEST(XMLTestFormatTest, FrameworkHasTheXmlFormatAndFactoriesAreKeptByTag) {
    GTestFramework fw;
    auto* xml = qobject_cast<XMLTestFormat*>(fw.getTestFormatRegistry()->findFormat("XML"));
    ASSERT_NE(xml, nullptr);
    EXPECT_EQ(fw.getTestFormatRegistry()->findFormat("JSON"), nullptr);

    AttrFactory f;
    EXPECT_TRUE(xml->registerTestFactory(&f));
    AttrFactory sameTag;
    EXPECT_FALSE(xml->registerTestFactory(&sameTag));
    EXPECT_EQ(xml->getTestFactory("attr-test"), &f);

    GTestEnvironment env;
    env.setVar("TEMP_DATA_DIR", "/tmp/x");
    QDomDocument doc;
    QString err;
    GTest* ok = xml->createTest("t1", nullptr, &env, {}, element(doc, "<attr-test value='7'/>"), err);
    ASSERT_NE(ok, nullptr);
    EXPECT_FALSE(ok->hasError());
    EXPECT_EQ(ok->getEnv()->getVar("TEMP_DATA_DIR"), "/tmp/x");
    delete ok;

    GTest* missing = xml->createTest("t2", nullptr, &env, {}, element(doc, "<attr-test/>"), err);
    ASSERT_NE(missing, nullptr);
    EXPECT_EQ(missing->getError(), "Mandatory attribute not set: value");
    delete missing;

    EXPECT_EQ(xml->createTest("t3", nullptr, &env, {}, element(doc, "<unknown-test/>"), err), nullptr);
    EXPECT_TRUE(err.contains("unknown-test"));
}

TEST(XMLTestFormatTest, DestroyedFactoriesLeaveTheFormat) {
    XMLTestFormat xml;
    int deleted = 0;
    {
        GAutoDeleteList<XMLTestFactory> list;
        list.qlist.append(new AttrFactory(&deleted));
        for (XMLTestFactory* f : list.qlist) EXPECT_TRUE(xml.registerTestFactory(f));
        EXPECT_NE(xml.getTestFactory("attr-test"), nullptr);
    }
    EXPECT_EQ(deleted, 1) << "the list deletes its factories";
    EXPECT_EQ(xml.getTestFactory("attr-test"), nullptr) << "no dangling factory in the format";
    // A factory outliving its format is safe to destroy.
    auto* format = new XMLTestFormat;
    AttrFactory survivor;
    EXPECT_TRUE(format->registerTestFactory(&survivor));
    delete format;
}

}  // namespace Nx
