// The program's commands. None keeps state between calls beyond the two
// program-wide outcome flags below; each reports only through its window.
#pragma once

#include "engine/CommandWindow.h"

#include <string>

namespace tarnex {

// Outcome of the most recent WipeFile; the Wipe command reads and resets it.
extern bool WipeSucceeded;
// Outcome of the most recent Browse; the tray commands read and reset it.
extern bool FilesChosen;

// Encrypt button: every listed file to "<path>.KVX".
void EncryptFiles(CommandWindow& window);
// Decrypt button: every listed file to its name with the extension replaced by ".dec".
void DecryptFiles(CommandWindow& window);

// Wipe button: the confirmation, the owner's write permission restored, then
// WipeFile for every row with the passes box's count.
void WipeCommand(CommandWindow& window);
// Wipes one file: rename to the filler name, overwrite `passes` times, delete.
void WipeFile(CommandWindow& window, const std::string& path, int passes);

// The clipboard commands of the tray menu.
void EncryptClipboard(CommandWindow& window);
void DecryptClipboard(CommandWindow& window);
void EmptyClipboardCommand(CommandWindow& window);

} // namespace tarnex
