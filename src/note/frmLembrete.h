// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "alarm/AlarmCheck.h"
#include "alarm/AlarmCourse.h"
#include "records/NoteValue.h"

#include <QColor>
#include <QPoint>
#include <QString>
#include <QWidget>
#include <optional>

class ClickLabel;
class QKeyEvent;
class QGroupBox;
class QPlainTextEdit;
class QPushButton;
class QTimer;

// One note on the desktop: a borderless window that shows one note and holds its value. Its
// geometry and text are the live place, size and text; its colour, pictures and tooltips show
// the value; its pictures are the note's commands (pin, properties, delete, hide, e-mail, alarm).
class frmLembrete : public QWidget {
    Q_OBJECT
public:
    // Size of a note as designed, in twips.
    static constexpr float DesignWidthTw = 3060;
    static constexpr float DesignHeightTw = 2430;

    explicit frmLembrete(QWidget *parent = nullptr);
    ~frmLembrete() override;

    // Fills the window from the note's value; it stays hidden, and is a note from now on. A value
    // without a place leaves the place to the window manager. The resize step inside lets pending
    // events run, so the caller checks that the window still exists afterwards.
    void setUp(const NoteValue &note);
    // Ends the note: it leaves the open notes at once, stops its timers, hides, and is deleted
    // when the event loop is back.
    void dispose();

    // The note's value; the place, size and text in it are those the window was filled with.
    const NoteValue &value() const { return m_value; }
    // Takes a changed value and shows it, all but its place, size and text.
    void setValue(const NoteValue &note);
    // Set up and not yet disposed of: one of the open notes.
    bool isNote() const;
    // The record as save-all stores it: the value with the live place, size and text.
    QString savedRecord() const;

    // The note's identity between machines; empty for a note made here since the last save.
    QString noteId() const { return m_noteId; }
    void setNoteId(const QString &id);
    // Takes a record changed on another machine: its text, colour, alarm, pin and read-only flag
    // (not its place, which is each machine's own). A delete confirmation asked about the note
    // as it was is withdrawn. An alarm due here that has not rung yet rings before it is taken
    // as consumed elsewhere. Emits no change: the caller saves.
    void applyElsewhere(const QString &record);

    // Live geometry, in twips.
    float leftTw() const;
    float topTw() const;
    float widthTw() const { return m_widthTw; }
    float heightTw() const { return m_heightTw; }

    bool isPinned() const { return m_value.pinned; }

    bool isRinging() const;
    // When the alarm rings, as the bell's tooltip shows it; none while no alarm is set.
    const AlarmDue &alarmDue() const { return m_due; }
    // Shows and raises the note and gives it the keyboard; a ringing alarm stops as at a click.
    void bringUp();
    // Stops a ringing alarm at once and sets the alarm again `minutes` from now, as the properties
    // dialog would, with no advance warning.
    void putOff(int minutes);

    // Asks for every pinned note to be stacked above the others again, as after a dialog from it.
    void refreshPinBand() { emit pinBandToRefresh(); }
    // Gives the keyboard back to the note's text, as when a dialog opened from it has closed.
    void focusText();
    // The name a screen reader gives the window: the first line of its text.
    QString readerName() const;

signals:
    // The person asked for the properties dialog; the other notes have left the top band.
    void propertiesRequested(frmLembrete *note);
    // The person confirmed the deletion; the note is going away.
    void deleted();
    // No longer one of the open notes: disposed of, or its window destroyed first.
    void disposed();
    // Pinned, released, or asked: every pinned note is to be stacked above the others again.
    void pinBandToRefresh();
    // The properties dialog is about to open from this note: every note leaves the top band.
    void pinBandToLeave();
    // Something save-all stores has changed: the value, the text, the place or the size.
    void changed();
    // The alarm has begun to ring.
    void ringingStarted();
    // The ringing is over: acknowledged by the person, or a plain alarm's course run out.
    void ringingEnded(bool acknowledged);
    // The alarm was set anew or taken away, here or on another machine; not its end by ringing.
    void alarmChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool focusNextPrevChild(bool next) override;
    void showEvent(QShowEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    struct Line {
        float x1, y1, x2, y2;
    };

    void createControls();
    void createPictures();
    // The delete question, made the first time it is asked: most notes are never deleted.
    void createConfirmation();
    void hideQuestion();
    void connectControls();
    void Form_Load();
    // Grip step: Button is the button mask (1 left, 2 right, 4 middle), X and Y in twips
    // relative to the grip's top-left corner.
    void imgArraste_MouseMove(int Button, float X, float Y);
    void layFrame(float w, float h, bool full);
    void placeGrip();
    void beginMove();
    void setPinned(bool pinned);
    void fitWrapping(const QString &text);
    // Shows the value: colour, pin pictures, bell with the alarm's due text as its tooltip, lock.
    // While an alarm rings, its course shows the colour and the bell.
    void display();
    // Background of the window and of the text box.
    void setNoteColor(const QColor &color);
    void setReadOnlyState(bool locked);

    // The keyboard: Ctrl+Tab and Ctrl+Shift+Tab go from the text through the command pictures in
    // the order they are drawn, Space or Enter presses one, Escape goes back to the text.
    void setUpKeyboard();
    void orderTabs();
    // The command pictures the keyboard can reach now, after the text.
    QList<QWidget *> focusStops() const;
    void stepFocus(bool forward);
    bool keyEvent(QObject *watched, QKeyEvent *key);
    // A screen reader that is listening hears that the window's name (its first line) has changed.
    void nameAfterText();

    // Handlers.
    void Form_MouseDown(int Button);
    void imgTop_MouseDown();
    void imgArraste_Click();
    void txtTexto_Click();
    void txtTexto_MouseMove();
    void Ponteiro_Click();
    void Ponteiro2_Click();
    void esconder_Click();
    void Lixeira_Click();
    void cmdExcSim_Click();
    void cmdExcNao_Click();
    void imgEmail_Click();
    void Propriedade_Click();
    void Alarme_Click();
    void tmrAviso_Timer();
    void tmrContAlarme_Timer();
    // The ringing's end: the alarm consumed, the note's own colour back. False when the note
    // was deleted meanwhile.
    bool endRinging();
    // When the note's alarm rings; none for no alarm, or one that cannot be read (as loading
    // does: such an alarm never rings).
    static AlarmDue dueOf(const NoteValue &note);
    // Shown and stacked above the other windows, back among them unless pinned.
    void comeForward();

    // Controls.
    QGroupBox *fraExclusao = nullptr;
    QPushButton *cmdExcNao = nullptr;
    QPushButton *cmdExcSim = nullptr;
    QTimer *tmrContAlarme;
    QPlainTextEdit *txtTexto;
    ClickLabel *Lixeira;
    ClickLabel *esconder;
    ClickLabel *imgEmail;
    ClickLabel *Alarme;
    ClickLabel *Propriedade;
    ClickLabel *Ponteiro;
    ClickLabel *Ponteiro2;
    ClickLabel *imgArraste;
    ClickLabel *imgTop;
    Line linRight;
    Line linBottom;
    Line linLeft;
    Line linTop;

    // Grip position, twips (kept unrounded: the resize is incremental).
    float gripLeft = DesignWidthTw - GripSize;
    float gripTop = DesignHeightTw - GripSize;
    static constexpr float GripSize = 240;
    // The smallest grip position, hence the smallest note.
    static constexpr float GripMinLeft = 2820;
    static constexpr float GripMinTop = 2190;

    AlarmCourse m_alarm;

    NoteValue m_value;
    AlarmDue m_due; // of m_value, worked out when it is shown
    QString m_noteId;
    mutable QString m_readerName; // as a screen reader last had it; names are worked out when asked
    bool m_applying = false;      // taking a change from elsewhere: not a change made here
    bool m_setUp = false;
    bool m_deleted = false;
    bool m_manualMove = false;
    bool m_askWindowManager = false; // shown, not yet mapped by the window manager
    bool m_shownBefore = false;
    std::optional<QPoint> m_placeToKeep; // where the note goes back to once mapped
    QPoint m_moveOffset;
    float m_widthTw = DesignWidthTw;
    float m_heightTw = DesignHeightTw;
};
