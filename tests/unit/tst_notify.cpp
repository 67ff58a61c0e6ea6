// SPDX-License-Identifier: GPL-3.0-or-later
// A ringing note's notice in the desktop's notification list, through a notification service of
// the test's own on a private session bus, with the test's clock.
#include "TestSupport.h"
#include "alarm/AlarmClock.h"
#include "note/frmLembrete.h"
#include "platform/DesktopNotices.h"
#include "records/NoteRecord.h"
#include "shell/AlarmNotices.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QPlainTextEdit>
#include <QProcess>
#include <QtTest>

using namespace NoteRecord;

const QString Service = QStringLiteral("org.freedesktop.Notifications");

// The notification list as a person sees it: what stays there. A notice that would expire, or
// that names no program to file it under, does not stay.
class FakeService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList offered;
    QMap<uint, QString> shown; // "summary | body | action labels"
    int received = 0;
    uint lastId = 0;

public slots:
    QStringList GetCapabilities() { return offered; }
    uint Notify(const QString &, uint replaces, const QString &, const QString &summary, const QString &body,
                const QStringList &actions, const QVariantMap &hints, int expiry)
    {
        ++received;
        const uint id = shown.contains(replaces) ? replaces : ++lastId;
        QStringList labels;
        for (qsizetype i = 1; i < actions.size(); i += 2)
            labels << actions[i];
        if (expiry == 0 && hints.value("urgency").value<uchar>() == 2
            && !hints.value("desktop-entry").toString().isEmpty())
            shown[id] = summary + " | " + body + " | " + labels.join(", ");
        return id;
    }
    void CloseNotification(uint id) { shown.remove(id); }
};

class TestNotify : public QObject {
    Q_OBJECT
    TestPlatform platform;
    QProcess bus;
    FakeService service;
    std::unique_ptr<DBusNotices> desktop;

    QDBusConnection serviceBus() { return QDBusConnection(QStringLiteral("service")); }

private slots:
    void initTestCase()
    {
        // A bus that starts no services of its own: only the test's service ever answers.
        QFile config(QDir::temp().filePath("tst_notify-bus.conf"));
        QVERIFY(config.open(QIODevice::WriteOnly));
        config.write(
            "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen><policy context=\"default\">"
            "<allow send_destination=\"*\"/><allow receive_sender=\"*\"/><allow own=\"*\"/></policy></busconfig>");
        config.close();
        bus.start("dbus-daemon", {"--nofork", "--print-address", "--config-file=" + config.fileName()});
        if (!bus.waitForStarted())
            QSKIP("dbus-daemon is not installed");
        QVERIFY(bus.waitForReadyRead(5000));
        const QString address = QString::fromUtf8(bus.readLine()).trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());
        QGuiApplication::setDesktopFileName("br.com.borvane.Quadrelo");
        QVERIFY(QDBusConnection::connectToBus(address, "service")
                    .registerObject("/org/freedesktop/Notifications", &service, QDBusConnection::ExportAllSlots));
        desktop = std::make_unique<DBusNotices>();
    }
    void cleanupTestCase()
    {
        desktop.reset();
        bus.kill();
        bus.waitForFinished();
    }
    void init()
    {
        platform.reset();
        platform.clock.current = QDateTime(QDate(2026, 12, 5), QTime(9, 0));
        // Nothing printed, with or without a service (the offscreen platform's own complaints aside).
        QTest::failOnWarning(QRegularExpression("^(?!This plugin does not support)"));
    }
    void cleanup()
    {
        desktop->withdrawAll();
        service.shown.clear();
        serviceBus().unregisterService(Service);
    }

    void noticeOfARingingNote_data()
    {
        QTest::addColumn<bool>("continuous");
        QTest::addColumn<QString>("second");      // the empty note's alarm
        QTest::addColumn<QStringList>("offered"); // by the service; "none": no service at first
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QStringList>("shown"); // in the list at the end
        QTest::addColumn<QString>("alarm");     // the first note's record: Aviso DataHoraAviso
        QTest::addColumn<bool>("visible");      // the first note

        const QStringList all{"actions", "persistence"};
        const QString bread =
            "Comprar pão | Alarme marcado para 05/12/2026 09:00. | Mostrar Lembrete, Adiar 10 minutos";
        const QString nine = "Lembrete | Alarme marcado para 05/12/2026 09:00. | Mostrar Lembrete, Adiar 10 minutos";
        QTest::newRow("a plain ring stays after it")
            << false << "" << all << "ring end" << QStringList{bread} << "N" << true;
        QTest::newRow("a click on the note") << true << "" << all << "ring click end" << QStringList{} << "N" << true;
        QTest::newRow("put off") << false << "" << all << "ring end adiar" << QStringList{} << "S 05/12/2026 09:10"
                                 << true;
        QTest::newRow("put off while it rings on")
            << true << "" << all << "ring adiar" << QStringList{} << "S 05/12/2026 09:10" << true;
        QTest::newRow("put off, rings again")
            << false << "" << all << "ring end adiar later end"
            << QStringList{"Comprar pão | Alarme marcado para 05/12/2026 09:10. | Mostrar Lembrete, Adiar 10 minutos"}
            << "N" << true;
        QTest::newRow("open a hidden note")
            << false << "" << all << "ring end hide open" << QStringList{} << "N" << true;
        QTest::newRow("deleted") << false << "" << all << "ring end delete" << QStringList{} << "" << false;
        QTest::newRow("ended elsewhere by a click") << true << "" << all << "ring join" << QStringList{} << "N" << true;
        QTest::newRow("plain, ended elsewhere")
            << false << "" << all << "ring join end" << QStringList{bread} << "N" << true;
        QTest::newRow("alarm set anew") << false << "" << all << "ring end reset" << QStringList{}
                                        << "S 06/12/2026 08:00" << true;
        QTest::newRow("no actions") << false << "" << QStringList{} << "ring end"
                                    << QStringList{"Comprar pão | Alarme marcado para 05/12/2026 09:00. | "} << "N"
                                    << true;
        QTest::newRow("no service") << false << "" << QStringList{"none"} << "ring end" << QStringList{} << "N" << true;
        QTest::newRow("a service come late, a late alarm")
            << false << "05/12/2026 09:05" << QStringList{"none"} << "ring end up later end"
            << QStringList{"Lembrete | Alarme pendente desde 05/12/2026 09:05: o computador estava desligado ou em "
                           "espera, ou o Quadrelo não estava aberto. | Mostrar Lembrete, Adiar 10 minutos"}
            << "N" << true;
        QTest::newRow("two in one minute")
            << false << "05/12/2026 09:00" << all << "ring end" << QStringList{bread, nine} << "N" << true;
        QTest::newRow("quit") << false << "05/12/2026 09:00" << all << "ring end quit" << QStringList{} << "N" << true;
    }

    void noticeOfARingingNote()
    {
        QFETCH(bool, continuous);
        QFETCH(QString, second);
        QFETCH(QStringList, offered);
        QFETCH(QString, steps);
        service.offered = offered;
        bool up = offered != QStringList{"none"};
        if (up)
            QVERIFY(serviceBus().registerService(Service));
        QPointer<frmLembrete> a = noteWith({{Aviso, "S"},
                                            {DataHoraAviso, "05/12/2026 09:00"},
                                            {Texto, "Comprar pão\u00a0na padaria"},
                                            {Continuo, continuous ? "S" : "N"}})
                                      .release();
        auto b = noteWith({{Aviso, second.isEmpty() ? "N" : "S"}, {DataHoraAviso, second}});
        AlarmNotices notices(*desktop);
        notices.follow(a);
        notices.follow(b.get());
        for (const QString &step : steps.split(' ')) {
            const int before = service.received;
            if (step == "ring" || step == "later") {
                platform.clock.current = platform.clock.current.addSecs(step == "ring" ? 0 : 600);
                AlarmClock::instance().timeChanged();
                if (up)
                    QTRY_COMPARE(service.received, before + (a && a->isRinging()) + b->isRinging());
            } else if (step == "end") {
                for (frmLembrete *n : {a.data(), b.get()})
                    if (n)
                        n->findChild<QTimer *>("tmrContAlarme")->setInterval(5);
                QTRY_VERIFY(!(a && a->isRinging()) && !b->isRinging());
            } else if (step == "click") {
                QTest::mouseClick(a->findChild<QPlainTextEdit *>("txtTexto")->viewport(), Qt::LeftButton);
            } else if (step == "adiar" || step == "open") {
                uint id = 0;
                for (auto i = service.shown.cbegin(); i != service.shown.cend(); ++i)
                    id = i.value().startsWith("Comprar pão") ? i.key() : id;
                QVERIFY(id);
                serviceBus().send(QDBusMessage::createSignal("/org/freedesktop/Notifications", Service, "ActionInvoked")
                                  << id << (step == "open" ? "default" : "adiar"));
                QTRY_VERIFY(!service.shown.contains(id));
            } else if (step == "hide") {
                clickChild(a, "esconder");
            } else if (step == "delete") {
                a->dispose();
                QTRY_VERIFY(!a);
            } else if (step == "join") {
                a->applyElsewhere(
                    recordWith({{Texto, "Comprar pão\u00a0na padaria"}, {Continuo, continuous ? "S" : "N"}}));
            } else if (step == "reset") {
                NoteValue v = a->value();
                v.alarm = true;
                v.alarmAt = "06/12/2026 08:00";
                a->setValue(v);
            } else if (step == "up") {
                service.offered = {"actions"};
                QVERIFY(up = serviceBus().registerService(Service));
            } else if (step == "quit") {
                notices.withdrawAll();
            }
        }
        const auto listed = [this] {
            QStringList l = service.shown.values();
            l.sort();
            return l;
        };
        QFETCH(QStringList, shown);
        QTRY_COMPARE(listed(), shown);
        const QStringList f =
            a ? a->savedRecord().split(QChar(FieldSeparator)) : QStringList{"", "", "", "", "", "", ""};
        QTEST(QString(f[Aviso] + ' ' + f[DataHoraAviso]).trimmed(), "alarm");
        QTEST(a && a->isVisible(), "visible");
        delete a;
    }
};

QTEST_MAIN(TestNotify)
#include "tst_notify.moc"
