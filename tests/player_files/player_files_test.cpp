// The player's files: what a killed writer leaves goes with the next write
// while a live writer's file stays.
#include "player_files/atomic_file.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::set<std::string> filesIn(const fs::path& folder)
{
    std::set<std::string> names;
    for (const fs::directory_entry& file : fs::directory_iterator(folder)) names.insert(file.path().filename().string());
    return names;
}

// A child writing text to path that kills or stops itself when its write
// reaches step; a failed check ends it on the way out.
struct Writer {
    pid_t pid = 0;
    Writer(const fs::path& path, const char* text, AtomicWriteStep step, int signal)
    {
        static AtomicWriteStep stepToStopAt;
        static int signalToStopWith;
        stepToStopAt = step;
        signalToStopWith = signal;
        pid = fork();
        if (pid != 0) return;
        setAtomicWriteProbe([](AtomicWriteStep reached) {
            if (reached == stepToStopAt) raise(signalToStopWith);
        });
        std::string error;
        _exit(writeFileAtomically(path, text, error) ? 0 : 1);
    }
    ~Writer()
    {
        if (pid > 0) kill(pid, SIGKILL), waitpid(pid, nullptr, 0);
    }
    int wait(int options)
    {
        int status = 0;
        const pid_t got = waitpid(pid, &status, options);
        EXPECT_EQ(got, pid) << "the writer could not be started or waited for";
        if (got != pid) return -1;
        if (!WIFSTOPPED(status)) pid = 0;
        return status;
    }
};

TEST(AtomicFile, AKilledWritersLeftoversGoWithTheNextWriteAndALiveWritersFileStays)
{
    testsupport::TempDir dir;
    const fs::path table = dir / "scores";
    Writer killed(table, "killed\n", AtomicWriteStep::HalfWritten, SIGKILL);
    ASSERT_TRUE(WIFSIGNALED(killed.wait(0)));
    // An older game's leftovers, hours old, and a file of the player's that only looks alike.
    for (const char* name : {"scores.tmp-Ab3xYz", "scores.tmp.4242", "scores.tmp-notes.txt"}) {
        testsupport::writeFileText(dir / name, "left\n");
        fs::last_write_time(dir / name, fs::file_time_type::clock::now() - std::chrono::hours(2));
    }
    ASSERT_EQ(filesIn(dir.path()).size(), 4u);

    // The next writer clears them away, then is stopped in its own write.
    Writer stopped(table, "stopped\n", AtomicWriteStep::TemporaryCreated, SIGSTOP);
    ASSERT_TRUE(WIFSTOPPED(stopped.wait(WUNTRACED)));
    std::set<std::string> left = filesIn(dir.path());
    ASSERT_EQ(left.erase("scores.tmp-notes.txt"), 1u);
    ASSERT_EQ(left.size(), 1u);
    const std::string live = *left.begin();
    EXPECT_TRUE(live.starts_with("scores.tmp-" + std::to_string(stopped.pid) + "-")) << live;

    // A write while it is stopped leaves its file alone; woken, it finishes.
    std::string error;
    ASSERT_TRUE(writeFileAtomically(table, "new\n", error)) << error;
    EXPECT_EQ(filesIn(dir.path()), (std::set<std::string>{"scores", "scores.tmp-notes.txt", live}));
    kill(stopped.pid, SIGCONT);
    const int status = stopped.wait(0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(testsupport::readFileText(table), "stopped\n");
    EXPECT_EQ(filesIn(dir.path()), (std::set<std::string>{"scores", "scores.tmp-notes.txt"}));
}

}  // namespace
