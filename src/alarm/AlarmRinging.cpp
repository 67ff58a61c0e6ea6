#include "alarm/Sounds.h"
#include "note/ClickLabel.h"
#include "note/frmLembrete.h"
#include "records/NoteRecord.h"

#include <QPointer>
#include <QTimer>

static const QColor FlashColor(255, 255, 192);

void frmLembrete::Alarme_Click() { AlarmAcknowledged = true; }

void frmLembrete::tmrContAlarme_Timer()
{
    if (m_deleted)
        return;
    setTimerInterval(tmrAviso, 0);

    const qint16 ticks = AlarmTickCount;
    if (AlarmContinuous && ticks > 5)
        Alarme->setVisible(ticks % 3 != 2);

    if (ticks % 2 == 0 && !AlarmSoundName.isEmpty()) {
        // Playing lets other events run; this note may be deleted meanwhile.
        QPointer<frmLembrete> self(this);
        PlaySoundResource(AlarmSoundName, QStringLiteral("SOM"));
        if (!self || m_deleted)
            return;
    }

    if (AlarmFlashCount < 6) {
        if (textColor() == FlashColor) {
            setNoteColor(NoteRecord::ColorFromIndex(AlarmColorIndex));
            Alarme->show();
        } else {
            setNoteColor(FlashColor);
            Alarme->hide();
        }
    }

    AlarmTickCount = qint16(AlarmTickCount + 1);
    if (AlarmFlashCount < 10)
        ++AlarmFlashCount;

    if ((AlarmTickCount == 6 && !AlarmContinuous) || AlarmAcknowledged) {
        setTimerInterval(tmrAviso, 60000);
        Alarme->setToolTip(QString());
        m_record = NoteRecord::ReplaceField(m_record, NoteRecord::Aviso, QStringLiteral("N"));
        m_record = NoteRecord::ReplaceField(m_record, NoteRecord::DataHoraAviso, QString());
        QPointer<frmLembrete> self(this);
        StopSound();
        if (!self)
            return;
        setNoteColor(NoteRecord::ColorFromIndex(AlarmColorIndex));
        Alarme->hide();
        setTimerInterval(tmrContAlarme, 0);
        AlarmTickCount = 0;
    }

    if (AlarmTickCount > 100)
        AlarmTickCount = 11;
}
