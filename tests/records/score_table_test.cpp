// The score table: every field of the file is checked, the best ten stay in
// order when games of several processes end at once, a damaged table is kept
// aside, and a process killed at any moment of the write never leaves the
// table half-written.
#include "player_files/atomic_file.h"
#include "records/score_file.h"
#include "records/score_table.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <random>
#include <set>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

ScoreTableParse parseText(const std::string& text)
{
    return parseScoreTable(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

constexpr std::int64_t kSomeDay = 1'700'000'000;
constexpr std::int64_t kDay = 86'400;

bool writeTestReplay(const fs::path& target, std::string& error)
{
    return writeFileAtomically(target, "burrik-replay 1\n", error);
}

TEST(ScoreTable, EveryFieldIsChecked)
{
    const std::string good = "burrik-scores 1\n900 3 2024-02-29 best-20240229-101010.replay\n900 2 2023-12-31\n-40 0 2024-01-01\n";
    const ScoreTableParse parsed = parseText(good);
    ASSERT_TRUE(parsed.ok) << parsed.error;
    ASSERT_EQ(parsed.table.entries.size(), 3u);
    EXPECT_EQ(parsed.table.entries[0].replay, "best-20240229-101010.replay");
    EXPECT_EQ(parsed.table.entries[2].score, -40);
    EXPECT_EQ(formatScoreTable(parsed.table), good);

    std::string eleven = "burrik-scores 1\n";
    for (int i = 0; i < 11; ++i) eleven += "10 0 2024-01-01\n";
    struct Case {
        std::string text;
        const char* message;
    };
    const std::vector<Case> cases{
        {"", "line 1: the file is empty"},
        {"burrik-replay 1\n", "line 1: not a Burrik score table"},
        {"burrik-scores 2\n", "line 1: unknown score table version"},
        {"burrik-scores 1\n10 0 2024-01-01", "line 2: the file is cut short"},
        {"burrik-scores 1\n10 0\n", "line 2: expected 'SCORE LEVEL DATE'"},
        {"burrik-scores 1\n10 0 2024-01-01 a b\n", "line 2: expected 'SCORE LEVEL DATE'"},
        {"burrik-scores 1\n10  0 2024-01-01\n", "line 2: the level is no whole number"},
        {"burrik-scores 1\n1000000001 0 2024-01-01\n", "line 2: the score is no whole number"},
        {"burrik-scores 1\n99999999999999999999 0 2024-01-01\n", "line 2: the score is no whole number"},
        {"burrik-scores 1\n10 -1 2024-01-01\n", "line 2: the level is no whole number"},
        {"burrik-scores 1\n10 0 2023-02-29\n", "line 2: the date is no day"},
        {"burrik-scores 1\n10 0 2024-13-01\n", "line 2: the date is no day"},
        {"burrik-scores 1\n10 0 2024-01-01 ../../.bashrc\n", "line 2: the replay's name is no plain file name"},
        {"burrik-scores 1\n10 0 2024-01-01 .hidden\n", "line 2: the replay's name is no plain file name"},
        {"burrik-scores 1\n10 0 2024-01-01\n20 0 2024-01-01\n", "line 3: the entries are out of order"},
        {"burrik-scores 1\r\n", "line 1: unknown score table version"},
        {eleven, "line 12: more than 10 entries"},
        {std::string(kScoreTableMaxBytes + 1, '\n'), "larger than any score table"},
    };
    for (const Case& c : cases) {
        const ScoreTableParse r = parseText(c.text);
        EXPECT_FALSE(r.ok) << c.text;
        EXPECT_NE(r.error.find(c.message), std::string::npos) << c.text << ": got '" << r.error << "'";
    }
}

// Games of fourteen processes end at once; each enters its score under the
// table's lock. The ten best stay, in order; the replays of the games that
// fell off are gone with them, and a file the table did not make stays.
TEST(ScoreTable, KeepsTheBestTenInOrderWhenProcessesEndTheirGamesAtOnce)
{
    testsupport::TempDir dir;
    const fs::path folder = dir / "burrik";
    const fs::path table = folder / "scores";
    fs::create_directories(folder);
    testsupport::writeFileText(table, "burrik-scores 1\n5 0 2024-01-01 notes.txt\n");
    testsupport::writeFileText(folder / "notes.txt", "the player's own notes\n");

    constexpr int kGames = 14;
    std::vector<pid_t> children;
    for (int game = 0; game < kGames; ++game) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ScoreEntry entry;
            entry.score = 100 + 37 * ((game * 5) % kGames);  // every score once, in a scrambled order
            entry.level = game;
            entry.date = scoreDate(kSomeDay + game * kDay);
            const ScoreEntryResult result = enterScore(table, entry, kSomeDay + game * kDay, writeTestReplay);
            _exit(result.saved ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    const ScoreFileRead read = readScoreFile(table);
    ASSERT_EQ(read.status, ScoreFileStatus::Read) << read.problem;
    ASSERT_EQ(read.table.entries.size(), static_cast<std::size_t>(kScoreTableSize));
    std::set<std::string> listed;
    for (int rank = 0; rank < kScoreTableSize; ++rank) {
        const ScoreEntry& entry = read.table.entries[static_cast<std::size_t>(rank)];
        EXPECT_EQ(entry.score, 100 + 37 * (kGames - 1 - rank)) << "rank " << rank;
        EXPECT_TRUE(fs::exists(folder / entry.replay)) << entry.replay;
        listed.insert(entry.replay);
    }
    int replays = 0;
    for (const fs::directory_entry& file : fs::directory_iterator(folder)) {
        const std::string name = file.path().filename().string();
        if (name.ends_with(".replay")) {
            ++replays;
            EXPECT_TRUE(listed.count(name)) << name << " belongs to no entry";
        }
    }
    EXPECT_EQ(replays, kScoreTableSize);
    EXPECT_TRUE(fs::exists(folder / "notes.txt"));

    // A tie goes below the entry it ties with: the older stays above.
    ScoreTable tied = read.table;
    std::vector<ScoreEntry> dropped;
    ScoreEntry same{read.table.entries[3].score, 99, "2030-01-01", ""};
    EXPECT_EQ(insertScore(tied, same, dropped), 4);
    EXPECT_EQ(tied.entries[3].level, read.table.entries[3].level);
    ASSERT_EQ(dropped.size(), 1u);
    EXPECT_EQ(dropped[0].score, read.table.entries[9].score);
    ScoreEntry low{-1, 0, "2030-01-01", ""};
    EXPECT_EQ(insertScore(tied, low, dropped), -1);
    EXPECT_EQ(tied.entries.size(), static_cast<std::size_t>(kScoreTableSize));
}

TEST(ScoreTable, ADamagedTableIsKeptAsideAndAnUnreadableOneLeftAlone)
{
    testsupport::TempDir dir;
    const fs::path table = dir / "burrik" / "scores";
    fs::create_directories(table.parent_path());
    const std::string damaged = "burrik-scores 1\n700 2 2024-01-01\n9";
    testsupport::writeFileText(table, damaged);
    ScoreEntry entry{120, 1, "2024-05-01", ""};
    const ScoreEntryResult result = enterScore(table, entry, kSomeDay, nullptr);
    EXPECT_TRUE(result.saved);
    EXPECT_EQ(result.rank, 0);
    ASSERT_TRUE(result.keptAsideAs.starts_with("scores.damaged-")) << result.keptAsideAs;
    EXPECT_EQ(testsupport::readFileText(table.parent_path() / result.keptAsideAs), damaged);
    ASSERT_EQ(result.messages.size(), 1u);
    EXPECT_NE(result.messages[0].find("is damaged (line 3: the file is cut short"), std::string::npos);
    EXPECT_NE(result.messages[0].find("a new table is started"), std::string::npos);
    EXPECT_EQ(testsupport::readFileText(table), "burrik-scores 1\n120 1 2024-05-01\n");

    // A table that cannot be read may be whole: it is never written over.
    const fs::path folderTable = dir / "other" / "scores";
    fs::create_directories(folderTable / "inside");
    const ScoreEntryResult unreadable = enterScore(folderTable, entry, kSomeDay, nullptr);
    EXPECT_FALSE(unreadable.saved);
    EXPECT_EQ(unreadable.rank, 0);
    ASSERT_EQ(unreadable.messages.size(), 1u);
    EXPECT_NE(unreadable.messages[0].find("cannot read the score table"), std::string::npos);
    EXPECT_TRUE(fs::is_directory(folderTable / "inside"));
}

// Ends a child that a failed check left stopped or running.
struct ChildGuard {
    pid_t pid = 0;
    ~ChildGuard()
    {
        if (pid > 0) kill(pid, SIGKILL), waitpid(pid, nullptr, 0);
    }
};

// A game stopped (Ctrl-Z) while it holds the table's lock, in the middle of
// its entry, and a folder where no lock can be had: the game ending now does
// not wait without end, says why, and its score is kept; the stopped game,
// woken, adds its own to the table as it is then, so neither is lost.
bool stopWhileCopying(const fs::path& target, std::string& error)
{
    raise(SIGSTOP);
    return writeTestReplay(target, error);
}

TEST(ScoreTable, ALockThatCannotBeHadNeitherStopsTheGameNorLosesAScore)
{
    testsupport::TempDir dir;
    const fs::path table = dir / "burrik" / "scores";
    const fs::path messages = dir / "messages";
    fs::create_directories(table.parent_path());
    testsupport::writeFileText(table, "burrik-scores 1\n500 0 2024-01-01\n");

    ChildGuard stopped{fork()};
    ASSERT_GE(stopped.pid, 0);
    if (stopped.pid == 0) _exit(enterScore(table, {300, 1, "2024-01-02", ""}, kSomeDay, stopWhileCopying).saved ? 0 : 1);
    int status = 0;
    ASSERT_EQ(waitpid(stopped.pid, &status, WUNTRACED), stopped.pid);
    ASSERT_TRUE(WIFSTOPPED(status));

    // The game ending now, in a process of its own that dies should it wait a minute.
    const pid_t game = fork();
    ASSERT_GE(game, 0);
    if (game == 0) {
        constexpr unsigned kNoGameWaitsThisLong = 60;
        alarm(kNoGameWaitsThisLong);
        const ScoreEntryResult result = enterScore(table, {400, 2, "2024-01-03", ""}, kSomeDay, nullptr);
        std::string said;
        for (const std::string& message : result.messages) said += message + "\n";
        testsupport::writeFileText(messages, said);
        _exit(result.saved ? 0 : 1);
    }
    ASSERT_EQ(waitpid(game, &status, 0), game);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the game waited for the lock without end";
    const std::string said = testsupport::readFileText(messages);
    EXPECT_NE(said.find("another game has kept the score table " + table.string() + " locked for "), std::string::npos)
        << said;
    EXPECT_NE(said.find(" seconds (is it stopped?); this game's score is entered without waiting longer\n"),
              std::string::npos)
        << said;
    EXPECT_EQ(testsupport::readFileText(table), "burrik-scores 1\n500 0 2024-01-01\n400 2 2024-01-03\n");

    kill(stopped.pid, SIGCONT);
    ASSERT_EQ(waitpid(stopped.pid, &status, 0), stopped.pid);
    stopped.pid = 0;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const ScoreFileRead read = readScoreFile(table);
    ASSERT_EQ(read.status, ScoreFileStatus::Read) << read.problem;
    ASSERT_EQ(read.table.entries.size(), 3u);
    EXPECT_EQ(read.table.entries[1].score, 400);
    EXPECT_EQ(read.table.entries[2].score, 300);
    EXPECT_TRUE(fs::exists(table.parent_path() / read.table.entries[2].replay)) << read.table.entries[2].replay;

    // No lock at all: a folder in the lock file's place.
    const fs::path lockless = dir / "lockless" / "scores";
    fs::create_directories(lockless.parent_path() / "scores.lock");
    const ScoreEntryResult result = enterScore(lockless, {10, 0, "2024-01-04", ""}, kSomeDay, nullptr);
    EXPECT_TRUE(result.saved);
    ASSERT_EQ(result.messages.size(), 1u);
    EXPECT_EQ(result.messages[0], "cannot lock the score table " + lockless.string() + " (" +
                                      (lockless.parent_path() / "scores.lock").string() +
                                      ": Is a directory); it is written without the lock");
    EXPECT_EQ(testsupport::readFileText(lockless), "burrik-scores 1\n10 0 2024-01-04\n");
}

ScoreTable tableOf(int first, int count)
{
    ScoreTable table;
    for (int i = 0; i < count; ++i) table.entries.push_back({first - i, i, "2024-01-01", ""});
    return table;
}

[[noreturn]] void killSelf() { kill(getpid(), SIGKILL), _exit(99); }

AtomicWriteStep stepToDieAt = AtomicWriteStep::TemporaryCreated;

// A process killed at any step of the write leaves the old table or the
// new one, whole; never a mixture, never nothing. First at each step in
// turn, then at moments chosen at random while a process writes on and on.
TEST(ScoreTable, IsNeverHalfWrittenWhenTheProcessIsKilledDuringTheWrite)
{
    testsupport::TempDir dir;
    const fs::path table = dir / "scores";
    const ScoreTable before = tableOf(5000, 9);
    const std::string oldText = formatScoreTable(before);
    ScoreTable after = before;
    std::vector<ScoreEntry> dropped;
    const ScoreEntry entry{4500, 7, "2024-06-01", ""};
    insertScore(after, entry, dropped);
    const std::string newText = formatScoreTable(after);

    const AtomicWriteStep steps[] = {AtomicWriteStep::TemporaryCreated, AtomicWriteStep::HalfWritten,
                                     AtomicWriteStep::AllWritten, AtomicWriteStep::Synced, AtomicWriteStep::Renamed};
    for (AtomicWriteStep step : steps) {
        testsupport::writeFileText(table, oldText);
        stepToDieAt = step;
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            setAtomicWriteProbe([](AtomicWriteStep reached) {
                if (reached == stepToDieAt) killSelf();
            });
            enterScore(table, entry, kSomeDay, nullptr);
            _exit(0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "step " << static_cast<int>(step);
        const std::string text = testsupport::readFileText(table);
        EXPECT_EQ(text, step == AtomicWriteStep::Renamed ? newText : oldText) << "step " << static_cast<int>(step);
    }

    std::mt19937 random(20240601);
    const ScoreTable alternate = tableOf(9000, 10);
    const std::string alternateText = formatScoreTable(alternate);
    int killedWhileWriting = 0;
    testsupport::writeFileText(table, oldText);
    for (int round = 0; round < 40; ++round) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            for (int i = 0;; ++i) {
                std::string error;
                writeFileAtomically(table, i % 2 ? alternateText : oldText, error);
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 3000));
        kill(pid, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        const std::string text = testsupport::readFileText(table);
        EXPECT_TRUE(text == oldText || text == alternateText) << "round " << round << ": '" << text << "'";
        // Temporary files of killed writes may stay; the table never names them.
        for (const fs::directory_entry& file : fs::directory_iterator(dir.path())) {
            if (file.path().filename() != "scores") ++killedWhileWriting, fs::remove(file.path());
        }
    }
    RecordProperty("killed_while_writing", killedWhileWriting);
}

}  // namespace
