// Speed of our cipher, digest and their modes beside the peer libraries that
// are installed. Prints one table; every figure is the median of several runs.
//
//   crypto_bench [--runs N] [--time SECONDS]
#include "crypto/SHA1.h"
#include "crypto/Twofish.h"
#include "crypto/TwofishPaths.h"

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
#include <map>
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

int g_runs = 7;
double g_seconds = 0.15;

// Calls work(n) with growing n until one call takes long enough, then times
// g_runs calls of that size. Returns the median of operations per second.
double Rate(const std::function<void(std::size_t)>& work)
{
    std::size_t n = 1;
    for (;;) {
        const double t0 = ThreadSeconds();
        work(n);
        const double s = ThreadSeconds() - t0;
        if (s >= g_seconds / 4)
            break;
        n *= 2;
    }
    std::vector<double> rates;
    for (int r = 0; r < g_runs; ++r) {
        const double t0 = ThreadSeconds();
        work(n);
        const double s = ThreadSeconds() - t0;
        rates.push_back(static_cast<double>(n) / s);
    }
    std::sort(rates.begin(), rates.end());
    return rates[rates.size() / 2];
}

// Core clock, from a chain of dependent additions (one per cycle).
double CoreHz()
{
    auto chain = [](std::size_t n) {
        std::uint64_t x = 1;
        for (std::size_t i = 0; i < n; ++i)
            asm volatile(".rept 1000\n\tadd $1, %0\n\t.endr" : "+r"(x));
        asm volatile("" ::"r"(x));
    };
    return Rate(chain) * 1000.0;
}

struct Row {
    std::string work;
    std::string unit; // "MB/s" or "1/s"
    std::map<std::string, double> figures;
};

std::vector<std::uint8_t> g_buffer(kBufferSize, 0x3C);
const std::uint8_t kKey[32] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF, 0xFE, 0xDC, 0xBA,
                               0x98, 0x76, 0x54, 0x32, 0x10, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55,
                               0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
const std::uint8_t kIv[16] = {};

double MegabytesPerSecond(const std::function<void()>& pass, std::size_t bytes = kBufferSize)
{
    return Rate([&](std::size_t n) {
               for (std::size_t i = 0; i < n; ++i)
                   pass();
           }) *
           static_cast<double>(bytes) / 1e6;
}

double PerSecond(const std::function<void()>& op)
{
    return Rate([&](std::size_t n) {
        for (std::size_t i = 0; i < n; ++i)
            op();
    });
}

constexpr std::size_t kCfbBytes = 4096; // one block encryption per byte, so a shorter text

} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--runs") && i + 1 < argc)
            g_runs = std::max(1, std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--time") && i + 1 < argc)
            g_seconds = std::max(0.01, std::atof(argv[++i]));
        else {
            std::fprintf(stderr, "usage: %s [--runs N] [--time SECONDS]\n", argv[0]);
            return 2;
        }
    }
    std::uint8_t* buf = g_buffer.data();

    Row cbcEnc{"CBC encryption, 64 KiB in place", "MB/s", {}};
    Row cbcDec{"CBC decryption, 64 KiB in place", "MB/s", {}};
    Row cfb{"CFB-8 encryption, 4 KiB", "MB/s", {}};
    Row setup{"key set-ups", "1/s", {}};
    Row sha{"SHA-1, 64 KiB", "MB/s", {}};
    std::vector<std::string> peers;

    // Ours: the bulk operations, the one-block operations, the digest.
    {
        tarnex::TwofishContext ctx;
        tarnex::TwofishSetup(ctx, kKey, 20, nullptr);
        cbcEnc.figures["ours"] = MegabytesPerSecond([&] { tarnex::TwofishEncryptCbcBlocks(ctx, buf, kBlocks); });
        cbcDec.figures["ours"] = MegabytesPerSecond([&] { tarnex::TwofishDecryptCbcBlocks(ctx, buf, kBlocks); });
        cbcEnc.figures["ours, one block"] = MegabytesPerSecond([&] {
            for (std::size_t i = 0; i < kBlocks; ++i)
                tarnex::TwofishEncryptCbc(ctx, buf + 16 * i, buf + 16 * i);
        });
        cbcDec.figures["ours, one block"] = MegabytesPerSecond([&] {
            for (std::size_t i = 0; i < kBlocks; ++i)
                tarnex::TwofishDecryptCbc(ctx, buf + 16 * i, buf + 16 * i);
        });
        cfb.figures["ours"] = MegabytesPerSecond(
            [&] { tarnex::TwofishEncryptCfb8(ctx, buf, buf, static_cast<std::int32_t>(kCfbBytes)); }, kCfbBytes);
        setup.figures["ours"] = PerSecond([&] { tarnex::TwofishSetup(ctx, kKey, 20, nullptr); });
        tarnex::TwofishWipe(ctx);
        sha.figures["ours"] = MegabytesPerSecond([&] {
            tarnex::Sha1Context s;
            std::uint8_t d[20];
            tarnex::Sha1Start(s);
            tarnex::Sha1Update(s, buf, static_cast<std::int32_t>(kBufferSize));
            tarnex::Sha1Finish(s, d);
        });
    }

#ifdef HAVE_NETTLE
    {
        const std::string name = "nettle";
        peers.push_back(name);
        twofish_ctx ctx;
        twofish_set_key(&ctx, 24, kKey);
        std::uint8_t iv[16] = {};
        auto* enc = reinterpret_cast<nettle_cipher_func*>(twofish_encrypt);
        auto* dec = reinterpret_cast<nettle_cipher_func*>(twofish_decrypt);
        cbcEnc.figures[name] = MegabytesPerSecond([&] { cbc_encrypt(&ctx, enc, 16, iv, kBufferSize, buf, buf); });
        cbcDec.figures[name] = MegabytesPerSecond([&] { cbc_decrypt(&ctx, dec, 16, iv, kBufferSize, buf, buf); });
        cfb.figures[name] = MegabytesPerSecond([&] { cfb8_encrypt(&ctx, enc, 16, iv, kCfbBytes, buf, buf); }, kCfbBytes);
        setup.figures[name] = PerSecond([&] { twofish_set_key(&ctx, 24, kKey); });
        sha.figures[name] = MegabytesPerSecond([&] {
            sha1_ctx s;
            std::uint8_t d[20];
            sha1_init(&s);
            sha1_update(&s, kBufferSize, buf);
            sha1_digest(&s, 20, d);
        });
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
        gcry_cipher_hd_t cbc = open(GCRY_CIPHER_MODE_CBC), cfb8 = open(GCRY_CIPHER_MODE_CFB8);
        cbcEnc.figures[name] = MegabytesPerSecond([&] { gcry_cipher_encrypt(cbc, buf, kBufferSize, nullptr, 0); });
        cbcDec.figures[name] = MegabytesPerSecond([&] { gcry_cipher_decrypt(cbc, buf, kBufferSize, nullptr, 0); });
        cfb.figures[name] = MegabytesPerSecond([&] { gcry_cipher_encrypt(cfb8, buf, kCfbBytes, nullptr, 0); }, kCfbBytes);
        setup.figures[name] = PerSecond([&] { gcry_cipher_setkey(cbc, kKey, 32); });
        sha.figures[name] = MegabytesPerSecond([&] {
            std::uint8_t d[20];
            gcry_md_hash_buffer(GCRY_MD_SHA1, d, buf, kBufferSize);
        });
        gcry_cipher_close(cbc);
        gcry_cipher_close(cfb8);
    }
#endif

#ifdef HAVE_BOTAN
    {
        const std::string name = "Botan 2";
        peers.push_back(name);
        auto enc = Botan::Cipher_Mode::create_or_throw("Twofish/CBC/NoPadding", Botan::ENCRYPTION);
        auto dec = Botan::Cipher_Mode::create_or_throw("Twofish/CBC/NoPadding", Botan::DECRYPTION);
        auto cfb8 = Botan::Cipher_Mode::create_or_throw("Twofish/CFB(8)", Botan::ENCRYPTION);
        for (auto* m : {enc.get(), dec.get(), cfb8.get()}) {
            m->set_key(kKey, 24);
            m->start(kIv, 16);
        }
        cbcEnc.figures[name] = MegabytesPerSecond([&] { enc->process(buf, kBufferSize); });
        cbcDec.figures[name] = MegabytesPerSecond([&] { dec->process(buf, kBufferSize); });
        cfb.figures[name] = MegabytesPerSecond([&] { cfb8->process(buf, kCfbBytes); }, kCfbBytes);
        auto block = Botan::BlockCipher::create_or_throw("Twofish");
        setup.figures[name] = PerSecond([&] { block->set_key(kKey, 24); });
        auto hash = Botan::HashFunction::create_or_throw("SHA-1");
        sha.figures[name] = MegabytesPerSecond([&] {
            std::uint8_t d[20];
            hash->update(buf, kBufferSize);
            hash->final(d);
        });
    }
#endif

#ifdef HAVE_CRYPTOPP
    {
        const std::string name = "Crypto++";
        peers.push_back(name);
        CryptoPP::CBC_Mode<CryptoPP::Twofish>::Encryption enc(kKey, 24, kIv);
        CryptoPP::CBC_Mode<CryptoPP::Twofish>::Decryption dec(kKey, 24, kIv);
        CryptoPP::CFB_Mode<CryptoPP::Twofish>::Encryption cfb8(kKey, 24, kIv, 1);
        cbcEnc.figures[name] = MegabytesPerSecond([&] { enc.ProcessData(buf, buf, kBufferSize); });
        cbcDec.figures[name] = MegabytesPerSecond([&] { dec.ProcessData(buf, buf, kBufferSize); });
        cfb.figures[name] = MegabytesPerSecond([&] { cfb8.ProcessData(buf, buf, kCfbBytes); }, kCfbBytes);
        CryptoPP::Twofish::Encryption block;
        setup.figures[name] = PerSecond([&] { block.SetKey(kKey, 24); });
        CryptoPP::SHA1 hash;
        sha.figures[name] = MegabytesPerSecond([&] {
            std::uint8_t d[20];
            hash.Update(buf, kBufferSize);
            hash.Final(d);
        });
    }
#endif

    const double hz = CoreHz();
    std::printf("Twofish and SHA-1, one core, median of %d runs; core clock %.2f GHz\n", g_runs, hz / 1e9);
    std::printf("Ours: 192-bit key (20-byte digest). Peers: 192-bit key, libgcrypt 256-bit (it has no 192).\n\n");

    std::vector<std::string> columns = {"ours", "ours, one block"};
    columns.insert(columns.end(), peers.begin(), peers.end());
    std::printf("%-34s", "work");
    for (const auto& c : columns)
        std::printf(" %16s", c.c_str());
    std::printf(" %12s\n", "ours/best");
    for (const Row* row : {&cbcEnc, &cbcDec, &cfb, &setup, &sha}) {
        std::printf("%-34s", (row->work + " (" + row->unit + ")").c_str());
        double best = 0;
        for (const auto& c : columns) {
            const auto it = row->figures.find(c);
            if (it == row->figures.end()) {
                std::printf(" %16s", "-");
                continue;
            }
            if (row->unit == "1/s")
                std::printf(" %16.0f", it->second);
            else
                std::printf(" %16.1f", it->second);
            if (c.rfind("ours", 0) != 0)
                best = std::max(best, it->second);
        }
        if (best > 0)
            std::printf(" %12.2f", row->figures.at("ours") / best);
        std::printf("\n");
    }

    // Every implementation of the bulk operations this CPU can run.
    std::printf("\nBulk CBC paths (64 KiB in place)            MB/s   cycles/byte\n");
    tarnex::TwofishContext ctx;
    tarnex::TwofishSetup(ctx, kKey, 20, nullptr);
    auto report = [&](const char* direction, const tarnex::detail::CbcPath& path) {
        if (!path.Available())
            return;
        const double mbs = MegabytesPerSecond([&] { path.Run(ctx, buf, kBlocks); });
        std::printf("  %-10s %-30s %8.1f %10.2f\n", direction, path.Name, mbs, hz / (mbs * 1e6));
    };
    for (const auto& path : tarnex::detail::CbcEncryptPaths())
        report("encrypt", path);
    for (const auto& path : tarnex::detail::CbcDecryptPaths())
        report("decrypt", path);
    std::printf("  %-10s %-30s %8.1f %10.2f\n", "CFB-8", "one block per byte", cfb.figures["ours"],
                hz / (cfb.figures["ours"] * 1e6));
    std::printf("  %-10s %-30s %8.0f %10.0f (cycles/set-up)\n", "set-up", "20-byte key", setup.figures["ours"],
                hz / setup.figures["ours"]);
    tarnex::TwofishWipe(ctx);
    return 0;
}
