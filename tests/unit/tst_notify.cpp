// SPDX-License-Identifier: GPL-3.0-or-later
// A ringing note's notice in the desktop's notification list, through a notification service of
// the test's own on a private session bus, with the test's clock.
#include "TestSupport.h"
#include "alarm/AlarmClock.h"
#include "note/frmLembrete.h"
#include "platform/DesktopNotices.h"
#include "platform/SettingsStore.h"
#include "records/NoteRecord.h"
#include "shell/AlarmNotices.h"

#include <QPlainTextEdit>
#include <QtDBus>
#include <QtTest>

using namespace NoteRecord;

const QString Service = "org.freedesktop.Notifications", Path = "/org/freedesktop/Notifications";

// The notification list as a person sees it: what stays there. A notice that would expire, or
// that names no program to file it under, does not stay.
class FakeService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList offered;
    QMap<uint, QString> shown; // "summary | body | actions"
    uint received = 0, lastId = 0;

public slots:
    QStringList GetCapabilities() { return offered; }
    uint Notify(const QString &, uint replaces, const QString &, const QString &summary, const QString &body,
                const QStringList &actions, const QVariantMap &hints, int expiry)
    {
        ++received;
        const uint id = shown.contains(replaces) ? replaces : ++lastId;
        if (expiry == 0 && hints["urgency"].value<uchar>() == 2 && !hints["desktop-entry"].toString().isEmpty())
            shown[id] = summary + " | " + body + " | " + actions.join(", ");
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
    QDBusConnection serviceBus() { return QDBusConnection("service"); }

private slots:
    void initTestCase()
    {
        // A bus that starts no services of its own: only the test's service ever answers.
        const QString config = QDir::temp().filePath("tst_notify-bus.conf");
        SettingsStore::writeFile(config, "<busconfig><listen>unix:tmpdir=/tmp</listen><policy context='default'>"
                                         "<allow own='*'/><allow send_destination='*'/><allow receive_sender='*'/>"
                                         "</policy></busconfig>");
        bus.start("dbus-daemon", {"--nofork", "--print-address", "--config-file=" + config});
        if (!bus.waitForStarted())
            QSKIP("dbus-daemon is not installed (./quadrelo.sh test installs it)");
        QVERIFY(bus.waitForReadyRead(5000));
        const QByteArray address = bus.readLine().trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        QGuiApplication::setDesktopFileName("br.com.borvane.Quadrelo");
        QVERIFY(QDBusConnection::connectToBus(address, "service")
                    .registerObject(Path, &service, QDBusConnection::ExportAllSlots));
        desktop = std::make_unique<DBusNotices>();
    }
    void cleanupTestCase() { bus.kill(), bus.waitForFinished(); }
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

    // Note A, "Comprar pão", is due at 09:00 (five minutes ahead of 09:05). Words before "ring" set
    // the scene: "continuous" alarm, an empty note B due at 09:00 ("B0") or 09:05 ("B5"), no service
    // yet ("down"), a service without actions ("bare").
    void noticeOfARingingNote_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QStringList>("shown"); // in the list at the end
        QTest::addColumn<QString>("alarm");     // A's record: Aviso DataHoraAviso
        const QString at = " | Alarme marcado para 05/12/2026 09:",
                      acts = " | default, Mostrar Lembrete, adiar, Adiar 10 minutos";
        const QString a = "Comprar pão" + at + "00." + acts;
        QTest::newRow("a click on the note") << "continuous ring click end" << QStringList{} << "N";
        QTest::newRow("opened") << "ring end default" << QStringList{} << "N";
        QTest::newRow("put off") << "ring end adiar" << QStringList{} << "S 05/12/2026 09:10";
        QTest::newRow("put off, ringing") << "continuous ring adiar" << QStringList{} << "S 05/12/2026 09:10";
        QTest::newRow("put off, rings again")
            << "ring end adiar later end" << QStringList{"Comprar pão" + at + "10." + acts} << "N";
        QTest::newRow("deleted") << "ring end delete" << QStringList{} << "";
        QTest::newRow("clicked elsewhere") << "continuous ring join" << QStringList{} << "N";
        QTest::newRow("plain, ended elsewhere") << "ring join end" << QStringList{a} << "N";
        QTest::newRow("set anew") << "ring end reset" << QStringList{} << "S 06/12/2026 08:00";
        QTest::newRow("no actions") << "bare ring end" << QStringList{"Comprar pão" + at + "00. | "} << "N";
        QTest::newRow("no service") << "down ring end" << QStringList{} << "N";
        QTest::newRow("two in one minute") << "B0 ring end" << QStringList{a, "Lembrete" + at + "00." + acts} << "N";
        QTest::newRow("quit") << "B0 ring end quit" << QStringList{} << "N";
        QTest::newRow("late service, late alarm")
            << "B5 down ring end up later end"
            << QStringList{"Lembrete | Alarme pendente desde 05/12/2026 09:05: o computador estava desligado ou em "
                           "espera, ou o Quadrelo não estava aberto."
                           + acts}
            << "N";
    }

    void noticeOfARingingNote()
    {
        QFETCH(QString, steps);
        const QString text = "Comprar pão\u00a0na padaria", flow = steps.startsWith("continuous") ? "S" : "N";
        QPointer<frmLembrete> a =
            noteWith(
                {{Aviso, "S"}, {DataHoraAviso, "05/12/2026 09:05"}, {Minutos, "5"}, {Texto, text}, {Continuo, flow}})
                .release();
        const QString second = steps.startsWith("B") ? "05/12/2026 09:0" + steps.mid(1, 1) : "";
        auto b = noteWith({{Aviso, second.isEmpty() ? "N" : "S"}, {DataHoraAviso, second}});
        AlarmNotices notices(*desktop);
        notices.follow(a);
        notices.follow(b.get());
        service.offered = steps.contains("bare") ? QStringList{} : QStringList{"actions", "persistence"};
        bool up = !steps.contains("down");
        QVERIFY(!up || serviceBus().registerService(Service));
        for (const QString &step : steps.split(' ')) {
            const uint before = service.received;
            if (step == "ring" || step == "later") {
                platform.clock.current = platform.clock.current.addSecs(step == "ring" ? 0 : 600);
                AlarmClock::instance().timeChanged();
                if (up)
                    QTRY_COMPARE(service.received, before + (a && a->isRinging()) + b->isRinging());
            } else if (step == "end") {
                for (frmLembrete *n : {a.data(), b.get()})
                    n->findChild<QTimer *>("tmrContAlarme")->setInterval(5);
                QTRY_VERIFY(!a->isRinging() && !b->isRinging());
            } else if (step == "click") {
                QTest::mouseClick(a->findChild<QPlainTextEdit *>("txtTexto")->viewport(), Qt::LeftButton);
            } else if (step == "adiar" || step == "default") {
                QVERIFY(!service.shown.isEmpty()); // A's notice, the one shown
                const uint id = service.shown.lastKey();
                serviceBus().send(QDBusMessage::createSignal(Path, Service, "ActionInvoked") << id << step);
                QTRY_VERIFY(!service.shown.contains(id));
                QVERIFY(a->isVisible() && !a->isRinging());
            } else if (step == "delete") {
                a->dispose();
                QTRY_VERIFY(!a);
            } else if (step == "join") {
                a->applyElsewhere(recordWith({{Texto, text}, {Continuo, flow}}));
            } else if (step == "reset") {
                NoteValue v = a->value();
                v.alarm = true, v.alarmAt = "06/12/2026 08:00";
                a->setValue(v);
            } else if (step == "up") {
                QVERIFY(up = serviceBus().registerService(Service));
            } else if (step == "quit") {
                notices.withdrawAll();
            }
        }
        QFETCH(QStringList, shown);
        QStringList listed;
        QTRY_COMPARE((listed = service.shown.values(), listed.sort(), listed), shown);
        const QStringList f = a ? a->savedRecord().split(QChar(FieldSeparator)) : QStringList(7);
        QTEST(QString(f[Aviso] + ' ' + f[DataHoraAviso]).trimmed(), "alarm");
        delete a;
    }
};

QTEST_MAIN(TestNotify)
#include "tst_notify.moc"
