// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/MachineId.h"
#include "platform/OutsideFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSysInfo>

#include <algorithm>
#include <cstdio>
#include <unistd.h>

QString machineId()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    const QString folder = state + QStringLiteral("/Quadrelo");
    const QString path = folder + QStringLiteral("/machine");
    auto valid = [](const QString &id) { // 8 to 32 small letters and digits
        return id.size() >= 8 && id.size() <= 32 && std::all_of(id.begin(), id.end(), [](QChar c) {
                   return (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9');
               });
    };
    // Throws RuntimeError, leaving it alone, when it is something else than a file (a FIFO would
    // hang the start) or far too large.
    auto stored = [&path]() {
        return QString::fromLatin1(OutsideFile::read(path).value_or(QByteArray()).left(64)).trimmed();
    };
    QString id = stored();
    if (valid(id))
        return id;

    static const char alphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    id.clear();
    for (int i = 0; i < 10; ++i)
        id += QLatin1Char(alphabet[QRandomGenerator::system()->bounded(36)]);
    // Written whole under another name and linked into place, which fails if another process
    // got there first: then its name is the one every process uses.
    QDir().mkpath(folder);
    const QString temporary = path + QLatin1Char('.') + id;
    QFile f(temporary);
    if (f.open(QIODevice::WriteOnly) && f.write(id.toLatin1() + '\n') > 0 && f.flush()) {
        f.close();
        const QByteArray from = QFile::encodeName(temporary), to = QFile::encodeName(path);
        if (::link(from.constData(), to.constData()) != 0 && !valid(stored()))
            ::rename(from.constData(), to.constData()); // a damaged name: replaced
    }
    QFile::remove(temporary);
    QString now = stored();
    if (valid(now))
        return now;
    // A state folder that cannot be written: a name that is at least the same at every start.
    return QString::fromLatin1(
        QCryptographicHash::hash(QSysInfo::machineUniqueId() + qgetenv("USER"), QCryptographicHash::Sha1)
            .toHex()
            .left(10));
}
