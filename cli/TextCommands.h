// encrypt-text and decrypt-text: the clipboard format over standard input
// and output, with nothing of the input or the output lost on the way.
#pragma once

#include "cli/TerminalWindow.h"

namespace tarnex {

enum class TextDirection { Encrypt, Decrypt };

// Runs one text command and returns the exit status: 0 once the output is
// written and on the disk or in the pipe, 1 when the password, the input or
// the output failed. With rawBytes the plain side is taken and given as
// bytes; without it, input that is not UTF-8 text is refused, since the text
// rule would change it. Errors it does not report itself are thrown.
int RunTextCommand(TerminalWindow& window, TextDirection direction, bool rawBytes);

} // namespace tarnex
