// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/NoteValue.h"
#include "platform/RuntimeError.h"

using namespace NoteRecord;

struct NoteValue::Read {
    NoteValue value;
    QStringList pieces;
};

namespace {

// A record's separators cannot go past what its 8-bit field positions can reach.
constexpr qsizetype MaxSeparators = 256;

// Calls `f` with the member that holds field n.
template <typename F>
auto withMember(int n, F f)
{
    switch (n) {
    case DatCriacao:
        return f(&NoteValue::createdAt);
    case DatAlteracao:
        return f(&NoteValue::changedAt);
    case Fixo:
        return f(&NoteValue::pinned);
    case Topo:
        return f(&NoteValue::topTw);
    case Esquerda:
        return f(&NoteValue::leftTw);
    case Aviso:
        return f(&NoteValue::alarm);
    case DataHoraAviso:
        return f(&NoteValue::alarmAt);
    case Leitura:
        return f(&NoteValue::readOnly);
    case Texto:
        return f(&NoteValue::text);
    case Cor:
        return f(&NoteValue::colorIndex);
    case Minutos:
        return f(&NoteValue::minutes);
    case Continuo:
        return f(&NoteValue::continuous);
    case Som:
        return f(&NoteValue::sound);
    case Largura:
        return f(&NoteValue::widthTw);
    default:
        return f(&NoteValue::heightTw);
    }
}

// The record's number conversions, by the type they give; they throw what they throw.
float convert(const QString &piece, float *) { return toSingle(piece); }
quint8 convert(const QString &piece, quint8 *) { return toByte(piece); }
qint16 convert(const QString &piece, qint16 *) { return toInteger(piece); }

void readInto(const QString &piece, QString &v) { v = piece; }
void readInto(const QString &piece, bool &v) { v = piece == QLatin1String("S"); }
template <typename T>
void readInto(const QString &piece, std::optional<T> &v)
{
    try {
        v = convert(piece, static_cast<T *>(nullptr));
    } catch (const RuntimeError &) {
        v.reset();
    }
}

QString textOf(const QString &v) { return v; }
QString textOf(bool v) { return v ? QStringLiteral("S") : QStringLiteral("N"); }
QString textOf(const std::optional<float> &v) { return v ? twipsText(*v) : QString(); }
template <typename T>
QString textOf(const std::optional<T> &v)
{
    return v ? QString::number(*v) : QString();
}

void require(const QString &, const QString &) {}
void require(bool, const QString &) {}
template <typename T>
void require(const std::optional<T> &v, const QString &piece)
{
    if (v)
        return;
    convert(piece, static_cast<T *>(nullptr));
    throw RuntimeError::typeMismatch(); // read once, taken away since
}

}

bool NoteValue::isNoteRecord(const QString &record)
{
    const qsizetype separators = record.count(QChar(FieldSeparator));
    return separators >= FieldCount && separators <= MaxSeparators;
}

NoteValue NoteValue::fromRecord(const QString &record)
{
    const qsizetype separators = record.count(QChar(FieldSeparator));
    // Fewer fields could not be written back without losing one.
    if (separators < FieldCount)
        throw RuntimeError::subscriptOutOfRange();
    if (separators > MaxSeparators)
        throw RuntimeError::overflow();
    auto read = std::make_shared<Read>();
    read->pieces = record.split(QChar(FieldSeparator));
    NoteValue &v = read->value;
    for (int n = 0; n < FieldCount; ++n)
        withMember(n, [&](auto member) { readInto(read->pieces.at(n), v.*member); });
    v.text = decodeText(read->pieces.at(Texto));
    NoteValue result = v;
    result.m_read = std::move(read);
    return result;
}

QString NoteValue::toRecord() const
{
    QString record;
    for (int n = 0; n < FieldCount; ++n) {
        // A field as it was read goes back as it was written.
        if (m_read && withMember(n, [&](auto member) { return this->*member == m_read->value.*member; }))
            record += m_read->pieces.at(n);
        else if (n == Texto)
            record += encodeText(text);
        else
            record += withMember(n, [&](auto member) { return textOf(this->*member); });
        record += QChar(FieldSeparator);
    }
    if (m_read)
        record += m_read->pieces.mid(FieldCount).join(QChar(FieldSeparator));
    return record;
}

void NoteValue::checkReadable(std::initializer_list<Field> fields) const
{
    for (const Field n : fields)
        withMember(n, [&](auto member) { require(this->*member, m_read ? m_read->pieces.at(n) : QString()); });
}
