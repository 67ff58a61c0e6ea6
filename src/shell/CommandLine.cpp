// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <optional>

LaunchRequest handleCommandLine(int argc, char *argv[])
{
    if (argc <= 1)
        return {}; // the usual start, untouched

    // A core application only, unless one exists already: no display is needed to answer
    // --help or --version.
    std::optional<QCoreApplication> app;
    if (!QCoreApplication::instance()) {
        app.emplace(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("quadrelo"));
        QCoreApplication::setApplicationVersion(QStringLiteral(QUADRELO_VERSION));
    }
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Sticky notes and reminders in the notification area.\n\n"
                       "The commands --novo, --mostrar, --esconder and --encerrar are the desktop\n"
                       "entry's actions: the running Quadrelo carries them out, and all but\n"
                       "--encerrar start Quadrelo first when it is not running."));
    // "-session" must stay one word: it is how an X session manager restarts the program.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Display this help and exit."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Display the version and exit."));
    QCommandLineOption session(QStringLiteral("session"), QString(), QStringLiteral("id"));
    session.setFlags(QCommandLineOption::HiddenFromHelp);
    // How the bus's service file starts the program.
    QCommandLineOption service(QStringLiteral("dbus-service"));
    service.setFlags(QCommandLineOption::HiddenFromHelp);
    // The desktop entry's actions: each is a tray menu command, named after its menu item.
    const QList<QCommandLineOption> commands{
        {QStringLiteral("novo"), QStringLiteral("Make a new note (\"Novo Papel de Lembrete\").")},
        {QStringLiteral("mostrar"), QStringLiteral("Show every note (\"Mostrar Todos Lembretes\").")},
        {QStringLiteral("esconder"),
         QStringLiteral("Hide every note (\"Esconder Todos Lembretes\"); a Quadrelo started by it starts with "
                        "its notes hidden.")},
        {QStringLiteral("encerrar"),
         QStringLiteral("Save every note and quit (\"Encerrar Quadrelo\"); when Quadrelo is not running, "
                        "do nothing.")}};
    parser.addOptions({help, version, session, service});
    parser.addOptions(commands);

    QString error;
    if (!parser.parse(arguments))
        error = parser.errorText();
    else if (!parser.positionalArguments().isEmpty())
        error = QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().constFirst());
    LaunchRequest request;
    request.startedByBus = parser.isSet(service);
    for (const QCommandLineOption &command : commands) {
        if (!parser.isSet(command))
            continue;
        if (!request.command.isEmpty() && error.isEmpty())
            error = QStringLiteral("Give only one of --novo, --mostrar, --esconder, --encerrar.");
        request.command = command.names().constFirst();
    }
    if (!error.isEmpty()) {
        std::fprintf(stderr, "quadrelo: %s Try 'quadrelo --help'.\n", qPrintable(error));
        request.exitCode = 2;
    } else if (parser.isSet(help)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        request.exitCode = 0;
    } else if (parser.isSet(version)) {
        std::printf("quadrelo %s\n", QUADRELO_VERSION);
        request.exitCode = 0;
    }
    return request;
}
