// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/ConflictCopy.h"

#include <QFileInfo>
#include <QRegularExpression>

bool isConflictCopy(const QString &fileName, const QString &storeName)
{
    // Every copy's name says "conflict…" or "conflito": the other files beside the store are let go
    // before an expression is built (its library is not paged in at every start for them).
    const QString name = QFileInfo(fileName).fileName();
    if (!name.contains(QLatin1String("confli"), Qt::CaseInsensitive))
        return false;
    const QFileInfo store(storeName);
    const QString base = QRegularExpression::escape(store.completeBaseName());
    const QString suffix = QRegularExpression::escape(QLatin1Char('.') + store.suffix());
    // Syncthing, ownCloud, then Nextcloud's and Dropbox's words in English and Portuguese.
    static const QString middles = QStringLiteral("(\\.sync-conflict-\\d{8}-\\d{6}-[A-Z0-9]{7}"
                                                  "|_conflict-\\d{8}-\\d{6}"
                                                  "| \\(([^()]*['’]s )?conflicted copy[^()]*(\\(\\d+\\))?\\)"
                                                  "| \\(c[óo]pia (em|de) conflito[^()]*(\\(\\d+\\))?\\))");
    const QRegularExpression re(QLatin1Char('^') + base + middles + suffix + QLatin1Char('$'),
                                QRegularExpression::CaseInsensitiveOption);
    return re.match(name).hasMatch();
}
