#include "editor/FontFile.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QFile>
#include <QFontDatabase>
#include <QStringList>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace {

// File systems whose "files" are kernel interfaces, not data: reading one can block or never end.
constexpr long procMagic = 0x9fa0;
constexpr long sysfsMagic = 0x62656572;

} // namespace

bool FontFile::read(const QString &path, QByteArray *bytes)
{
    const QByteArray native = QFile::encodeName(path);
    if (native.isEmpty())
        return false;
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return false;
    struct stat info {};
    struct statfs filesystem {};
    const bool plain = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= maxSize
        && ::fstatfs(fd, &filesystem) == 0 && filesystem.f_type != procMagic && filesystem.f_type != sysfsMagic;
    bool ok = plain;
    QByteArray data;
    QElapsedTimer clock;
    clock.start();
    char buffer[65536];
    while (ok) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0) {
            data.append(buffer, int(got));
            ok = data.size() <= maxSize && clock.elapsed() < deadlineMs;
        } else if (got == 0) {
            break;
        } else if (errno != EINTR) {
            ok = false; // EAGAIN included: a file that makes us wait is no font file
        }
    }
    ::close(fd);
    if (ok)
        *bytes = data;
    return ok;
}

QString FontFile::family(const QString &path)
{
    QByteArray bytes;
    if (!read(path, &bytes)) {
        qDebug() << "Open font file error";
        return QString();
    }
    const QStringList families = QFontDatabase::applicationFontFamilies(QFontDatabase::addApplicationFontFromData(bytes));
    return families.isEmpty() ? QString() : families.first();
}
