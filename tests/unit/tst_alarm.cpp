#include "TestSupport.h"
#include "alarm/AlarmCheck.h"
#include "alarm/Sounds.h"
#include "note/ClickLabel.h"
#include "note/frmLembrete.h"
#include "platform/RuntimeError.h"
#include "records/NoteRecord.h"
#include "shell/frmPrincipal.h"

#include <QTimer>
#include <QWindow>
#include <QtTest>

using namespace NoteRecord;

static const QColor Flash(255, 255, 192);

class TestAlarm : public QObject {
    Q_OBJECT
    TestPlatform platform;

    // A note with an alarm armed as the properties dialog or loading would arm it.
    frmLembrete *armedNote(ShellFixture &f, const QString &sound, bool continuous, int colour = 3)
    {
        frmLembrete *w = f.shell->novo_Click();
        QStringList fields = fieldsOf(w->record());
        fields.removeLast();
        fields[Aviso] = "S";
        fields[DataHoraAviso] = "05/12/2026 09:00";
        fields[Som] = sound;
        fields[Continuo] = continuous ? "S" : "N";
        fields[Cor] = QString::number(colour);
        w->setRecord(recordOf(fields));
        w->setNoteColor(ColorFromIndex(quint8(colour)));
        w->Alarme->show();
        w->Alarme->setToolTip("05/12/2026 09:00");
        return w;
    }

private slots:
    void init()
    {
        platform.reset();
        platform.clock.current = QDateTime(QDate(2026, 12, 5), QTime(9, 0, 0));
    }

    void dueText()
    {
        QCOMPARE(AlarmDueText("05/12/2026 08:30", 0), QString("05/12/2026 08:30"));
        QCOMPARE(AlarmDueText("05/12/2026 08:30", 15), QString("05/12/2026 08:15"));
        QCOMPARE(AlarmDueText("05/12/2026 00:10", 30), QString("04/12/2026 23:40"));
        QCOMPARE(AlarmDueText("01/01/2027 00:00", 1), QString("31/12/2026 23:59"));
        QCOMPARE(AlarmDueText("x y", 0), QString("x y")); // no advance: taken as stored
        auto code = [](const QString &moment, int minutes) {
            try {
                AlarmDueText(moment, minutes);
            } catch (const RuntimeError &e) {
                return e.code();
            }
            return 0;
        };
        QCOMPARE(code("05/12/2026", 0), int(RuntimeError::InvalidArgument));
        QCOMPARE(code("05/12/2026 25:00", 5), int(RuntimeError::TypeMismatch));
        QCOMPARE(code("31/02/2026 10:00", 5), int(RuntimeError::TypeMismatch));
    }

    void dueRule()
    {
        const QDate today(2026, 12, 5);
        QVERIFY(!isAlarmDue("05/12/2026 08:30", QDateTime(today, QTime(8, 29, 59))));
        QVERIFY(isAlarmDue("05/12/2026 08:30", QDateTime(today, QTime(8, 30, 0))));
        QVERIFY(isAlarmDue("05/12/2026 08:30", QDateTime(today, QTime(8, 30, 59))));
        QVERIFY(isAlarmDue("04/12/2026 23:59", QDateTime(today, QTime(0, 0, 1))));
        QVERIFY(!isAlarmDue("06/12/2026 00:00", QDateTime(today, QTime(23, 59, 59))));
        QVERIFY(!isAlarmDue("", QDateTime(today, QTime(12, 0))));
        QVERIFY(!isAlarmDue("5/12/2026 08:30", QDateTime(today, QTime(12, 0))));
    }

    void ringStartBringsTheNoteForward()
    {
        ShellFixture f;
        frmLembrete *w = armedNote(f, "1", false);
        w->hide();
        platform.clock.current = QDateTime(QDate(2026, 12, 5), QTime(8, 59, 59));
        w->tmrAviso_Timer();
        QVERIFY(!w->tmrContAlarme->isActive());
        platform.clock.current = QDateTime(QDate(2026, 12, 5), QTime(9, 0, 0));
        w->tmrAviso_Timer();
        QVERIFY(w->isVisible());
        QCOMPARE(w->tmrContAlarme->interval(), 500);
        QVERIFY(w->tmrContAlarme->isActive());
        QCOMPARE(w->AlarmSoundName, QString("TIC"));
        QCOMPARE(w->AlarmColorIndex, quint8(3));
        QVERIFY(!w->AlarmAcknowledged);
        QVERIFY(!(w->windowHandle()->flags() & Qt::WindowStaysOnTopHint)); // raised, not left on top

        frmLembrete *pinned = armedNote(f, "0", false);
        pinned->Ponteiro_Click();
        pinned->tmrAviso_Timer();
        QVERIFY(pinned->windowHandle()->flags() & Qt::WindowStaysOnTopHint);

        // Only the bell's tooltip arms a note.
        frmLembrete *quiet = armedNote(f, "1", false);
        quiet->Alarme->setToolTip(QString());
        quiet->tmrAviso_Timer();
        QVERIFY(!quiet->tmrContAlarme->isActive());
    }

    void plainAlarmCourse()
    {
        ShellFixture f;
        frmLembrete *w = armedNote(f, "1", false);
        w->tmrAviso_Timer();
        struct Row {
            bool sound;
            bool flash;
            bool bell;
        };
        const Row course[6] = {{true, true, false}, {false, false, true}, {true, true, false},
                               {false, false, true}, {true, true, false}, {false, false, false}};
        for (int tick = 0; tick < 6; ++tick) {
            const int before = int(platform.sound.played.size());
            w->tmrContAlarme_Timer();
            QVERIFY(!w->tmrAviso->isActive() || tick == 5);
            QCOMPARE(int(platform.sound.played.size()) - before, course[tick].sound ? 1 : 0);
            QCOMPARE(w->textColor(), course[tick].flash ? Flash : ColorFromIndex(3));
            QCOMPARE(w->windowColor(), w->textColor());
            QCOMPARE(!w->Alarme->isHidden(), course[tick].bell);
        }
        QCOMPARE(platform.sound.played, QStringList({"TIC", "TIC", "TIC"}));
        // Stopped and consumed.
        QVERIFY(!w->tmrContAlarme->isActive());
        QCOMPARE(w->tmrAviso->interval(), 60000);
        QVERIFY(w->tmrAviso->isActive());
        QCOMPARE(w->Alarme->toolTip(), QString());
        QCOMPARE(w->AlarmTickCount, qint16(0));
        QCOMPARE(platform.sound.stops, 1);
        QCOMPARE(fieldsOf(w->record())[Aviso], QString("N"));
        QCOMPARE(fieldsOf(w->record())[DataHoraAviso], QString());
        // Never twice.
        w->tmrAviso_Timer();
        QVERIFY(!w->tmrContAlarme->isActive());
    }

    void continuousAlarmRingsUntilAcknowledged()
    {
        ShellFixture f;
        frmLembrete *w = armedNote(f, "8", true);
        w->tmrAviso_Timer();
        int maxTicks = 0;
        for (int tick = 1; tick < 20; ++tick) {
            w->tmrContAlarme_Timer();
            if (tick > 6)
                QCOMPARE(w->Alarme->isHidden(), (tick - 1) % 3 == 2);
        }
        QVERIFY(w->tmrContAlarme->isActive());
        QCOMPARE(platform.sound.played.size(), 10);
        w->txtTexto_Click();
        w->tmrContAlarme_Timer();
        QVERIFY(!w->tmrContAlarme->isActive());
        QCOMPARE(w->textColor(), ColorFromIndex(3));
        QVERIFY(w->Alarme->isHidden());

        // Left alone for minutes, the counter wraps and the bell keeps blinking.
        frmLembrete *v = armedNote(f, "2", true);
        v->tmrAviso_Timer();
        int hiddenTicks = 0;
        for (int tick = 0; tick < 800; ++tick) {
            v->tmrContAlarme_Timer();
            maxTicks = std::max(maxTicks, int(v->AlarmTickCount));
            hiddenTicks += v->Alarme->isHidden() ? 1 : 0;
        }
        QVERIFY(maxTicks <= 101);
        QVERIFY(v->tmrContAlarme->isActive());
        QVERIFY(hiddenTicks > 200 && hiddenTicks < 330);

        // An acknowledgement while the flash colour shows still ends in the note colour.
        frmLembrete *u = armedNote(f, "0", true, 6);
        u->tmrAviso_Timer();
        u->tmrContAlarme_Timer();
        QCOMPARE(u->textColor(), Flash);
        u->esconder_Click();
        u->tmrContAlarme_Timer();
        QCOMPARE(u->textColor(), ColorFromIndex(6));
        QVERIFY(!u->tmrContAlarme->isActive());
    }

    void silentWithoutDeviceAndSafeWhenDeleted()
    {
        platform.sound.devices = 0;
        ShellFixture f;
        frmLembrete *w = armedNote(f, "5", false);
        frmLembrete *x = armedNote(f, "4", false);
        w->tmrAviso_Timer();
        x->tmrAviso_Timer();
        for (int i = 0; i < 6; ++i)
            w->tmrContAlarme_Timer();
        QVERIFY(platform.sound.played.isEmpty());
        QVERIFY(!w->tmrContAlarme->isActive());

        // Deleted while its sound call lets events run: the tick ends quietly.
        platform.sound.devices = 1;
        QPointer<frmLembrete> alive(x);
        QTimer::singleShot(0, x, [x] { x->cmdExcSim_Click(); });
        x->tmrContAlarme_Timer();
        QVERIFY(!alive || (alive->isDeleted() && !alive->tmrContAlarme->isActive()));
        QCOMPARE(frmPrincipal::notes().size(), 1);
        QCOMPARE(f.shell->noteCounter(), qint16(1));
    }

    void soundTable()
    {
        const QStringList names = {"", "TIC", "CLICK", "BOOP", "PLANK", "BLIP", "TYPE", "TALK", "PNAM", ""};
        for (int i = 0; i < names.size(); ++i)
            QCOMPARE(SoundNameFromIndex(quint8(i)), names[i]);
        QCOMPARE(SoundNameFromIndex(255), QString());
        PlaySoundResource("BOOP", "SOM");
        StopSound();
        QCOMPARE(platform.sound.played, QStringList({"BOOP"}));
        QCOMPARE(platform.sound.stops, 1);
    }
};

QTEST_MAIN(TestAlarm)
#include "tst_alarm.moc"
