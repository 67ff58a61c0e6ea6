// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileAccess.h"
#include "platform/OutsideFile.h"
#include "platform/SettingsStore.h"

#include <QFile>

#include <cerrno>
#include <sys/stat.h>

std::optional<QByteArray> FileAccess::read(const QString &path) { return OutsideFile::read(path); }

FileAccess::Stamp FileAccess::stamp(const QString &path) { return stampOf(path); }

void FileAccess::write(const QString &path, const QByteArray &bytes) { SettingsStore::writeFile(path, bytes); }

FileAccess::Stamp FileAccess::stampOf(const QString &path)
{
    struct stat st {};
    Stamp s;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) {
        s.valid = errno == ENOENT;
        return s;
    }
    constexpr qint64 ns = 1000000000;
    s.valid = s.exists = true;
    s.device = st.st_dev;
    s.inode = st.st_ino;
    s.size = st.st_size;
    s.modifiedNs = qint64(st.st_mtim.tv_sec) * ns + st.st_mtim.tv_nsec;
    s.changedNs = qint64(st.st_ctim.tv_sec) * ns + st.st_ctim.tv_nsec;
    return s;
}
