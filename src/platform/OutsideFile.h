// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QByteArray>
#include <QString>
#include <optional>

// Reads a file that others can put in place (the store, a sync tool's conflict copy, the
// machine's name): a link to a device or a FIFO must neither flood the memory nor hang the
// program, and a file far larger than any store is not read at all.
namespace OutsideFile {

// Far more than the store of thousands of notes.
constexpr qint64 MaxBytes = qint64(64) << 20;

// The file's bytes, or nothing when it is missing. Opened without waiting and only when it is a
// regular file of at most `limit` bytes; throws RuntimeError saying what it is otherwise, and
// leaves it alone.
std::optional<QByteArray> read(const QString &path, qint64 limit = MaxBytes);

} // namespace OutsideFile
