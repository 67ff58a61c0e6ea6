// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"
#include "note/frmLembrete.h"
#include "platform/SettingsStore.h"
#include "platform/SingleInstance.h"
#include "records/NoteRecord.h"
#include "shell/frmPrincipal.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QPlainTextEdit>
#include <QStyleHints>
#include <QTimer>
#include <QtTest>
#include <csignal>

using namespace NoteRecord;

static QStringList storedRecords()
{
    QStringList records;
    for (const auto &kv : ShellFixture::storedNotes())
        records << kv.second;
    return records;
}

static QByteArray storeBytes()
{
    QFile file(SettingsStore::defaultPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class TestShell : public QObject {
    Q_OBJECT
    TestPlatform platform;

private slots:
    void init() { platform.reset(); }

    // First start: the welcome note is planted and shown, pinned and read-only; exit saves it.
    void firstStart()
    {
        ShellFixture f;
        QCOMPARE(f.shell->Form_Load(), frmPrincipal::StartResult::Running);
        QCOMPARE(f.shell->tray()->toolTip(), QString("Quadrelo - 1 Lembrete(s)"));
        frmLembrete *note = openNotes().value(0);
        QVERIFY(note && note->isVisible() && note->isPinned());
        QCOMPARE(note->geometry(), QRect(104, 106, 480, 195));
        QVERIFY(note->findChild<QPlainTextEdit *>("txtTexto")->isReadOnly());
        f.choose("encerrar");
        QCOMPARE(f.quits, 1);
        QCOMPARE(ShellFixture::storedNotes(), (QList<QPair<QString, QString>>{{"0", welcomeRecord()}}));
    }

    // One instance per user: a running one keeps a second out, untouched; a dead one's lock does not.
    void singleInstance_data()
    {
        QTest::addColumn<bool>("ownerAlive");
        QTest::newRow("another instance runs") << true;
        QTest::newRow("a crashed instance left its lock") << false;
    }

    void singleInstance()
    {
        QFETCH(bool, ownerAlive);
        SingleInstance other;
        if (ownerAlive) {
            QVERIFY(other.acquire());
        } else {
            QFile lock(SingleInstance::lockPath());
            QVERIFY(lock.open(QIODevice::WriteOnly));
            lock.write("999999\nquadrelo\nhost\n");
        }
        ShellFixture f;
        QCOMPARE(f.shell->Form_Load(),
                 ownerAlive ? frmPrincipal::StartResult::AlreadyRunning : frmPrincipal::StartResult::Running);
        QCOMPARE(QFile::exists(SettingsStore::defaultPath()), !ownerAlive);
    }

    // Loading: which notes become windows, whether they show, what the person is told, and that
    // every record that could not be loaded is written back by save-all exactly as it was.
    void loading_data()
    {
        QTest::addColumn<QStringList>("records");
        QTest::addColumn<QString>("abertura");
        QTest::addColumn<bool>("tray");
        QTest::addColumn<int>("notes");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("stored"); // after a save-all
        const QString good = recordWith({{Texto, "boa"}});
        const QString tooFew = "a" + QString(QChar(FieldSeparator)) + "b";
        const QString notNumber = recordWith({{Largura, "largo"}});
        const QString alarmNoTime = recordWith({{Aviso, "S"}, {DataHoraAviso, "05/12/2026"}});
        QTest::newRow("shown at start") << QStringList{good, good} << "S" << true << 2 << true << ""
                                        << QStringList{good, good};
        QTest::newRow("hidden at start") << QStringList{good} << "N" << true << 1 << false << "" << QStringList{good};
        QTest::newRow("no notification area") << QStringList{good} << "N" << false << 1 << true
                                              << "A área de notificação não está disponível." << QStringList{good};
        QTest::newRow("damaged among good") << QStringList{good, tooFew, notNumber, alarmNoTime, good} << "S" << true
                                            << 2 << true << "100 - 9 - Subscrito fora do intervalo (3 lembrete(s)"
                                            << QStringList{good, good, tooFew, notNumber, alarmNoTime};
    }

    void loading()
    {
        QFETCH(QStringList, records);
        QFETCH(QString, abertura);
        QFETCH(bool, tray);
        QFETCH(int, notes);
        QFETCH(bool, shown);
        QFETCH(QString, message);
        QFETCH(QStringList, stored);
        ShellFixture f;
        f.shell->trayAvailable = [tray] { return tray; };
        f.start(records, abertura);
        QCOMPARE(openNotes().size(), notes);
        for (frmLembrete *note : openNotes())
            QCOMPARE(note->isVisible(), shown);
        QCOMPARE(f.shell->tray()->toolTip(), QString("Quadrelo - %1 Lembrete(s)").arg(notes));
        QCOMPARE(f.shell->menu()->findChild<QAction *>("exibir")->isChecked(), abertura == "S");
        QCOMPARE(platform.messages.shown.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty())
            QVERIFY2(platform.messages.shown.first().startsWith(message), qPrintable(platform.messages.shown.first()));
        f.choose("salvar");
        QCOMPARE(storedRecords(), stored);
    }

    // What a loaded note shows of its record: size (never below the design size), alarm bell
    // with the advance taken off, pin, and text with its line breaks.
    void loadedNoteShowsItsRecord()
    {
        ShellFixture f;
        f.start({recordWith({{Largura, "2000"}, {Altura, "2010"}, {Fixo, "S"}, {Aviso, "S"},
                             {DataHoraAviso, "05/12/2026 00:10"}, {Minutos, "30"},
                             {Texto, QString("a") + QChar(LineBreak) + "b"}})});
        frmLembrete *note = openNotes().value(0);
        QCOMPARE(note->size(), QSize(204, 162));
        QCOMPARE(note->findChild<QWidget *>("Alarme")->toolTip(), QString("04/12/2026 23:40"));
        QVERIFY(note->findChild<QWidget *>("Alarme")->isVisible());
        QVERIFY(note->isPinned());
        QCOMPARE(platform.windows.topmost.value(0), (QPair<QWidget *, bool>(note, true)));
        QCOMPARE(note->findChild<QPlainTextEdit *>("txtTexto")->toPlainText(), QString("a\nb"));
    }

    // Save-all stores where the note is, its size and the text typed, and leaves the rest of
    // the record as it was.
    void saveAllTakesLiveValues()
    {
        ShellFixture f;
        f.start({recordWith({{Cor, "4"}, {Texto, "antes"}})});
        frmLembrete *note = openNotes().value(0);
        note->move(20, 30);
        auto *text = note->findChild<QPlainTextEdit *>("txtTexto");
        text->selectAll();
        QTest::keyClicks(text, "depois");
        QTest::keyClick(text, Qt::Key_Return);
        QTest::keyClicks(text, "fim");
        f.choose("salvar");
        QCOMPARE(split(storedRecords().value(0)).mid(0, FieldCount),
                 split(recordWith({{Cor, "4"}, {Topo, "450"}, {Esquerda, "300"}, {Largura, "3060"}, {Altura, "2430"},
                                   {Texto, QString("depois") + QChar(LineBreak) + "fim"}}))
                     .mid(0, FieldCount));
    }

    // A save that fails leaves the file as it was, says so, and keeps the program and its notes.
    void failedSaveKeepsEverything()
    {
        ShellFixture f;
        f.start({recordWith({})});
        const QByteArray before = storeBytes();
        f.choose("novo");
        openNotes().last()->setRecord("no separators"); // a record that cannot be rewritten
        f.choose("salvar");
        QCOMPARE(platform.messages.shown.size(), 1);
        QVERIFY(platform.messages.shown.first().startsWith("Os lembretes não puderam ser salvos: 6 - "));
        QCOMPARE(storeBytes(), before);
        f.choose("encerrar");
        QCOMPARE(f.quits, 0);
        QCOMPARE(openNotes().size(), 2);
    }

    // Closing the program while the notes are still loading keeps every record, loaded or not.
    void closedWhileLoading()
    {
        const QStringList records{recordWith({{Texto, "1"}}), "damaged", recordWith({{Texto, "3"}})};
        ShellFixture f;
        QTimer::singleShot(0, f.shell, [&f] { f.choose("encerrar"); });
        f.start(records);
        QVERIFY(f.shell->isShutDown());
        QCOMPARE(f.quits, 1);
        QCOMPARE(storedRecords(), records);
        QVERIFY(openNotes().isEmpty());
    }

    // SIGTERM (and logout) run the shutdown: the typed text is saved and the program ends.
    void terminationSignalSaves()
    {
        ShellFixture f;
        f.start({recordWith({})});
        QTest::keyClicks(openNotes().value(0)->findChild<QPlainTextEdit *>("txtTexto"), "salvo");
        std::raise(SIGTERM);
        QTRY_COMPARE(f.quits, 1);
        QCOMPARE(split(storedRecords().value(0)).value(Texto), QString("salvo"));
    }

    // The tray icon: a click shows every note; a double click (or two clicks from hosts that
    // report no double click) makes one note; the right button makes none.
    void trayClicks()
    {
        ShellFixture f;
        f.start({recordWith({})}, "N");
        auto activate = [&f](QSystemTrayIcon::ActivationReason r) { emit f.shell->tray()->activated(r); };
        activate(QSystemTrayIcon::Trigger);
        QVERIFY(openNotes().value(0)->isVisible());
        activate(QSystemTrayIcon::DoubleClick);
        QCOMPARE(openNotes().size(), 2);
        QTest::qWait(QGuiApplication::styleHints()->mouseDoubleClickInterval() + 50);
        activate(QSystemTrayIcon::Trigger);
        activate(QSystemTrayIcon::Trigger);
        activate(QSystemTrayIcon::Context);
        QCOMPARE(openNotes().size(), 3);
        QCOMPARE(f.shell->tray()->toolTip(), QString("Quadrelo - 3 Lembrete(s)"));
        f.choose("esconder");
        QVERIFY(!openNotes().value(2)->isVisible());
    }

    // The show-at-start item writes the setting and flips its mark, and back.
    void showAtStartToggle()
    {
        ShellFixture f;
        f.start({}, "S");
        QAction *item = f.shell->menu()->findChild<QAction *>("exibir");
        for (const QString expected : {"N", "S"}) {
            f.choose("exibir");
            QCOMPARE(SettingsStore().read("Config", "Abertura"), expected);
            QCOMPARE(item->isChecked(), expected == "S");
        }
    }
};

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
