// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SettingsStore.h"
#include "platform/RuntimeError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <algorithm>
#include <memory>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
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

// A file of this process's own for Qt's INI reader and writer, never used twice: Qt caches a
// settings file by its name and would otherwise mix what it remembers into what it reads. In the
// runtime folder, held in memory, where the sync to disk of Qt's own save costs nothing.
QString privateFile()
{
    static const QString base = [] {
        const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        return runtime.isEmpty() ? QDir::tempPath() : runtime;
    }();
    static QTemporaryDir folder(base + QStringLiteral("/quadrelo-ini-XXXXXX"));
    static int counter = 0;
    return folder.filePath(QStringLiteral("%1.ini").arg(++counter));
}

// Makes a rename in `folder` survive a power cut: the file's own data is synced before it.
void syncFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

SettingsStore::SettingsStore(const QString &path)
{
    QFile file(path.isEmpty() ? defaultPath() : path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    try {
        *this = fromBytes(file.readAll());
    } catch (const RuntimeError &) {
    }
}

QString SettingsStore::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/Quadrelo/Quadrelo.conf");
}

SettingsStore SettingsStore::fromBytes(const QByteArray &bytes)
{
    // Bytes that are not UTF-8 would be read as replacement characters and written back so.
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    if (utf8.hasError() || !wellFormed(text))
        throw RuntimeError::fileAccess(QStringLiteral("formato inválido"));
    const QString path = privateFile();
    QFile copy(path);
    if (!copy.open(QIODevice::WriteOnly) || copy.write(bytes) != bytes.size() || !copy.flush())
        throw RuntimeError::fileAccess(path + QStringLiteral(" não pôde ser gravado"));
    copy.close();
    SettingsStore store;
    {
        QSettings settings(path, QSettings::IniFormat);
        if (settings.status() != QSettings::NoError) {
            QFile::remove(path);
            throw RuntimeError::fileAccess(QStringLiteral("formato inválido"));
        }
        for (const QString &key : settings.allKeys())
            store.m_values.insert(key, settings.value(key));
    }
    QFile::remove(path);
    return store;
}

QByteArray SettingsStore::toBytes() const
{
    const QString path = privateFile();
    {
        QSettings settings(path, QSettings::IniFormat);
        for (auto it = m_values.begin(); it != m_values.end(); ++it)
            settings.setValue(it.key(), it.value());
        settings.sync();
        if (settings.status() != QSettings::NoError)
            throw RuntimeError::fileAccess(path + QStringLiteral(" não pôde ser gravado"));
    }
    QFile file(path);
    QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    file.close();
    QFile::remove(path);
    return bytes;
}

QString SettingsStore::read(const QString &section, const QString &key) const
{
    return m_values.value(section + QLatin1Char('/') + key).toString();
}

void SettingsStore::write(const QString &section, const QString &key, const QString &value)
{
    m_values.insert(section + QLatin1Char('/') + key, value);
}

bool SettingsStore::deleteSection(const QString &section)
{
    const QString prefix = section + QLatin1Char('/');
    auto it = m_values.lowerBound(prefix);
    const bool existed = it != m_values.end() && it.key().startsWith(prefix);
    while (it != m_values.end() && it.key().startsWith(prefix))
        it = m_values.erase(it);
    return existed;
}

KeyValueList SettingsStore::readSection(const QString &section) const
{
    const QString prefix = section + QLatin1Char('/');
    KeyValueList pairs;
    for (auto it = m_values.lowerBound(prefix); it != m_values.end() && it.key().startsWith(prefix); ++it) {
        const QString key = it.key().mid(prefix.size());
        if (!key.contains(QLatin1Char('/')))
            pairs.append({key, it.value().toString()});
    }
    std::stable_sort(pairs.begin(), pairs.end(), [](const auto &a, const auto &b) {
        bool aNum = false, bNum = false;
        const qlonglong av = a.first.toLongLong(&aNum), bv = b.first.toLongLong(&bNum);
        if (aNum != bNum)
            return aNum;
        if (aNum && av != bv)
            return av < bv;
        return a.first < b.first;
    });
    return pairs;
}

void SettingsStore::writeFile(const QString &path, const QByteArray &bytes)
{
    // Through a link, the file it points to is replaced, not the link.
    QFileInfo info(path);
    QString target = info.absoluteFilePath();
    if (info.isSymLink())
        target = info.exists() ? info.canonicalFilePath() : info.symLinkTarget();
    const QString folder = QFileInfo(target).absolutePath();
    QDir().mkpath(folder);
    const auto failed = [&target] {
        return RuntimeError::fileAccess(target + QStringLiteral(" não pôde ser gravado"));
    };

    // Hidden, so a sync tool that sees it for a moment does not take it for a file of the person's.
    QTemporaryFile temporary(folder + QStringLiteral("/.") + QFileInfo(target).fileName() + QStringLiteral(".XXXXXX"));
    if (!temporary.open())
        throw failed();
    struct stat st {};
    if (::stat(QFile::encodeName(target).constData(), &st) == 0)
        ::fchmod(temporary.handle(), st.st_mode & 07777); // the person's own permissions stay
    if (temporary.write(bytes) != bytes.size() || !temporary.flush() || ::fsync(temporary.handle()) != 0)
        throw failed();
    temporary.close();
    if (::rename(QFile::encodeName(temporary.fileName()).constData(), QFile::encodeName(target).constData()) != 0)
        throw failed();
    temporary.setAutoRemove(false);
    syncFolder(folder);
}
