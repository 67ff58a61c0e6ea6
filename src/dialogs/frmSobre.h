#pragma once

// The About dialog: made afresh at every opening, shown modally.
namespace frmSobre {
void showModal();
bool isOpen();
void close();
}
