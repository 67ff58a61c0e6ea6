#pragma once
#include <QColor>
#include <QPoint>
#include <QString>
#include <QWidget>

class ClickLabel;
class QGroupBox;
class QPlainTextEdit;
class QPushButton;
class QTimer;

// Twips: 15 to the (device-independent) pixel.
constexpr float TwipsPerPixel = 15.0f;

// One note on the desktop. The window is the note: it holds the note record, and its own
// geometry, colours, pictures and text carry the rest of the note's state.
class frmLembrete : public QWidget {
    Q_OBJECT
public:
    struct Line {
        float x1, y1, x2, y2;
    };

    explicit frmLembrete(QWidget *parent = nullptr);
    ~frmLembrete() override;

    // The held note record (the window's "caption").
    QString record() const { return m_record; }
    void setRecord(const QString &record) { m_record = record; }
    // "Lembrete" marks a note window.
    QString tag() const { return m_tag; }
    void setTag(const QString &tag) { m_tag = tag; }

    // Live geometry, in twips.
    float leftTw() const;
    float topTw() const;
    float widthTw() const;
    float heightTw() const;
    void setWidthTw(float w);
    void setHeightTw(float h);
    void setLeftTw(float x);
    void setTopTw(float y);

    // Background of the window and of the text box.
    void setNoteColor(const QColor &color);
    QColor windowColor() const;
    QColor textColor() const;

    // The record as save-all stores it: live position, size and text put into a copy.
    QString savedRecord() const;
    // The live text with its line breaks as the text box gives them (LF).
    QString liveText() const;

    bool isPinned() const; // Ponteiro hidden
    bool isReadOnly() const;
    void setReadOnlyState(bool locked);

    // Grip step: Button is the button mask (1 left, 2 right, 4 middle), X and Y in twips
    // relative to the grip's top-left corner.
    void imgArraste_MouseMove(int Button, int Shift, float X, float Y);

    // Handlers.
    void Form_Load();
    void Form_MouseDown(int Button);
    void imgTop_MouseDown(int Button);
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

    // The mailto: address the e-mail command opens for the given text.
    static QString emailAddress(const QString &text);

    // Sets a timer's interval the way the note's timers work: 0 idles it.
    static void setTimerInterval(QTimer *timer, int ms);

    // True once the note has been deleted (it goes away at the next turn of the event loop).
    bool isDeleted() const { return m_deleted; }

    // Controls.
    QGroupBox *fraExclusao;
    QPushButton *cmdExcNao;
    QPushButton *cmdExcSim;
    QTimer *tmrContAlarme;
    QTimer *tmrAviso;
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
    float gripLeft = 2745;
    float gripTop = 2025;
    static constexpr float GripSize = 240;

    // Alarm variables.
    QString AlarmSoundName;
    bool AlarmContinuous = false;
    quint8 AlarmColorIndex = 0;
    qint16 AlarmTickCount = 0;
    quint8 AlarmFlashCount = 0;
    bool AlarmAcknowledged = false;

signals:
    // Emitted when the user asks for the properties dialog, after the other notes left the top band.
    void propertiesRequested(frmLembrete *note);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void createControls();
    // Pin or release: the shared steps of Ponteiro_Click and Ponteiro2_Click.
    void setPinned(bool pinned);
    void layFrame(float w, float h, bool full);
    void placeGrip();
    void beginMove(QWidget *source);
    void setControlGeometry(QWidget *w, float left, float top, float width, float height);

    QString m_record = QStringLiteral("Form1");
    QString m_tag;
    bool m_deleted = false;
    bool m_manualMove = false;
    bool m_askWindowManager = false; // shown, not yet mapped by the window manager
    QPoint m_moveOffset;
    float m_widthTw = 3060;
    float m_heightTw = 2430;
};
