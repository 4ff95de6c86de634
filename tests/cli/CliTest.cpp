#include "crypto/Base64.h"
#include "engine/FileSystems.h"
#include "tests/support/Bytes.h"
#include "tests/support/Files.h"
#include "tests/support/Oracle.h"

#include <gtest/gtest.h>
#include <tarnex/Version.h>

#include <chrono>
#include <csignal>
#include <cstddef>
#include <fcntl.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <map>
#include <pty.h>
#include <regex>
#include <set>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

using namespace tarnex::test;

namespace {

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the built tool in a new session, so that it has no terminal to
// prompt on, with the given standard input; standard output goes to
// `outPath` when one is given (r.out then stays empty).
Result RunCli(const TempDir& dir, std::vector<std::string> args, const std::string& input = "",
           const char* wrapper = nullptr, const std::vector<std::string>& wrapperArgs = {},
           const std::string& outPath = "")
{
    const std::string in = dir / ".stdin", err = dir / ".stderr";
    const std::string out = outPath.empty() ? dir / ".stdout" : outPath;
    WriteBytes(in, input);
    std::vector<std::string> all;
    if (wrapper) {
        all.push_back(wrapper);
        all.insert(all.end(), wrapperArgs.begin(), wrapperArgs.end());
    }
    all.push_back(TARNEXFAST_CLI);
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setsid();
        if (wrapper) // the leak checker cannot run under a tracer
            ::setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
        const int fi = ::open(in.c_str(), O_RDONLY);
        const int fo = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int fe = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fi, 0);
        ::dup2(fo, 1);
        ::dup2(fe, 2);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    Result r;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (outPath.empty())
        r.out = ReadBytes(out);
    r.err = ReadBytes(err);
    return r;
}

// In a child about to run the tool: openat with O_TMPFILE fails as on a file
// system without it, so that the tool falls back to named temporary files.
void RefuseUnnamedFiles()
{
    struct sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(struct seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_openat, 0, 3),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(struct seccomp_data, args[2])),
        BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, O_TMPFILE & ~O_DIRECTORY, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (EOPNOTSUPP & SECCOMP_RET_DATA)),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    struct sock_fprog program = {static_cast<unsigned short>(sizeof filter / sizeof filter[0]), filter};
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 || ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0)
        ::_exit(126);
}

// Starts the tool in a new session with its output in files, and leaves it
// running.
pid_t StartCli(std::vector<std::string> args, bool namedTemporaries)
{
    args.insert(args.begin(), TARNEXFAST_CLI);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setsid();
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::dup2(null, 2);
        if (namedTemporaries)
            RefuseUnnamedFiles();
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    return pid;
}

// Waits until `ready` holds, at most 20 s.
template <typename Ready>
bool WaitUntil(Ready ready)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!ready()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// The files a process has open under a folder, as /proc shows them.
std::vector<std::string> OpenUnder(pid_t pid, const std::string& folder)
{
    std::vector<std::string> out;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec)) {
        const std::string target = fs::read_symlink(e.path(), ec).string();
        if (!ec && target.rfind(folder, 0) == 0)
            out.push_back(target);
    }
    return out;
}

std::vector<std::string> Listing(const TempDir& dir)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.Path()))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

struct Cli : ::testing::Test {
    TempDir dir;
    std::string passwordFile = dir / "password";

    void SetUp() override { WriteBytes(passwordFile, "correct horse\nsecond line is ignored\n"); }
    std::string MakeFile(const std::string& name, std::string_view content)
    {
        const std::string path = dir / name;
        WriteBytes(path, content);
        return path;
    }
};

TEST_F(Cli, EncryptsAndDecryptsFilesLikeTheWindow)
{
    const std::string plain = RandomBytes(3 << 20 | 5, 1);
    const std::string a = MakeFile("a.bin", plain), b = MakeFile("b.txt", "short");

    Result r = RunCli(dir, {"encrypt", "--password-file", passwordFile, a, b});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "All done, 2 file(s) encrypted.\n");
    EXPECT_EQ(ReadBytes(a + ".KVX"), OracleFile("correct horse", plain, true));
    EXPECT_EQ(ReadBytes(b + ".KVX"), OracleFile("correct horse", "short", true));

    fs::remove(a);
    r = RunCli(dir, {"decrypt", "--password-file=" + passwordFile, a + ".KVX"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "All done, 1 file(s) decrypted.\n");
    EXPECT_EQ(ReadBytes(dir / "a.bin.dec"), plain);
}

TEST_F(Cli, APasswordFileWithWindowsLineEndingGivesTheSameKey)
{
    WriteBytes(passwordFile, "correct horse\r\n");
    const std::string a = MakeFile("a.txt", "some text here");
    EXPECT_EQ(RunCli(dir, {"encrypt", "--password-file", passwordFile, a}).status, 0);
    EXPECT_EQ(ReadBytes(a + ".KVX"), OracleFile("correct horse", "some text here", true));
}

TEST_F(Cli, ExitStatusTellsFailureFromBadUsage)
{
    const std::string a = MakeFile("a.txt", "x");
    const std::string missing = dir / "missing.txt";
    struct Case {
        const char* name;
        std::vector<std::string> args;
        int status;
        std::string errContains;
    };
    const Case cases[] = {
        {"missing input", {"encrypt", "--password-file", passwordFile, a, missing}, 1,
         missing + " cannot be opened. Check if the file is Read Only.\n"},
        {"empty password", {"decrypt", "--password-file", dir / "empty", a}, 1, "You have to write a password...\n"},
        {"unreadable password file", {"encrypt", "--password-file", dir / "none", a}, 2, "password file"},
        {"no terminal for the password", {"encrypt", a}, 2, "--password-file"},
        {"password on the command line", {"encrypt", "--password", "secret", a}, 2, "unknown option"},
        {"no files", {"decrypt", "--password-file", passwordFile}, 2, "no files"},
        {"unknown command", {"shred", a}, 2, "unknown command"},
        {"no command", {}, 2, "missing command"},
        {"negative passes", {"wipe", "--yes", "--passes", "-1", a}, 2, "negative"},
        {"passes not a number", {"wipe", "--yes", "--passes", "x", a}, 2, "'x' is not a valid integer value"},
        {"no terminal to confirm", {"wipe", a}, 2, "--yes"},
    };
    WriteBytes(dir / "empty", "\n");
    for (const auto& c : cases) {
        const Result r = RunCli(dir, c.args);
        EXPECT_EQ(r.status, c.status) << c.name << ": " << r.err;
        EXPECT_NE(r.err.find(c.errContains), std::string::npos) << c.name << ": " << r.err;
    }
    EXPECT_EQ(ReadBytes(a), "x");
    EXPECT_FALSE(fs::exists(a + ".KVX.KVX"));
}

TEST_F(Cli, HelpNamesEveryCommand)
{
    const Result r = RunCli(dir, {"--help"});
    EXPECT_EQ(r.status, 0);
    for (const char* word : {"encrypt", "decrypt", "wipe", "encrypt-text", "decrypt-text", "--password-file", "--passes", "--yes", "--bytes", "--version"})
        EXPECT_NE(r.out.find(word), std::string::npos) << word;
}

TEST_F(Cli, WipesAfterYes)
{
    const std::string a = MakeFile("a.txt", RandomBytes(10000, 2)), b = MakeFile("b.txt", "b");
    const Result r = RunCli(dir, {"wipe", "--yes", "--passes", "1", a, b});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "File(s) wiped...\n");
    EXPECT_FALSE(fs::exists(a));
    EXPECT_FALSE(fs::exists(b));

    const std::string c = MakeFile("c.txt", "c");
    const Result failed = RunCli(dir, {"wipe", "--yes", c, dir / "missing"});
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.err, "Unable to get the file to erase: \n\n" + (dir / "missing") + "\n");
    EXPECT_FALSE(fs::exists(c));
}

TEST_F(Cli, WipeWarnsOfEachFileOnAFileSystemThatMayKeepOldContent)
{
    const std::string onDisk = MakeFile("a.txt", "a");
    if (tarnex::OverwriteRiskOf(onDisk))
        GTEST_SKIP() << "the temporary folder is itself on such a file system";
    const TempDir memory("/dev/shm");
    const std::string inMemory = memory / "b.txt";
    WriteBytes(inMemory, "b");
    const Result r = RunCli(dir, {"wipe", "--yes", "--passes", "1", onDisk, inMemory});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "tarnexfast-cli: warning: " + inMemory
                         + " is on tmpfs, a memory file system: overwriting it may not reach every copy of its old "
                           "content\nFile(s) wiped...\n");
    EXPECT_FALSE(fs::exists(onDisk));
    EXPECT_FALSE(fs::exists(inMemory));
}

TEST_F(Cli, TextCommandsUseTheClipboardFormatOnStandardStreams)
{
    const std::string text = "Gr\xC3\xBC\xC3\x9F" "e\nline two\n";
    Result r = RunCli(dir, {"encrypt-text", "--password-file", passwordFile}, text);
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string line = r.out;
    EXPECT_EQ(line.find('\n'), std::string::npos);
    EXPECT_EQ(r.err, "Clipboard encrypted.\n");

    r = RunCli(dir, {"decrypt-text", "--password-file", passwordFile}, line);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, text);

    // The input is taken exactly as it stands: an added line break breaks it.
    r = RunCli(dir, {"decrypt-text", "--password-file", passwordFile}, line + "\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Base64: Incorrect string format\n");
}

TEST_F(Cli, TextCommandsMatchTheKnownAnswer)
{
    WriteBytes(passwordFile, "secret\n");
    const Result r = RunCli(dir, {"encrypt-text", "--password-file", passwordFile}, "Hello, world\r\n");
    EXPECT_EQ(r.out, "oTGW1iUebmcQ/NBIJmk=");
}

TEST_F(Cli, TextCommandsWithBytesKeepEveryByte)
{
    const std::string cases[] = {"\xFF", std::string("abc\0def", 7), "\xC3\xA9", RandomBytes(100000, 4)};
    for (const std::string& bytes : cases) {
        Result r = RunCli(dir, {"encrypt-text", "--bytes", "--password-file", passwordFile}, bytes);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, tarnex::Base64Encode(OracleText("correct horse", bytes, true)));
        r = RunCli(dir, {"decrypt-text", "--bytes", "--password-file", passwordFile}, r.out);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(Hex(r.out), Hex(bytes));
    }
    // Text mode keeps zero bytes too: a stream has no end mark to cut at.
    const std::string line = tarnex::Base64Encode(OracleText("correct horse", std::string("abc\0d\xE9" "f", 7), true));
    const Result r = RunCli(dir, {"decrypt-text", "--password-file", passwordFile}, line);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Hex(r.out), Hex(std::string("abc\0d\xC3\xA9" "f", 8)));
}

TEST_F(Cli, TextCommandsRefuseInputThatIsNotTextAndWriteNothing)
{
    const std::string line = tarnex::Base64Encode(OracleText("correct horse", "x", true));
    struct Case {
        const char* command;
        std::string input;
    };
    const Case cases[] = {{"encrypt-text", "\xFF"}, {"encrypt-text", "caf\xE9"}, {"decrypt-text", line + "\xFF\xFF\xFF\xFF"}};
    for (const auto& c : cases) {
        const Result r = RunCli(dir, {c.command, "--password-file", passwordFile}, c.input);
        EXPECT_EQ(r.status, 1) << c.command;
        EXPECT_EQ(r.out, "") << c.command;
        EXPECT_EQ(r.err, std::string("tarnexfast-cli: standard input is not UTF-8 text; use ") + c.command
                             + " --bytes to take its bytes as they are\n");
    }
}

TEST_F(Cli, TextCommandsReportSuccessOnlyOnceTheOutputIsWritten)
{
    for (const char* command : {"encrypt-text", "decrypt-text"}) {
        const Result r = RunCli(dir, {command, "--password-file", passwordFile}, "AAAA", nullptr, {}, "/dev/full");
        EXPECT_EQ(r.status, 1) << command;
        EXPECT_EQ(r.err, "tarnexfast-cli: cannot write the output: No space left on device\n") << command;
    }
}

TEST_F(Cli, VersionIsTheProjects)
{
    const Result r = RunCli(dir, {"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, std::string("tarnexfast-cli ") + tarnex::kVersion + "\n");
}

// Each sub-pass is synced to the disk before the next overwrite (three per
// pass), and the folder after the rename and after the delete: without it
// the overwrites could stay in the page cache and be dropped by the delete.
TEST_F(Cli, EveryOverwriteIsSyncedBeforeTheNext)
{
    if (::access("/usr/bin/strace", X_OK) != 0)
        GTEST_SKIP() << "strace is not installed";
    const std::string a = MakeFile("a.txt", RandomBytes(50000, 3));
    const std::string log = dir / "trace";
    const Result r = RunCli(dir, {"wipe", "--yes", "--passes", "2", a}, "", "/usr/bin/strace",
                         {"-f", "-o", log, "-e", "trace=pwrite64,fdatasync,fsync,renameat2,unlink,unlinkat"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::ifstream in(log);
    std::string sequence, line;
    while (std::getline(in, line)) {
        for (const char* call : {"pwrite64", "fdatasync", "fsync", "renameat2", "unlink"}) {
            if (line.find(std::string(call) + "(") != std::string::npos && line.find("resumed") == std::string::npos) {
                sequence += std::string(call) + (line.find("RENAME_NOREPLACE") != std::string::npos ? "/noreplace" : "") + " ";
                break;
            }
        }
    }
    const std::string pass = "pwrite64 fdatasync pwrite64 fdatasync pwrite64 fdatasync ";
    EXPECT_EQ(sequence, "renameat2/noreplace fsync " + pass + pass + "unlink fsync ");
}

// An interrupt in the middle of a file (Ctrl-C, logout, "Force Quit") ends
// the tool by that signal and leaves no cut-short output and no temporary
// file: the older output is whole, or there is none; with named temporary
// files (file systems without unnamed ones) the handler removes the one at
// hand. An interrupted wipe puts the file back under its own name.
TEST_F(Cli, AnInterruptLeavesNoCutShortOutputAndNoTemporaryFile)
{
    const std::string plain = RandomBytes(96 << 20, 4);
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        for (const bool named : {false, true}) {
            for (const bool oldOutput : {false, true}) {
                SCOPED_TRACE(testing::Message() << strsignal(sig) << (named ? ", named" : "") << (oldOutput ? ", old output" : ""));
                TempDir folder;
                const std::string password = folder / "password", big = folder / "big";
                WriteBytes(password, "pw\n");
                WriteBytes(big, plain);
                if (oldOutput)
                    WriteBytes(big + ".KVX", "the older output");
                const auto before = Listing(folder);
                const pid_t pid = StartCli({"encrypt", "--password-file", password, big}, named);
                const bool midFile = WaitUntil([&] {
                    for (const auto& f : OpenUnder(pid, folder.Path().string()))
                        if (f.find(".tarnex-part") != std::string::npos || f.find("(deleted)") != std::string::npos)
                            return true;
                    return false;
                });
                ::kill(pid, sig);
                int status = 0;
                ::waitpid(pid, &status, 0);
                ASSERT_TRUE(midFile);
                EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << status;
                EXPECT_EQ(Listing(folder), before);
                if (oldOutput) {
                    EXPECT_EQ(ReadBytes(big + ".KVX"), "the older output");
                }
            }
        }
    }

    TempDir folder;
    const std::string victim = folder / "victim";
    WriteBytes(victim, plain);
    const pid_t pid = StartCli({"wipe", "--yes", "--passes", "50", victim}, false);
    const bool moved = WaitUntil([&] { return fs::exists(folder / "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa.aaaaaaa"); });
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(moved);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    EXPECT_EQ(Listing(folder), std::vector<std::string>{"victim"});
}

// Each output's data is on the disk before it takes its name, and the folder
// after the last name and before "All done": otherwise a power cut after
// "encrypt, then wipe the original" can leave neither.
TEST_F(Cli, OutputsAreSyncedBeforeTheyTakeTheirNamesAndTheFolderBeforeAllDone)
{
    if (::access("/usr/bin/strace", X_OK) != 0)
        GTEST_SKIP() << "strace is not installed";
    const std::string a = MakeFile("a.txt", RandomBytes(3 << 20, 5)), b = MakeFile("b.txt", "short");
    MakeFile("b.txt.KVX", "older output");
    const std::string log = dir / "trace";
    const Result r = RunCli(dir, {"encrypt", "--password-file", passwordFile, a, b}, "", "/usr/bin/strace",
                            {"-f", "-y", "-s", "200", "-o", log, "-e",
                             "trace=openat,fdatasync,fsync,linkat,rename,renameat,renameat2,write"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBytes(b + ".KVX"), OracleFile("correct horse", "short", true));

    // Unnamed files show as "<folder>/#inode"; map descriptors to them. With
    // several threads strace splits a call it interrupts into "<unfinished
    // ...>" and "<... resumed>" lines: a sync counts when it has returned.
    const std::regex returned(R"re(= (\d+)<[^>]*/#(\d+)>)re"), synced(R"re(fdatasync\(\d+<[^>]*/#(\d+)>)re"),
        linked(R"re(linkat\(AT_FDCWD[^,]*, "/proc/self/fd/(\d+)", AT_FDCWD[^,]*, "([^"]+)")re"),
        renamed(R"re(rename\("([^"]+)", "([^"]+)")re"), folderSync(R"re(^\d+ +fsync\(\d+<([^>]*)>)re");
    std::map<std::string, std::string> inodeOf, syncing;
    std::set<std::string> syncedInodes;
    std::vector<std::string> events;
    std::ifstream in(log);
    std::string line;
    std::smatch m;
    while (std::getline(in, line)) {
        const std::string pid = line.substr(0, line.find(' '));
        if (line.find("<... fdatasync resumed>") != std::string::npos) {
            syncedInodes.insert(syncing[pid]);
        } else if (std::regex_search(line, m, synced)) {
            if (line.find("unfinished") != std::string::npos)
                syncing[pid] = m[1];
            else
                syncedInodes.insert(m[1]);
        } else if (std::regex_search(line, m, linked)) {
            const bool wasSynced = syncedInodes.count(inodeOf[m[1]]) > 0;
            events.push_back("link " + fs::path(m[2].str()).filename().string() + (wasSynced ? "" : " (not synced!)"));
        } else if (std::regex_search(line, m, renamed)) {
            events.push_back("rename onto " + fs::path(m[2].str()).filename().string());
        } else if (std::regex_search(line, m, folderSync) && m[1] == dir.Path().string()) {
            events.push_back("sync folder");
        } else if (line.find("write(2") != std::string::npos && line.find(", \"All done") != std::string::npos) {
            events.push_back("All done");
        } else if ((line.find("openat(") != std::string::npos || line.find("openat resumed>") != std::string::npos)
                   && std::regex_search(line, m, returned)) {
            inodeOf[m[1]] = m[2];
        }
    }
    // Both small enough to share one batch, or each in its own.
    const std::vector<std::string> oneBatch = {"link a.txt.KVX", "link .b.txt.KVX", "rename onto b.txt.KVX", "sync folder", "All done"};
    const std::vector<std::string> twoBatches = {"link a.txt.KVX", "sync folder", "link .b.txt.KVX", "rename onto b.txt.KVX", "sync folder", "All done"};
    std::vector<std::string> seen = events;
    for (auto& e : seen)
        if (e.rfind("link .b.txt.KVX", 0) == 0 && e.find("not synced") == std::string::npos)
            e = "link .b.txt.KVX";
    EXPECT_TRUE(seen == oneBatch || seen == twoBatches) << testing::PrintToString(events);
}

// The password file is read a block at a time; a first line longer than a
// block is the password all the same.
TEST_F(Cli, APasswordLongerThanAReadBlockIsReadWhole)
{
    const std::string password = RandomBytes(10000, 8);
    std::string clean;
    for (const char c : password)
        clean += static_cast<char>('a' + (static_cast<unsigned char>(c) % 26));
    WriteBytes(passwordFile, clean + "\nignored\n");
    const std::string a = MakeFile("a.txt", "text");
    const Result r = RunCli(dir, {"encrypt", "--password-file", passwordFile, a});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBytes(a + ".KVX"), OracleFile(clean, "text", true));
}

TEST_F(Cli, ZeroPassesIsNotedAndTheHelpSaysWhatGoesOn)
{
    const std::string a = MakeFile("a.txt", "x");
    const Result r = RunCli(dir, {"wipe", "--yes", "--passes", "0", a});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "tarnexfast-cli: note: with --passes 0 the files are deleted without being overwritten\n"
                     "File(s) wiped...\n");
    EXPECT_FALSE(fs::exists(a));

    const Result help = RunCli(dir, {"--help"});
    EXPECT_NE(help.out.find("encrypt and decrypt stop at the first file that fails"), std::string::npos);
    EXPECT_NE(help.out.find("wipe goes on with the next file"), std::string::npos);
}

// Suspended at the password prompt (Ctrl-Z) the tool gives the terminal its
// echo back; resumed (fg) it turns echo off again before the password is
// typed. The tool runs as a shell would run it: its own process group in
// the foreground of a terminal.
TEST_F(Cli, APromptSuspendedAndResumedKeepsEchoOff)
{
    const std::string a = MakeFile("a.txt", "typed password");
    int pids[2];
    ASSERT_EQ(::pipe(pids), 0);
    int master = -1;
    const pid_t shell = ::forkpty(&master, nullptr, nullptr, nullptr);
    ASSERT_GE(shell, 0);
    if (shell == 0) {
        const pid_t job = ::fork();
        if (job == 0) {
            // Until the shell has handed it the terminal the job is a
            // background group, and taking the terminal would stop it with
            // SIGTTOU; shells block the signal around the call for this.
            sigset_t ttou, old;
            ::sigemptyset(&ttou);
            ::sigaddset(&ttou, SIGTTOU);
            ::sigprocmask(SIG_BLOCK, &ttou, &old);
            ::setpgid(0, 0);
            ::tcsetpgrp(0, ::getpid());
            ::sigprocmask(SIG_SETMASK, &old, nullptr);
            ::execl(TARNEXFAST_CLI, TARNEXFAST_CLI, "encrypt", a.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::setpgid(job, job);
        ::tcsetpgrp(0, job);
        (void)!::write(pids[1], &job, sizeof job);
        int status = 0;
        while (::waitpid(job, &status, 0) < 0 && errno == EINTR) {
        }
        ::_exit(WIFEXITED(status) ? WEXITSTATUS(status) : 99);
    }
    pid_t job = -1;
    ASSERT_EQ(::read(pids[0], &job, sizeof job), static_cast<ssize_t>(sizeof job));
    ::close(pids[0]);
    ::close(pids[1]);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);

    std::string screen;
    const auto shown = [&](const std::string& text) {
        return WaitUntil([&] {
            char buffer[256];
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n > 0)
                screen.append(buffer, static_cast<std::size_t>(n));
            return screen.find(text) != std::string::npos;
        });
    };
    const auto echoing = [&] {
        struct termios t;
        ::tcgetattr(master, &t);
        return (t.c_lflag & ECHO) != 0;
    };
    const auto stopped = [&] {
        std::ifstream stat("/proc/" + std::to_string(job) + "/stat");
        std::string content((std::istreambuf_iterator<char>(stat)), {});
        const auto close = content.rfind(')');
        return close != std::string::npos && content.size() > close + 2 && content[close + 2] == 'T';
    };

    EXPECT_TRUE(shown("Password: "));
    EXPECT_TRUE(WaitUntil([&] { return !echoing(); }));
    ::kill(job, SIGTSTP);
    EXPECT_TRUE(WaitUntil(stopped));
    EXPECT_TRUE(echoing()); // the shell's terminal, as it was
    ::kill(job, SIGCONT);
    EXPECT_TRUE(WaitUntil([&] { return !echoing(); }));
    EXPECT_FALSE(stopped());
    (void)!::write(master, "pw\n", 3);
    EXPECT_TRUE(shown("Repeat password: "));
    EXPECT_FALSE(echoing());
    (void)!::write(master, "pw\n", 3);
    int status = 0;
    ::waitpid(shell, &status, 0);
    ::close(master);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << screen;
    EXPECT_EQ(ReadBytes(a + ".KVX"), OracleFile("pw", "typed password", true));
    EXPECT_EQ(screen.find("pw"), std::string::npos) << screen; // never echoed
}

} // namespace
