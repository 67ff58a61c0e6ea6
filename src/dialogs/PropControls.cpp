// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/PropControls.h"
#include "dialogs/DialogDesign.h"
#include "dialogs/LabelledList.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

namespace PropControls {

using namespace DialogDesign;

QGroupBox *makeFrame(QWidget *parent, const char *name, const QString &caption, float l, float t, float w, float h)
{
    auto *frame = new QGroupBox(caption, parent);
    frame->setObjectName(QLatin1String(name));
    frame->setFont(designFont(8.25, true));
    placeTw(frame, l, t, w, h);
    return frame;
}

QLabel *makeLabel(QWidget *parent, const QString &name, const QString &caption, bool bold, Qt::Alignment align, float l,
                  float t, float w, float h)
{
    auto *label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setFont(designFont(8.25, bold));
    label->setAlignment(align | Qt::AlignTop);
    placeTw(label, l, t, w, h);
    return label;
}

QCheckBox *makeCheck(QWidget *parent, const char *name, const QString &caption, float l, float t, float w, float h)
{
    auto *box = new QCheckBox(caption, parent);
    box->setObjectName(QLatin1String(name));
    box->setFont(designFont(8.25, false));
    placeTw(box, l, t, w, h);
    // The designed 13 pixels are less than the style's indicator, whose bottom would be cut off:
    // grow the box evenly above and below, so the indicator shows whole and stays centred where
    // the design put it.
    const int indicator = box->style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, box);
    if (box->height() < indicator) {
        const int grow = (indicator - box->height() + 1) / 2;
        box->setGeometry(box->geometry().adjusted(0, -grow, 0, grow));
    }
    return box;
}

QLineEdit *makeEdit(QWidget *parent, const char *name, int maxLength, float l, float t, float w, float h)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setFont(designFont(6.75, false));
    edit->setMaxLength(maxLength);
    placeTw(edit, l, t, w, h);
    return edit;
}

// What a label says, as a name: without the colon that ends it on the screen.
QString nameOf(const QLabel *label)
{
    QString name = label->text().trimmed();
    if (name.endsWith(QLatin1Char(':')))
        name.chop(1);
    return name.trimmed();
}

QComboBox *makeList(QWidget *parent, const char *name, const QLabel *label, const QStringList &items, float l, float t,
                    float w, float h)
{
    auto *list = new LabelledList(nameOf(label), parent);
    list->setObjectName(QLatin1String(name));
    list->setFont(designFont(6.75, false));
    list->addItems(items);
    list->setCurrentIndex(-1); // nothing chosen until the note's value is filled in
    placeTw(list, l, t, w, h);
    return list;
}

QPushButton *makeButton(QWidget *parent, const char *name, const QString &caption, float l, float t, float w, float h)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setFont(designFont(8.25, true));
    // Enter must not press a button just because it has the focus.
    button->setAutoDefault(false);
    button->setDefault(false);
    placeTw(button, l, t, w, h);
    return button;
}

} // namespace PropControls
