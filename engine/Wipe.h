// Pieces of the wipe that the command-line tool and the tests use as well.
#pragma once

#include <string>

namespace tarnex {

// The name every wiped file takes before it is overwritten.
extern const char* const FillerName;

// The passes box's text as a decimal integer: an optional sign and digits,
// within the int range. Throws Error("'<text>' is not a valid integer value").
int ParsePasses(const std::string& text);

// The local date and time as the wipe key uses it: the locale's short date
// and long time.
std::string WipeDateTimeText();

} // namespace tarnex
