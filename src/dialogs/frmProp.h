#pragma once
#include <QObject>
#include <QDialog>
#include <QPointer>
#include <QString>

class frmLembrete;
class QDialog;

// The properties dialog: one object for the whole run, its window made afresh for every edit.
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

    // Result fields.
    qint16 mConfirmado = 0;
    bool mLeitura = false;
    QString mDataAviso;
    QString mHoraAviso;
    quint8 mCor = 0;
    quint8 mSom = 0;
    qint16 mMinutos = 0;
    bool mContinuo = false;
    bool mPreenchendo = false;

    QDialog *window() const { return m_window; }

private:
    QPointer<QDialog> m_window;
};
