// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QColor>
#include <QDateTime>
#include <QString>
#include <QStringList>

// A note record: fields 0 to 14, each followed by the separator character 255.
namespace NoteRecord {

constexpr char16_t FieldSeparator = 0x00FF;
constexpr char16_t LineBreak = 0x00A0;

enum Field : quint8 {
    DatCriacao = 0,
    DatAlteracao = 1,
    Fixo = 2,
    Topo = 3,
    Esquerda = 4,
    Aviso = 5,
    DataHoraAviso = 6,
    Leitura = 7,
    Texto = 8,
    Cor = 9,
    Minutos = 10,
    Continuo = 11,
    Som = 12,
    Largura = 13,
    Altura = 14,
};
constexpr int FieldCount = 15;

// The pieces of the record split at every separator (a record with 15 separators gives 16 pieces).
QStringList split(const QString &record);
// Piece n of the split record; throws RuntimeError (subscript out of range) when it is missing.
QString field(const QStringList &fields, int n);
inline QString field(const QString &record, int n) { return field(split(record), n); }

QColor ColorFromIndex(quint8 index);

// Field 8 as stored: each line break of the text box (LF, or CR LF) becomes one character 160,
// and the separator letter is stored decomposed so it cannot shift later fields.
QString encodeText(const QString &boxText);
// The text box content for a stored field 8: each character 160 becomes a line break (LF).
QString decodeText(const QString &stored);

// "DD/MM/YYYY HH:NN".
QString formatDateTime(const QDateTime &moment);
// A place or size in twips as save-all writes it: a whole number without a decimal point.
QString twipsText(float v);

QString newNoteRecord(const QDateTime &now);
QString welcomeRecord();

// Conversions of stored field text, failing like the platform's implicit conversions:
// text that is not a number is a type mismatch, a number outside the target range an overflow.
float toSingle(const QString &text);
quint8 toByte(const QString &text);
qint16 toInteger(const QString &text);
// 16-bit signed arithmetic that fails on overflow.
qint16 addInteger(qint16 value, int delta);

}
