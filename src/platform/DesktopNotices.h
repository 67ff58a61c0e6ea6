// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDBusConnection>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>

// The desktop's notification list: notices that stay there until the person deals with them,
// with actions the person can take from the list, the lock screen or the notification's bubble.
class DesktopNotices : public QObject {
    Q_OBJECT
public:
    struct Notice {
        QString summary;
        QString body;
        // (name, label) pairs, offered where the desktop takes actions; "default" is a click on
        // the notice itself.
        QList<QPair<QString, QString>> actions;
    };
    using QObject::QObject;

    // Shows `notice` under `key`, in place of the one shown under that key before. Without a
    // notification service nothing is shown and nothing said.
    virtual void show(quint64 key, const Notice &notice) = 0;
    // Takes away the notice shown under `key`; nothing when there is none.
    virtual void withdraw(quint64 key) = 0;
    // Takes away every notice and waits a moment for the desktop to have it: the program ends.
    virtual void withdrawAll() = 0;

signals:
    // The person took the action named `action` of the notice shown under `key`.
    void invoked(quint64 key, const QString &action);
};

// The freedesktop notification service on the session bus. Every notice asks the service anew
// what it offers, so a service started after the program (a panel coming up late) serves the next.
class DBusNotices : public DesktopNotices {
    Q_OBJECT
public:
    explicit DBusNotices(QObject *parent = nullptr);
    void show(quint64 key, const Notice &notice) override;
    void withdraw(quint64 key) override;
    void withdrawAll() override;

private slots:
    void actionInvoked(uint id, const QString &action);
    void notificationClosed(uint id, uint reason);

private: // NOLINT(readability-redundant-access-specifiers): the slots above are a section of Qt's own
    void send(quint64 key, quint64 ticket, const Notice &notice, const QStringList &offered);
    void close(uint id, bool wait = false);

    QDBusConnection m_bus;
    // The latest request under each key; a reply to an older one is stale.
    QHash<quint64, quint64> m_requests;
    quint64 m_lastTicket = 0;
    // The service's id of the notice shown under each key.
    QHash<quint64, uint> m_shown;
};
