// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "records/NoteRecord.h"

#include <QString>
#include <QStringList>
#include <initializer_list>
#include <memory>
#include <optional>

// One note's state as typed values, read once from its record and written back to one. What the
// program does not understand of a record is kept: fields after the fifteenth are written back as
// they were, and so is every field whose value has not changed, odd spelling and all, so that an
// unchanged value gives back the very record it was read from.
class NoteValue {
public:
    // The fields, in record order. A number that cannot be read (not a number, out of range, or
    // empty, as in the place of a new note) has no value.
    QString createdAt;                // DatCriacao, "DD/MM/YYYY HH:NN" as stored
    QString changedAt;                // DatAlteracao, as stored
    bool pinned = false;              // Fixo
    std::optional<float> topTw;       // Topo
    std::optional<float> leftTw;      // Esquerda
    bool alarm = false;               // Aviso
    QString alarmAt;                  // DataHoraAviso, "DD/MM/YYYY HH:NN" as entered
    bool readOnly = false;            // Leitura
    QString text;                     // Texto, as the text box shows it
    std::optional<quint8> colorIndex; // Cor
    std::optional<qint16> minutes;    // Minutos
    bool continuous = false;          // Continuo
    std::optional<quint8> sound;      // Som
    std::optional<float> widthTw;     // Largura
    std::optional<float> heightTw;    // Altura

    // Whether a record can be a note at all: it has its 15 fields, each followed by a separator,
    // and no more separators than a record can hold (256).
    static bool isNoteRecord(const QString &record);
    // Reads a record. Throws RuntimeError when it cannot be a note: subscript out of range for
    // too few fields, overflow for too many. Flags are yes only for "S"; numbers are read by
    // NoteRecord's conversions.
    static NoteValue fromRecord(const QString &record);
    QString toRecord() const;

    // Throws the error reading gave for the first of these fields that holds no value.
    void checkReadable(std::initializer_list<NoteRecord::Field> fields) const;

private:
    // The value as read and the record's pieces (the sixteenth onwards are the kept tail);
    // shared by copies, none for a value not read from a record.
    struct Read;
    std::shared_ptr<const Read> m_read;
};
