// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>
#include <exception>
#include <functional>

// One error type for every run-time failure of the program: a numeric code and a
// description, which is what the start-up error report and the command error box show.
class RuntimeError : public std::exception {
public:
    enum Code {
        InvalidArgument = 5,
        Overflow = 6,
        SubscriptOutOfRange = 9,
        TypeMismatch = 13,
        FileAccess = 75,
    };

    RuntimeError(int code, QString description);

    int code() const { return m_code; }
    QString description() const { return m_description; }
    const char *what() const noexcept override { return m_what.constData(); }

    static RuntimeError overflow();
    static RuntimeError subscriptOutOfRange();
    static RuntimeError typeMismatch();
    static RuntimeError invalidArgument();
    static RuntimeError fileAccess(const QString &detail);

private:
    int m_code;
    QString m_description;
    QByteArray m_what;
};

// Shows an error that ended a command: its code and description, in a message box.
void reportError(const RuntimeError &error);
// Runs one command or event handler; an error ends it and is reported, nothing else.
void runGuarded(const std::function<void()> &command);
