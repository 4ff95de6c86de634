#include "app/StartupArguments.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarnex {
namespace {

using Strings = std::vector<std::string>;

StartupArguments Parse(const Strings& argv)
{
    std::vector<const char*> pointers;
    for (const std::string& s : argv)
        pointers.push_back(s.c_str());
    return ParseStartupArguments(static_cast<int>(pointers.size()), pointers.data());
}

TEST(StartupArguments, OptionsBeforeTheDashesOnly)
{
    struct Row {
        Strings argv;
        StartupArguments::Action action;
        Strings before;
        Strings after;
    };
    using A = StartupArguments::Action;
    const Row rows[] = {
        {{"tarnexfast"}, A::Run, {"tarnexfast"}, {}},
        {{"tarnexfast", "--version"}, A::Version, {"tarnexfast", "--version"}, {}},
        {{"tarnexfast", "a", "--help", "--version"}, A::Help, {}, {}},
        {{"tarnexfast", "--version", "-h"}, A::Help, {}, {}},
        {{"tarnexfast", "-platform", "xcb", "f"}, A::Run, {"tarnexfast", "-platform", "xcb", "f"}, {}},
        {{"tarnexfast", "a", "--", "--help", "-x", "--"}, A::Run, {"tarnexfast", "a"}, {"--help", "-x", "--"}},
    };
    for (const Row& row : rows) {
        const StartupArguments args = Parse(row.argv);
        EXPECT_EQ(args.action, row.action) << row.argv.back();
        if (row.action != A::Help) {
            EXPECT_EQ(args.beforeDashes, row.before) << row.argv.back();
            EXPECT_EQ(args.afterDashes, row.after) << row.argv.back();
        }
    }
}

TEST(StartupArguments, FilesAreAbsoluteBytesInOrder)
{
    const StartupFiles files =
        CollectStartupFiles({"caf\xff.bin", "/abs/x", "-"}, {"-dashed", "./sub//y", ""}, "/home/u");
    EXPECT_TRUE(files.error.empty());
    EXPECT_EQ(files.files,
              (Strings{"/home/u/caf\xff.bin", "/abs/x", "/home/u/-", "/home/u/-dashed", "/home/u/sub/y"}));

    const StartupFiles unknown = CollectStartupFiles({"a", "-q"}, {}, "/");
    EXPECT_EQ(unknown.error, "unknown option '-q'");
    EXPECT_TRUE(unknown.files.empty()) << "nothing is listed from a wrong command line";
}

TEST(StartupArguments, AbsolutePathKeepsDotDot)
{
    const std::pair<std::string, std::string> rows[] = {
        {"f", "/cwd/f"},
        {"./f", "/cwd/f"},
        {"a/./b/", "/cwd/a/b"},
        {"../f", "/cwd/../f"},
        {"/x//y/.", "/x/y"},
        {"/", "/"},
        {".", "/cwd"},
    };
    for (const auto& [path, absolute] : rows)
        EXPECT_EQ(AbsolutePath(path, "/cwd"), absolute) << path;
    EXPECT_EQ(AbsolutePath("f", "/"), "/f");
}

TEST(StartupArguments, HelpAndVersionTexts)
{
    EXPECT_EQ(VersionText().rfind("tarnexfast ", 0), 0u);
    EXPECT_EQ(VersionText().back(), '\n');
    EXPECT_NE(UsageText().find("Usage: tarnexfast [OPTION]... [FILE]..."), std::string::npos);
}

} // namespace
} // namespace tarnex
