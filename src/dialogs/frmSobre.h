// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDialog>

class QLabel;
class QPushButton;
class ClickLabel;

// The About dialog's window: the maker's name, web page and e-mail address, built from its
// design at every opening.
class frmSobreWindow : public QDialog {
    Q_OBJECT
public:
    explicit frmSobreWindow(QWidget *parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void createTexts();
    void createLinks();
    void Command1_Click();
    void endereco_Click();
    void email_Click();

    QLabel *Label1;
    QLabel *Label2;
    QWidget *picFocus;
    QLabel *Label6[2];
    ClickLabel *endereco;
    ClickLabel *email;
    QPushButton *Command1;
};

// The About dialog: made afresh at every opening, shown modally.
namespace frmSobre {
void showModal();
bool isOpen();
void close();
// The open dialog, if any.
frmSobreWindow *current();
}
