#include "crypto/Tools.h"
#include "engine/FileSystems.h"
#include "engine/Wipe.h"
#include "tests/support/Bytes.h"
#include "tests/support/Files.h"
#include "tests/support/Oracle.h"
#include "tests/support/RecordingWindow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <ctime>
#include <functional>
#include <linux/fs.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using namespace tarnex::test;
using Calls = std::vector<std::string>;

namespace {

// With the sentence the question gains where the temporary folder's file
// system may keep old content (a tmpfs /tmp).
const std::string kQuestion = "confirm:Are you sure you want to wipe all these files?\n"
                              "Note: Once the file is deleted there is no\nway to recover it."
                              + std::string(tarnex::OverwriteRiskOf(fs::temp_directory_path().string())
                                                ? "\n\nSome of these files are on a copy-on-write, log-structured, "
                                                  "network or memory file system, where overwriting may not reach "
                                                  "every copy of their old content."
                                                : "");
const std::string kEnd[] = {"clear", "status:Ready", "label:Pass #:"};

Calls Join(std::initializer_list<Calls> parts)
{
    Calls out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

Calls Pass(const std::string& name, int k)
{
    return {"status:Working: " + name + " pass #: " + std::to_string(k), "label:Pass #:" + std::to_string(k), "step"};
}

Calls OpenFailure(const std::string& path)
{
    return {"beep", "info:Unable to get the file to erase: \n\n" + path, "forget", "busy:0"};
}

const Calls kWiped = {"busy:0", "pos:0"};
const Calls kEndCalls(std::begin(kEnd), std::end(kEnd));

struct Wipe : ::testing::Test {
    TempDir dir;
    RecordingWindow window;
    std::string filler = dir / tarnex::FillerName;

    void SetUp() override { tarnex::WipeSucceeded = false; }

    std::string MakeFile(const std::string& name, std::string_view content)
    {
        const std::string path = dir / name;
        WriteBytes(path, content);
        return path;
    }
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir.Path()))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(Wipe, FillerNameHas55LettersADotAnd7)
{
    EXPECT_EQ(std::string(tarnex::FillerName), std::string(55, 'a') + "." + std::string(7, 'a'));
}

TEST_F(Wipe, EmptyListOrNoDoesNothing)
{
    tarnex::WipeCommand(window);
    EXPECT_EQ(window.Effects(), Calls{});

    const std::string path = MakeFile("keep.txt", "data");
    window.rows = {path};
    window.confirmAnswer = false;
    EXPECT_EQ(tarnex::WipeCommand(window).status, tarnex::CommandOutcome::Status::Cancelled);
    EXPECT_EQ(window.Effects(), Calls{kQuestion});
    EXPECT_EQ(ReadBytes(path), "data");
    EXPECT_EQ(window.rows.size(), 1u);
}

TEST_F(Wipe, WipesEveryListedFileAndReports)
{
    const std::string a = MakeFile("report.txt", RandomBytes(20000, 1));
    const std::string b = MakeFile("empty.txt", "");
    window.rows = {a, b};
    window.passes = "2";
    tarnex::WipeCommand(window);
    EXPECT_EQ(window.Effects(), Join({{kQuestion, "busy:1", "max:2"}, Pass("report.txt", 1), Pass("report.txt", 2), kWiped,
                                      {"busy:1", "max:2"}, Pass("empty.txt", 1), Pass("empty.txt", 2), kWiped,
                                      {"plain:File(s) wiped..."}, kEndCalls}));
    EXPECT_EQ(Names(), std::vector<std::string>{});
    EXPECT_FALSE(tarnex::WipeSucceeded);
}

TEST_F(Wipe, ZeroPassesMovesAndDeletesWithoutOpening)
{
    const std::string a = MakeFile("a.txt", "data");
    window.rows = {a};
    window.passes = "0";
    tarnex::WipeCommand(window);
    EXPECT_EQ(window.Effects(), Join({{kQuestion, "busy:1", "max:0"}, kWiped, {"plain:File(s) wiped..."}, kEndCalls}));
    EXPECT_EQ(Names(), std::vector<std::string>{});
}

TEST_F(Wipe, APathListedTwiceFailsTheSecondTimeAndNoSuccessIsReported)
{
    const std::string a = MakeFile("a.txt", "data");
    window.rows = {a, a};
    window.passes = "1";
    tarnex::WipeCommand(window);
    EXPECT_EQ(window.Effects(), Join({{kQuestion, "busy:1", "max:1"}, Pass("a.txt", 1), kWiped, {"busy:1", "max:1"},
                                      OpenFailure(a), kEndCalls}));
}

TEST_F(Wipe, AMissingFileInTheMiddleDoesNotStopTheOthers)
{
    std::vector<std::string> rows;
    for (const char* n : {"1", "2", "3", "4", "5"})
        rows.push_back(MakeFile(n, "x"));
    fs::remove(rows[2]);
    window.rows = rows;
    window.passes = "1";
    const tarnex::CommandOutcome outcome = tarnex::WipeCommand(window);
    EXPECT_EQ(outcome.status, tarnex::CommandOutcome::Status::Failed);
    EXPECT_EQ(outcome.filesDone, 4);
    EXPECT_EQ(outcome.failure, "Unable to get the file to erase: \n\n" + rows[2]);
    const auto effects = window.Effects();
    EXPECT_EQ(std::count(effects.begin(), effects.end(), "info:Unable to get the file to erase: \n\n" + rows[2]), 1);
    EXPECT_EQ(effects[effects.size() - 4], "plain:File(s) wiped..."); // the last one was wiped
    EXPECT_EQ(Names(), std::vector<std::string>{});
}

// POSIX rename replaces an existing target; the wipe must never touch a file
// that already bears the filler name.
TEST_F(Wipe, AnExistingFillerFileIsLeftAloneAndTheFileWipedUnderItsOwnName)
{
    MakeFile(tarnex::FillerName, "someone else's file");
    const std::string a = MakeFile("a.txt", "data");
    window.rows = {a};
    window.passes = "1";
    tarnex::WipeCommand(window);
    EXPECT_EQ(window.Effects(), Join({{kQuestion, "busy:1", "max:1"}, Pass("a.txt", 1), kWiped,
                                      {"plain:File(s) wiped..."}, kEndCalls}));
    EXPECT_EQ(Names(), std::vector<std::string>{tarnex::FillerName});
    EXPECT_EQ(ReadBytes(filler), "someone else's file");
}

// Everything the wipe needs is checked before the file is moved, so a file
// it cannot finish stays whole under its own name and the next file is
// wiped: a running program cannot be opened for writing (ETXTBSY, even for
// root), and a folder may refuse to let a file go (append-only, which binds
// root too; without root, a folder without write permission).
TEST_F(Wipe, AFileTheWipeCannotFinishStaysWholeUnderItsOwnName)
{
    struct Case {
        const char* name;
        std::function<std::string()> setUp; // returns the listed path
        std::function<void()> tearDown;
    };
    pid_t child = -1;
    const std::string locked = dir / "locked";
    const Case cases[] = {
        {"running program",
         [&] {
             const std::string program = dir / "prog";
             fs::copy_file("/bin/sleep", program);
             fs::permissions(program, fs::perms::owner_all);
             char arg0[] = "prog", arg1[] = "30";
             char* argv[] = {arg0, arg1, nullptr};
             EXPECT_EQ(::posix_spawn(&child, program.c_str(), nullptr, nullptr, argv, environ), 0);
             return program;
         },
         [&] {
             ::kill(child, SIGKILL);
             ::waitpid(child, nullptr, 0);
             fs::remove(dir / "prog");
         }},
        {"folder that keeps its files",
         [&] {
             fs::create_directory(locked);
             WriteBytes(locked + "/kept.txt", "the user's data");
             if (::geteuid() == 0)
                 EXPECT_TRUE(SetInodeFlags(locked, FS_APPEND_FL));
             else
                 ::chmod(locked.c_str(), 0555);
             return locked + "/kept.txt";
         },
         [&] {
             SetInodeFlags(locked, 0);
             ::chmod(locked.c_str(), 0755);
             fs::remove_all(locked);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingWindow w;
        const std::string path = c.setUp();
        const std::string content = ReadBytes(path);
        const std::string next = MakeFile("next.txt", "data");
        w.rows = {path, next};
        w.passes = "1";
        tarnex::WipeCommand(w);
        EXPECT_EQ(w.Effects(), Join({{kQuestion, "busy:1", "max:1"}, OpenFailure(path), {"busy:1", "max:1"},
                                     Pass("next.txt", 1), kWiped, {"plain:File(s) wiped..."}, kEndCalls}));
        EXPECT_EQ(ReadBytes(path), content);
        EXPECT_FALSE(fs::exists(fs::path(path).parent_path() / tarnex::FillerName));
        EXPECT_FALSE(fs::exists(next));
        c.tearDown();
    }
}

// A window that lets a test act while the wipe is in a pass.
struct ActingWindow : RecordingWindow {
    std::function<void()> onProgress;
    void ReportProgress(std::uint64_t, std::uint64_t) override
    {
        if (onProgress)
            onProgress();
    }
};

// What another program appends while the last pass runs is overwritten too
// before the file is deleted; a hard link keeps the inode to look at.
TEST_F(Wipe, DataAppendedDuringTheLastPassIsOverwrittenToo)
{
    const std::string path = MakeFile("growing.log", RandomBytes(3 * tarnex::kWipeRegion + 10, 8));
    const std::string keep = dir / "keep";
    fs::create_hard_link(path, keep);
    const std::string appended = "appended secret " + std::string(5000, 'x');
    ActingWindow w;
    bool done = false;
    w.onProgress = [&] {
        if (done || std::find(w.calls.begin(), w.calls.end(), "label:Pass #:2") == w.calls.end())
            return;
        done = true;
        std::ofstream(keep, std::ios::binary | std::ios::app) << appended;
    };
    EXPECT_TRUE(tarnex::WipeFile(w, path, 2));
    EXPECT_TRUE(done);
    const std::string left = ReadBytes(keep);
    ASSERT_EQ(left.size(), 3 * tarnex::kWipeRegion + 10 + appended.size());
    const std::string tail = left.substr(3 * tarnex::kWipeRegion + 10);
    EXPECT_NE(tail, appended);
    EXPECT_EQ(tail.find("appended secret"), std::string::npos);
    EXPECT_NE(tail, std::string(tail.size(), '\xFF')); // the cipher came last
}

// An error in the middle of a pass ends the command with a report that names
// the file, and the file is back under its listed name, not hidden under the
// filler's.
TEST_F(Wipe, AnErrorInMidWipePutsTheFileBackAndNamesIt)
{
    const std::string path = MakeFile("report.txt", RandomBytes(3 * tarnex::kWipeRegion, 4));
    const std::string next = MakeFile("next.txt", "data");
    ActingWindow w;
    w.rows = {path, next};
    w.passes = "2";
    struct rlimit old;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    w.onProgress = [&] {
        // Writes past the limit fail even within the file's length.
        struct rlimit low = old;
        low.rlim_cur = tarnex::kWipeRegion;
        ::setrlimit(RLIMIT_FSIZE, &low);
    };
    std::string error;
    try {
        tarnex::WipeCommand(w);
    } catch (const tarnex::Error& e) {
        error = e.what();
    }
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(error, "Writing \"" + path + "\": " + std::strerror(EFBIG));
    EXPECT_EQ(Names(), (std::vector<std::string>{"next.txt", "report.txt"}));
    EXPECT_EQ(w.rows.size(), 2u);
}

// Folders, FIFOs and links are refused like a file that cannot be opened,
// before any rename: a folder would otherwise end up under the filler name
// and a link would destroy a file elsewhere.
TEST_F(Wipe, OnlyRegularFilesAreTouched)
{
    const std::string target = MakeFile("target.txt", "elsewhere");
    ::chmod(target.c_str(), 0444);
    const std::string link = dir / "link";
    fs::create_symlink(target, link);
    const std::string folder = dir / "folder";
    fs::create_directory(folder);
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

    window.rows = {link, folder, fifo};
    window.passes = "1";
    tarnex::WipeCommand(window);
    EXPECT_EQ(window.Effects(),
              Join({{kQuestion, "busy:1", "max:1"}, OpenFailure(link), {"busy:1", "max:1"}, OpenFailure(folder),
                    {"busy:1", "max:1"}, OpenFailure(fifo), kEndCalls}));
    EXPECT_EQ(Names(), (std::vector<std::string>{"fifo", "folder", "link", "target.txt"}));
    EXPECT_EQ(ReadBytes(target), "elsewhere");
    struct stat st;
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0444u); // the link's target kept its mode
}

TEST_F(Wipe, PassesThatAreNoIntegerStopBeforeAnyFileButAfterTheWriteBitIsBack)
{
    for (const std::string text : {"", "abc", "3x", " 3", "+-1", "99999999999"}) {
        RecordingWindow w;
        const std::string a = MakeFile("a.txt", "data");
        ::chmod(a.c_str(), 0444);
        w.rows = {a};
        w.passes = text;
        try {
            tarnex::WipeCommand(w);
            ADD_FAILURE() << text;
        } catch (const tarnex::Error& e) {
            EXPECT_EQ(std::string(e.what()), "'" + text + "' is not a valid integer value");
        }
        EXPECT_EQ(w.Effects(), Calls{kQuestion}) << text;
        EXPECT_EQ(ReadBytes(a), "data");
        struct stat st;
        ASSERT_EQ(::stat(a.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0644u) << text;
    }
    EXPECT_EQ(tarnex::ParsePasses("+2"), 2);
    EXPECT_EQ(tarnex::ParsePasses("007"), 7);
    EXPECT_EQ(tarnex::ParsePasses("-3"), -3);
}

// The Windows progress bar refused a negative maximum before anything was
// moved; the count is now checked for itself.
TEST_F(Wipe, ANegativePassCountIsRefusedBeforeTheFirstFile)
{
    const std::string a = MakeFile("a.txt", "data");
    window.rows = {a};
    window.passes = "-1";
    try {
        tarnex::WipeCommand(window);
        ADD_FAILURE();
    } catch (const tarnex::Error& e) {
        EXPECT_STREQ(e.what(), "TProgressBar property out of range");
    }
    EXPECT_EQ(window.Effects(), Calls{kQuestion});
    EXPECT_EQ(Names(), std::vector<std::string>{"a.txt"});
    EXPECT_EQ(ReadBytes(a), "data");
    EXPECT_THROW(tarnex::WipeFile(window, a, -2), tarnex::Error);
    EXPECT_EQ(ReadBytes(a), "data");
}

// The last content written is the CBC encryption of all-0xFF content under
// the path and the local date and time. A hard link keeps the inode readable
// after the delete, and the key is found among the seconds the wipe took.
TEST_F(Wipe, TheLastPassLeavesTheCipherOfOnesUnderTheDatedKey)
{
    const std::size_t lengths[] = {5, 8192, 8193, 2 * tarnex::kWipeRegion + 4097};
    for (const std::size_t n : lengths) {
        SCOPED_TRACE(n);
        const std::string path = MakeFile("victim.bin", RandomBytes(n, n));
        const std::string keep = dir / "keep";
        fs::create_hard_link(path, keep);
        const std::time_t before = std::time(nullptr);
        tarnex::WipeFile(window, path, n == 5 ? 2 : 1);
        const std::time_t after = std::time(nullptr);
        EXPECT_TRUE(tarnex::WipeSucceeded);
        EXPECT_FALSE(fs::exists(path));
        EXPECT_FALSE(fs::exists(filler));

        const std::string left = ReadBytes(keep);
        ASSERT_EQ(left.size(), n);
        bool found = false;
        for (std::time_t t = before; t <= after && !found; ++t) {
            std::tm local{};
            ::localtime_r(&t, &local);
            char text[128];
            const std::size_t len = std::strftime(text, sizeof text, "%x %X", &local);
            found = left == OracleWipeContent(path + std::string(text, len), n);
        }
        EXPECT_TRUE(found);
        fs::remove(keep);
    }
}

} // namespace
