// The program's commands, through one include: the file commands, the wipe
// and the clipboard commands. None keeps state between calls beyond the two
// program-wide outcome flags; each reports through its window and returns
// what happened.
#pragma once

#include "engine/CommandWindow.h"
#include "engine/FileCommands.h"
#include "engine/Outcome.h"
#include "engine/Wipe.h"

namespace tarnex {

// Outcome of the most recent Browse; the tray commands read and reset it.
extern bool FilesChosen;

// The clipboard commands of the tray menu.
CommandOutcome EncryptClipboard(CommandWindow& window);
CommandOutcome DecryptClipboard(CommandWindow& window);
CommandOutcome EmptyClipboardCommand(CommandWindow& window);

} // namespace tarnex
