#include "crypto/Tools.h"
#include "engine/Commands.h"
#include "engine/FileCommands.h"
#include "tests/support/Bytes.h"
#include "tests/support/Files.h"
#include "tests/support/Oracle.h"
#include "tests/support/RecordingWindow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <functional>
#include <linux/fs.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tarnex::test;
using Calls = std::vector<std::string>;
using Names = std::vector<std::string>;

namespace {

const std::string kWorkingEnc = "status:Working... Encrypting...";
const std::string kWorkingDec = "status:Working... Decrypting...";

// Open descriptors of this process, to see that both files are closed on
// every way out of a command.
std::size_t OpenFiles()
{
    return static_cast<std::size_t>(std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()));
}

Names Listing(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}
Names Listing(const TempDir& folder)
{
    return Listing(folder.Path());
}

struct FileCommands : ::testing::Test {
    TempDir dir;
    RecordingWindow window;

    std::string MakeFile(const std::string& name, std::string_view content)
    {
        const std::string path = dir / name;
        WriteBytes(path, content);
        return path;
    }
};

TEST_F(FileCommands, FormatMatchesTheIndependentConstructionAtEveryBoundary)
{
    // Around the 16-byte block, the 8192-byte chunk of the original program
    // and this program's own transfer buffer, then random lengths.
    std::vector<std::size_t> lengths = {0, 1, 2, 15, 16, 17, 8191, 8192, 8193,
                                        tarnex::kFileChunk - 1, tarnex::kFileChunk, tarnex::kFileChunk + 1,
                                        2 * tarnex::kFileChunk, (tarnex::kFileSlots + 1) * tarnex::kFileChunk + 15};
    std::mt19937_64 rng(42);
    for (int i = 0; i < 12; ++i)
        lengths.push_back(rng() % (100 << 10));

    for (const std::size_t n : lengths) {
        SCOPED_TRACE(n);
        const std::string plain = RandomBytes(n, n + 7);
        const std::string path = MakeFile("data.bin", plain);
        window.password = "correct horse";
        window.rows = {path};
        tarnex::EncryptFiles(window);
        const std::string encrypted = ReadBytes(path + ".KVX");
        ASSERT_EQ(Hex(encrypted), Hex(OracleFile("correct horse", plain, true)));

        // Decrypting the .KVX gives "data.bin.dec".
        window.password = "correct horse";
        window.rows = {path + ".KVX"};
        tarnex::DecryptFiles(window);
        ASSERT_EQ(ReadBytes(path + ".dec"), plain);
        ASSERT_EQ(ReadBytes(path), plain); // inputs are never changed
    }
}

TEST_F(FileCommands, KnownAnswers)
{
    // Made with the construction above from nettle, kept as bytes so that a
    // change to the oracle cannot hide a change to the format.
    struct Case {
        const char* password;
        std::string plain;
        const char* kvx;
    };
    const Case cases[] = {
        {"Tarnex", "The quick brown fox", "8029a74e7a439e55f52ff6286fea1d2c6606fa"},
        {"p\xC3\xA4ss", std::string(33, 'A'), "078d61125cffece98156bc30929d35cb72d1c7292e4fb49ee2d3e9a9549ec17141"},
    };
    for (const auto& c : cases) {
        const std::string path = MakeFile("anchor.txt", c.plain);
        window.password = c.password;
        window.rows = {path};
        tarnex::EncryptFiles(window);
        EXPECT_EQ(Hex(ReadBytes(path + ".KVX")), c.kvx) << c.password;
    }
}

TEST_F(FileCommands, SuccessReportsScrubsThePasswordAndEmptiesTheList)
{
    struct Case {
        bool encrypt;
        Calls effects;
    };
    const Case cases[] = {
        {true, {kWorkingEnc, "password:" + std::string(49, '0'), "password:", "plain:All done, 3 file(s) encrypted.",
                "status:Ready", "clear"}},
        {false, {kWorkingDec, "password:" + std::string(51, '0'), "password:", "plain:All done, 3 file(s) decrypted.",
                 "status:Ready", "clear"}},
    };
    for (const auto& c : cases) {
        RecordingWindow w;
        w.password = "pw";
        // A path listed twice is done twice.
        const std::string a = MakeFile("a.txt", "alpha"), b = MakeFile("b.txt", "bravo bravo bravo");
        w.rows = {a, b, a};
        const tarnex::CommandOutcome outcome = c.encrypt ? tarnex::EncryptFiles(w) : tarnex::DecryptFiles(w);
        EXPECT_TRUE(outcome.Succeeded());
        EXPECT_EQ(outcome.filesDone, 3);
        EXPECT_EQ(w.Effects(), c.effects);
        EXPECT_TRUE(w.rows.empty());
        EXPECT_EQ(w.password, "");
        const auto out = [&](const std::string& p) { return c.encrypt ? p + ".KVX" : dir / (fs::path(p).stem().string() + ".dec"); };
        EXPECT_EQ(ReadBytes(out(a)), OracleFile("pw", "alpha", c.encrypt));
        EXPECT_EQ(ReadBytes(out(b)), OracleFile("pw", "bravo bravo bravo", c.encrypt));
    }
}

TEST_F(FileCommands, NothingHappensWithoutRowsOrWithoutPassword)
{
    window.password = "";
    tarnex::EncryptFiles(window);
    EXPECT_EQ(window.Effects(), Calls{});

    const std::string path = MakeFile("a.txt", "x");
    window.rows = {path};
    tarnex::DecryptFiles(window);
    EXPECT_EQ(window.Effects(), Calls{"plain:You have to write a password..."});
    EXPECT_FALSE(fs::exists(dir / "a.dec"));
    EXPECT_EQ(window.rows.size(), 1u);
}

TEST_F(FileCommands, StopsAtTheThirdOfFiveThatCannotBeOpened)
{
    struct Case {
        bool encrypt;
        std::string message;
    };
    const std::string missing = dir / "c.txt";
    const Case cases[] = {
        {true, "info:" + missing + " cannot be opened. Check if the file is Read Only."},
        {false, "info:" + missing + " cannot be opened..."},
    };
    for (const auto& c : cases) {
        RecordingWindow w;
        w.password = "pw";
        w.rows = {MakeFile("a.txt", "1"), MakeFile("b.txt", "2"), missing, MakeFile("d.txt", "4"), MakeFile("e.txt", "5")};
        const tarnex::CommandOutcome outcome = c.encrypt ? tarnex::EncryptFiles(w) : tarnex::DecryptFiles(w);
        EXPECT_EQ(outcome.status, tarnex::CommandOutcome::Status::Failed);
        EXPECT_EQ(outcome.filesDone, 2);
        EXPECT_EQ("info:" + outcome.failure, c.message);
        EXPECT_EQ(w.Effects(), (Calls{c.encrypt ? kWorkingEnc : kWorkingDec, c.message, "status:Ready"}));
        EXPECT_EQ(w.rows.size(), 5u);
        EXPECT_EQ(w.password, "pw");
        const auto out = [&](const char* stem) { return c.encrypt ? dir / (std::string(stem) + ".txt.KVX") : dir / (std::string(stem) + ".dec"); };
        EXPECT_TRUE(fs::exists(out("a")));
        EXPECT_TRUE(fs::exists(out("b")));
        EXPECT_FALSE(fs::exists(out("d")));
        fs::remove(out("a"));
        fs::remove(out("b"));
    }
}

TEST_F(FileCommands, OutputThatCannotBeCreated)
{
    const std::string path = MakeFile("a.txt", "content");
    fs::create_directory(path + ".KVX");
    fs::create_directory(dir / "a.dec");
    struct Case {
        bool encrypt;
        std::string message;
    };
    const Case cases[] = {
        {true, "error:Unable to create output file: \" " + path + ".KVX \""},
        {false, "error:Unable to create output file..."},
    };
    for (const auto& c : cases) {
        RecordingWindow w;
        w.password = "pw";
        w.rows = {path};
        const std::size_t open = OpenFiles();
        c.encrypt ? tarnex::EncryptFiles(w) : tarnex::DecryptFiles(w);
        EXPECT_EQ(OpenFiles(), open);
        EXPECT_EQ(w.Effects(), (Calls{c.encrypt ? kWorkingEnc : kWorkingDec, c.message, "status:Ready"}));
        EXPECT_EQ(ReadBytes(path), "content");
    }
}

TEST_F(FileCommands, DecryptedNameReplacesTheExtensionOfTheLastNameOnly)
{
    EXPECT_EQ(tarnex::DecryptedName("/d/report.txt.KVX"), "/d/report.txt.dec");
    EXPECT_EQ(tarnex::DecryptedName("/d/report.KVX"), "/d/report.dec");
    EXPECT_EQ(tarnex::DecryptedName("/a.b/data"), "/a.b/data.dec");
    EXPECT_EQ(tarnex::DecryptedName("data"), "data.dec");
    EXPECT_EQ(tarnex::EncryptedName("/d/report.txt"), "/d/report.txt.KVX");
}

TEST_F(FileCommands, AnExistingOutputIsReplacedAndKeepsItsModeANewOneIsPrivate)
{
    const std::string a = MakeFile("a.txt", "new content");
    const std::string b = MakeFile("b.txt", "other");
    MakeFile("a.txt.KVX", std::string(5000, 'z'));
    ::chmod((a + ".KVX").c_str(), 0644);
    window.password = "pw";
    window.rows = {a, b};
    tarnex::EncryptFiles(window);
    struct stat st;
    ASSERT_EQ(::stat((a + ".KVX").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
    EXPECT_EQ(ReadBytes(a + ".KVX"), OracleFile("pw", "new content", true));
    ASSERT_EQ(::stat((b + ".KVX").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0077, 0u);
}

// The output is the input: by name (x.dec decrypts to itself) or through a
// symbolic or hard link. Creating it would empty the input before it is read.
TEST_F(FileCommands, AnOutputThatIsTheInputIsRefusedAndTheInputKept)
{
    struct Case {
        const char* name;
        bool encrypt;
        std::function<std::string()> setUp; // returns the listed path
    };
    const std::string content = RandomBytes(70000, 1);
    const Case cases[] = {
        {"same name", false, [&] { return MakeFile("x.dec", content); }},
        {"symbolic link", true,
         [&] {
             const auto p = MakeFile("s.txt", content);
             fs::create_symlink(p, p + ".KVX");
             return p;
         }},
        {"hard link", false,
         [&] {
             const auto p = MakeFile("h.KVX", content);
             fs::create_hard_link(p, dir / "h.dec");
             return p;
         }},
    };
    for (const auto& c : cases) {
        RecordingWindow w;
        w.password = "pw";
        const std::string path = c.setUp();
        w.rows = {path};
        c.encrypt ? tarnex::EncryptFiles(w) : tarnex::DecryptFiles(w);
        const std::string message = c.encrypt ? "error:Unable to create output file: \" " + path + ".KVX \""
                                              : "error:Unable to create output file...";
        EXPECT_EQ(w.Effects(), (Calls{c.encrypt ? kWorkingEnc : kWorkingDec, message, "status:Ready"})) << c.name;
        EXPECT_EQ(ReadBytes(path), content) << c.name;
    }
}

// A FIFO would block the first read for ever; a folder cannot be read.
TEST_F(FileCommands, OnlyRegularFilesAreReadOrWritten)
{
    const std::string fifo = dir / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_directory(dir / "folder");
    for (const std::string& input : {fifo, dir / "folder"}) {
        RecordingWindow w;
        w.password = "pw";
        w.rows = {input};
        tarnex::EncryptFiles(w);
        EXPECT_EQ(w.Effects(), (Calls{kWorkingEnc, "info:" + input + " cannot be opened. Check if the file is Read Only.",
                                      "status:Ready"}));
        EXPECT_FALSE(fs::exists(input + ".KVX"));
    }

    // An existing output that is a FIFO is not opened and emptied.
    const std::string plain = MakeFile("p.KVX", "abc");
    ASSERT_EQ(::mkfifo((dir / "p.dec").c_str(), 0600), 0);
    window.password = "pw";
    window.rows = {plain};
    tarnex::DecryptFiles(window);
    EXPECT_EQ(window.Effects(), (Calls{kWorkingDec, "error:Unable to create output file...", "status:Ready"}));
    EXPECT_TRUE(fs::is_fifo(dir / "p.dec"));
}

// Lowers the file size limit for one scope, as a full disk would stop a
// write in mid-file, without a signal.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit)
    {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit low = old_;
        low.rlim_cur = limit;
        ::setrlimit(RLIMIT_FSIZE, &low);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }

private:
    struct rlimit old_;
    void (*oldHandler_)(int);
};

// A transfer that fails in mid-file leaves the output's name as it was: no
// output, or the older output whole. Without a header or length a cut-short
// .KVX would later decrypt "successfully" into a truncated file. The report
// names the file; the status, list and password stay.
TEST_F(FileCommands, AFailedTransferKeepsTheOldOutputAndNamesTheFile)
{
    const std::size_t limit = 5 * tarnex::kFileChunk / 2;
    struct Case {
        bool encrypt;
        bool outputExisted;
    };
    for (const auto [encrypt, outputExisted] : {Case{true, false}, Case{true, true}, Case{false, true}}) {
        SCOPED_TRACE(testing::Message() << encrypt << outputExisted);
        TempDir folder;
        const std::string content = RandomBytes(4 * tarnex::kFileChunk + 5, 3);
        const std::string path = folder / "big.KVX";
        WriteBytes(path, content);
        const std::string output = encrypt ? path + ".KVX" : folder / "big.dec";
        if (outputExisted)
            WriteBytes(output, "old output, with the user's edits");
        RecordingWindow w;
        w.password = "pw";
        w.rows = {path};

        std::string error;
        const std::size_t open = OpenFiles();
        try {
            FileSizeLimit low(limit);
            encrypt ? tarnex::EncryptFiles(w) : tarnex::DecryptFiles(w);
        } catch (const tarnex::Error& e) {
            error = e.what();
        }

        EXPECT_EQ(error, "Writing \"" + output + "\": " + std::strerror(EFBIG));
        EXPECT_EQ(OpenFiles(), open);
        EXPECT_EQ(Listing(folder), outputExisted ? (Names{"big.KVX", fs::path(output).filename().string()}) : Names{"big.KVX"});
        if (outputExisted) {
            EXPECT_EQ(ReadBytes(output), "old output, with the user's edits");
        }
        EXPECT_EQ(ReadBytes(path), content);
        EXPECT_EQ(w.Effects(), Calls{encrypt ? kWorkingEnc : kWorkingDec});
        EXPECT_EQ(w.rows.size(), 1u);
        EXPECT_EQ(w.password, "pw");
    }
}

// Several files run side by side, yet the command does exactly what it does
// one file at a time: when row k fails, the rows before it have their
// outputs, no later row's output appears (though later rows may have run
// ahead), and the report is row k's.
TEST_F(FileCommands, AListStopsAtItsFirstFailingRowWhateverRanAhead)
{
    struct Case {
        const char* name;
        bool encrypt;
        std::function<std::string(const TempDir&)> failing; // makes row 2 fail, returns its path
        std::function<Calls(const std::string&)> effects;
        std::string error; // "" when a box reports it
    };
    const std::string big = RandomBytes(3 * tarnex::kFileChunk + 100, 11);
    const Case cases[] = {
        {"missing input", true, [](const TempDir& d) { return d / "c"; },
         [](const std::string& p) { return Calls{kWorkingEnc, "info:" + p + " cannot be opened. Check if the file is Read Only.", "status:Ready"}; }, ""},
        {"output name taken by a folder", false,
         [&](const TempDir& d) {
             WriteBytes(d / "c", big);
             fs::create_directory(d / "c.dec");
             return d / "c";
         },
         [](const std::string&) { return Calls{kWorkingDec, "error:Unable to create output file...", "status:Ready"}; }, ""},
        {"file size limit in mid-file", true,
         [](const TempDir& d) {
             WriteBytes(d / "c", RandomBytes(6 * tarnex::kFileChunk, 12));
             return d / "c";
         },
         [](const std::string&) { return Calls{kWorkingEnc}; }, "File too large"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir folder;
        RecordingWindow w;
        w.password = "pw";
        for (const char* name : {"a", "b", "d", "e"})
            WriteBytes(folder / name, big);
        const std::string failing = c.failing(folder);
        w.rows = {folder / "a", folder / "b", failing, folder / "d", folder / "e"};
        std::string error;
        try {
            FileSizeLimit low(5 * tarnex::kFileChunk);
            c.encrypt ? tarnex::EncryptFiles(w) : tarnex::DecryptFiles(w);
        } catch (const tarnex::Error& e) {
            error = e.what();
        }
        const auto out = [&](const char* name) {
            return c.encrypt ? folder / (std::string(name) + ".KVX") : folder / (std::string(name) + ".dec");
        };
        if (!c.error.empty()) {
            EXPECT_EQ(error, "Writing \"" + out("c") + "\": " + c.error);
        }
        EXPECT_EQ(w.Effects(), c.effects(failing));
        EXPECT_EQ(w.rows.size(), 5u);
        EXPECT_EQ(ReadBytes(out("a")), OracleFile("pw", big, c.encrypt));
        EXPECT_EQ(ReadBytes(out("b")), OracleFile("pw", big, c.encrypt));
        EXPECT_FALSE(fs::exists(out("d")));
        EXPECT_FALSE(fs::exists(out("e")));
        for (const auto& name : Listing(folder))
            EXPECT_EQ(name.find(".tarnex-part"), std::string::npos) << name;
    }
}

// A row whose input is an earlier row's output, or the same file again,
// reads what the earlier row wrote, as when the rows run one by one.
TEST_F(FileCommands, ARowReadsWhatAnEarlierRowWrote)
{
    const std::string plain = RandomBytes(2 * tarnex::kFileChunk + 7, 21);
    const std::string a = MakeFile("a", plain);
    const std::string other = MakeFile("other", plain);
    window.password = "pw";
    window.rows = {a, other, a + ".KVX", a, a + ".KVX.KVX"};
    tarnex::EncryptFiles(window);
    const std::string once = OracleFile("pw", plain, true);
    const std::string twice = OracleFile("pw", once, true);
    EXPECT_EQ(ReadBytes(a + ".KVX"), once);
    EXPECT_EQ(ReadBytes(other + ".KVX"), once);
    EXPECT_EQ(ReadBytes(a + ".KVX.KVX"), twice);
    EXPECT_EQ(ReadBytes(a + ".KVX.KVX.KVX"), OracleFile("pw", twice, true));
    EXPECT_EQ(window.Effects().at(3), "plain:All done, 5 file(s) encrypted.");
}

// The output's name is used only for a regular file the user could write;
// a symbolic link is never followed, to its target or anywhere else.
TEST_F(FileCommands, AnOutputNameThatIsALinkOrNotWritableIsRefusedAndNothingWritten)
{
    const std::string important = MakeFile("important", "precious");
    struct Case {
        const char* name;
        std::function<void(const std::string& out)> setUp;
    };
    const Case cases[] = {
        {"link to another file", [&](const std::string& out) { fs::create_symlink(important, out); }},
        {"dangling link", [&](const std::string& out) { fs::create_symlink(dir / "nowhere", out); }},
        {"read-only output", [&](const std::string& out) {
             WriteBytes(out, "old");
             ::chmod(out.c_str(), 0444);
             if (::geteuid() == 0) // root writes anything but an immutable file
                 SetInodeFlags(out, FS_IMMUTABLE_FL);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string z = MakeFile("z", "secret");
        const std::string out = z + ".KVX";
        c.setUp(out);
        const Names before = Listing(dir);
        RecordingWindow w;
        w.password = "pw";
        w.rows = {z};
        tarnex::EncryptFiles(w);
        EXPECT_EQ(w.Effects(), (Calls{kWorkingEnc, "error:Unable to create output file: \" " + out + " \"", "status:Ready"}));
        EXPECT_EQ(ReadBytes(important), "precious");
        EXPECT_EQ(Listing(dir), before);
        SetInodeFlags(out, 0);
        fs::remove(out);
    }
    EXPECT_FALSE(fs::exists(dir / "nowhere"));
}

// On a full disk the write of the new output fails, and the older output
// (a .dec holding edits, an earlier .KVX) is still there, whole.
TEST_F(FileCommands, AFullDiskKeepsTheOldOutput)
{
    SmallFileSystem small(2 << 20);
    if (!small)
        GTEST_SKIP() << "cannot mount a small tmpfs here (needs root): " << small.Why();
    for (const bool encrypt : {true, false}) {
        SCOPED_TRACE(encrypt);
        const std::string in = small / (encrypt ? "doc" : "doc.KVX");
        const std::string out = small / (encrypt ? "doc.KVX" : "doc.dec");
        WriteBytes(in, RandomBytes(900 << 10, 5));
        WriteBytes(out, RandomBytes(900 << 10, 6));
        const std::string old = ReadBytes(out);
        RecordingWindow w;
        w.password = "pw";
        w.rows = {in};
        std::string error;
        try {
            encrypt ? tarnex::EncryptFiles(w) : tarnex::DecryptFiles(w);
        } catch (const tarnex::Error& e) {
            error = e.what();
        }
        EXPECT_EQ(error, "Writing \"" + out + "\": " + std::strerror(ENOSPC));
        EXPECT_EQ(ReadBytes(out), old);
        EXPECT_EQ(Listing(small.Path()), (Names{fs::path(in).filename().string(), fs::path(out).filename().string()}));
        fs::remove(in);
        fs::remove(out);
    }
}

TEST_F(FileCommands, PasswordsBecomeBytesByTheTextRule)
{
    // "pässword" hashes as Windows-1252, as the Windows program's box held it;
    // a password with a character outside that code page hashes as UTF-8.
    const std::string plain = RandomBytes(100, 9);
    const std::string path = MakeFile("t.bin", plain);
    const std::pair<std::string, std::string> cases[] = {
        {"p\xC3\xA4ssword", "p\xE4ssword"},
        {"\xE2\x82\xAC" "uro", "\x80uro"},
        {"p\xC3\xA4ss \xC4\x80", "p\xC3\xA4ss \xC4\x80"},
    };
    for (const auto& [typed, bytes] : cases) {
        window.password = typed;
        window.rows = {path};
        tarnex::EncryptFiles(window);
        EXPECT_EQ(Hex(ReadBytes(path + ".KVX")), Hex(OracleFile(bytes, plain, true))) << typed;
    }
}

} // namespace
