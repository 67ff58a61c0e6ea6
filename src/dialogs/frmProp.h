// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "records/NoteValue.h"

#include <QDialog>
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QString>
#include <memory>
#include <optional>

class frmLembrete;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The properties dialog's window, built from its design for every edit; frmProp fills it, runs
// it and reads it. Only Okay (after its checks) and Cancelar end it: Enter and Escape press
// nothing and the title bar cannot close it.
class frmPropWindow : public QDialog {
    Q_OBJECT
public:
    explicit frmPropWindow(QWidget *parent = nullptr);

    // Outer size as designed (3 px frame at the sides and bottom, 22 px title bar), in twips.
    static constexpr float OuterWidthTw = 3900;
    static constexpr float OuterHeightTw = 4320;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    friend class frmProp;

    QGroupBox *FraGeral;
    QLabel *Label[4]; // one control array over the three groups
    QLabel *lblDatCriacao;
    QLabel *lblDatAlteracao;
    QGroupBox *fraAtributos;
    QCheckBox *chkLeitura;
    QComboBox *cmbCor;
    QGroupBox *Frame1;
    QLabel *Label5;
    QLineEdit *DataAviso;
    QLabel *Label6;
    QLineEdit *HoraAviso;
    QCheckBox *chkAtencendia;
    QLineEdit *txtMinutos;
    QLabel *Label1;
    QCheckBox *chkContinuo;
    QComboBox *cmbSom;
    QPushButton *Cancelar;
    QPushButton *Ok;
};

// The properties dialog: one object for the whole run of the program. Each edit makes its window
// afresh, fills it from a note's value, runs it modally and applies the result of its Okay.
class frmProp : public QObject {
    Q_OBJECT
public:
    static frmProp &instance();

    // Edits the note's properties; returns when the dialog has closed and any change is applied.
    void mostrar(frmLembrete *note);

    // For show all: whether the dialog window is showing, hiding it without ending the edit,
    // and showing it again in front of the notes until it closes.
    bool isDialogVisible() const;
    void hideDialog();
    void showAgain();

    // Where the dialog's top-left corner goes for a note at this place, all in twips: 200 below
    // and right of the note, pulled back inside the bottom and right edges of `screenTw`.
    static QPointF placement(float noteLeftTw, float noteTopTw, const QRectF &screenTw);

    // The window of the edit in progress, if any.
    frmPropWindow *window() const { return m_window.get(); }

private:
    // What Okay read from the dialog, once its checks passed.
    struct Result {
        bool leitura = false;
        QString dataAviso; // as entered; blanks only: no alarm
        QString horaAviso; // as entered
        quint8 cor = 0;
        quint8 som = 0;
        qint16 minutos = 0; // 0: no advance warning
        bool continuo = false;
        // The note with these entries in its colour, read-only flag, minutes, continuous flag,
        // alarm and sound.
        NoteValue appliedTo(NoteValue note) const;
    };

    frmProp() = default;
    void fill(const NoteValue &note);
    void fillAlarm(const NoteValue &note);
    void place(frmLembrete *note);
    void runUntilClosed();
    void apply(frmLembrete *note, const NoteValue &filledWith, const Result &result);

    // Handlers of the window's controls.
    void Ok_Click();
    void Cancelar_Click();
    void chkAtencendia_Click();
    void cmbSom_Click();

    std::unique_ptr<frmPropWindow> m_window;
    std::optional<Result> m_result; // none until a successful Okay ends the edit
    bool mPreenchendo = false;      // the stored sound is being selected: no preview
    bool m_editing = false;
    bool m_closed = false; // Okay or Cancelar has finished the window of this edit
};
