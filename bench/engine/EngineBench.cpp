// End-to-end speed of the file commands and the wipe, beside the cipher's own
// speed in the same run, the shredder's time on the same file and the
// command-line tool's peak memory.
//
//   engine_bench [--size MIB] [--runs N] [--dir DIR]
//
// The default (256 MiB, 3 runs) is quick; --size 1024 gives the 1 GiB figures.
// DIR should be on a disk, not tmpfs, for the wipe figures to mean anything.
#include "crypto/Twofish.h"
#include "engine/FileCommands.h"
#include "engine/Key.h"
#include "engine/Wipe.h"
#include "tests/support/NullWindow.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>
#if defined(__x86_64__)
#include <x86intrin.h>
#endif

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::uint64_t Cycles()
{
#if defined(__x86_64__)
    return __rdtsc();
#else
    return 0;
#endif
}

struct Timing {
    double seconds;
    double cycles;
};

template <typename F>
Timing Measure(F f)
{
    const auto t0 = Clock::now();
    const std::uint64_t c0 = Cycles();
    f();
    const std::uint64_t c1 = Cycles();
    const auto t1 = Clock::now();
    return {std::chrono::duration<double>(t1 - t0).count(), static_cast<double>(c1 - c0)};
}

Timing Median(std::vector<Timing> v)
{
    std::sort(v.begin(), v.end(), [](const Timing& a, const Timing& b) { return a.seconds < b.seconds; });
    return v[v.size() / 2];
}

void MakeFile(const std::string& path, std::uint64_t size, bool sync)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        throw std::runtime_error("cannot create " + path);
    std::vector<std::uint64_t> chunk((64 << 10) / 8);
    std::uint64_t x = 0x9E3779B97F4A7C15ull;
    for (std::uint64_t done = 0; done < size;) {
        for (auto& w : chunk) {
            x ^= x << 13;
            x ^= x >> 7;
            x ^= x << 17;
            w = x;
        }
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size() * 8, size - done));
        if (::write(fd, chunk.data(), n) != static_cast<ssize_t>(n))
            throw std::runtime_error("cannot write " + path);
        done += n;
    }
    if (sync)
        ::fsync(fd);
    ::close(fd);
}

// Runs a program to its end; returns its wall time and peak resident size.
struct ChildRun {
    double seconds;
    long maxRssKiB;
    int status;
};

ChildRun RunChild(std::vector<std::string> args)
{
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const auto t0 = Clock::now();
    // fork, not vfork: a vforked child's peak counts the parent's.
    const pid_t pid = ::fork();
    if (pid < 0)
        throw std::runtime_error("cannot start " + args[0]);
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    struct rusage usage {};
    ::wait4(pid, &status, 0, &usage);
    const auto t1 = Clock::now();
    return {std::chrono::duration<double>(t1 - t0).count(), usage.ru_maxrss,
            WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

constexpr int kSmallFiles = 10000;
constexpr std::uint64_t kSmallSize = 4096;

double MBps(std::uint64_t bytes, double seconds)
{
    return static_cast<double>(bytes) / seconds / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    std::uint64_t sizeMiB = 256;
    int runs = 3;
    std::string base = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/var/tmp";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--size")
            sizeMiB = std::stoull(argv[i + 1]);
        else if (a == "--runs")
            runs = std::max(1, std::stoi(argv[i + 1]));
        else if (a == "--dir")
            base = argv[i + 1];
    }
    const std::uint64_t size = sizeMiB << 20;

    std::string pattern = (fs::path(base) / "tarnex-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path dir = pattern;
    const std::string input = (dir / "data.bin").string();
    const std::string passwordFile = (dir / "password").string();
    {
        FILE* f = std::fopen(passwordFile.c_str(), "w");
        std::fputs("benchmark password\n", f);
        std::fclose(f);
    }

    std::printf("Files of %llu MiB in %s, median of %d runs\n\n", static_cast<unsigned long long>(sizeMiB),
                base.c_str(), runs);
    // First the tool's own peak memory, while this process is still small:
    // a forked child starts out counting the parent's resident pages.
    MakeFile(input, size, false);
    // The command-line tool's peak memory on the same file.
    std::printf("%-48s %10s %10s\n", "tarnexfast-cli (peak resident memory)", "seconds", "peak KiB");
    const auto cli = [&](const char* what, std::vector<std::string> args) {
        const ChildRun run = RunChild(std::move(args));
        std::printf("%-48s %10.3f %10ld%s\n", what, run.seconds, run.maxRssKiB, run.status == 0 ? "" : "  (failed)");
    };
    cli("encrypt", {TARNEXFAST_CLI, "encrypt", "--password-file", passwordFile, input});
    cli("decrypt", {TARNEXFAST_CLI, "decrypt", "--password-file", passwordFile, input + ".KVX"});
    // A list of four files of a quarter of the size each, used again below.
    std::vector<std::string> quarters, quarterOutputs, quarterDecOutputs;
    for (int i = 0; i < 4; ++i) {
        const std::string q = (dir / ("quarter" + std::to_string(i))).string();
        MakeFile(q, size / 4, true);
        quarters.push_back(q);
        quarterOutputs.push_back(q + ".KVX");
        quarterDecOutputs.push_back(q + ".dec");
    }
    {
        std::vector<std::string> args = {TARNEXFAST_CLI, "encrypt", "--password-file", passwordFile};
        args.insert(args.end(), quarters.begin(), quarters.end());
        cli("encrypt, a list of four quarters", args);
        for (const auto& q : quarterOutputs)
            fs::remove(q);
    }
    const std::string victim = (dir / "victim.bin").string();
    MakeFile(victim, size, true);
    cli("wipe --passes 1", {TARNEXFAST_CLI, "wipe", "--yes", "--passes", "1", victim});

    fs::remove(input + ".KVX");
    fs::remove(dir / "data.bin.dec");
    std::printf("\n");

    std::printf("%-48s %10s %10s %8s %9s\n", "work", "seconds", "MB/s", "cyc/B", "ratio");

    // The cipher's own speed: bulk CBC in place over one transfer buffer.
    tarnex::PreparedCipher cipher("benchmark password");
    std::vector<std::uint8_t> buffer(tarnex::kFileChunk, 0x5A);
    const std::size_t blocks = buffer.size() / 16;
    const std::uint64_t rounds = size / buffer.size();
    std::vector<Timing> rawEnc, rawDec;
    const auto measureRaw = [&] {
        rawEnc.push_back(Measure([&] {
            for (std::uint64_t i = 0; i < rounds; ++i)
                tarnex::TwofishEncryptCbcBlocks(cipher.ctx, buffer.data(), blocks);
        }));
        rawDec.push_back(Measure([&] {
            for (std::uint64_t i = 0; i < rounds; ++i)
                tarnex::TwofishDecryptCbcBlocks(cipher.ctx, buffer.data(), blocks);
        }));
    };
    // The ratio is a share (%) or, for the speed-up rows, a factor (x).
    const auto row = [&](const char* what, const Timing& t, double ratio) {
        std::printf("%-48s %10.3f %10.1f %8.2f", what, t.seconds, MBps(size, t.seconds),
                    t.cycles / static_cast<double>(size));
        if (ratio > 0 && std::strstr(what, "speed-up") != nullptr)
            std::printf(" %8.2fx", ratio);
        else if (ratio > 0)
            std::printf(" %8.1f%%", ratio * 100);
        std::printf("\n");
    };

    // End to end through the page cache: the input was written above. Each
    // run starts with the earlier runs' output on the disk, so that their
    // write-back does not run during it.
    tarnex::test::NullWindow window;
    const tarnex::FileCommandSettings synced{}, unsynced{false, 0}, oneCore{true, 1};
    const auto encrypt = [&](std::vector<std::string> rows, const tarnex::FileCommandSettings& how) {
        window.rows = std::move(rows);
        window.password = "benchmark password";
        return Measure([&] { tarnex::EncryptFiles(window, how); });
    };
    const auto decrypt = [&](std::vector<std::string> rows, const tarnex::FileCommandSettings& how) {
        window.rows = std::move(rows);
        window.password = "benchmark password";
        return Measure([&] { tarnex::DecryptFiles(window, how); });
    };
    // Each measured run starts with the earlier runs' output gone and on the
    // disk, so that their write-back does not run during it.
    const auto clean = [](const std::vector<std::string>& paths) {
        for (const auto& p : paths)
            fs::remove(p);
        ::sync();
    };

    std::vector<Timing> fileEnc, fileEncUnsynced, fileDec, copies;
    const std::string copy = (dir / "copy.bin").string();
    std::vector<std::uint8_t> copyBuffer(tarnex::kFileChunk);
    // The cipher alone and the files through it in turns, so that a change in
    // the machine's load touches both alike.
    for (int r = 0; r < runs; ++r) {
        measureRaw();
        clean({input + ".KVX"});
        fileEncUnsynced.push_back(encrypt({input}, unsynced));
        clean({input + ".KVX"});
        fileEnc.push_back(encrypt({input}, synced));
        clean({(dir / "data.bin.dec").string()});
        fileDec.push_back(decrypt({input + ".KVX"}, synced));

        // The floor any file command stands on: the same file read and
        // written to a new file without the cipher.
        clean({copy});
        copies.push_back(Measure([&] {
            const int in = ::open(input.c_str(), O_RDONLY | O_CLOEXEC);
            const int out = ::open(copy.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
            ssize_t n;
            while ((n = ::read(in, copyBuffer.data(), copyBuffer.size())) > 0)
                if (::write(out, copyBuffer.data(), static_cast<std::size_t>(n)) != n)
                    break;
            ::close(in);
            ::close(out);
        }));
        fs::remove(copy);
    }
    const Timing encRaw = Median(rawEnc), decRaw = Median(rawDec);
    const Timing encFile = Median(fileEnc), encUnsynced = Median(fileEncUnsynced), decFile = Median(fileDec),
                 copyFile = Median(copies);
    row("CBC encryption, in memory", encRaw, 0);
    row("CBC decryption, in memory", decRaw, 0);
    row("file encryption, synced (of cipher speed)", encFile, encRaw.seconds / encFile.seconds);
    row("file encryption, not synced (of cipher speed)", encUnsynced, encRaw.seconds / encUnsynced.seconds);
    row("  synced speed of not synced", encFile, encUnsynced.seconds / encFile.seconds);
    row("file decryption, synced (of cipher speed)", decFile, decRaw.seconds / decFile.seconds);
    row("plain copy, no cipher (page-cache floor)", copyFile, 0);
    fs::remove(dir / "data.bin.dec");
    fs::remove(input + ".KVX");

    // The list of four quarters: one lane against one per core, synced both.
    const std::vector<std::string>& quarterKvx = quarterOutputs;
    std::vector<Timing> listOne, listAll, listDecOne, listDecAll;
    for (int r = 0; r < runs; ++r) {
        clean(quarterOutputs);
        listOne.push_back(encrypt(quarters, oneCore));
        clean(quarterOutputs);
        listAll.push_back(encrypt(quarters, synced));
        clean(quarterDecOutputs);
        listDecOne.push_back(decrypt(quarterKvx, oneCore));
        clean(quarterDecOutputs);
        listDecAll.push_back(decrypt(quarterKvx, synced));
    }
    const Timing one = Median(listOne), all = Median(listAll), decOne = Median(listDecOne), decAll = Median(listDecAll);
    row("4-file list encryption, one lane", one, 0);
    row("4-file list encryption, every core (speed-up)", all, one.seconds / all.seconds);
    row("4-file list decryption, one lane", decOne, 0);
    row("4-file list decryption, every core (speed-up)", decAll, decOne.seconds / decAll.seconds);
    clean(quarterOutputs);
    clean(quarterDecOutputs);
    for (const auto& q : quarters)
        fs::remove(q);

    // Many small files: the cost of syncing them in batches.
    const fs::path smallDir = dir / "small";
    fs::create_directory(smallDir);
    std::vector<std::string> smalls, smallOutputs;
    for (int i = 0; i < kSmallFiles; ++i) {
        const std::string f = (smallDir / ("f" + std::to_string(i))).string();
        MakeFile(f, kSmallSize, false);
        smalls.push_back(f);
        smallOutputs.push_back(f + ".KVX");
    }
    ::sync();
    std::vector<Timing> smallSynced, smallUnsynced;
    for (int r = 0; r < runs; ++r) {
        clean(smallOutputs);
        smallUnsynced.push_back(encrypt(smalls, unsynced));
        clean(smallOutputs);
        smallSynced.push_back(encrypt(smalls, synced));
    }
    const Timing smallS = Median(smallSynced), smallU = Median(smallUnsynced);
    const auto smallRow = [&](const char* what, const Timing& t, double ratio) {
        std::printf("%-48s %10.3f %10.1f %8s", what, t.seconds, MBps(kSmallFiles * kSmallSize, t.seconds), "");
        if (ratio > 0)
            std::printf(" %8.2fx", ratio);
        std::printf("\n");
    };
    smallRow("10,000 files of 4 KiB, not synced", smallU, 0);
    smallRow("10,000 files of 4 KiB, synced (x unsynced time)", smallS, smallS.seconds / smallU.seconds);
    fs::remove_all(smallDir);

    // One wipe pass (three synced sub-passes) against three shredder passes,
    // each on a freshly written and synced file.
    std::vector<Timing> wipes, shreds;
    for (int r = 0; r < runs; ++r) {
        MakeFile(victim, size, true);
        wipes.push_back(Measure([&] { tarnex::WipeFile(window, victim, 1); }));
        MakeFile(victim, size, true);
        const ChildRun shred = RunChild({"shred", "-n", "3", victim});
        shreds.push_back({shred.seconds, 0});
        fs::remove(victim);
    }
    const Timing wipe = Median(wipes), shred = Median(shreds);
    row("wipe, one pass (of shred -n 3 time)", wipe, wipe.seconds / shred.seconds);
    row("shred -n 3", shred, 0);

    fs::remove_all(dir);
    return 0;
}
