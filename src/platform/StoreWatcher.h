// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>

class QFileSystemWatcher;
class QTimer;

// Notices when another writer (a sync tool, an editor, a restored backup) has changed the store
// file, and when files appear or change beside it. It watches the folder as well as the file,
// since such writers replace the file by a rename, and follows a store reached through a link.
// A change is reported once the file has stopped changing for a moment, and only when its
// content is not what the program itself last read or wrote (known by its SHA-256).
class StoreWatcher : public QObject {
    Q_OBJECT
public:
    // How long the file must stay the same before a change is reported.
    static constexpr int SettleMs = 400;

    explicit StoreWatcher(const QString &storePath, QObject *parent = nullptr);

    // The SHA-256 of what the program has just read or written: a file holding it is not a change.
    void setKnown(const QByteArray &hash) { m_known = hash; }
    // Whether the file holds something else now (a missing file is empty).
    bool changedOnDisk() const;
    // The folders a file is in, as given and through any links.
    static QStringList foldersOf(const QString &path);

signals:
    // The file holds something the program did not write or read last.
    void storeChanged();
    // Something in the store's folders has changed (a conflict copy may have appeared).
    void folderChanged();

private:
    void rewatch();
    void settle();

    QString m_path;
    QByteArray m_known;
    QFileSystemWatcher *m_watcher;
    QTimer *m_settle;
    qint64 m_lastSize = -1;
    QDateTime m_lastModified;
    int m_settleRounds = 0;
};
