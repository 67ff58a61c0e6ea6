// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"
#include "note/frmLembrete.h"
#include "platform/SettingsStore.h"
#include "records/NoteRecord.h"
#include "dialogs/frmProp.h"
#include "shell/AutoSave.h"
#include "shell/TrayIcon.h"
#include "shell/frmPrincipal.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScopeGuard>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>

using namespace NoteRecord;

// The records that cannot be shown follow the notes in the store: records are compared sorted.
static QStringList sorted(QStringList records)
{
    records.sort();
    return records;
}

static QPlainTextEdit *textBox(frmLembrete *note) { return note->findChild<QPlainTextEdit *>("txtTexto"); }

// "S" or "N" per open note, for shown or hidden.
static QString visibleMarks()
{
    QString marks;
    for (frmLembrete *note : openNotes())
        marks += note->isVisible() ? "S" : "N";
    return marks;
}

// The automatic save, made to follow a change within 20 ms.
static AutoSave *quickSaves(ShellFixture &f)
{
    f.shell->findChild<QTimer *>("autoSaveDelay")->setInterval(20);
    return f.shell->findChild<AutoSave *>();
}

class TestShell : public QObject {
    Q_OBJECT
    TestPlatform platform;

private slots:
    void init() { platform.reset(); }

    // A stored note as its window shows it: size (never below the design size), pin, lock and text
    // with its line breaks. The show-at-start item writes the setting and flips its mark; exit
    // saves the note as shown and quits.
    void startShowAndExit()
    {
        ShellFixture f;
        const QList<QPair<int, QString>> fields{
            {Fixo, "S"}, {Leitura, "S"}, {Texto, QString("a") + QChar(LineBreak) + "b"}};
        f.start({recordWith(fields + QList<QPair<int, QString>>{{Largura, "2000"}, {Altura, "2010"}})});
        frmLembrete *note = openNotes().value(0);
        QVERIFY(note && note->isVisible() && note->isPinned());
        QCOMPARE(note->size(), QSize(204, 162));
        QCOMPARE(platform.windows.topmost.value(0), (QPair<QWidget *, bool>(note, true)));
        QCOMPARE(textBox(note)->toPlainText(), QString("a\nb"));
        QVERIFY(textBox(note)->isReadOnly());
        for (const QString expected : {"N", "S"}) {
            f.choose("exibir");
            QCOMPARE(SettingsStore(SettingsStore::defaultPath()).read("Config", "Abertura"), expected);
            QCOMPARE(f.shell->menu()->findChild<QAction *>("exibir")->isChecked(), expected == "S");
        }
        f.choose("encerrar");
        QCOMPARE(f.quits, 1);
        QCOMPARE(ShellFixture::storedRecords(), QStringList{recordWith(fields)});
    }

    // Loading: which notes become windows, what the person is told, and that every record that
    // could not be loaded is written back by save-all exactly as it was. (Without a notification
    // area the person is told too: the tray's own test and GNOME's desktop run.)
    void loading_data()
    {
        QTest::addColumn<QStringList>("records");
        QTest::addColumn<int>("notes");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("stored"); // after a save-all
        const QString good = recordWith({{Texto, "boa"}});
        // Fields written otherwise or unknown here come back as they were.
        const QString unusual =
            recordWith({{Texto, "boa"}, {Cor, " 2"}}) + "campo novo" + QChar(FieldSeparator) + "fim";
        const QString tooFew = "a" + QString(QChar(FieldSeparator)) + "b";
        const QString notNumber = recordWith({{Largura, "largo"}});
        const QString alarmNoTime = recordWith({{Aviso, "S"}, {DataHoraAviso, "05/12/2026"}});
        QTest::newRow("damaged among good") << QStringList{good, tooFew, notNumber, alarmNoTime, unusual} << 2
                                            << "100 - 9 - Subscrito fora do intervalo (3 lembrete(s)"
                                            << QStringList{good, unusual, tooFew, notNumber, alarmNoTime};
        // Loaded: sizes and places far out, a huge text, odd characters.
        const QString odd = QString("\x01\x07\t\"\\=;[#%") + QChar(LineBreak) + QChar(0x2028);
        const QStringList hostile{recordWith({{Largura, "1e12"}, {Altura, "1e6"}, {Esquerda, "-1e12"}}),
                                  recordWith({{Texto, QString(300000, u'a')}}),
                                  recordWith({{Texto, odd.repeated(20)}})};
        const QString badColour = recordWith({{Cor, "999"}});
        // Saved as shown: the oversized note at the screen's size, in its corner, and the text
        // box's line separator as a line break.
        const QString fitted = recordWith({{Topo, "0"}, {Esquerda, "0"}, {Largura, "12000"}, {Altura, "12000"}});
        QTest::newRow("hostile") << hostile + QStringList{badColour} << 3 << "100 - "
                                 << QStringList{fitted, hostile[1],
                                                QString(hostile[2]).replace(QChar(0x2028), QChar(LineBreak)),
                                                badColour};
    }

    void loading()
    {
        QFETCH(QStringList, records);
        QFETCH(int, notes);
        QFETCH(QString, message);
        QFETCH(QStringList, stored);
        ShellFixture f;
        f.start(records);
        QTest::qWait(100);
        QCOMPARE(visibleMarks(), QString("S").repeated(notes));
        QCOMPARE(f.shell->tray()->tip(), QString("Quadrelo - %1 Lembrete(s)").arg(notes));
        QCOMPARE(platform.messages.shown.size(), 1);
        QVERIFY2(platform.messages.shown.first().startsWith(message), qPrintable(platform.messages.shown.first()));
        f.choose("salvar");
        QCOMPARE(sorted(ShellFixture::storedRecords()), sorted(stored));
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
        QCOMPARE(sorted(ShellFixture::storedRecords()), sorted(records));
        QVERIFY(openNotes().isEmpty());
    }

    // Every change that save-all would store is saved by itself shortly after; nothing is saved
    // for a start that changed nothing.
    void automaticSave_data()
    {
        QTest::addColumn<QString>("change");
        // Typing and moving by the folded corner are saved by themselves in the desktop run; a new
        // note and a deletion reach the other machine by themselves in the two-machine run.
        for (const char *change : {"resized", "pinned", "properties"})
            QTest::newRow(change) << change;
    }

    void automaticSave()
    {
        QFETCH(QString, change);
        ShellFixture f;
        f.start({recordWith({})});
        frmLembrete *note = openNotes().value(0);
        QSignalSpy saves(quickSaves(f), &AutoSave::attempted);
        QTest::qWait(60);
        QCOMPARE(saves.size(), 0);
        if (change == "resized") {
            QWidget *grip = note->findChild<QWidget *>("imgArraste");
            QMouseEvent drag(QEvent::MouseMove, QPointF(40, 40), grip->mapToGlobal(QPointF(40, 40)), Qt::NoButton,
                             Qt::LeftButton, {});
            QApplication::sendEvent(grip, &drag);
        } else if (change == "pinned") {
            clickChild(note, "Ponteiro");
        } else {
            QTimer::singleShot(0, [] { clickChild(frmProp::instance().window(), "Ok"); });
            clickChild(note, "Propriedade");
        }
        QTRY_COMPARE(saves.size(), 1);
        QCOMPARE(saves.first().first().toBool(), true);
        QCOMPARE(ShellFixture::storedRecords().size(), openNotes().size());
    }

    // A failing save leaves the file as it was and keeps the program and its notes: save-all and
    // exit say so each time; a save by itself says so once, keeps being tried, and its next success
    // is silent; a save at the end of the session never waits on a box.
    void failedSaves()
    {
        ShellFixture f;
        f.start({recordWith({})});
        frmLembrete *note = openNotes().value(0);
        QSignalSpy saves(quickSaves(f), &AutoSave::attempted);
        const QByteArray before = bytesOf(SettingsStore::defaultPath());
        // A full disk: no file of this process may grow, and writing past that fails.
        rlimit sizes;
        QVERIFY(getrlimit(RLIMIT_FSIZE, &sizes) == 0);
        const auto diskFull = [sizes](bool full) {
            rlimit r = sizes;
            r.rlim_cur = full ? 0 : sizes.rlim_cur;
            setrlimit(RLIMIT_FSIZE, &r);
        };
        std::signal(SIGXFSZ, SIG_IGN);
        const auto emptied = qScopeGuard([&] { diskFull(false); });
        diskFull(true);
        f.choose("salvar");
        QCOMPARE(platform.messages.shown.size(), 1);
        QVERIFY(platform.messages.shown.first().startsWith("Os lembretes não puderam ser salvos: 75 - "));
        f.choose("encerrar");
        QCOMPARE(platform.messages.shown.size(), 2);
        QCOMPARE(f.quits, 0);
        QCOMPARE(openNotes().size(), 1);
        for (int attempt = 1; attempt <= 2; ++attempt) {
            QTest::keyClicks(textBox(note), "x");
            QTRY_COMPARE(saves.size(), attempt);
        }
        QCOMPARE(bytesOf(SettingsStore::defaultPath()), before);
        QCOMPARE(platform.messages.shown.size(), 3);
        diskFull(false);
        QTest::keyClicks(textBox(note), "y");
        QTRY_COMPARE(saves.size(), 3);
        QCOMPARE(saves.last().first().toBool(), true);
        QCOMPARE(platform.messages.shown.size(), 3);
        diskFull(true);
        std::raise(SIGTERM);
        QTRY_COMPARE(f.quits, 1);
        QCOMPARE(platform.messages.shown.size(), 3);
    }
};

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
