// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "alarm/AlarmCourse.h"

#include <QColor>
#include <QPoint>
#include <QString>
#include <QWidget>
#include <optional>

class ClickLabel;
class QGroupBox;
class QPlainTextEdit;
class QPushButton;
class QTimer;

// One note on the desktop: a borderless window that is the note itself. It holds the note's
// record, and its geometry, colour, pictures and text carry the rest of the note's state; its
// pictures are the note's commands (pin, properties, delete, hide, e-mail, alarm).
class frmLembrete : public QWidget {
    Q_OBJECT
public:
    // Marks a window as a note: every walk over the open windows keeps those with this tag.
    static QString noteTag() { return QStringLiteral("Lembrete"); }
    // Size of a note as designed, in twips.
    static constexpr float DesignWidthTw = 3060;
    static constexpr float DesignHeightTw = 2430;

    // What a fresh window is filled with, for a loaded note and a new one alike.
    struct Setup {
        QString record;
        float widthTw = DesignWidthTw;
        float heightTw = DesignHeightTw;
        std::optional<QPointF> positionTw; // none: the window manager places the note
        quint8 colorIndex = 0;
        bool pinned = false;
        bool readOnly = false;
        QString alarmDue; // "DD/MM/YYYY HH:NN", or empty for no alarm
        QString text;     // as the text box shows it
    };

    explicit frmLembrete(QWidget *parent = nullptr);
    ~frmLembrete() override;

    // Fills the window and tags it as a note; it stays hidden. The resize step inside lets
    // pending events run, so the caller checks that the window still exists afterwards.
    void setUp(const Setup &setup);
    // Ends the note: it leaves the walks over the notes at once, stops its timers, hides, and is
    // deleted when the event loop is back.
    void dispose();

    // The held note record (the window's "caption"); position, size and text in it are those
    // it was filled with.
    QString record() const { return m_record; }
    void setRecord(const QString &record);
    bool isNote() const { return m_tag == noteTag(); }
    // The record as save-all stores it: live position, size and text put into a copy.
    QString savedRecord() const;

    // The note's identity between machines; empty for a note made here since the last save.
    QString noteId() const { return m_noteId; }
    void setNoteId(const QString &id) { m_noteId = id; }
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

    // Background of the window and of the text box.
    void setNoteColor(const QColor &color);
    bool isPinned() const; // `Ponteiro` hidden
    void setReadOnlyState(bool locked);
    // Shows the bell with the alarm's due text as its tooltip (the alarm check reads it there)
    // and sets the alarm on the alarm clock, or hides it for no alarm.
    void setAlarmDue(const QString &dueText);

    // The mailto: address the e-mail command opens for the given text.
    static QString emailAddress(const QString &text);

signals:
    // The person asked for the properties dialog; the other notes have left the top band.
    void propertiesRequested(frmLembrete *note);
    // The person confirmed the deletion; the note is going away.
    void deleted();
    // Something save-all stores has changed: the record, the text, the place or the size.
    void changed();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    struct Line {
        float x1, y1, x2, y2;
    };

    void createControls();
    void createPictures();
    void createConfirmation();
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
    QColor shownColor() const;

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

    // Controls.
    QGroupBox *fraExclusao;
    QPushButton *cmdExcNao;
    QPushButton *cmdExcSim;
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

    QString m_record = QStringLiteral("Form1");
    QString m_noteId;
    bool m_applying = false; // taking a change from elsewhere: not a change made here
    QString m_tag;
    bool m_deleted = false;
    bool m_manualMove = false;
    bool m_askWindowManager = false; // shown, not yet mapped by the window manager
    bool m_shownBefore = false;
    std::optional<QPoint> m_placeToKeep; // where the note goes back to once mapped
    QPoint m_moveOffset;
    float m_widthTw = DesignWidthTw;
    float m_heightTw = DesignHeightTw;
};
