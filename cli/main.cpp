// tarnexfast-cli: the file, wipe and clipboard-text commands for scripts,
// servers and headless use, with the same outputs and messages as the window.
#include "cli/TerminalWindow.h"
#include "cli/TextCommands.h"
#include "crypto/Tools.h"
#include "engine/Commands.h"
#include "engine/FileSystems.h"
#include "engine/Interrupts.h"
#include "engine/Wipe.h"

#include <clocale>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <tarnex/Version.h>

namespace {

constexpr int kSuccess = 0;
constexpr int kFailure = 1;
constexpr int kUsage = 2;

const char* const kHelp =
    "Usage: tarnexfast-cli COMMAND [OPTION]... [FILE]...\n"
    "\n"
    "Commands:\n"
    "  encrypt FILE...    encrypt each FILE into FILE.KVX\n"
    "  decrypt FILE...    decrypt each FILE into its name with the extension\n"
    "                     replaced by .dec\n"
    "  wipe FILE...       overwrite each FILE, then delete it; a file that cannot\n"
    "                     be overwritten and deleted is left as it is\n"
    "  encrypt-text       encrypt standard input into one Base64 line on\n"
    "                     standard output\n"
    "  decrypt-text       decrypt such a line, read exactly as it stands, from\n"
    "                     standard input to standard output\n"
    "\n"
    "Options:\n"
    "  --password-file F  use the first line of F as the password; without it\n"
    "                     the password is asked on the terminal\n"
    "  --passes N         wipe passes (default 3); each writes zeros, 0xFF bytes\n"
    "                     and cipher output over the whole file; 0 deletes the\n"
    "                     files without overwriting them\n"
    "  --yes              wipe without asking\n"
    "  --bytes            encrypt-text and decrypt-text: take and give the plain\n"
    "                     side as bytes, exactly; without it the plain side is\n"
    "                     UTF-8 text and other input is refused\n"
    "  -h, --help         show this help\n"
    "  --version          show the version\n"
    "\n"
    "encrypt and decrypt stop at the first file that fails; the files before it\n"
    "have their outputs, and an existing output of a failed file is kept as it\n"
    "was. wipe goes on with the next file. Outputs are on the disk when the\n"
    "command ends. Exit status: 0 when every file (or the text) was done, 1 when\n"
    "one failed or the wipe was not confirmed, 2 for bad usage.\n";

int Usage(const std::string& problem)
{
    std::cerr << "tarnexfast-cli: " << problem << "\nTry 'tarnexfast-cli --help'.\n";
    return kUsage;
}

struct Options {
    std::string command;
    std::vector<std::string> files;
    std::optional<std::string> passwordFile;
    std::optional<std::string> passes;
    bool yes = false;
    bool bytes = false;
};

// Returns an exit status when parsing ends the run.
std::optional<int> Parse(int argc, char** argv, Options& options)
{
    std::vector<std::string_view> args(argv + 1, argv + argc);
    if (args.empty())
        return Usage("missing command");
    for (const auto a : args)
        if (a == "--")
            break;
        else if (a == "-h" || a == "--help") {
            std::cout << kHelp;
            return kSuccess;
        } else if (a == "--version") {
            std::cout << "tarnexfast-cli " << tarnex::kVersion << '\n';
            return kSuccess;
        }

    options.command = std::string(args[0]);
    const bool isFiles = options.command == "encrypt" || options.command == "decrypt";
    const bool isWipe = options.command == "wipe";
    const bool isText = options.command == "encrypt-text" || options.command == "decrypt-text";
    if (!isFiles && !isWipe && !isText)
        return Usage("unknown command '" + options.command + "'");

    bool onlyFiles = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string_view a = args[i];
        if (onlyFiles || a.empty() || a[0] != '-' || a == "-") {
            options.files.emplace_back(a);
            continue;
        }
        if (a == "--") {
            onlyFiles = true;
            continue;
        }
        // --name VALUE or --name=VALUE
        const auto eq = a.find('=');
        const std::string_view name = a.substr(0, eq);
        auto value = [&]() -> std::optional<std::string> {
            if (eq != std::string_view::npos)
                return std::string(a.substr(eq + 1));
            if (i + 1 < args.size())
                return std::string(args[++i]);
            return std::nullopt;
        };
        if (name == "--password-file" && !isWipe) {
            options.passwordFile = value();
            if (!options.passwordFile)
                return Usage("--password-file needs a file");
        } else if (name == "--passes" && isWipe) {
            options.passes = value();
            if (!options.passes)
                return Usage("--passes needs a number");
        } else if (a == "--yes" && isWipe) {
            options.yes = true;
        } else if (a == "--bytes" && isText) {
            options.bytes = true;
        } else {
            return Usage("unknown option '" + std::string(a) + "' for " + options.command);
        }
    }
    if (isText && !options.files.empty())
        return Usage(options.command + " reads standard input and takes no files");
    if (!isText && options.files.empty())
        return Usage("no files given");
    return std::nullopt;
}

// The top-level error report: an error the command does not handle itself
// ends it, and its text goes to standard error.
template <typename Command>
bool Guarded(tarnex::TerminalWindow& window, Command command)
{
    try {
        command();
        return true;
    } catch (const std::exception& e) {
        window.EndProgressLine();
        std::cerr << e.what() << '\n';
        return false;
    }
}

int Run(const Options& options)
{
    tarnex::TerminalWindow window;
    window.rows = options.files;
    window.passwordFile = options.passwordFile;
    window.confirmPassword = options.command == "encrypt" || options.command == "encrypt-text";

    if (options.command == "wipe") {
        window.assumeYes = options.yes;
        if (options.passes) {
            window.passes = *options.passes;
            try {
                const int passes = tarnex::ParsePasses(window.passes);
                if (passes < 0)
                    return Usage("--passes must not be negative");
                if (passes == 0)
                    std::cerr << "tarnexfast-cli: note: with --passes 0 the files are deleted without being "
                                 "overwritten\n";
            } catch (const tarnex::Error& e) {
                return Usage(e.what());
            }
        }
        if (!options.yes && !tarnex::HaveTerminal())
            return Usage("no terminal to confirm the wipe; use --yes");
        for (const std::string& file : options.files)
            if (const auto risk = tarnex::OverwriteRiskOf(file))
                std::cerr << "tarnexfast-cli: warning: " << file << " is on " << risk->fileSystem << ", a " << risk->kind
                          << " file system: overwriting it may not reach every copy of its old content\n";
        tarnex::CommandOutcome outcome;
        if (!Guarded(window, [&] { outcome = tarnex::WipeCommand(window); }))
            return kFailure;
        return outcome.Succeeded() ? kSuccess : kFailure;
    }

    if (options.command == "encrypt" || options.command == "decrypt") {
        if (!window.LoadPassword())
            return window.failed ? kFailure : kUsage;
        tarnex::CommandOutcome outcome;
        const bool ran = Guarded(window, [&] {
            outcome = options.command == "encrypt" ? tarnex::EncryptFiles(window) : tarnex::DecryptFiles(window);
        });
        return ran && outcome.Succeeded() ? kSuccess : kFailure;
    }

    if (!window.passwordFile && !tarnex::HaveTerminal())
        return Usage("no terminal to ask for the password; use --password-file");
    const auto direction = options.command == "encrypt-text" ? tarnex::TextDirection::Encrypt
                                                             : tarnex::TextDirection::Decrypt;
    int status = kFailure;
    Guarded(window, [&] { status = tarnex::RunTextCommand(window, direction, options.bytes); });
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    std::setlocale(LC_ALL, "");
    // An interrupted file command leaves no cut-short output and no hidden file.
    tarnex::InstallInterruptCleanup();
    std::ios::sync_with_stdio(false);
    Options options;
    if (const auto status = Parse(argc, argv, options))
        return *status;
    try {
        return Run(options);
    } catch (const std::exception& e) {
        std::cerr << "tarnexfast-cli: " << e.what() << '\n';
        return kFailure;
    }
}
