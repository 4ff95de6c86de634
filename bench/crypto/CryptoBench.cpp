// Speed of our cipher, digest and their modes beside the peer libraries that
// are installed. Prints one table; every figure is the median of several runs.
//
//   crypto_bench [--runs N] [--time SECONDS]
#include "crypto/SHA1.h"
#include "crypto/Twofish.h"
#include "crypto/twofish/Paths.h"

#ifdef HAVE_NETTLE
#include <nettle/cbc.h>
#include <nettle/cfb.h>
#include <nettle/sha1.h>
#include <nettle/twofish.h>
#endif
#ifdef HAVE_GCRYPT
#include <gcrypt.h>
#endif
#ifdef HAVE_BOTAN
#include <botan/block_cipher.h>
#include <botan/cipher_mode.h>
#include <botan/hash.h>
#endif
#ifdef HAVE_CRYPTOPP
#include <cryptopp/modes.h>
#include <cryptopp/sha.h>
#include <cryptopp/twofish.h>
#endif

#include <algorithm>
#include <ctime>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

// Time spent running this thread, so that other work on a shared machine
// does not count against whichever library happens to be measured.
double ThreadSeconds()
{
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

constexpr std::size_t kBufferSize = 64 * 1024;
constexpr std::size_t kBlocks = kBufferSize / 16;

int g_runs = 9;
double g_seconds = 0.02; // one timed batch

// One measured piece of work: `op` is run `batch` times per timing; `units`
// is what one run of op counts for (bytes, or 1 for a set-up).
struct Case {
    std::string row, column;
    std::function<void()> op;
    double units = 1;
    std::size_t batch = 1;
    std::vector<double> rates;

    double Median() const
    {
        std::vector<double> r = rates;
        std::sort(r.begin(), r.end());
        return r.empty() ? 0 : r[r.size() / 2];
    }
};

std::vector<Case> g_cases;

void Add(const std::string& row, const std::string& column, std::function<void()> op, double units)
{
    g_cases.push_back({row, column, std::move(op), units, 1, {}});
}

double TimeBatch(Case& c)
{
    const double t0 = ThreadSeconds();
    for (std::size_t i = 0; i < c.batch; ++i)
        c.op();
    return ThreadSeconds() - t0;
}

// Every case is timed once per round, all cases in turn, so that a busy
// moment on a shared machine hits ours and the peers alike; the figure of a
// case is the median of its rounds.
void MeasureAll()
{
    for (auto& c : g_cases) {
        while (TimeBatch(c) < g_seconds / 2)
            c.batch *= 2;
    }
    for (int r = 0; r < g_runs; ++r)
        for (auto& c : g_cases)
            c.rates.push_back(static_cast<double>(c.batch) * c.units / TimeBatch(c));
}

// Core clock, from a chain of dependent additions (one per cycle).
double CoreHz()
{
    std::vector<double> rates;
    for (int r = 0; r < g_runs; ++r) {
        std::uint64_t x = 1;
        const double t0 = ThreadSeconds();
        for (int i = 0; i < 20000; ++i)
            asm volatile(".rept 1000\n\tadd $1, %0\n\t.endr" : "+r"(x));
        rates.push_back(2e7 / (ThreadSeconds() - t0));
    }
    std::sort(rates.begin(), rates.end());
    return rates[rates.size() / 2];
}

std::vector<std::uint8_t> g_buffer(kBufferSize, 0x3C);
const std::uint8_t kKey[32] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF, 0xFE, 0xDC, 0xBA,
                               0x98, 0x76, 0x54, 0x32, 0x10, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55,
                               0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
const std::uint8_t kIv[16] = {};

constexpr std::size_t kCfbBytes = 4096; // one block encryption per byte, so a shorter text

const char* const kCbcEnc = "CBC encryption, 64 KiB in place";
const char* const kCbcDec = "CBC decryption, 64 KiB in place";
const char* const kCfb = "CFB-8 encryption, 4 KiB in place";
const char* const kSetup = "key set-ups";
const char* const kSha = "SHA-1, 64 KiB";

} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--runs") && i + 1 < argc)
            g_runs = std::max(1, std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--time") && i + 1 < argc)
            g_seconds = std::max(0.001, std::atof(argv[++i]));
        else {
            std::fprintf(stderr, "usage: %s [--runs N] [--time SECONDS-PER-BATCH]\n", argv[0]);
            return 2;
        }
    }
    std::uint8_t* buf = g_buffer.data();
    const double whole = static_cast<double>(kBufferSize), cfbBytes = static_cast<double>(kCfbBytes);
    std::vector<std::string> peers;

    // Ours: the bulk operations the file commands use, the one-block
    // operations, CFB-8, set-up with the 20-byte digest, the digest.
    auto ours = std::make_shared<tarnex::TwofishContext>();
    tarnex::TwofishSetup(*ours, kKey, 20, nullptr);
    Add(kCbcEnc, "ours", [=] { tarnex::TwofishEncryptCbcBlocks(*ours, buf, kBlocks); }, whole);
    Add(kCbcDec, "ours", [=] { tarnex::TwofishDecryptCbcBlocks(*ours, buf, kBlocks); }, whole);
    Add(kCbcEnc, "ours, one block", [=] {
        for (std::size_t i = 0; i < kBlocks; ++i)
            tarnex::TwofishEncryptCbc(*ours, buf + 16 * i, buf + 16 * i);
    }, whole);
    Add(kCbcDec, "ours, one block", [=] {
        for (std::size_t i = 0; i < kBlocks; ++i)
            tarnex::TwofishDecryptCbc(*ours, buf + 16 * i, buf + 16 * i);
    }, whole);
    Add(kCfb, "ours", [=] { tarnex::TwofishEncryptCfb8(*ours, buf, buf, static_cast<std::int32_t>(kCfbBytes)); },
        cfbBytes);
    auto scratch = std::make_shared<tarnex::TwofishContext>();
    Add(kSetup, "ours", [=] { tarnex::TwofishSetup(*scratch, kKey, 20, nullptr); }, 1);
    Add(kSha, "ours", [=] {
        tarnex::Sha1Context s;
        std::uint8_t d[20];
        tarnex::Sha1Start(s);
        tarnex::Sha1Update(s, buf, static_cast<std::int32_t>(kBufferSize));
        tarnex::Sha1Finish(s, d);
    }, whole);

#ifdef HAVE_NETTLE
    {
        const std::string name = "nettle";
        peers.push_back(name);
        struct State {
            twofish_ctx ctx;
            std::uint8_t iv[16] = {};
        };
        auto st = std::make_shared<State>();
        twofish_set_key(&st->ctx, 24, kKey);
        auto* enc = reinterpret_cast<nettle_cipher_func*>(twofish_encrypt);
        auto* dec = reinterpret_cast<nettle_cipher_func*>(twofish_decrypt);
        Add(kCbcEnc, name, [=] { cbc_encrypt(&st->ctx, enc, 16, st->iv, kBufferSize, buf, buf); }, whole);
        Add(kCbcDec, name, [=] { cbc_decrypt(&st->ctx, dec, 16, st->iv, kBufferSize, buf, buf); }, whole);
        Add(kCfb, name, [=] { cfb8_encrypt(&st->ctx, enc, 16, st->iv, kCfbBytes, buf, buf); }, cfbBytes);
        auto key = std::make_shared<twofish_ctx>();
        Add(kSetup, name, [=] { twofish_set_key(key.get(), 24, kKey); }, 1);
        Add(kSha, name, [=] {
            sha1_ctx s;
            std::uint8_t d[20];
            sha1_init(&s);
            sha1_update(&s, kBufferSize, buf);
            sha1_digest(&s, 20, d);
        }, whole);
    }
#endif

#ifdef HAVE_GCRYPT
    {
        // libgcrypt offers Twofish with 128- and 256-bit keys only.
        const std::string name = "libgcrypt";
        peers.push_back(name);
        gcry_check_version(nullptr);
        gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
        auto open = [](int mode) {
            gcry_cipher_hd_t h;
            gcry_cipher_open(&h, GCRY_CIPHER_TWOFISH, mode, 0);
            gcry_cipher_setkey(h, kKey, 32);
            gcry_cipher_setiv(h, kIv, 16);
            return h;
        };
        // Handles live until the program ends.
        gcry_cipher_hd_t cbc = open(GCRY_CIPHER_MODE_CBC), cfb8 = open(GCRY_CIPHER_MODE_CFB8),
                         keyed = open(GCRY_CIPHER_MODE_CBC);
        Add(kCbcEnc, name, [=] { gcry_cipher_encrypt(cbc, buf, kBufferSize, nullptr, 0); }, whole);
        Add(kCbcDec, name, [=] { gcry_cipher_decrypt(cbc, buf, kBufferSize, nullptr, 0); }, whole);
        Add(kCfb, name, [=] { gcry_cipher_encrypt(cfb8, buf, kCfbBytes, nullptr, 0); }, cfbBytes);
        Add(kSetup, name, [=] { gcry_cipher_setkey(keyed, kKey, 32); }, 1);
        Add(kSha, name, [=] {
            std::uint8_t d[20];
            gcry_md_hash_buffer(GCRY_MD_SHA1, d, buf, kBufferSize);
        }, whole);
    }
#endif

#ifdef HAVE_BOTAN
    {
        const std::string name = "Botan 2";
        peers.push_back(name);
        std::shared_ptr<Botan::Cipher_Mode> enc =
            Botan::Cipher_Mode::create_or_throw("Twofish/CBC/NoPadding", Botan::ENCRYPTION);
        std::shared_ptr<Botan::Cipher_Mode> dec =
            Botan::Cipher_Mode::create_or_throw("Twofish/CBC/NoPadding", Botan::DECRYPTION);
        std::shared_ptr<Botan::Cipher_Mode> cfb8 = Botan::Cipher_Mode::create_or_throw("Twofish/CFB(8)", Botan::ENCRYPTION);
        for (auto* m : {enc.get(), dec.get(), cfb8.get()}) {
            m->set_key(kKey, 24);
            m->start(kIv, 16);
        }
        Add(kCbcEnc, name, [=] { enc->process(buf, kBufferSize); }, whole);
        Add(kCbcDec, name, [=] { dec->process(buf, kBufferSize); }, whole);
        Add(kCfb, name, [=] { cfb8->process(buf, kCfbBytes); }, cfbBytes);
        std::shared_ptr<Botan::BlockCipher> block = Botan::BlockCipher::create_or_throw("Twofish");
        Add(kSetup, name, [=] { block->set_key(kKey, 24); }, 1);
        std::shared_ptr<Botan::HashFunction> hash = Botan::HashFunction::create_or_throw("SHA-1");
        Add(kSha, name, [=] {
            std::uint8_t d[20];
            hash->update(buf, kBufferSize);
            hash->final(d);
        }, whole);
    }
#endif

#ifdef HAVE_CRYPTOPP
    {
        const std::string name = "Crypto++";
        peers.push_back(name);
        auto enc = std::make_shared<CryptoPP::CBC_Mode<CryptoPP::Twofish>::Encryption>(kKey, 24, kIv);
        auto dec = std::make_shared<CryptoPP::CBC_Mode<CryptoPP::Twofish>::Decryption>(kKey, 24, kIv);
        auto cfb8 = std::make_shared<CryptoPP::CFB_Mode<CryptoPP::Twofish>::Encryption>(kKey, 24, kIv, 1);
        Add(kCbcEnc, name, [=] { enc->ProcessData(buf, buf, kBufferSize); }, whole);
        Add(kCbcDec, name, [=] { dec->ProcessData(buf, buf, kBufferSize); }, whole);
        Add(kCfb, name, [=] { cfb8->ProcessData(buf, buf, kCfbBytes); }, cfbBytes);
        auto block = std::make_shared<CryptoPP::Twofish::Encryption>();
        Add(kSetup, name, [=] { block->SetKey(kKey, 24); }, 1);
        auto hash = std::make_shared<CryptoPP::SHA1>();
        Add(kSha, name, [=] {
            std::uint8_t d[20];
            hash->Update(buf, kBufferSize);
            hash->Final(d);
        }, whole);
    }
#endif

    // Every implementation behind our bulk CBC and CFB-8 operations that this
    // CPU can run, for the cycles per byte of each; a path that takes groups
    // of blocks hands any rest to the entries after it, as in use.
    const std::string pathRow = "path";
    const tarnex::detail::Features cpu = tarnex::detail::CpuFeatures();
    for (bool encrypt : {true, false}) {
        const auto paths = encrypt ? tarnex::detail::CbcEncryptPaths() : tarnex::detail::CbcDecryptPaths();
        for (std::size_t i = 0; i < paths.size(); ++i)
            if (tarnex::detail::CanRun(paths[i], cpu))
                Add(pathRow, std::string(encrypt ? "CBC encrypt, " : "CBC decrypt, ") + paths[i].Name,
                    [=] { tarnex::detail::RunCbc(paths.subspan(i), cpu, *ours, buf, buf, kBlocks); }, whole);
    }
    for (const auto& path : tarnex::detail::Cfb8Paths())
        if (tarnex::detail::CanRun(path, cpu))
            Add(pathRow, std::string("CFB-8, ") + path.Name,
                [=, &path] { path.Run(*ours, buf, buf, static_cast<std::int32_t>(kCfbBytes), false); }, cfbBytes);

    const double hz = CoreHz();
    MeasureAll();

    auto figure = [](const std::string& row, const std::string& column) -> std::optional<double> {
        for (const auto& c : g_cases)
            if (c.row == row && c.column == column)
                return c.Median();
        return std::nullopt;
    };

    std::printf("Twofish and SHA-1 on one core: median of %d interleaved runs; core clock %.2f GHz\n", g_runs,
                hz / 1e9);
    std::printf("Ours with the 20-byte digest as key (192-bit Twofish); peers with a 192-bit key, libgcrypt with\n"
                "a 256-bit key (it has no 192-bit Twofish). MB/s = 10^6 bytes per second.\n\n");
    std::vector<std::string> columns = {"ours", "ours, one block"};
    columns.insert(columns.end(), peers.begin(), peers.end());
    std::printf("%-36s", "");
    for (const auto& c : columns)
        std::printf(" %15s", c.c_str());
    std::printf(" %10s\n", "ours/best");
    for (const char* row : {kCbcEnc, kCbcDec, kCfb, kSetup, kSha}) {
        const bool perSecond = row == kSetup;
        std::printf("%-36s", (std::string(row) + (perSecond ? " (1/s)" : " (MB/s)")).c_str());
        double best = 0;
        for (const auto& c : columns) {
            const auto f = figure(row, c);
            if (!f) {
                std::printf(" %15s", "-");
                continue;
            }
            std::printf(perSecond ? " %15.0f" : " %15.1f", perSecond ? *f : *f / 1e6);
            if (c.rfind("ours", 0) != 0)
                best = std::max(best, *f);
        }
        if (best > 0)
            std::printf(" %10.2f", *figure(row, "ours") / best);
        std::printf("\n");
    }

    std::printf("\nOur implementations%-25s %10s %12s\n", "", "MB/s", "cycles/byte");
    for (const auto& c : g_cases)
        if (c.row == pathRow)
            std::printf("  %-42s %10.1f %12.2f\n", c.column.c_str(), c.Median() / 1e6, hz / c.Median());
    const double setups = *figure(kSetup, "ours");
    std::printf("  %-42s %10.0f %12.0f (cycles per set-up)\n", "set-up, 20-byte key (per second)", setups,
                hz / setups);
    tarnex::TwofishWipe(*ours);
    tarnex::TwofishWipe(*scratch);
    // The peers' objects go before the libraries' own static state does.
    g_cases.clear();
    return 0;
}
