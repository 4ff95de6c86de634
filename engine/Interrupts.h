// What an interrupt (SIGINT, SIGTERM, SIGHUP) undoes before the program ends,
// so that no signal leaves a cut-short output or a file hidden under the
// wipe's filler name.
#pragma once

#include <string>

namespace tarnex {

// Installs the handlers for SIGINT, SIGTERM and SIGHUP, once; a signal that
// is ignored when this is called (nohup) stays ignored. While a command works
// on a file, an interrupt undoes what is registered below and ends the
// program by the signal's default action. Between commands it is handed to
// whatever handled the signal before, so a program's own orderly quit keeps
// working: install that first.
void InstallInterruptCleanup();

// Marks the span in which a command works on files.
class FilesAtHand {
public:
    FilesAtHand();
    ~FilesAtHand();
    FilesAtHand(const FilesAtHand&) = delete;
    FilesAtHand& operator=(const FilesAtHand&) = delete;
};

// A temporary file with a name on the disk, removed on an interrupt. One at a
// time: the file commands never have two named ones.
void RegisterTemporary(const std::string& path) noexcept;
void ForgetTemporary() noexcept;

// A file that the wipe moved to its filler name, moved back on an interrupt.
void RegisterMovedFile(const std::string& working, const std::string& listed) noexcept;
void ForgetMovedFile() noexcept;

// Moves path to target without ever replacing a file of that name. Where
// the file system has no exclusive rename, a hard link (which fails on an
// existing name) and an unlink do the same. Async-signal-safe.
bool MoveNoReplace(const char* path, const char* target) noexcept;

} // namespace tarnex
