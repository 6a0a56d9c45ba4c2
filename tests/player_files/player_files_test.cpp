// The player's files: what a killed writer leaves goes with the next write
// while a live writer's file stays, a link planted at a temporary file's name
// is never written through, and a damaged file kept aside never replaces an
// earlier one, not even when several processes keep theirs at once.
#include "conveniences/settings.h"
#include "player_files/atomic_file.h"
#include "player_files/damaged_file.h"
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

// Both writers of the player's files meet a link at the temporary file's
// name, pointing at a file that is not theirs.
TEST(AtomicFile, NeverWritesThroughALinkPlantedAtTheTemporaryFilesName)
{
    testsupport::TempDir dir;
    const fs::path victim = dir / "victim";
    testsupport::writeFileText(victim, "not the game's\n");
    const fs::path settings = dir / "settings.ini";
    const fs::path table = dir / "scores";
    const std::vector<fs::path> planted{temporaryFileName(settings, 0), temporaryFileName(table, 0),
                                        // where the settings writer used to write
                                        settings.string() + ".tmp." + std::to_string(getpid())};
    for (const fs::path& link : planted) fs::create_symlink(victim, link);

    SettingsFile file;
    file.settings = {false, 3};
    ASSERT_TRUE(saveSettingsFile(settings.string(), file));
    std::string error;
    ASSERT_TRUE(writeFileAtomically(table, "burrik-scores 1\n", error)) << error;

    EXPECT_EQ(testsupport::readFileText(victim), "not the game's\n");
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(settings)));
    EXPECT_EQ(testsupport::readFileText(settings), formatSettings(file));
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(table)));
    EXPECT_EQ(testsupport::readFileText(table), "burrik-scores 1\n");
    for (const fs::path& link : planted) EXPECT_TRUE(fs::is_symlink(link)) << link;
}

TEST(DamagedFile, AKeptFileNeverReplacesAnEarlierOne)
{
    testsupport::TempDir dir;
    const fs::path first = dir / "scores.damaged";
    // An earlier copy, and a link left where one was (its target moved away).
    testsupport::writeFileText(first.string() + ".2", "second\n");
    fs::create_symlink(dir / "gone", first);
    testsupport::writeFileText(dir / "scores", "third\n");
    fs::path keptAs;
    std::string error;
    ASSERT_TRUE(keepDamagedFile(dir / "scores", first, keptAs, error)) << error;
    EXPECT_EQ(keptAs, first.string() + ".3");
    EXPECT_EQ(testsupport::readFileText(keptAs), "third\n");
    EXPECT_EQ(fs::read_symlink(first), dir / "gone");
    EXPECT_EQ(testsupport::readFileText(first.string() + ".2"), "second\n");

    // Processes keeping files aside under one name at the same moment: every file is kept.
    constexpr int kProcesses = 6;
    constexpr int kFilesEach = 15;
    const fs::path crowd = dir / "crowd";
    fs::create_directory(crowd);
    int go[2];
    ASSERT_EQ(pipe(go), 0);
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        children.push_back(fork());
        if (children.back() != 0) continue;
        close(go[1]);
        char start = 0;
        if (read(go[0], &start, 1) != 0) _exit(2);  // all start when the pipe closes
        int kept = 0;
        for (int f = 0; f < kFilesEach; ++f) {
            const fs::path mine = crowd / ("table-" + std::to_string(p) + "-" + std::to_string(f));
            testsupport::writeFileText(mine, mine.filename().string());
            kept += keepDamagedFile(mine, crowd / "scores.damaged", keptAs, error) ? 1 : 0;
        }
        _exit(kept == kFilesEach ? 0 : 1);
    }
    close(go[0]);
    close(go[1]);
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    std::set<std::string> contents;
    for (const std::string& name : filesIn(crowd)) contents.insert(testsupport::readFileText(crowd / name));
    EXPECT_EQ(filesIn(crowd).size(), static_cast<std::size_t>(kProcesses * kFilesEach));
    EXPECT_EQ(contents.size(), static_cast<std::size_t>(kProcesses * kFilesEach));
}

}  // namespace
