// The clipboard commands of the tray menu, run so that the clipboard is read
// and set while a window of the program has the keyboard focus: Wayland
// compositors hand the clipboard only to the focused program, and after the
// password dialog has closed the program may have no window on screen at all.
#pragma once

namespace tarnex {

class CommandWindow;
struct CommandOutcome;
class TForm1;
class Tpass;

// Shows the password dialog; on OK the command runs while the dialog is
// still on screen, and the dialog goes away before the command's first box
// (its closing message or an error). The command sees the same order of
// effects as anywhere: the password is asked first, then the clipboard is
// read and set, then the message is shown. Failures are rethrown once the
// dialog has closed.
void RunClipboardCommand(TForm1& form, Tpass& dialog, CommandOutcome (*command)(CommandWindow&));

} // namespace tarnex
