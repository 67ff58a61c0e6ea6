// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "platform/FileAccess.h"

#include <QDateTime>
#include <QObject>
#include <QString>

class QFileSystemWatcher;
class QTimer;

// Notices when another writer (a sync tool, an editor, a restored backup) has changed the store
// file, and when files appear or change beside it. It watches the folder as well as the file,
// since such writers replace the file by a rename, and follows a store reached through a link.
// A change is reported once the file has stopped changing for a moment, and only when it is not
// the file the program itself last read or wrote (known by its stamp, without reading it).
class StoreWatcher : public QObject {
    Q_OBJECT
public:
    // How long the file must stay the same before a change is reported.
    static constexpr int SettleMs = 400;

    explicit StoreWatcher(const QString &storePath, QObject *parent = nullptr);

    // The stamp of the file the program has just read or written: that file is not a change.
    void setKnown(const FileAccess::Stamp &stamp) { m_known = stamp; }
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
    FileAccess::Stamp m_known;
    QFileSystemWatcher *m_watcher;
    QTimer *m_settle;
    qint64 m_lastSize = -1;
    QDateTime m_lastModified;
    int m_settleRounds = 0;
};
