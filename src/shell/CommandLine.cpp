// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

std::optional<int> handleCommandLine(int argc, char *argv[])
{
    if (argc <= 1)
        return std::nullopt; // the usual start, untouched

    // A core application only: no display is needed to answer --help or --version.
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quadrelo"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUADRELO_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Sticky notes and reminders in the notification area."));
    // "-session" must stay one word: it is how an X session manager restarts the program.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Display this help and exit."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Display the version and exit."));
    QCommandLineOption session(QStringLiteral("session"), QString(), QStringLiteral("id"));
    session.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOptions({help, version, session});

    QString error;
    if (!parser.parse(QCoreApplication::arguments()))
        error = parser.errorText();
    else if (!parser.positionalArguments().isEmpty())
        error = QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().constFirst());
    if (!error.isEmpty()) {
        std::fprintf(stderr, "quadrelo: %s Try 'quadrelo --help'.\n", qPrintable(error));
        return 2;
    }
    if (parser.isSet(help)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("quadrelo %s\n", QUADRELO_VERSION);
        return 0;
    }
    return std::nullopt;
}
