#include "platform/SettingsStore.h"
#include "platform/RuntimeError.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <algorithm>

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
    if (m_settings->status() != QSettings::NoError)
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
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    m_settings->sync();
    if (m_settings->status() != QSettings::NoError)
        throw RuntimeError::fileAccess(m_path + QStringLiteral(" não pôde ser gravado"));
}
