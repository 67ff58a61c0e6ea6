// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/LabelledList.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>

namespace {

// Qt's interface for a list on this desktop gives the choice as the name, since the name is what
// a screen reader is told when the choice changes; this one keeps that and puts the label first.
class AccessibleList : public QAccessibleWidget {
public:
    explicit AccessibleList(LabelledList *list) : QAccessibleWidget(list, QAccessible::ComboBox) {}

    QString text(QAccessible::Text t) const override
    {
        switch (t) {
        case QAccessible::Name: {
            const QString choice = list()->currentText();
            return choice.isEmpty() ? list()->label() : list()->label() + QStringLiteral(": ") + choice;
        }
        case QAccessible::Value:
            return list()->currentText();
        default:
            return QAccessibleWidget::text(t);
        }
    }
    // The list of choices that drops down.
    int childCount() const override { return 1; }
    QAccessibleInterface *child(int index) const override
    {
        return index == 0 ? QAccessible::queryAccessibleInterface(list()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child && child->object() == list()->view() ? 0 : -1;
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.expandable = true;
        s.expanded = list()->view()->isVisible();
        return s;
    }
    QStringList actionNames() const override
    {
        return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString &action) override
    {
        if (action == showMenuAction() || action == pressAction()) {
            if (list()->view()->isVisible())
                list()->hidePopup();
            else
                list()->showPopup();
        } else {
            QAccessibleWidget::doAction(action);
        }
    }

private:
    LabelledList *list() const { return static_cast<LabelledList *>(widget()); }
};

QAccessibleInterface *listFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("LabelledList") && object && object->isWidgetType())
        return new AccessibleList(static_cast<LabelledList *>(object));
    return nullptr;
}

}

LabelledList::LabelledList(const QString &label, QWidget *parent) : QComboBox(parent), m_label(label)
{
    static const bool installed = (QAccessible::installFactory(listFactory), true);
    Q_UNUSED(installed);
}
