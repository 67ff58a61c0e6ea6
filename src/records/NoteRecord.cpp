// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/NoteRecord.h"
#include "records/Maker.h"
#include "platform/RuntimeError.h"

#include <QLocale>
#include <cmath>
#include <limits>

namespace NoteRecord {

QStringList split(const QString &record) { return record.split(QChar(FieldSeparator)); }

QString field(const QStringList &fields, int n)
{
    if (n < 0 || n >= fields.size())
        throw RuntimeError::subscriptOutOfRange();
    return fields.at(n);
}

QColor ColorFromIndex(quint8 index)
{
    static const QColor table[8] = {
        QColor(224, 255, 0),   QColor(128, 128, 255), QColor(255, 255, 255), QColor(128, 255, 255),
        QColor(224, 224, 224), QColor(255, 128, 255), QColor(128, 255, 128), QColor(255, 128, 128),
    };
    return index < 8 ? table[index] : QColor(0, 0, 0);
}

QString encodeText(const QString &boxText)
{
    QString text = boxText;
    text.replace(QStringLiteral("\r\n"), QString(QChar(LineBreak)));
    text.replace(QChar(u'\n'), QChar(LineBreak));
    text.replace(QChar(FieldSeparator), QStringLiteral("y\u0308"));
    return text;
}

QString decodeText(const QString &stored)
{
    QString text = stored;
    text.replace(QChar(LineBreak), QChar(u'\n'));
    return text;
}

QString twipsText(float v)
{
    const double d = double(v);
    if (d == std::floor(d) && std::fabs(d) < 1e15)
        return QString::number(qint64(d));
    return QString::number(d, 'g', 7);
}

QString formatDateTime(const QDateTime &moment) { return moment.toString(QStringLiteral("dd/MM/yyyy HH:mm")); }

static QString join(const QStringList &fields)
{
    QString record;
    for (const QString &f : fields) {
        record += f;
        record += QChar(FieldSeparator);
    }
    return record;
}

QString newNoteRecord(const QDateTime &now)
{
    return join({formatDateTime(now), "", "N", "", "", "N", "", "N", "", "0", "0", "N", "0", "3060", "2010"});
}

QString welcomeRecord()
{
    const QString br = QString(QChar(LineBreak));
    const QString text =
        QStringLiteral("O Quadrelo 2.0 é um utilitário de tecnologia nacional.") + br + br
        + QStringLiteral("Oferecemos gratuitamente esse utilitário, para mostrar a qualidade de programas nacionais.")
        + br + br + QStringLiteral("Esperamos que esse utilitário possa ajudá-lo em seu dia a dia.") + br + br
        + QStringLiteral("Conheça outros produtos da Borvane, visitando nosso site: ") + Maker::webHost() + br + br
        + QStringLiteral("Caso necessite de serviços de programação, procure-nos.") + br + br
        + QStringLiteral("Abraços") + br + QStringLiteral("Equipe Borvane");
    return join({"26/05/2004 14:56", "", "S", "1590", "1560", "N", "", "S", text, "0", "0", "N", "0", "7200", "2925"});
}

static double toNumber(const QString &text)
{
    const QString t = text.trimmed();
    bool ok = false;
    double v = QLocale::c().toDouble(t, &ok);
    if (!ok)
        v = QLocale(QLocale::Portuguese, QLocale::Brazil).toDouble(t, &ok);
    if (!ok || !std::isfinite(v))
        throw RuntimeError::typeMismatch();
    return v;
}

// Whole numbers round half to even, as the platform's integer conversions do.
static double roundEven(double v) { return std::nearbyint(v); }

float toSingle(const QString &text)
{
    const double v = toNumber(text);
    if (std::fabs(v) > double(std::numeric_limits<float>::max()))
        throw RuntimeError::overflow();
    return float(v);
}

quint8 toByte(const QString &text)
{
    const double v = roundEven(toNumber(text));
    if (v < 0 || v > 255)
        throw RuntimeError::overflow();
    return quint8(v);
}

qint16 toInteger(const QString &text)
{
    const double v = roundEven(toNumber(text));
    if (v < -32768 || v > 32767)
        throw RuntimeError::overflow();
    return qint16(v);
}

qint16 addInteger(qint16 value, int delta)
{
    const int r = int(value) + delta;
    if (r < -32768 || r > 32767)
        throw RuntimeError::overflow();
    return qint16(r);
}

}
