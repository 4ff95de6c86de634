// Where a file command writes an output until it is whole and on the disk:
// a new owner-only file in the output's folder that takes the output's name
// only at the end, so that an existing output keeps its content until then
// and no interrupted or failed run leaves a cut-short file under that name.
#pragma once

#include "engine/Files.h"

#include <sys/stat.h>

#include <optional>
#include <string>

namespace tarnex {

// What stands under the output's name before the command.
struct OutputTarget {
    bool exists = false;
    struct stat st {}; // when it exists
};

// Whether the output's name can take the output: nothing is there, or a
// regular file that the user could open for writing (its content untouched)
// and that is not the input itself. A symbolic link, a folder, a FIFO or a
// file the user may not write is refused (nullopt), as creating it would
// have been.
std::optional<OutputTarget> InspectOutput(const std::string& out, const struct stat& input);

class PendingOutput {
public:
    PendingOutput() = default;
    ~PendingOutput() { Abandon(); }
    PendingOutput(PendingOutput&&) = delete;
    PendingOutput& operator=(PendingOutput&&) = delete;

    // Creates the file in out's folder: without a name (O_TMPFILE), which
    // leaves nothing behind whatever ends the program, or, where the file
    // system cannot do that and allowNamed, as a hidden file named after the
    // output (".<name>.<random>.tarnex-part") that an interrupt removes.
    // False when neither can be created.
    bool Create(const std::string& out, const OutputTarget& target, bool allowNamed);
    // Opens the file anew through the same inode and closes the creating
    // descriptor; false when that fails.
    bool Reopen();

    int Fd() const { return fd_.Get(); }
    bool Named() const { return !tempName_.empty(); }
    const std::string& OutputName() const { return out_; }

    // Gives the file the mode (and, where allowed, the owner) of the output
    // it replaces and moves it onto the output's name, replacing what is
    // there. Its data must be synced first; the folder is synced by the
    // caller. Throws a report naming the output.
    void Commit();
    // Closes and removes the file; the output's name is left as it was.
    void Abandon() noexcept;

private:
    // 0, or the error that kept the unnamed file from taking that name.
    int LinkUnder(const std::string& name);

    std::string out_;
    OutputTarget target_;
    UniqueFd fd_;
    std::string tempName_; // empty for an unnamed file
};

} // namespace tarnex
