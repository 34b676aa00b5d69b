#include "app/RecoveryJournal.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

const QString journalSuffix = QStringLiteral(".js");
const QString lockSuffix = QStringLiteral(".lock");

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

bool writeAll(int fd, const QByteArray &bytes)
{
    const char *at = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, at, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        at += written;
        left -= written;
    }
    return true;
}

// A lock taken here on a file another process also locked: free when that process has ended, however it ended.
int tryLock(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

RecoveryJournal::RecoveryJournal(const QString &directory)
    : directory(directory),
      name(QStringLiteral("%1-%2").arg(QCoreApplication::applicationPid())
               .arg(QRandomGenerator::system()->generate64(), 16, 16, QLatin1Char('0')))
{
}

RecoveryJournal::~RecoveryJournal()
{
    discard();
}

QString RecoveryJournal::defaultDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + QStringLiteral("/recovery");
}

QString RecoveryJournal::journalPath() const
{
    return directory + QLatin1Char('/') + name + journalSuffix;
}

bool RecoveryJournal::lock()
{
    if (lockFd >= 0)
        return true;
    if (!QDir().mkpath(directory)) {
        lastError = QStringLiteral("%1: 无法创建目录").arg(directory);
        return false;
    }
    lockPath = directory + QLatin1Char('/') + name + lockSuffix;
    lockFd = tryLock(lockPath);
    if (lockFd < 0) {
        lastError = QStringLiteral("%1: %2").arg(lockPath, systemError());
        return false;
    }
    return true;
}

RecoveryJournal::Save RecoveryJournal::save(const QString &text)
{
    return save(text.toUtf8());
}

RecoveryJournal::Save RecoveryJournal::save(const QByteArray &utf8)
{
    if (hasWritten && utf8 == written)
        return Save::Unchanged;
    if (!lock())
        return Save::Failed;
    const QString target = journalPath();
    const QString temporary = target + QStringLiteral(".new");
    const QByteArray nativeTemporary = QFile::encodeName(temporary);
    const int fd = ::open(nativeTemporary.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    bool ok = fd >= 0 && writeAll(fd, utf8);
    if (!ok)
        lastError = QStringLiteral("%1: %2").arg(temporary, systemError());
    if (fd >= 0 && ::close(fd) != 0 && ok) {
        ok = false;
        lastError = QStringLiteral("%1: %2").arg(temporary, systemError());
    }
    if (ok && ::rename(nativeTemporary.constData(), QFile::encodeName(target).constData()) != 0) {
        ok = false;
        lastError = QStringLiteral("%1: %2").arg(target, systemError());
    }
    if (!ok) {
        ::unlink(nativeTemporary.constData());
        return Save::Failed;
    }
    written = QByteArray(utf8.constData(), utf8.size()); // a copy: utf8 may point into the editor's buffer
    hasWritten = true;
    return Save::Written;
}

void RecoveryJournal::discard()
{
    if (lockFd < 0)
        return;
    QFile::remove(journalPath());
    QFile::remove(lockPath);
    ::close(lockFd);
    lockFd = -1;
    hasWritten = false;
    written.clear();
}

bool RecoveryJournal::recover(QString *text)
{
    const QFileInfoList journals =
        QDir(directory).entryInfoList({QStringLiteral("*") + journalSuffix}, QDir::Files, QDir::Time);
    for (const QFileInfo &journal : journals) {
        const QString base = journal.completeBaseName();
        if (base == name)
            continue;
        const QString orphanLock = directory + QLatin1Char('/') + base + lockSuffix;
        // Only a lock file that exists and is free tells of a dead owner; a journal still being set up by a
        // starting process has no lock file yet, a live one's is locked.
        if (!QFileInfo::exists(orphanLock))
            continue;
        const int fd = tryLock(orphanLock);
        if (fd < 0)
            continue;
        QFile file(journal.filePath());
        QByteArray bytes;
        const bool read = file.open(QIODevice::ReadOnly) && (bytes = file.readAll(), file.error() == QFile::NoError);
        file.close();
        const QString recovered = QString::fromUtf8(bytes);
        // The text moves into this process's journal before the old files go, so no moment exists without it.
        const bool adopted = read && !recovered.isEmpty() && save(recovered) == Save::Written;
        if (adopted || (read && recovered.isEmpty())) {
            QFile::remove(journal.filePath());
            QFile::remove(orphanLock);
        }
        ::close(fd);
        if (adopted) {
            *text = recovered;
            return true;
        }
    }
    return false;
}
