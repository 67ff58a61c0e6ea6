// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"
#include "note/frmLembrete.h"
#include "platform/SettingsStore.h"
#include "records/NoteRecord.h"
#include "records/NoteStore.h"
#include "dialogs/frmProp.h"
#include "shell/AutoSave.h"
#include "shell/TrayIcon.h"
#include "shell/frmPrincipal.h"

#include <QAction>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>

using namespace NoteRecord;

static QPlainTextEdit *textBox(frmLembrete *note) { return note->findChild<QPlainTextEdit *>("txtTexto"); }

// "S" or "N" per open note, for shown or hidden.
static QString visibleMarks()
{
    QString marks;
    for (frmLembrete *note : openNotes())
        marks += note->isVisible() ? "S" : "N";
    return marks;
}

// What a person sees of each open note: text, kept above other windows, locked.
static QString seenNotes(const RecordingWindows &windows)
{
    QStringList seen;
    for (frmLembrete *note : openNotes())
        seen << QStringList{textBox(note)->toPlainText(), windows.onTop(note) ? "S" : "N",
                            textBox(note)->isReadOnly() ? "S" : "N"}
                    .join(' ');
    return seen.join(" / ");
}

// Another machine, sharing the store through a sync tool: the file is carried there, a person
// there changes ("field=value") or deletes ("del") the note with that first line, it is saved
// there, and the sync tool brings the file back, written beside the store and renamed over it.
static void changeElsewhere(const QString &text, const QString &change)
{
    QTemporaryDir there;
    const QString here = SettingsStore::defaultPath(), path = there.filePath("Quadrelo.conf"), carried = here + ".tmp";
    QVERIFY(QFile::copy(here, path));
    NoteStore store(path, "outro");
    store.open();
    for (const StoreSync::Note &n : store.notes().known().notes) {
        QStringList fields = split(n.record);
        if (decodeText(fields.at(Texto)).section('\n', 0, 0) != text)
            continue;
        fields[change.section('=', 0, 0).toInt()] = change.section('=', 1);
        change == "del" ? store.notes().remove(n.id) : store.notes().update(n.id, fields.join(QChar(FieldSeparator)));
    }
    store.save();
    QVERIFY(QFile::copy(path, carried) && ::rename(qPrintable(carried), qPrintable(here)) == 0);
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

    // The show-at-start item writes the setting and flips its mark. A new note comes beside the
    // notes shown, never exactly over one. Delete asks first; "Não" keeps the note, "Sim" ends it:
    // its window goes and the tray tip counts one less.
    void menuAndDelete()
    {
        ShellFixture f;
        f.start({recordWith({})});
        f.choose("novo"), f.choose("novo");
        QPointer<frmLembrete> a = openNotes().at(1);
        QVERIFY(a->pos() != openNotes().at(2)->pos());
        clickChild(a, "Lixeira");
        clickChild(a, "cmdExcNao");
        QVERIFY(a->findChild<QWidget *>("fraExclusao")->isHidden());
        clickChild(a, "Lixeira");
        clickChild(a, "cmdExcSim");
        QVERIFY(!a->isVisible());
        QCOMPARE(f.shell->tray()->icon()->toolTip(), QString("Quadrelo - 2 Lembrete(s)"));
        QTRY_VERIFY(!a);
        for (const QString expected : {"N", "S"}) {
            f.choose("exibir");
            QCOMPARE(SettingsStore(SettingsStore::defaultPath()).read("Config", "Abertura"), expected);
            QCOMPARE(f.shell->menu()->findChild<QAction *>("exibir")->isChecked(), expected == "S");
        }
    }

    // Loading: which notes become windows, what the person is told, and that every record that
    // could not be loaded is written back by save-all exactly as it was; closing the program while
    // they load keeps every record. (Without a notification area the person is told too: the
    // tray's own test and GNOME's desktop run.)
    void loading_data()
    {
        QTest::addColumn<QStringList>("records");
        QTest::addColumn<int>("notes"); // -1: the program is closed while they load
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
        QTest::newRow("closed while loading")
            << QStringList{good, tooFew, unusual} << -1 << QString() << QStringList{good, unusual, tooFew};
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
        if (notes < 0)
            QTimer::singleShot(0, f.shell, [&f] { f.choose("encerrar"); });
        f.start(records);
        QTest::qWait(100);
        QCOMPARE(visibleMarks(), QString("S").repeated(qMax(notes, 0)));
        QCOMPARE(f.shell->tray()->tip(), QString("Quadrelo - %1 Lembrete(s)").arg(qMax(notes, 0)));
        QCOMPARE(platform.messages.shown.size(), int(notes >= 0));
        QVERIFY2(platform.messages.shown.value(0).startsWith(message), qPrintable(platform.messages.shown.value(0)));
        if (notes >= 0)
            f.choose("salvar");
        QCOMPARE(f.quits, int(notes < 0));
        QStringList got = ShellFixture::storedRecords();
        got.sort(), stored.sort();
        QCOMPARE(got, stored);
    }

    // A stored note as its window shows it (its size, text, pin and lock), and what another machine
    // changed once its file arrives: a note deleted there closes here.
    void changedElsewhere_data()
    {
        QTest::addColumn<QString>("text"); // of the note changed there
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("seen"); // see seenNotes
        const QString dois = " / dois\nb S S";
        QTest::newRow("deleted") << "um" << QString("del") << "dois\nb S S";
        QTest::newRow("text") << "um" << QString("%1=um e mais").arg(Texto) << "um e mais N N" + dois;
        QTest::newRow("pinned") << "um" << QString("%1=S").arg(Fixo) << "um S N" + dois;
        QTest::newRow("released") << "dois" << QString("%1=N").arg(Fixo) << "um N N / dois\nb N S";
    }

    void changedElsewhere()
    {
        QFETCH(QString, text);
        QFETCH(QString, change);
        QFETCH(QString, seen);
        ShellFixture f;
        const QList<QPair<int, QString>> dois{
            {Texto, encodeText("dois\nb")}, {Fixo, "S"}, {Leitura, "S"}, {Largura, "4500"}, {Altura, "3000"}};
        f.start({recordWith({{Texto, "um"}}), recordWith(dois)});
        QCOMPARE(openNotes().at(1)->size(), QSize(4500 / 15, 3000 / 15));
        QCOMPARE(seenNotes(platform.windows), "um N N / dois\nb S S");
        f.choose("salvar");
        changeElsewhere(text, change);
        QTRY_COMPARE(seenNotes(platform.windows), seen);
        QCOMPARE(f.shell->tray()->tip(), QString("Quadrelo - %1 Lembrete(s)").arg(openNotes().size()));
    }

    // What the file holds after each way of saving (a logout, SIGTERM and the X server's end: the
    // desktop run): every note, hidden ones too, with what was typed a moment before (too soon for
    // the save by itself); a new size, pin or properties saved by themselves shortly after; nothing
    // for a start that changed nothing.
    void saves_data()
    {
        QTest::addColumn<QString>("how");
        // Typing and moving by the folded corner are saved by themselves in the desktop run; a new
        // note and a deletion reach the other machine by themselves in the two-machine run.
        for (const char *how : {"salvar", "encerrar", "SIGHUP", "resized", "pinned", "properties"})
            QTest::newRow(how) << how;
    }

    void saves()
    {
        QFETCH(QString, how);
        const bool typed = !QStringList{"resized", "pinned", "properties"}.contains(how);
        ShellFixture f;
        const QString first = recordWith({{Texto, "um"}, {Fixo, "S"}});
        f.start({first, recordWith({{Texto, "dois"}})});
        frmLembrete *note = openNotes().at(1);
        QSignalSpy saves(quickSaves(f), &AutoSave::attempted);
        QTest::qWait(60);
        QCOMPARE(saves.size(), 0);
        f.shell->findChild<QTimer *>("autoSaveDelay")->setInterval(typed ? 3600 * 1000 : 20);
        QList<QPair<int, QString>> second{{Texto, "dois"}}; // what the file holds for the second note
        if (typed) {
            QTest::keyClicks(textBox(note), "mais ");
            f.choose("esconder");
            QCOMPARE(visibleMarks(), "NN");
            second = {{Texto, "mais dois"}};
        }
        if (how == "SIGHUP") {
            std::raise(SIGHUP);
        } else if (how == "resized") {
            QTest::mousePress(note->findChild<QWidget *>("imgArraste"), Qt::LeftButton);
            QTest::mouseMove(note->findChild<QWidget *>("imgArraste"), QPoint(40, 40));
            second << qMakePair(int(Largura), QString::number(note->width() * 15))
                   << qMakePair(int(Altura), QString::number(note->height() * 15));
        } else if (how == "pinned") {
            platform.windows.topmost.clear(), clickChild(note, "Ponteiro");
            QVERIFY(platform.windows.onTop(openNotes().at(0))); // the band keeps its older pinned note too
            second << qMakePair(int(Fixo), QString("S"));
        } else if (how == "properties") {
            QTimer::singleShot(0, [this] {
                const bool covered = platform.windows.onTop(openNotes().at(0));
                QWidget *dialog = frmProp::instance().window();
                QTest::keyClick(dialog->findChild<QWidget *>("cmbCor"), Qt::Key_Down);
                clickChild(dialog, "Ok");
                QVERIFY2(!covered, "a pinned note covers the dialog");
            });
            clickChild(note, "Propriedade");
            second << qMakePair(int(Cor), QString("1")) << qMakePair(int(DatAlteracao), QString("05/12/2026 09:07"));
        } else {
            f.choose(qPrintable(how));
        }
        QTRY_COMPARE(saves.size(), int(!typed));
        QTRY_COMPARE(f.quits, int(how == "encerrar" || how == "SIGHUP"));
        QCOMPARE(ShellFixture::storedRecords(), (QStringList{first, recordWith(second)}));
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
        rlimit sizes{}, none{};
        QVERIFY(getrlimit(RLIMIT_FSIZE, &sizes) == 0);
        none.rlim_max = sizes.rlim_max;
        const auto diskFull = [&](bool full) { setrlimit(RLIMIT_FSIZE, full ? &none : &sizes); };
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
