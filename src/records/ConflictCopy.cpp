// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/ConflictCopy.h"

#include <QFileInfo>
#include <QRegularExpression>

bool isConflictCopy(const QString &fileName, const QString &storeName)
{
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
    return re.match(QFileInfo(fileName).fileName()).hasMatch();
}
