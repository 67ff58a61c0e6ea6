#include "dialogs/frmSobre.h"

namespace frmSobre {
void showModal() {}
bool isOpen() { return false; }
void close() {}
}
