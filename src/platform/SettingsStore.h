// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QList>
#include <QPair>
#include <QString>
#include <memory>

class QSettings;

using KeyValueList = QList<QPair<QString, QString>>;

// The per-user settings store: $XDG_CONFIG_HOME/Quadrelo/Quadrelo.conf, one group per section.
// Writes stay in memory until commit(), which replaces the file in one step.
class SettingsStore {
public:
    // Opens the default per-user store, or the file at `path` when given.
    explicit SettingsStore(const QString &path = QString());
    ~SettingsStore();

    static QString defaultPath();
    QString path() const { return m_path; }

    // Throws RuntimeError when the file exists but cannot be read, cannot be written, or does
    // not parse: writing it then would silently drop what could not be understood.
    void checkUsable() const;

    QString read(const QString &section, const QString &key) const;
    void write(const QString &section, const QString &key, const QString &value);
    // Returns false when the section did not exist.
    bool deleteSection(const QString &section);
    // Keys that are numbers come first in numeric order, any others after them by text.
    KeyValueList readSection(const QString &section) const;

    // Writes every pending change to disk at once; throws RuntimeError when that fails,
    // leaving the file on disk as it was.
    void commit();

private:
    QString m_path;
    std::unique_ptr<QSettings> m_settings;
};
