// Parameter forms users type, repeated parameters, values that look like options, handlers.
#include <NxCore/cmdline/CMDLineRegistry.h>

#include <gtest/gtest.h>

namespace Nx {

TEST(CMDLineRegistryTest, ParsesEveryParameterForm) {
    CMDLineRegistry r({"prog", "--workflow=/a/b.json", "--db_path", "/x y/ref.s3db", "--verbose",
                       "input.vcf", "--shift", "-5", "--set=a=1", "--set", "b=2"});
    EXPECT_FALSE(r.hasParameter("prog"));
    EXPECT_EQ(r.getParameterValue("workflow"), "/a/b.json");
    EXPECT_EQ(r.getParameterValue("db_path"), "/x y/ref.s3db");
    EXPECT_TRUE(r.hasParameter("verbose"));
    // A bare parameter takes the next argument only when it is no parameter itself.
    EXPECT_EQ(r.getParameterValue("verbose"), "input.vcf");
    EXPECT_EQ(r.getParameterValue("shift"), "-5") << "a negative number is a value";
    EXPECT_EQ(r.getParameterValues("set"), (QStringList{"a=1", "b=2"}));
    EXPECT_EQ(r.getParameterValue("set", 1), "b=2");
    EXPECT_EQ(r.getOrderedParameterNames(), (QStringList{"workflow", "db_path", "verbose", "shift", "set", "set"}));
    EXPECT_FALSE(r.hasParameter("missing"));
    EXPECT_TRUE(r.getParameterValue("missing").isEmpty());
}

TEST(CMDLineRegistryTest, BareParametersAndPositionalArguments) {
    CMDLineRegistry r({"prog", "a.vcf", "--list-elements", "--keep", "--", "--not-a-param"});
    EXPECT_TRUE(r.hasParameter("list-elements"));
    EXPECT_TRUE(r.getParameterValue("list-elements").isEmpty());
    EXPECT_TRUE(r.hasParameter("keep"));
    EXPECT_EQ(r.getPositionalArguments(), (QStringList{"a.vcf", "--not-a-param"}));
}

TEST(CMDLineRegistryTest, HandlersAreOwnedAndUniqueByName) {
    struct H : CMDLineHandler {
        H(const QString& n, int* deleted) : CMDLineHandler(n), deleted(deleted) {}
        ~H() override { (*deleted)++; }
        Task* createTask(CMDLineRegistry&) override { return nullptr; }
        int* deleted;
    };
    int deleted = 0;
    {
        CMDLineRegistry r({"prog", "--workflow=x"});
        auto* a = new H("workflow", &deleted);
        EXPECT_TRUE(r.registerCMDLineHandler(a));
        EXPECT_FALSE(r.registerCMDLineHandler(new H("workflow", &deleted)));
        EXPECT_EQ(deleted, 1) << "a refused duplicate is deleted";
        EXPECT_TRUE(a->handles(r));
        H other("list-elements", &deleted);
        EXPECT_FALSE(other.handles(r));
        EXPECT_EQ(r.getCMDLineHandlers().size(), 1);
    }
    EXPECT_EQ(deleted, 3);
}

}  // namespace Nx
