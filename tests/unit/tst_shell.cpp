#include "TestSupport.h"
#include "note/ClickLabel.h"
#include "note/frmLembrete.h"
#include "platform/SingleInstance.h"
#include "records/NoteRecord.h"
#include "platform/SettingsStore.h"
#include "shell/frmPrincipal.h"

#include <QStyleHints>

#include <QAction>
#include <QMenu>
#include <QPlainTextEdit>
#include <QWindow>
#include <QtTest>

using namespace NoteRecord;

static QStringList goodFields(int n)
{
    return {"01/12/2026 10:00", "", "N", QString::number(1500 + 15 * n), QString::number(300 * n), "N", "",
            "N", QString("nota %1").arg(n), "0", "0", "N", "0", "3060", "2430"};
}

class TestShell : public QObject {
    Q_OBJECT
    TestPlatform platform;
private slots:
    void init() { platform.reset(); }

    void firstStartSeedsAndShowsTheWelcomeNote()
    {
        ShellFixture f;
        QCOMPARE(f.shell->Form_Load(), frmPrincipal::StartResult::Running);
        QCOMPARE(platform.messages.shown.size(), 0);
        QVERIFY(f.shell->exibir->isChecked());
        QCOMPARE(f.shell->tray()->toolTip(), QString("Quadrelo - 1 Lembrete(s)"));
        const auto notes = openNotes();
        QCOMPARE(notes.size(), 1);
        frmLembrete *w = notes.first();
        QVERIFY(w->isVisible());
        QCOMPARE(w->geometry(), QRect(104, 106, 480, 195));
        QVERIFY(w->isPinned());
        QVERIFY(w->windowHandle()->flags() & Qt::WindowStaysOnTopHint);
        QVERIFY(w->txtTexto->isReadOnly());
        QVERIFY(!w->Lixeira->isEnabled());
        QCOMPARE(w->txtTexto->toolTip(), QString("Lembrete Bloqueado!"));
        QVERIFY(w->txtTexto->toPlainText().startsWith("O Quadrelo 2.0 é um utilitário de tecnologia nacional.\n\nOferecemos"));

        // The menu: seven items in order.
        QStringList captions;
        for (QAction *a : f.shell->menu()->actions())
            captions << a->text();
        QCOMPARE(captions, QStringList({"&Novo Papel de Lembrete", "&Esconder Todos Lembretes",
                                        "&Mostrar Todos Lembretes", "&Salvar Todos Lembretes",
                                        "Exibir &Lembretes ao Inciar", "Sobre a &Borvane", "&Encerrar Quadrelo"}));

        // Exit saves: the welcome note under "0", "999" gone.
        f.shell->encerrar->trigger();
        QCOMPARE(f.quits, 1);
        const auto stored = ShellFixture::storedNotes();
        QCOMPARE(stored.size(), 1);
        QCOMPARE(stored.first().first, QString("0"));
        QCOMPARE(stored.first().second, welcomeRecord());
        QVERIFY(openNotes().isEmpty() || openNotes().first()->tag().isEmpty());
    }

    void secondInstanceIsRefusedAndCrashedLockIsTakenOver()
    {
        {
            SingleInstance first;
            QVERIFY(first.acquire());
            SingleInstance second;
            QVERIFY(!second.acquire());
        }
        // A lock left by an instance that died does not keep the program from starting.
        QFile lock(SingleInstance::lockPath());
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write("999999\nquadrelo\nhost\n");
        lock.close();
        SingleInstance next;
        QVERIFY(next.acquire());
    }

    void hiddenAtStartAndLoadEdgeCases()
    {
        QStringList small = goodFields(0);
        small[Largura] = "2000";
        small[Altura] = "2010";
        QStringList big = goodFields(1);
        big[Largura] = "5000";
        big[Altura] = "4000";
        big[Cor] = "8";
        QStringList alarm = goodFields(2);
        alarm[Aviso] = "S";
        alarm[DataHoraAviso] = "05/12/2026 00:10";
        alarm[Minutos] = "30";
        alarm[Fixo] = "S";
        QStringList noAlarm = goodFields(3);
        noAlarm[DataHoraAviso] = "05/12/2026 08:30";
        noAlarm[Texto] = QString("a") + QChar(LineBreak) + "b";
        ShellFixture::seedStore({recordOf(small), recordOf(big), recordOf(alarm), recordOf(noAlarm)}, "N");

        ShellFixture f;
        QCOMPARE(f.shell->Form_Load(), frmPrincipal::StartResult::Running);
        QVERIFY(!f.shell->exibir->isChecked());
        QCOMPARE(f.shell->tray()->toolTip(), QString("Quadrelo - 4 Lembrete(s)"));
        const auto notes = openNotes();
        QCOMPARE(notes.size(), 4);
        for (frmLembrete *n : notes)
            QVERIFY(!n->isVisible());
        QCOMPARE(QSizeF(notes[0]->widthTw(), notes[0]->heightTw()), QSizeF(3060, 2430));
        QCOMPARE(QSizeF(notes[1]->widthTw(), notes[1]->heightTw()), QSizeF(5000, 4000));
        QCOMPARE(notes[1]->textColor(), QColor(0, 0, 0));
        QCOMPARE(notes[1]->pos(), QPoint(20, 101));
        QVERIFY(!notes[2]->Alarme->isHidden());
        QCOMPARE(notes[2]->Alarme->toolTip(), QString("04/12/2026 23:40"));
        QVERIFY(notes[2]->isPinned());
        QVERIFY(notes[3]->Alarme->isHidden());
        QCOMPARE(notes[3]->Alarme->toolTip(), QString());
        QCOMPARE(notes[3]->txtTexto->toPlainText(), QString("a\nb"));

        // Show all, hide all.
        f.shell->mostrar_Click();
        for (frmLembrete *n : notes)
            QVERIFY(n->isVisible());
        f.shell->esconder_Click();
        for (frmLembrete *n : notes)
            QVERIFY(!n->isVisible());

        // The toggle writes the setting and flips the mark, and back.
        f.shell->exibir->trigger();
        QVERIFY(f.shell->exibir->isChecked());
        QCOMPARE(SettingsStore().read("Config", "Abertura"), QString("S"));
        f.shell->exibir->trigger();
        QVERIFY(!f.shell->exibir->isChecked());
        QCOMPARE(SettingsStore().read("Config", "Abertura"), QString("N"));
    }

    void saveAllTakesLiveValuesAndKeepsHeldRecord()
    {
        ShellFixture::seedStore({recordOf(goodFields(0)), recordOf(goodFields(1))});
        ShellFixture f;
        f.shell->Form_Load();
        auto notes = openNotes();
        QCOMPARE(notes.size(), 2);
        const QString held = notes[0]->record();
        notes[0]->move(50, 60);
        notes[0]->imgArraste_MouseMove(1, 0, 120 + 150, 120 + 300);
        notes[0]->txtTexto->setPlainText("linha 1\nlinha 2");
        notes[1]->hide();
        frmLembrete *fresh = f.shell->novo_Click();
        QVERIFY(fresh && fresh->isVisible());
        QCOMPARE(f.shell->tray()->toolTip(), QString("Quadrelo - 3 Lembrete(s)"));
        QCOMPARE(fresh->size(), QSize(204, 162));
        QCOMPARE(fresh->textColor(), QColor(224, 255, 0));

        f.shell->salvar->trigger();
        const auto stored = ShellFixture::storedNotes();
        QCOMPARE(stored.size(), 3);
        QCOMPARE(stored[2].first, QString("2"));
        const QStringList s0 = fieldsOf(stored[0].second);
        QCOMPARE(s0.mid(Topo, 2), QStringList({"900", "750"}));
        QCOMPARE(s0.mid(Largura, 2), QStringList({"3210", "2730"}));
        QCOMPARE(s0[Texto], QString("linha 1") + QChar(LineBreak) + "linha 2");
        QCOMPARE(notes[0]->record(), held);
        QCOMPARE(fieldsOf(stored[1].second)[Texto], QString("nota 1")); // hidden notes are saved too
        QCOMPARE(fieldsOf(stored[2].second)[DatCriacao], QString("05/12/2026 09:07"));

        // No notes at all: the section is gone.
        for (frmLembrete *n : openNotes())
            n->cmdExcSim_Click();
        QCOMPARE(f.shell->tray()->toolTip(), QString("Quadrelo - 0 Lembrete(s)"));
        QCOMPARE(ShellFixture::storedNotes().size(), 3); // deleting touches nothing stored
        f.shell->salvar_Click();
        QVERIFY(ShellFixture::storedNotes().isEmpty());
    }

    void failedSaveLeavesTheFileAndTheNotes()
    {
        ShellFixture::seedStore({recordOf(goodFields(0))});
        ShellFixture f;
        f.shell->Form_Load();
        QFile file(TestPlatform::storePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        file.close();
        // A note whose held record cannot be rewritten makes the save fail half way.
        frmLembrete *odd = f.shell->novo_Click();
        odd->setRecord("no separators");
        f.shell->salvar->trigger();
        QCOMPARE(platform.messages.shown.size(), 1);
        QVERIFY(platform.messages.shown.first().text.startsWith("Os lembretes não puderam ser salvos: 6 - "));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
        file.close();
        // Exit with a failing save keeps the program and its notes.
        f.shell->encerrar->trigger();
        QCOMPARE(f.quits, 0);
        QCOMPARE(openNotes().size(), 2);
    }

    void damagedRecordsAreSetAsideAndKept()
    {
        const QString tooFew = "a" + QString(QChar(FieldSeparator)) + "b";
        QStringList notNumber = goodFields(1);
        notNumber[Largura] = "largo";
        QStringList alarmNoBlank = goodFields(2);
        alarmNoBlank[Aviso] = "S";
        alarmNoBlank[DataHoraAviso] = "05/12/2026";
        ShellFixture::seedStore({recordOf(goodFields(0)), tooFew, recordOf(notNumber), recordOf(alarmNoBlank),
                                 recordOf(goodFields(4))});
        ShellFixture f;
        QCOMPARE(f.shell->Form_Load(), frmPrincipal::StartResult::Running);
        QCOMPARE(platform.messages.shown.size(), 1);
        QVERIFY(platform.messages.shown.first().text.startsWith("100 - 9 - "));
        QVERIFY(platform.messages.shown.first().text.contains("(3 lembrete(s)"));
        QCOMPARE(openNotes().size(), 2);
        QCOMPARE(f.shell->tray()->toolTip(), QString("Quadrelo - 2 Lembrete(s)"));
        f.shell->salvar_Click();
        const auto stored = ShellFixture::storedNotes();
        QCOMPARE(stored.size(), 5);
        QCOMPARE(stored[2].second, tooFew);
        QCOMPARE(stored[3].second, recordOf(notNumber));
        QCOMPARE(stored[4].second, recordOf(alarmNoBlank));
    }

    void unreadableStoreEndsStartWithoutWriting()
    {
        QDir().mkpath(QFileInfo(TestPlatform::storePath()).absolutePath());
        QFile file(TestPlatform::storePath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Lembretes\n0=x\n");
        file.close();
        ShellFixture f;
        QCOMPARE(f.shell->Form_Load(), frmPrincipal::StartResult::Failed);
        QCOMPARE(platform.messages.texts().size(), 1);
        QVERIFY(platform.messages.texts().first().startsWith("11 - 75 - "));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("[Lembretes\n0=x\n"));
    }

    void closedWhileLoadingLosesNothing()
    {
        const QStringList records = {recordOf(goodFields(0)), "damaged", recordOf(goodFields(2))};
        ShellFixture::seedStore(records);
        ShellFixture f;
        // The exit command arrives while the first note's layout step lets events run.
        QTimer::singleShot(0, f.shell, [&f] { f.shell->encerrar_Click(); });
        QCOMPARE(f.shell->Form_Load(), frmPrincipal::StartResult::Running);
        QVERIFY(f.shell->isShutDown());
        QCOMPARE(f.quits, 1);
        QStringList stored;
        for (const auto &kv : ShellFixture::storedNotes())
            stored << kv.second;
        QCOMPARE(stored, records);
        QVERIFY(frmPrincipal::notes().isEmpty());
    }

    void trayClicksAndDoubleClicks()
    {
        ShellFixture::seedStore({}, "N");
        ShellFixture f;
        f.shell->Form_Load();
        // XEmbed hosts: a click then a double click.
        f.shell->trayActivated(QSystemTrayIcon::Trigger);
        QCOMPARE(openNotes().size(), 0);
        f.shell->trayActivated(QSystemTrayIcon::DoubleClick);
        QCOMPARE(openNotes().size(), 1);
        QTest::qWait(QGuiApplication::styleHints()->mouseDoubleClickInterval() + 50);
        // Hosts without double clicks: two plain clicks in the interval.
        f.shell->trayActivated(QSystemTrayIcon::Trigger);
        f.shell->trayActivated(QSystemTrayIcon::Trigger);
        QCOMPARE(openNotes().size(), 2);
        f.shell->trayActivated(QSystemTrayIcon::Context);
        QCOMPARE(openNotes().size(), 2);
        QCOMPARE(f.shell->tray()->toolTip(), QString("Quadrelo - 2 Lembrete(s)"));
    }

    void noNotificationAreaStillShowsTheNotes()
    {
        ShellFixture::seedStore({recordOf(goodFields(0))}, "N");
        ShellFixture f;
        f.shell->trayAvailable = [] { return false; };
        QCOMPARE(f.shell->Form_Load(), frmPrincipal::StartResult::Running);
        QCOMPARE(platform.messages.shown.size(), 1);
        QVERIFY(openNotes().first()->isVisible());
    }

    void manyGeneratedRecordsLoadAndComeBack()
    {
        QRandomGenerator rng(20261206);
        const QString specials = QString("&#%?\"\\,;=[] \t") + QChar(LineBreak) + QChar(0x1) + QChar(0x7) + "é";
        QStringList records, good, damaged;
        for (int i = 0; i < 300; ++i) {
            QStringList f = goodFields(i);
            QString text;
            const int len = rng.bounded(3) == 0 ? 2000 + rng.bounded(3000) : rng.bounded(40);
            for (int c = 0; c < len; ++c)
                text += rng.bounded(4) == 0 ? specials.at(rng.bounded(int(specials.size())))
                                            : QChar(u'a' + rng.bounded(26));
            f[Texto] = text;
            f[Topo] = QString::number(15 * rng.bounded(50));
            f[Esquerda] = QString::number(15 * rng.bounded(80));
            f[Largura] = QString::number(3060 + 15 * rng.bounded(100));
            f[Altura] = QString::number(2430 + 15 * rng.bounded(100));
            f[Cor] = QString::number(rng.bounded(10));
            QString r = recordOf(f);
            switch (rng.bounded(6)) {
            case 0: { // random field count
                QStringList cut = f.mid(0, rng.bounded(14));
                r = cut.join(QChar(FieldSeparator));
                damaged << r;
                break;
            }
            case 1:
                f[rng.bounded(2) ? Altura : Cor] = "x" + QString::number(i);
                r = recordOf(f);
                damaged << r;
                break;
            case 2:
                f[Texto] += QChar(FieldSeparator); // a separator in the text shifts the numbers
                f[Texto] += "zz";
                r = recordOf(f);
                damaged << r;
                break;
            default:
                good << r;
            }
            records << r;
        }
        ShellFixture::seedStore(records, "N");
        ShellFixture f;
        QCOMPARE(f.shell->Form_Load(), frmPrincipal::StartResult::Running);
        QCOMPARE(openNotes().size(), good.size());
        f.shell->salvar_Click();
        const auto stored = ShellFixture::storedNotes();
        QCOMPARE(stored.size(), records.size());
        for (int i = 0; i < good.size(); ++i) {
            QStringList expected = fieldsOf(good[i]);
            QStringList actual = fieldsOf(stored[i].second);
            expected[Texto] = encodeText(decodeText(expected[Texto]));
            QCOMPARE(actual, expected);
        }
        for (int i = 0; i < damaged.size(); ++i)
            QCOMPARE(stored[good.size() + i].second, damaged[i]);
    }
};

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
