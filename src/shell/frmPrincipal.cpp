#include "shell/frmPrincipal.h"
#include "alarm/AlarmCheck.h"
#include "dialogs/frmProp.h"
#include "dialogs/frmSobre.h"
#include "note/ClickLabel.h"
#include "note/frmLembrete.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"
#include "platform/Clock.h"
#include "platform/RuntimeError.h"
#include "platform/SettingsStore.h"
#include "platform/SingleInstance.h"
#include "platform/WindowOps.h"
#include "records/NoteRecord.h"
#include "records/Persistence.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QStyleHints>
#include <QTimer>
#include <optional>

using namespace NoteRecord;

namespace {

frmPrincipal *g_instance = nullptr;

void guarded(const std::function<void()> &command) { frmPrincipal::runGuarded(command); }

// A stored record, read and checked before any window is made for it.
struct LoadedNote {
    float width, height, top, left;
    quint8 colour;
    bool pinned, alarm, readOnly;
    QString dueText, text;
};

LoadedNote readRecord(const QString &record)
{
    const QStringList f = split(record);
    // Fewer than 15 fields cannot be saved back without losing one; more than 255 cannot be
    // rewritten at all. Either is set aside rather than loaded.
    if (f.size() < FieldCount + 1)
        throw RuntimeError::subscriptOutOfRange();
    if (f.size() > 257)
        throw RuntimeError::overflow();
    LoadedNote n;
    n.width = toSingle(field(f, Largura));
    n.height = toSingle(field(f, Altura));
    n.top = toSingle(field(f, Topo));
    n.left = toSingle(field(f, Esquerda));
    n.colour = toByte(field(f, Cor));
    n.pinned = field(f, Fixo) == QLatin1String("S");
    n.alarm = field(f, Aviso) == QLatin1String("S");
    if (n.alarm)
        n.dueText = AlarmDueText(field(f, DataHoraAviso), toInteger(field(f, Minutos)));
    n.readOnly = field(f, Leitura) == QLatin1String("S");
    n.text = decodeText(field(f, Texto));
    return n;
}

}

frmPrincipal *frmPrincipal::instance()
{
    if (!g_instance)
        g_instance = new frmPrincipal;
    return g_instance;
}

frmPrincipal::frmPrincipal()
{
    quitApplication = [] { QCoreApplication::exit(0); };
    trayAvailable = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };

    mnu0 = new QMenu;
    mnu0->setObjectName(QStringLiteral("mnu0"));
    auto item = [this](const char *name, const QString &caption, void (frmPrincipal::*handler)()) {
        QAction *a = mnu0->addAction(caption);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, [this, handler] { guarded([&] { (this->*handler)(); }); });
        return a;
    };
    novo = mnu0->addAction(QStringLiteral("&Novo Papel de Lembrete"));
    novo->setObjectName(QStringLiteral("novo"));
    connect(novo, &QAction::triggered, this, [this] { guarded([&] { novo_Click(); }); });
    esconder = item("esconder", QStringLiteral("&Esconder Todos Lembretes"), &frmPrincipal::esconder_Click);
    mostrar = item("mostrar", QStringLiteral("&Mostrar Todos Lembretes"), &frmPrincipal::mostrar_Click);
    salvar = item("salvar", QStringLiteral("&Salvar Todos Lembretes"), &frmPrincipal::salvar_Click);
    exibir = mnu0->addAction(QStringLiteral("Exibir &Lembretes ao Inciar"));
    exibir->setObjectName(QStringLiteral("exibir"));
    exibir->setCheckable(true);
    exibir->setChecked(true);
    connect(exibir, &QAction::triggered, this, [this] {
        // The menu has already flipped the mark; the command decides from the mark it showed.
        exibir->setChecked(!exibir->isChecked());
        guarded([&] { exibir_Click(); });
    });
    sobre = item("sobre", QStringLiteral("Sobre a &Borvane"), &frmPrincipal::sobre_Click);
    encerrar = item("encerrar", QStringLiteral("&Encerrar Quadrelo"), &frmPrincipal::encerrar_Click);
    // Using the menu brings back a dialog that the window manager minimised; the menu closes
    // before its command runs, so the dialog is back before a command waits on it.
    connect(mnu0, &QMenu::aboutToHide, this, &frmPrincipal::restoreDialogs);

    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/quadrelo-16.png"));
    icon.addFile(QStringLiteral(":/icons/quadrelo-32.png"));
    // The installed theme icon when there is one (so a theme can restyle it), else the built-in one.
    m_tray = new QSystemTrayIcon(QIcon::fromTheme(QStringLiteral(QUADRELO_APP_ID), icon), this);
    m_tray->setContextMenu(mnu0);
    connect(m_tray, &QSystemTrayIcon::activated, this, &frmPrincipal::trayActivated);
}

frmPrincipal::~frmPrincipal()
{
    delete mnu0;
    if (g_instance == this)
        g_instance = nullptr;
}

SettingsStore &frmPrincipal::store()
{
    if (!m_store)
        m_store = std::make_unique<SettingsStore>();
    return *m_store;
}

frmPrincipal::StartResult frmPrincipal::Form_Load()
{
    int line = 5;
    try {
        line = 10;
        m_single = std::make_unique<SingleInstance>();
        if (!m_single->acquire()) {
            // Ends silently, but the person who launched it sees the running instance's notes.
            SingleInstance::notifyRunning();
            return StartResult::AlreadyRunning;
        }
        connect(m_single.get(), &SingleInstance::launchedAgain, this, &frmPrincipal::launchedAgain);
        line = 11;
        store().checkUsable();
        const QString value = Persistence::ReadSettingSeeded(store(), Persistence::configSection(),
                                                             QStringLiteral("Abertura"), QStringLiteral("S"));
        if (value == QLatin1String("S")) {
            line = 12;
            m_showAtStart = true;
            line = 13;
            exibir->setChecked(true);
        } else {
            line = 15;
            m_showAtStart = false;
            line = 16;
            exibir->setChecked(false);
        }
        line = 80;
        const bool trayPresent = trayAvailable();
        if (!trayPresent)
            m_showAtStart = true; // nothing else could show the notes
        TrayAdd(QStringLiteral("Quadrelo - 0 Lembrete(s)"));
        line = 100;
        LoadNotes();
        if (!trayPresent) {
            watchForTray();
            Platform::messages().show(
                QStringLiteral("A área de notificação não está disponível. O ícone do Quadrelo "
                               "aparecerá assim que a área de trabalho oferecer uma área de notificação."),
                MessageBox::Information);
        }
    } catch (const RuntimeError &error) {
        Platform::messages().show(QStringLiteral("%1 - %2 - %3").arg(line).arg(error.code()).arg(error.description()),
                                  MessageBox::Critical);
        return StartResult::Failed;
    }
    m_started = true;
    if (m_launchedDuringStart)
        launchedAgain();
    return StartResult::Running;
}

void frmPrincipal::watchForTray()
{
    m_trayWatch = new QTimer(this);
    connect(m_trayWatch, &QTimer::timeout, this, [this] {
        if (trayAvailable()) {
            m_trayWatch->stop();
            if (!m_shutDown)
                m_tray->show();
        }
    });
    m_trayWatch->start(2000);
}

void frmPrincipal::connectNote(frmLembrete *note)
{
    connect(note, &frmLembrete::propertiesRequested, this, [](frmLembrete *n) { frmProp::instance().mostrar(n); });
}

void frmPrincipal::LoadNotes()
{
    const KeyValueList pairs = store().readSection(Persistence::notesSection());
    if (pairs.isEmpty())
        return;
    int failures = 0;
    std::optional<RuntimeError> firstFailure;
    // Records not yet turned into windows; a shutdown during loading saves them as they are.
    m_setAside.clear();
    m_pendingLoad.clear();
    for (const auto &pair : pairs)
        m_pendingLoad << pair.second;

    for (const auto &pair : pairs) {
        if (m_shutDown)
            break;
        const QString R = pair.second;
        LoadedNote n;
        try {
            n = readRecord(R);
        } catch (const RuntimeError &error) {
            // Kept in the store exactly as it was; every save-all writes it back after the notes.
            m_pendingLoad.removeFirst();
            m_setAside << R;
            if (!firstFailure)
                firstFailure = error;
            ++failures;
            continue;
        }
        auto *W = new frmLembrete;
        connectNote(W);
        W->setRecord(R);
        W->setWidthTw(n.width);
        W->setHeightTw(n.height);
        W->setTopTw(n.top);
        W->setLeftTw(n.left);
        W->imgArraste_MouseMove(1, 0, (n.width - 3060) + 120, (n.height - 2430) + 120);
        if (m_shutDown) {
            // The program was closed while the layout step let events run; the record is
            // still among the pending ones and was saved as it is.
            delete W;
            break;
        }
        WindowOps::keepOnScreen(W); // a monitor unplugged since: the note would be out of reach
        W->setNoteColor(ColorFromIndex(n.colour));
        W->setTag(QStringLiteral("Lembrete"));
        m_pendingLoad.removeFirst();
        W->Ponteiro2->setVisible(n.pinned);
        W->Ponteiro->setVisible(!n.pinned);
        if (n.alarm) {
            W->Alarme->show();
            W->Alarme->setToolTip(n.dueText);
        } else {
            W->Alarme->setToolTip(QString());
            W->Alarme->hide();
        }
        W->setReadOnlyState(n.readOnly);
        W->txtTexto->setPlainText(n.text);
        if (m_showAtStart)
            W->show();
        WindowOps::setTopmost(W, n.pinned);
        changeNoteCounter(+1);
    }
    if (m_shutDown)
        return;
    m_pendingLoad.clear();
    TrayUpdateTip();
    if (firstFailure) {
        Platform::messages().show(
            QStringLiteral("100 - %1 - %2 (%3 lembrete(s) com defeito não foram carregados e continuam guardados)")
                .arg(firstFailure->code())
                .arg(firstFailure->description())
                .arg(failures),
            MessageBox::Critical);
    }
}

QList<frmLembrete *> frmPrincipal::notes()
{
    QList<frmLembrete *> list;
    for (QWidget *w : WindowOps::openWindows()) {
        auto *note = qobject_cast<frmLembrete *>(w);
        if (note && note->tag() == QLatin1String("Lembrete"))
            list << note;
    }
    return list;
}

void frmPrincipal::refreshPinBand()
{
    for (frmLembrete *note : notes())
        if (note->isPinned())
            WindowOps::setTopmost(note, true);
}

void frmPrincipal::SaveAll()
{
    QStringList records;
    for (frmLembrete *note : notes())
        records << note->savedRecord();
    Persistence::writeNotes(store(), records, m_setAside + m_pendingLoad);
}

bool frmPrincipal::saveAllReporting()
{
    try {
        SaveAll();
        return true;
    } catch (const RuntimeError &error) {
        Platform::messages().show(
            QStringLiteral("Os lembretes não puderam ser salvos: %1 - %2").arg(error.code()).arg(error.description()),
            MessageBox::Critical);
        return false;
    }
}

void frmPrincipal::changeNoteCounter(int delta) { m_noteCounter = addInteger(m_noteCounter, delta); }

QString frmPrincipal::tipText() const
{
    return QStringLiteral("Quadrelo - %1 Lembrete(s)").arg(m_noteCounter);
}

void frmPrincipal::TrayAdd(const QString &tip)
{
    m_tray->setToolTip(tip);
    m_tray->show();
}

void frmPrincipal::TrayUpdateTip() { m_tray->setToolTip(tipText()); }

void frmPrincipal::TrayRemove()
{
    if (m_trayWatch)
        m_trayWatch->stop();
    m_tray->hide();
}

void frmPrincipal::runGuarded(const std::function<void()> &command)
{
    try {
        command();
    } catch (const RuntimeError &error) {
        reportError(error);
    }
}

void frmPrincipal::reportError(const RuntimeError &error)
{
    Platform::messages().show(QStringLiteral("%1 - %2").arg(error.code()).arg(error.description()),
                              MessageBox::Critical);
}

// ---- tray

void frmPrincipal::restoreDialogs()
{
    WindowOps::restore(frmProp::instance().window());
    WindowOps::restore(frmSobre::current());
}

void frmPrincipal::launchedAgain()
{
    if (m_shutDown)
        return;
    if (!m_started) {
        m_launchedDuringStart = true; // shown once the notes are loaded
        return;
    }
    restoreDialogs();
    guarded([&] { mostrar_Click(); });
}

void frmPrincipal::trayActivated(QSystemTrayIcon::ActivationReason reason)
{
    if (m_shutDown)
        return;
    if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
        restoreDialogs(); // a minimised dialog would otherwise hold the notes with no way back
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (reason == QSystemTrayIcon::Trigger) {
        // Hosts that never report a double click send two plain clicks: count them as one.
        const bool second = m_lastTriggerMs >= 0
                            && now - m_lastTriggerMs <= QGuiApplication::styleHints()->mouseDoubleClickInterval();
        m_lastTriggerMs = second ? -1 : now;
        if (second)
            guarded([&] { novo_Click(); });
        guarded([&] { mostrar_Click(); });
    } else if (reason == QSystemTrayIcon::DoubleClick) {
        if (m_lastTriggerMs < 0)
            return; // already handled as two clicks
        m_lastTriggerMs = -1;
        guarded([&] { novo_Click(); });
        guarded([&] { mostrar_Click(); });
    }
}

// ---- commands

frmLembrete *frmPrincipal::novo_Click()
{
    // The counter is checked first, so a full counter makes no window.
    addInteger(m_noteCounter, 1);
    auto *W = new frmLembrete;
    connectNote(W);
    W->setWidthTw(3060);
    W->setHeightTw(2430);
    QPointer<frmLembrete> alive(W);
    W->imgArraste_MouseMove(1, 0, (W->widthTw() - 3060) * 1.05f, (W->heightTw() - 2430) * 1.05f);
    if (!alive)
        return nullptr;
    W->setRecord(newNoteRecord(Platform::clock().now()));
    W->setNoteColor(ColorFromIndex(0));
    W->txtTexto->setToolTip(QString());
    W->Ponteiro2->hide();
    W->Ponteiro->show();
    W->Alarme->hide();
    W->setTag(QStringLiteral("Lembrete"));
    if (m_shutDown) {
        W->deleteLater();
        return nullptr;
    }
    W->show();
    refreshPinBand();
    // Counted now, not before: notes may have come or gone while the layout step let events run.
    changeNoteCounter(+1);
    TrayUpdateTip();
    return W;
}

void frmPrincipal::esconder_Click()
{
    for (frmLembrete *note : notes())
        note->hide();
}

void frmPrincipal::mostrar_Click()
{
    bool reshow = false;
    frmProp &prop = frmProp::instance();
    if (prop.isDialogVisible()) {
        reshow = true;
        prop.hideDialog();
    }
    if (frmSobre::isOpen())
        frmSobre::close();
    for (frmLembrete *note : notes()) {
        note->show();
        WindowOps::keepOnScreen(note);
    }
    if (reshow)
        prop.showAgain();
}

void frmPrincipal::salvar_Click() { saveAllReporting(); }

void frmPrincipal::exibir_Click()
{
    const bool turnOn = !exibir->isChecked();
    store().write(Persistence::configSection(), QStringLiteral("Abertura"),
                  turnOn ? QStringLiteral("S") : QStringLiteral("N"));
    store().commit();
    exibir->setChecked(turnOn);
}

void frmPrincipal::sobre_Click() { frmSobre::showModal(); }

void frmPrincipal::encerrar_Click()
{
    if (Form_Unload(true))
        quitApplication();
}

bool frmPrincipal::Form_Unload(bool keepOnFailure)
{
    if (m_shutDown)
        return true;
    if (!saveAllReporting() && keepOnFailure)
        return false; // every note stays open; nothing is lost
    m_shutDown = true;
    TrayRemove();
    if (frmSobre::isOpen())
        frmSobre::close();
    for (QWidget *w : WindowOps::openWindows()) {
        if (auto *note = qobject_cast<frmLembrete *>(w)) {
            note->setTag(QString());
            note->tmrAviso->stop();
            note->tmrContAlarme->stop();
            note->hide();
            note->deleteLater();
        } else {
            w->close();
        }
    }
    return true;
}
