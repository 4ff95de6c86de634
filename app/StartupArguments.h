// The desktop program's command line: its own two options, Qt's options, and
// the files to list. Paths are taken as the bytes the shell gave.
#pragma once

#include <string>
#include <vector>

namespace tarnex {

struct StartupArguments {
    enum class Action { Run, Help, Version };
    Action action = Action::Run;
    // The program name and every argument before "--": Qt takes its own
    // options (-platform NAME, ...) from these, and what it leaves are files.
    std::vector<std::string> beforeDashes;
    // Every argument after "--": files, whatever they look like.
    std::vector<std::string> afterDashes;
};

// Reads argv. --help and --version are looked for before "--" only.
StartupArguments ParseStartupArguments(int argc, const char* const* argv);

struct StartupFiles {
    std::vector<std::string> files; // absolute, in command-line order
    std::string error;              // set when an argument is no file
};

// The files named by what Qt left of the arguments before "--" (without the
// program name) and by the arguments after it. A relative path is taken
// relative to `cwd`: the program that lists it may run in another folder.
StartupFiles CollectStartupFiles(const std::vector<std::string>& leftByQt,
                                 const std::vector<std::string>& afterDashes, const std::string& cwd);

// `path` made absolute against `cwd`, with "./" segments and repeated
// slashes dropped. ".." is kept: it may cross a symbolic link.
std::string AbsolutePath(const std::string& path, const std::string& cwd);

std::string UsageText();
std::string VersionText();

} // namespace tarnex
