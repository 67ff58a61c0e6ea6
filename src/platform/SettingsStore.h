// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QByteArray>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <QVariant>

#include "platform/RuntimeError.h"

using KeyValueList = QList<QPair<QString, QString>>;

// Bytes that are not a settings file this program reads back exactly as they were written.
class FormatError : public RuntimeError {
public:
    FormatError();
};

// One settings file in INI format as a value in memory: parsed whole from its bytes, changed in
// memory, and turned back into bytes whole. Qt's own INI reader and writer do the format, on
// private copies, so no other writer's keys can slip into what is written; writeFile() puts the
// bytes in place in one step.
class SettingsStore {
public:
    SettingsStore() = default;
    // The file at `path` (the default per-user store when empty), or nothing when it is missing
    // or cannot be read whole (see OutsideFile): for looking, not for saving back (use fromBytes for that).
    explicit SettingsStore(const QString &path);

    // $XDG_CONFIG_HOME/Quadrelo/Quadrelo.conf.
    static QString defaultPath();

    // Throws FormatError when the bytes are not UTF-8 or hold a line that Qt would not read back
    // as it stands (a value Qt takes for a list or cuts at a ";", an escape it drops, a key it
    // nests or sees twice, a group repeated): writing such a file again would silently drop or
    // change what could not be understood. Throws RuntimeError when Qt's private copy of the
    // bytes cannot be written or read.
    static SettingsStore fromBytes(const QByteArray &bytes);
    QByteArray toBytes() const;
    // A text as Qt's INI writer puts it after a key's "=", so that Qt's reader gives it back
    // exactly: backslashes, quotes and control characters escaped, quoted when it holds ";" ","
    // "=" or starts or ends with a blank, a leading "@" doubled, the rest as UTF-8.
    static QByteArray iniValue(const QString &value);

    QString read(const QString &section, const QString &key) const;
    void write(const QString &section, const QString &key, const QString &value);
    // Returns false when the section did not exist.
    bool deleteSection(const QString &section);
    // Keys that are numbers come first in numeric order, any others after them by text.
    KeyValueList readSection(const QString &section) const;
    // Every key as "section/key", with its value as Qt read it (a list stays a list).
    const QMap<QString, QVariant> &values() const { return m_values; }
    void setValue(const QString &fullKey, const QVariant &value) { m_values.insert(fullKey, value); }

    bool operator==(const SettingsStore &o) const { return m_values == o.m_values; }

    // Replaces the file at `path` (or, through a link, the file it points to) by `bytes` in one
    // step: a temporary file beside it, synced to disk, renamed over it. Throws RuntimeError,
    // leaving the file as it was.
    static void writeFile(const QString &path, const QByteArray &bytes);

private:
    QMap<QString, QVariant> m_values;
};
