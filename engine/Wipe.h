// The Wipe command and the wipe of one file: moved to a filler name,
// overwritten pass by pass, each overwrite on the disk before the next, then
// deleted. A file the wipe could not finish is left under its own name.
#pragma once

#include "engine/CommandWindow.h"
#include "engine/Outcome.h"

#include <cstddef>
#include <string>

namespace tarnex {

// Outcome of the most recent WipeFile; the Wipe command reads and resets it.
extern bool WipeSucceeded;

// Wipe button: the confirmation, the owner's write permission restored, then
// WipeFile for every row with the passes box's count.
CommandOutcome WipeCommand(CommandWindow& window);
// Wipes one file: rename to the filler name, overwrite `passes` times,
// delete. True when the file is gone; false after the "Unable to get the
// file to erase" box. Throws Error("TProgressBar property out of range") for
// a negative count, before anything is touched.
bool WipeFile(CommandWindow& window, const std::string& path, int passes);

// The name every wiped file takes before it is overwritten.
extern const char* const FillerName;

// The passes box's text as a decimal integer: an optional sign and digits,
// within the int range. Throws Error("'<text>' is not a valid integer value").
int ParsePasses(const std::string& text);

// The local date and time as the wipe key uses it: the locale's short date
// and long time.
std::string WipeDateTimeText();

// A wipe pass overwrites the file in regions of this size; see Wipe.cpp.
constexpr std::size_t kWipeRegion = std::size_t{4} << 20;
// Runs of zero or 0xFF bytes are written from a pattern buffer of this size.
constexpr std::size_t kPatternSize = std::size_t{256} << 10;

} // namespace tarnex
