#include "dialogs/frmProp.h"

#include <QDialog>

frmProp &frmProp::instance()
{
    static frmProp *dialog = new frmProp; // kept until the program ends
    return *dialog;
}

void frmProp::mostrar(frmLembrete *note) { Q_UNUSED(note); }
bool frmProp::isDialogVisible() const { return m_window && m_window->isVisible(); }
void frmProp::hideDialog() {}
void frmProp::showAgain() {}
