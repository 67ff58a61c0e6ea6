// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>
#include <QStringList>
#include <Qt>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

// The properties dialog's controls made as designed: named, in the dialog's font, placed in
// twips; a list named after its label for screen readers.
namespace PropControls {

QGroupBox *makeFrame(QWidget *parent, const char *name, const QString &caption, float l, float t, float w, float h);
QLabel *makeLabel(QWidget *parent, const QString &name, const QString &caption, bool bold, Qt::Alignment align, float l,
                  float t, float w, float h);
// A check box whose indicator shows whole even where the design gave it less room.
QCheckBox *makeCheck(QWidget *parent, const char *name, const QString &caption, float l, float t, float w, float h);
QLineEdit *makeEdit(QWidget *parent, const char *name, int maxLength, float l, float t, float w, float h);
// What a label says, as a name: without the colon that ends it on the screen.
QString nameOf(const QLabel *label);
// A drop-down list named after `label`, nothing chosen yet.
QComboBox *makeList(QWidget *parent, const char *name, const QLabel *label, const QStringList &items, float l, float t,
                    float w, float h);
// A button that Enter does not press just because the dialog is open.
QPushButton *makeButton(QWidget *parent, const char *name, const QString &caption, float l, float t, float w, float h);

} // namespace PropControls
