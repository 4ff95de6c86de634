// How file names and the engine's texts are shown. A Linux file name is any
// bytes but '/' and NUL, so a name need not be valid UTF-8: the row keeps the
// bytes, and only what the user reads is made of text.
#pragma once

#include <QString>

#include <string_view>

namespace tarnex {

enum class LineBreaks {
    Escape, // one-line places: the list, the status bar, labels
    Keep,   // boxes, whose texts are several lines (CR, LF or CR LF)
};

// Valid UTF-8 as its characters; every byte that is not part of a valid
// sequence, and every control character, as \xNN, so that two different names
// never look the same merely because both hold undecodable bytes.
QString ReadableText(std::string_view bytes, LineBreaks breaks = LineBreaks::Escape);

} // namespace tarnex
