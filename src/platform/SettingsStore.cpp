// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SettingsStore.h"
#include "platform/RuntimeError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringDecoder>
#include <algorithm>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Whether every line is one Qt writes and reads back whole: blank, a comment, a [section], or
// key=value with its quotes closed on the same line. Qt itself shrugs off other lines, or lets an
// open quote run on into the following records, and a save would then lose them for good.
bool wellFormed(const QString &text)
{
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QString t = line.trimmed();
        if (t.isEmpty() || t.startsWith(QLatin1Char(';')) || t.startsWith(QLatin1Char('#')))
            continue;
        if (t.startsWith(QLatin1Char('['))) {
            if (!t.endsWith(QLatin1Char(']')))
                return false;
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0)
            return false;
        bool quoted = false;
        for (qsizetype i = equals + 1; i < line.size(); ++i) {
            const QChar c = line.at(i);
            if (c == QLatin1Char('\\')) {
                if (++i == line.size())
                    return false; // a line continued onto the next one
            } else if (c == QLatin1Char('"')) {
                quoted = !quoted;
            }
        }
        if (quoted)
            return false;
    }
    return true;
}

// Makes a rename in `folder` survive a power cut: the file's own data is synced by the write.
void syncFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}

SettingsStore::SettingsStore(const QString &path)
    : m_path(path.isEmpty() ? defaultPath() : path),
      m_settings(std::make_unique<QSettings>(m_path, QSettings::IniFormat))
{
}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/Quadrelo/Quadrelo.conf");
}

void SettingsStore::checkUsable() const
{
    QFileInfo info(m_path);
    if (!info.exists())
        return;
    if (!info.isFile() || !info.isReadable())
        throw RuntimeError::fileAccess(m_path + QStringLiteral(" não pode ser lido"));
    if (!info.isWritable())
        throw RuntimeError::fileAccess(m_path + QStringLiteral(" não pode ser gravado"));
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        throw RuntimeError::fileAccess(m_path + QStringLiteral(" não pode ser lido"));
    // Bytes that are not UTF-8 would be read as replacement characters and written back so.
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(file.readAll());
    if (utf8.hasError() || m_settings->status() != QSettings::NoError || !wellFormed(text))
        throw RuntimeError::fileAccess(m_path + QStringLiteral(" está com formato inválido"));
}

QString SettingsStore::read(const QString &section, const QString &key) const
{
    return m_settings->value(section + QLatin1Char('/') + key).toString();
}

void SettingsStore::write(const QString &section, const QString &key, const QString &value)
{
    m_settings->setValue(section + QLatin1Char('/') + key, value);
}

bool SettingsStore::deleteSection(const QString &section)
{
    if (!m_settings->childGroups().contains(section))
        return false;
    m_settings->remove(section);
    return true;
}

KeyValueList SettingsStore::readSection(const QString &section) const
{
    m_settings->beginGroup(section);
    QStringList keys = m_settings->childKeys();
    std::stable_sort(keys.begin(), keys.end(), [](const QString &a, const QString &b) {
        bool aNum = false, bNum = false;
        const qlonglong av = a.toLongLong(&aNum), bv = b.toLongLong(&bNum);
        if (aNum != bNum)
            return aNum;
        if (aNum && av != bv)
            return av < bv;
        return a < b;
    });
    KeyValueList pairs;
    pairs.reserve(keys.size());
    for (const QString &key : keys)
        pairs.append({key, m_settings->value(key).toString()});
    m_settings->endGroup();
    return pairs;
}

void SettingsStore::commit()
{
    const QString folder = QFileInfo(m_path).absolutePath();
    QDir().mkpath(folder);
    // Written through a settings object of its own, which shares the pending changes (Qt keeps
    // them per file): Qt keeps an error for the life of one object, and each save must be judged
    // by its own write only.
    auto written = std::make_unique<QSettings>(m_path, QSettings::IniFormat);
    written->sync();
    if (written->status() != QSettings::NoError)
        throw RuntimeError::fileAccess(m_path + QStringLiteral(" não pôde ser gravado"));
    m_settings = std::move(written);
    syncFolder(folder);
}
