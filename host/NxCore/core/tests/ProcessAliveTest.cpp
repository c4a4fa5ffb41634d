// isProcessAlive over real processes: running, ended and collected, ended but not collected
// (a zombie), and ids that name no process.
#include <NxCore/core/ProcessAlive.h>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace Nx {

TEST(ProcessAliveTest, RunningEndedAndZombieProcesses) {
    EXPECT_TRUE(isProcessAlive(::getpid()));
    EXPECT_TRUE(isProcessAlive(1)) << "a process of another user still counts";
    EXPECT_FALSE(isProcessAlive(0));
    EXPECT_FALSE(isProcessAlive(-1));

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::pause();
        ::_exit(0);
    }
    EXPECT_TRUE(isProcessAlive(child));
    ASSERT_EQ(::kill(child, SIGKILL), 0);
    // Not collected yet: a zombie, which has ended.
    for (int i = 0; i < 500 && isProcessAlive(child); ++i) {
        ::usleep(10000);
    }
    EXPECT_FALSE(isProcessAlive(child));
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_FALSE(isProcessAlive(child)) << "collected: the id names no process";
}

}  // namespace Nx
