// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QComboBox>

// A drop-down list that assistive technology names after the label beside it and its current
// choice ("Cor Lembrete: Amarelo"), where Qt's own on this desktop says the choice alone.
class LabelledList : public QComboBox {
    Q_OBJECT
public:
    LabelledList(const QString &label, QWidget *parent);
    QString label() const { return m_label; }

private:
    QString m_label;
};
