// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QDialog;

// Runs a dialog as a person knows a modal dialog: the note windows take no input until it ends,
// and a click on a note brings the dialog forward. Unlike Qt's application modality it leaves the
// tray icon working, which under an XEmbed tray is a window of the program like any other.
namespace ModalRun {
// Shows the dialog and returns once it has finished or gone away.
void exec(QDialog *dialog);
}
