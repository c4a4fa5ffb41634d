// Parameter forms users type, repeated parameters, values that look like options, handlers.
#include <NxCore/cmdline/CMDLineRegistry.h>

#include <NxCore/tasks/Task.h>

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
        EXPECT_EQ(r.getCMDLineHandlers().size(), 3);  // and the built-in --help and --version
    }
    EXPECT_EQ(deleted, 3);
}

// An option that no handler knows, or --help, starts nothing: only the help handler answers,
// naming the unknown option or listing every registered one.
TEST(CMDLineRegistry, UnknownOptionsAndHelpStartNoHandler) {
    class H : public CMDLineHandler {
    public:
        explicit H(const QString& n) : CMDLineHandler(n) {}
        Task* createTask(CMDLineRegistry&) override { return nullptr; }
        QString getHelp() const override { return getName() == "workflow" ? "--workflow=FILE  run it" : QString(); }
    };
    auto helpOf = [](CMDLineRegistry& r) { return r.getCMDLineHandlers().first(); };

    CMDLineRegistry typo({"prog", "--worklfow=x.json", "--set", "a.b=1", "--bogus"});
    auto* workflow = new H("workflow");
    typo.registerCMDLineHandler(workflow);
    typo.registerCMDLineHandler(new H("set"));
    EXPECT_EQ(typo.getUnknownParameters(), QStringList({"worklfow", "bogus"}));
    EXPECT_FALSE(typo.getCMDLineHandlers().at(3)->handles(typo));  // --set is given but must not start
    ASSERT_TRUE(helpOf(typo)->handles(typo));
    Task* t = helpOf(typo)->createTask(typo);
    ASSERT_NE(t, nullptr);
    EXPECT_TRUE(t->hasError());
    EXPECT_TRUE(t->getError().contains("--worklfow, --bogus")) << t->getError().toStdString();
    delete t;

    CMDLineRegistry help({"prog", "--workflow=x", "--help"});
    help.registerCMDLineHandler(new H("workflow"));
    help.registerCMDLineHandler(new H("list-elements"));
    EXPECT_FALSE(help.getCMDLineHandlers().at(2)->handles(help));
    EXPECT_TRUE(helpOf(help)->handles(help));
    EXPECT_EQ(help.getHelpText(), "--help, -h  list the command-line options and exit\n"
                                  "--version  print the program's version and exit\n"
                                  "--workflow=FILE  run it\n--list-elements\n");

    CMDLineRegistry plain({"prog", "--workflow=x", "file.vcf"});
    plain.setTakesFileArguments(true);
    plain.registerCMDLineHandler(new H("workflow"));
    EXPECT_FALSE(helpOf(plain)->handles(plain));
    EXPECT_TRUE(plain.getCMDLineHandlers().at(2)->handles(plain));
}

// -h is --help; --version answers alone, but a typo beside it is still named; an empty command
// line of a console program is a usage error with its own exit code, of a windowed one nothing;
// a console program refuses arguments that belong to no option, a windowed one opens them.
TEST(CMDLineRegistry, ShortHelpVersionAndEmptyCommandLine) {
    auto helpOf = [](CMDLineRegistry& r) { return r.getCMDLineHandlers().at(0); };
    auto versionOf = [](CMDLineRegistry& r) { return r.getCMDLineHandlers().at(1); };

    for (const char* h : {"-h", "--h"}) {
        CMDLineRegistry r({"prog", h});
        EXPECT_TRUE(r.hasParameter("help")) << h;
        EXPECT_TRUE(r.getUnknownParameters().isEmpty()) << h;
        EXPECT_TRUE(helpOf(r)->handles(r)) << h;
        EXPECT_FALSE(versionOf(r)->handles(r)) << h;
    }

    CMDLineRegistry version({"prog", "--version"});
    EXPECT_FALSE(version.asksForWork());
    EXPECT_TRUE(versionOf(version)->handles(version));
    EXPECT_FALSE(helpOf(version)->handles(version));

    CMDLineRegistry versionTypo({"prog", "--version", "--bogus"});
    EXPECT_FALSE(versionOf(versionTypo)->handles(versionTypo));
    EXPECT_TRUE(helpOf(versionTypo)->handles(versionTypo));

    CMDLineRegistry empty({"prog"});
    EXPECT_TRUE(empty.isEmptyCommandLine());
    ASSERT_TRUE(helpOf(empty)->handles(empty));
    EXPECT_EQ(helpOf(empty)->createTask(empty), nullptr);
    EXPECT_EQ(empty.getRequestedExitCode(), 2);

    CMDLineRegistry window({"prog"});
    window.setTakesFileArguments(true);
    EXPECT_FALSE(helpOf(window)->handles(window));
    CMDLineRegistry windowFile({"prog", "a.fa"});
    windowFile.setTakesFileArguments(true);
    EXPECT_FALSE(windowFile.isEmptyCommandLine());
    EXPECT_TRUE(windowFile.asksForWork());
    EXPECT_FALSE(helpOf(windowFile)->handles(windowFile));

    // A console command line with a file where an option belongs (a forgotten --workflow=).
    CMDLineRegistry forgotten({"prog", "flow.json", "--version"});
    EXPECT_FALSE(forgotten.asksForWork());
    EXPECT_FALSE(versionOf(forgotten)->handles(forgotten));
    ASSERT_TRUE(helpOf(forgotten)->handles(forgotten));
    Task* t = helpOf(forgotten)->createTask(forgotten);
    ASSERT_NE(t, nullptr);
    EXPECT_TRUE(t->getError().startsWith("Unexpected argument 'flow.json': prog takes options only")) << t->getError().toStdString();
    delete t;
}

}  // namespace Nx
