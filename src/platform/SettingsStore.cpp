// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SettingsStore.h"
#include "platform/OutsideFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
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

// Whether Qt reads the text after a key's "=" as the one string it stands for: quoted whole or
// not at all, no list separator or comment outside the quotes, only escapes Qt knows (it drops
// the others), and no "@" that Qt would take for a type: its own writer doubles a leading one, and
// writes a text holding a NUL as @String(...).
bool valueReadsBack(QStringView v)
{
    v = v.trimmed();
    const bool quoted = v.size() >= 2 && v.front() == u'"' && v.back() == u'"';
    if (quoted)
        v = v.mid(1, v.size() - 2);
    if (v.startsWith(u'@') && !v.startsWith(u"@@") && !v.startsWith(u"@String("))
        return false;
    const auto isHex = [](QChar c) { return c.isDigit() || (c.toLower() >= u'a' && c.toLower() <= u'f'); };
    for (qsizetype i = 0; i < v.size(); ++i) {
        const QChar c = v.at(i);
        if (c == u'"' || (!quoted && (c == u',' || c == u';')))
            return false;
        if (c != u'\\')
            continue;
        if (++i == v.size())
            return false; // a line continued onto the next one
        const QChar e = v.at(i);
        if (e == u'x' ? i + 1 == v.size() || !isHex(v.at(i + 1)) : !QStringView(u"abfnrtv\"'?\\01234567").contains(e))
            return false;
    }
    return true;
}

// How many key=value lines the text holds; -1 when a line is not one Qt writes and reads back as
// it stands: blank, a ";" comment, a [group] named once (and named: Qt loses the values of "[]"),
// or a key with a value of valueReadsBack.
// Qt itself shrugs off other lines, or lets an open quote run on into the following records, and a
// save would then lose them for good.
qsizetype keyLines(const QString &text)
{
    qsizetype keys = 0;
    QSet<QString> groups;
    for (QString line : text.split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QString t = line.trimmed();
        if (t.isEmpty() || t.startsWith(QLatin1Char(';')))
            continue;
        if (t.startsWith(QLatin1Char('['))) {
            const QString group = t.mid(1, t.size() - 2).trimmed();
            if (!t.endsWith(QLatin1Char(']')) || group.isEmpty() || groups.contains(group))
                return -1;
            groups.insert(group);
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals < 0 || line.left(equals).trimmed().isEmpty() || !valueReadsBack(QStringView(line).mid(equals + 1)))
            return -1;
        ++keys;
    }
    return keys;
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
    if (!folder.isValid())
        throw RuntimeError::fileAccess(base
                                       + QStringLiteral(" não aceita a cópia de trabalho do Quadrelo: "
                                                        "a pasta está cheia ou não existe"));
    return folder.filePath(QStringLiteral("%1.ini").arg(++counter));
}

// The private copy could not be written or read back: the folder, not the store, is at fault.
RuntimeError privateCopyFailed(const QString &path)
{
    return RuntimeError::fileAccess(path
                                    + QStringLiteral(" (cópia de trabalho do Quadrelo) não pôde ser gravado: "
                                                     "a pasta está cheia ou não existe"));
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

FormatError::FormatError() : RuntimeError(FileAccess, QStringLiteral("formato inválido")) {}

SettingsStore::SettingsStore(const QString &path)
{
    try {
        if (const std::optional<QByteArray> bytes = OutsideFile::read(path.isEmpty() ? defaultPath() : path))
            *this = fromBytes(*bytes);
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
    const qsizetype keys = keyLines(text);
    if (utf8.hasError() || keys < 0)
        throw FormatError();
    const QString path = privateFile();
    QFile copy(path);
    if (!copy.open(QIODevice::WriteOnly) || copy.write(bytes) != bytes.size() || !copy.flush()) {
        QFile::remove(path);
        throw privateCopyFailed(path);
    }
    copy.close();
    SettingsStore store;
    QSettings::Status status = QSettings::NoError;
    {
        QSettings settings(path, QSettings::IniFormat);
        status = settings.status();
        for (const QString &key : settings.allKeys())
            if (const QVariant value = settings.value(key); value.isValid())
                store.m_values.insert(key, value); // else a key Qt names otherwise than it files it
    }
    QFile::remove(path);
    if (status == QSettings::AccessError || (keys > 0 && store.m_values.isEmpty()))
        throw privateCopyFailed(path); // never an empty store in place of the file's notes
    // Fewer keys than key lines: a key there twice, or in a group given twice. More than one "/":
    // a key Qt nests ("\" or "/" in it), which a save would not give back as it was.
    const bool nested = std::any_of(store.m_values.keyBegin(), store.m_values.keyEnd(),
                                    [](const QString &key) { return key.count(QLatin1Char('/')) > 1; });
    if (status != QSettings::NoError || store.m_values.size() != keys || nested)
        throw FormatError();
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
        if (settings.status() != QSettings::NoError) {
            QFile::remove(path);
            throw privateCopyFailed(path);
        }
    }
    QFile file(path);
    const bool read = file.open(QIODevice::ReadOnly);
    QByteArray bytes = read ? file.readAll() : QByteArray();
    file.close();
    QFile::remove(path);
    // An empty copy of values would seal and save an empty store.
    if (!read || (bytes.isEmpty() && !m_values.isEmpty()))
        throw privateCopyFailed(path);
    return bytes;
}

QByteArray SettingsStore::iniValue(const QString &value)
{
    // Qt reads a leading "@" as a type; a NUL only inside its @String(...).
    const QString text = value.contains(QChar::Null)          ? QStringLiteral("@String(") + value + QLatin1Char(')')
                         : value.startsWith(QLatin1Char('@')) ? QLatin1Char('@') + value
                                                              : value;
    const auto isHex = [](char16_t c) {
        return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
    };
    QString out;
    out.reserve(text.size() + 8);
    bool quotes = false;
    bool hexBefore = false; // an escape a following hex digit would run on
    for (const QChar qc : text) {
        const char16_t c = qc.unicode();
        quotes = quotes || c == u';' || c == u',' || c == u'=';
        if (hexBefore && isHex(c)) {
            out += QStringLiteral("\\x") + QString::number(c, 16);
            continue;
        }
        hexBefore = false;
        // The escapes Qt writes by name; other control characters by number.
        static const QString named = QStringLiteral("\a\b\f\n\r\t\v\"\\");
        if (c == u'\0') {
            out += QLatin1String("\\0");
            hexBefore = true;
        } else if (const qsizetype k = named.indexOf(qc); k >= 0) {
            out += QLatin1Char('\\');
            out += QLatin1Char("abfnrtv\"\\"[k]);
        } else if (c <= 0x1F) {
            out += QStringLiteral("\\x") + QString::number(c, 16);
            hexBefore = true;
        } else {
            out += qc;
        }
    }
    if (quotes || out.startsWith(QLatin1Char(' ')) || out.endsWith(QLatin1Char(' ')))
        out = QLatin1Char('"') + out + QLatin1Char('"');
    return out.toUtf8();
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
