#include "crypto/Base64.h"
#include "engine/FileSystems.h"
#include "tests/engine/Support.h"

#include <gtest/gtest.h>
#include <tarnex/Version.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace testing_support;

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

} // namespace
