#include "QtTestEnvironment.h"

namespace {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "nx_private_test";
        static char* argv[] = {name, nullptr};
        app = new QCoreApplication(argc, argv);
    }
    void TearDown() override {
        delete app;
        app = nullptr;
    }
    QCoreApplication* app = nullptr;
};

const ::testing::Environment* const qtEnv = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace
