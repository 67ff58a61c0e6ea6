// SPDX-License-Identifier: GPL-3.0-or-later
#include "note/MailAddress.h"
#include "records/Maker.h"

#include <QUrl>

namespace MailAddress {

namespace {

// Subject and body are percent-encoded as UTF-8, so "&", "#", "%" and "?" in a note arrive intact.
QString address(const QString &text)
{
    static const QByteArray keep = "!$'()*,;:@/";
    QString body = text;
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    body.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    body += QStringLiteral("\r\n\r\nPrograma Quadrelo 2.0 - ") + Maker::webHost();
    return QStringLiteral("mailto:?subject=")
           + QString::fromLatin1(QUrl::toPercentEncoding(QStringLiteral("Lembrete !!!"), keep))
           + QStringLiteral("&body=") + QString::fromLatin1(QUrl::toPercentEncoding(body, keep));
}

// The first `length` characters of `text`, never splitting a character made of two halves.
QString head(const QString &text, qsizetype length)
{
    if (length > 0 && length < text.size() && text.at(length - 1).isHighSurrogate())
        --length;
    return text.left(length);
}

} // namespace

QString forText(const QString &text, int maxBytes, bool *cut)
{
    QString whole = address(text);
    if (cut)
        *cut = whole.size() > maxBytes;
    if (whole.size() <= maxBytes)
        return whole;
    // The longest beginning of the text whose address, with the mark of the cut, still fits.
    const QString mark = QStringLiteral(" …");
    qsizetype fits = 0, tooLong = text.size();
    while (tooLong - fits > 1) {
        const qsizetype middle = (fits + tooLong) / 2;
        (address(head(text, middle) + mark).size() <= maxBytes ? fits : tooLong) = middle;
    }
    // Back to the end of the last whole word, unless the text has no blank to cut at.
    QString kept = head(text, fits);
    qsizetype end = kept.size();
    while (end > 0 && !kept.at(end - 1).isSpace())
        --end;
    if (end > 0)
        kept.truncate(end);
    while (!kept.isEmpty() && kept.back().isSpace())
        kept.chop(1);
    return address(kept + mark);
}

} // namespace MailAddress
