// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/OutsideFile.h"
#include "platform/RuntimeError.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace OutsideFile {

std::optional<QByteArray> read(const QString &path, qint64 limit)
{
    const QByteArray name = QFile::encodeName(path);
    const auto refused = [&path](const char *why) { return RuntimeError::fileAccess(path + QString::fromUtf8(why)); };
    const auto checked = [&](const struct stat &st) {
        if (!S_ISREG(st.st_mode))
            throw refused(" não é um arquivo comum");
        if (st.st_size > limit)
            throw refused(" é grande demais para ser um arquivo de lembretes");
    };
    // Looked at before it is opened: opening some devices does something.
    struct stat st {};
    if (::stat(name.constData(), &st) != 0) {
        if (errno == ENOENT)
            return std::nullopt;
        throw refused(" não pode ser lido");
    }
    checked(st);
    // Not waiting: what is opened may have become a FIFO since.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return std::nullopt;
        throw refused(" não pode ser lido");
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    if (::fstat(fd, &st) != 0)
        throw refused(" não pode ser lido");
    checked(st);
    QByteArray bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw refused(" não pode ser lido");
        if (n == 0)
            return bytes;
        if (bytes.size() + n > limit) // grown while read
            throw refused(" é grande demais para ser um arquivo de lembretes");
        bytes.append(buffer, n);
    }
}

} // namespace OutsideFile
