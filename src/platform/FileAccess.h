// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QByteArray>
#include <QString>
#include <optional>

// How the store's owner reaches its file: read it whole, know it again by its stamp without
// reading it, replace it whole. The real one goes to the disk; a test can count what it costs.
class FileAccess {
public:
    // What stat says of a file: the same stamp twice means no writer has touched it in between
    // (nanosecond times and the change time catch a same-size rewrite within the same second).
    struct Stamp {
        bool valid = false; // false: stat failed other than for a missing file; never equal
        bool exists = false;
        quint64 device = 0, inode = 0;
        qint64 size = 0, modifiedNs = 0, changedNs = 0;
        bool operator==(const Stamp &o) const
        {
            return valid && o.valid && exists == o.exists && device == o.device && inode == o.inode && size == o.size
                   && modifiedNs == o.modifiedNs && changedNs == o.changedNs;
        }
        bool operator!=(const Stamp &o) const { return !(*this == o); }
    };

    virtual ~FileAccess() = default;
    // See OutsideFile::read.
    virtual std::optional<QByteArray> read(const QString &path);
    // Through any link, as read() follows it.
    virtual Stamp stamp(const QString &path);
    // See SettingsStore::writeFile.
    virtual void write(const QString &path, const QByteArray &bytes);

    static Stamp stampOf(const QString &path);
};
