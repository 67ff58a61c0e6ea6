// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/Application.h"
#include "shell/CommandLine.h"
#include "platform/Design.h"
#include "platform/Platform.h"
#include "platform/SingleInstance.h"
#include "shell/frmPrincipal.h"

#include <QApplication>
#include <cstdlib>
#include <QIcon>
#include <QPixmap>
#include <QLibraryInfo>
#include <QLocale>
#include <QSessionManager>
#include <QTranslator>

int runQuadrelo(int argc, char *argv[])
{
    const LaunchRequest request = handleCommandLine(argc, argv);
    if (request.exitCode)
        return *request.exitCode;
    SingleInstance::Answer handedOver = SingleInstance::Answer::NobodyListening;
    {
        // A running instance is asked first, before this launch opens a display and builds a
        // tray controller it would not use, so a desktop action is carried out at once.
        // Quitting starts nothing: without a running instance there is nothing to end.
        QCoreApplication core(argc, argv);
        // A connection of its own, closed before the application's session bus is made.
        const QString launcher = QStringLiteral("quadrelo-launch");
        handedOver = SingleInstance::notifyRunning(
            request.command, QDBusConnection::connectToBus(QDBusConnection::SessionBus, launcher));
        QDBusConnection::disconnectFromBus(launcher);
        if (handedOver == SingleInstance::Answer::Answered || request.command == QLatin1String("encerrar"))
            return 0;
    }

    // Notes must place themselves and stay on top, which a Wayland client cannot do: use XWayland.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");

    QApplication app(argc, argv);
    // The program speaks Brazilian Portuguese whatever the desktop's language: so do Qt's own
    // texts (the text box's menu, standard buttons).
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Portuguese, QLocale::Brazil), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);
    QApplication::setOrganizationName(QStringLiteral("Quadrelo"));
    QApplication::setApplicationName(QStringLiteral("Quadrelo"));
    QApplication::setApplicationVersion(QStringLiteral(QUADRELO_VERSION));
    QApplication::setDesktopFileName(QStringLiteral(QUADRELO_APP_ID));
    QApplication::setQuitOnLastWindowClosed(false);
    // The autostart entry starts Quadrelo at login, and a person who switches that off must not
    // find it started again by a session manager restoring the last session.
    QObject::connect(&app, &QGuiApplication::saveStateRequest, &app,
                     [](QSessionManager &manager) { manager.setRestartHint(QSessionManager::RestartNever); });
    Platform::initResources();
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addPixmap(Design::picture(QStringLiteral(":/icons/quadrelo-%1.png").arg(size)));
    QApplication::setWindowIcon(icon);

    frmPrincipal *shell = frmPrincipal::instance();
    switch (shell->Form_Load(request.command, handedOver == SingleInstance::Answer::Unanswered, request.startedByBus)) {
    case frmPrincipal::StartResult::AlreadyRunning:
    case frmPrincipal::StartResult::Ended: // by a signal during a wait, as it ends a running program
        return 0;
    case frmPrincipal::StartResult::Failed:
        return 1;
    case frmPrincipal::StartResult::Running:
        break;
    }
    if (shell->isShutDown())
        return 0; // closed while the start-up let events run
    // Qt ends the process with exit() when the X connection breaks, without the shutdown:
    // the notes are saved then all the same (the store needs no display).
    std::atexit(&frmPrincipal::saveAtExit);

    return QApplication::exec();
}
