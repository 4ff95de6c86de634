#include "app/StartupArguments.h"

#include <tarnex/Version.h>

namespace tarnex {

StartupArguments ParseStartupArguments(int argc, const char* const* argv)
{
    StartupArguments args;
    bool dashes = false;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i] != nullptr ? argv[i] : "";
        if (dashes) {
            args.afterDashes.push_back(arg);
            continue;
        }
        if (i > 0 && arg == "--") {
            dashes = true;
            continue;
        }
        if (i > 0 && (arg == "--help" || arg == "-h")) {
            args.action = StartupArguments::Action::Help;
            return args;
        }
        if (i > 0 && arg == "--version" && args.action == StartupArguments::Action::Run)
            args.action = StartupArguments::Action::Version;
        args.beforeDashes.push_back(arg);
    }
    return args;
}

StartupFiles CollectStartupFiles(const std::vector<std::string>& leftByQt,
                                 const std::vector<std::string>& afterDashes, const std::string& cwd)
{
    StartupFiles result;
    for (const std::string& arg : leftByQt) {
        // "-" alone is a file name like any other; anything else with a dash
        // is an option neither this program nor Qt knows.
        if (arg.size() > 1 && arg[0] == '-') {
            result.error = "unknown option '" + arg + "'";
            result.files.clear();
            return result;
        }
        if (!arg.empty())
            result.files.push_back(AbsolutePath(arg, cwd));
    }
    for (const std::string& arg : afterDashes) {
        if (!arg.empty())
            result.files.push_back(AbsolutePath(arg, cwd));
    }
    return result;
}

std::string AbsolutePath(const std::string& path, const std::string& cwd)
{
    const std::string joined = !path.empty() && path[0] == '/' ? path : cwd + "/" + path;
    std::string out;
    out.reserve(joined.size());
    std::size_t i = 0;
    while (i < joined.size()) {
        const std::size_t end = joined.find('/', i);
        const std::size_t stop = end == std::string::npos ? joined.size() : end;
        const std::string_view segment(joined.data() + i, stop - i);
        if (!segment.empty() && segment != ".") {
            out += '/';
            out += segment;
        }
        i = stop + 1;
    }
    return out.empty() ? "/" : out;
}

std::string UsageText()
{
    return "Usage: tarnexfast [OPTION]... [FILE]...\n"
           "Encrypts and decrypts files and clipboard text with a password, and wipes\n"
           "files beyond recovery.\n"
           "\n"
           "The FILEs are added to the list of the program's window, which is shown;\n"
           "when the program already runs in this session, they go to that one. With\n"
           "no FILE the program starts hidden in the system tray.\n"
           "\n"
           "  -h, --help     print this help and exit\n"
           "      --version  print the version and exit\n"
           "      --         every argument after this is a FILE, even one that\n"
           "                 begins with '-'\n"
           "\n"
           "Qt's own options, such as -platform NAME, are understood as well.\n"
           "\n"
           "Exit status: 0 when the program ran or the running one took the files,\n"
           "1 when the running one refused them (it is busy) or did not answer, 2 for\n"
           "a wrong command line.\n";
}

std::string VersionText()
{
    return std::string("tarnexfast ") + kVersion + "\n";
}

} // namespace tarnex
