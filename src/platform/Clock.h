// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDateTime>

// Local date and time; tests put in a clock of their own.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};
