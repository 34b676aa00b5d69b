#include "app/RecoveryJournal.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTextCodec>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString journalSuffix = QStringLiteral(".js");
const QString lockSuffix = QStringLiteral(".lock");
// A byte no UTF-8 text holds: nothing a journal of plain text (the older format) starts with.
const QByteArray magic("\xFFvelmora-journal 2\n");

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

QByteArray native(const QString &name)
{
    return QFile::encodeName(name);
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

// A regular file in the directory, never through a link, read whole; false for anything else.
bool readRegular(int directoryFd, const QString &name, QByteArray *bytes)
{
    const int fd = ::openat(directoryFd, native(name).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size < qint64(INT_MAX);
    if (ok) {
        bytes->resize(int(st.st_size));
        qint64 done = 0;
        while (ok && done < bytes->size()) {
            const ssize_t got = ::read(fd, bytes->data() + done, size_t(bytes->size() - done));
            if (got < 0 && errno == EINTR)
                continue;
            ok = got > 0;
            done += qMax<ssize_t>(got, 0);
        }
    }
    ::close(fd);
    return ok;
}

// Locks the lock file of a journal: the descriptor, or -1 with *held telling whether another process holds it
// (rather than the file being impossible to open or create). Read-only, so that a leftover on a disk that cannot
// be written is still taken over; created when missing, never through a link.
int tryLock(int directoryFd, const QString &name, bool *held = nullptr)
{
    const QByteArray path = native(name);
    int fd = ::openat(directoryFd, path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT)
        fd = ::openat(directoryFd, path.constData(), O_RDONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    bool locked = false;
    struct stat st {};
    if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        locked = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        if (held)
            *held = !locked;
    } else if (held) {
        *held = fd >= 0; // a lock "file" that is no regular file: not ours to take
    }
    if (!locked && fd >= 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        fd = -1;
    }
    return fd;
}

// Creates what is missing of path, each level 0700 whatever the umask (mkdir only ever removes bits from it).
void makePrivatePath(const QString &path)
{
    const QString absolute = QDir::cleanPath(QDir(path).absolutePath());
    int from = 1;
    for (;;) {
        const int slash = absolute.indexOf(QLatin1Char('/'), from);
        const QString level = slash < 0 ? absolute : absolute.left(slash);
        ::mkdir(native(level).constData(), 0700);
        if (slash < 0)
            return;
        from = slash + 1;
    }
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
    if (directoryFd >= 0)
        ::close(directoryFd);
}

QString RecoveryJournal::defaultDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + QStringLiteral("/recovery");
}

QString RecoveryJournal::journalName() const
{
    return name + journalSuffix;
}

bool RecoveryJournal::openDirectory()
{
    if (directoryFd >= 0)
        return true;
    makePrivatePath(directory);
    const int fd = ::open(native(directory).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        lastError = QStringLiteral("%1: %2").arg(directory, systemError());
        return false;
    }
    // Another user who owns the directory, or may write into it, could read the journals or plant links in it.
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_uid != ::geteuid() || (st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        ::close(fd);
        lastError = QStringLiteral("%1: 文件夹不属于当前用户或其他用户可写,不在其中保存").arg(directory);
        return false;
    }
    directoryFd = fd;
    return true;
}

bool RecoveryJournal::lock()
{
    if (lockFd >= 0)
        return true;
    if (!openDirectory())
        return false;
    // The lock exists before the journal does: a journal without one belongs to no living process.
    lockFd = tryLock(directoryFd, name + lockSuffix);
    if (lockFd < 0) {
        lastError = QStringLiteral("%1/%2%3: %4").arg(directory, name, lockSuffix, systemError());
        return false;
    }
    return true;
}

RecoveryJournal::Save RecoveryJournal::save(const QString &text, const Origin &origin)
{
    return save(text.toUtf8(), origin);
}

RecoveryJournal::Save RecoveryJournal::save(const QByteArray &utf8, const Origin &origin)
{
    if (hasWritten && origin == writtenOrigin && utf8 == writtenText)
        return Save::Unchanged;
    if (!lock())
        return Save::Failed;
    // A fresh name each time, created exclusively: nothing planted under it is followed or written through.
    QString temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 16; ++attempt) {
        temporary = QStringLiteral("%1.tmp-%2").arg(name).arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        fd = ::openat(directoryFd, native(temporary).constData(),
                      O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    const QByteArray nativeTemporary = native(temporary);
    bool ok = fd >= 0 && writeAll(fd, encode(utf8, origin));
    if (!ok)
        lastError = QStringLiteral("%1/%2: %3").arg(directory, temporary, systemError());
    if (fd >= 0 && ::close(fd) != 0 && ok) {
        ok = false;
        lastError = QStringLiteral("%1/%2: %3").arg(directory, temporary, systemError());
    }
    if (ok && ::renameat(directoryFd, nativeTemporary.constData(), directoryFd, native(journalName()).constData()) != 0) {
        ok = false;
        lastError = QStringLiteral("%1/%2: %3").arg(directory, journalName(), systemError());
    }
    if (!ok) {
        if (fd >= 0)
            ::unlinkat(directoryFd, nativeTemporary.constData(), 0);
        return Save::Failed;
    }
    writtenText = QByteArray(utf8.constData(), utf8.size()); // a copy: utf8 may point into the editor's buffer
    writtenOrigin = origin;
    hasWritten = true;
    return Save::Written;
}

void RecoveryJournal::discard()
{
    if (lockFd < 0)
        return;
    ::unlinkat(directoryFd, native(journalName()).constData(), 0);
    ::unlinkat(directoryFd, native(name + lockSuffix).constData(), 0);
    ::close(lockFd);
    lockFd = -1;
    hasWritten = false;
    writtenText.clear();
}

RecoveryJournal::Recovery RecoveryJournal::recover()
{
    Recovery recovery;
    if (!openDirectory()) {
        recovery.problem = lastError;
        return recovery;
    }
    struct Leftover
    {
        QString base;
        qint64 modifiedNs;
    };
    std::vector<Leftover> leftovers;
    const QStringList names = QDir(directory).entryList({QStringLiteral("*") + journalSuffix}, QDir::Files | QDir::Hidden);
    for (const QString &file : names) {
        struct stat st {};
        const QString base = file.chopped(journalSuffix.size());
        if (base != name && ::fstatat(directoryFd, native(file).constData(), &st, AT_SYMLINK_NOFOLLOW) == 0
            && S_ISREG(st.st_mode) && st.st_uid == ::geteuid())
            leftovers.push_back({base, qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec});
    }
    std::sort(leftovers.begin(), leftovers.end(),
              [](const Leftover &a, const Leftover &b) { return a.modifiedNs > b.modifiedNs; });

    for (const Leftover &leftover : leftovers) {
        // A lock that is held belongs to a window still open. One that cannot even be created (a disk that cannot be
        // written) guards nothing: the journal is read all the same.
        bool held = false;
        const int fd = tryLock(directoryFd, leftover.base + lockSuffix, &held);
        if (held)
            continue;
        const QString file = leftover.base + journalSuffix;
        QByteArray bytes;
        QString text;
        Origin origin;
        const bool read = readRegular(directoryFd, file, &bytes);
        if (!read || !decode(bytes, &text, &origin)) {
            if (read || errno != ENOENT)
                recovery.unreadable.append(directory + QLatin1Char('/') + file);
        } else if (text.isEmpty() && origin.path.isEmpty()) {
            ::unlinkat(directoryFd, native(file).constData(), 0);
            ::unlinkat(directoryFd, native(leftover.base + lockSuffix).constData(), 0);
        } else if (!recovery.found && lockFd < 0) {
            // Becomes this journal, lock and all; a temporary file its process left midway goes.
            for (const QString &partial :
                 QDir(directory).entryList({leftover.base + QStringLiteral(".tmp-*")}, QDir::Files | QDir::Hidden))
                ::unlinkat(directoryFd, native(partial).constData(), 0);
            name = leftover.base;
            lockFd = fd;
            recovery.found = true;
            recovery.text = text;
            recovery.origin = origin;
            continue;
        } else {
            ++recovery.remaining;
        }
        if (fd >= 0)
            ::close(fd);
    }
    return recovery;
}

QByteArray RecoveryJournal::encode(const QByteArray &utf8, const Origin &origin)
{
    const ScriptFile::Stamp &stamp = origin.stamp;
    QByteArray bytes = magic;
    bytes += "path " + origin.path.toUtf8().toBase64() + '\n';
    bytes += "stamp";
    for (const qint64 field : {qint64(stamp.known), stamp.size, stamp.modifiedNs, stamp.changedNs})
        bytes += ' ' + QByteArray::number(field);
    for (const quint64 field : {quint64(stamp.device), quint64(stamp.inode)})
        bytes += ' ' + QByteArray::number(field);
    bytes += ' ' + QByteArray::number(int(stamp.byteOrderMark)) + ' ' + stamp.hash.toHex() + "\n\n";
    bytes.reserve(bytes.size() + utf8.size());
    return bytes + utf8;
}

bool RecoveryJournal::decode(const QByteArray &bytes, QString *text, Origin *origin)
{
    *origin = Origin();
    int textStart = 0;
    if (bytes.startsWith(magic)) {
        const int end = bytes.indexOf("\n\n", magic.size() - 1);
        if (end < 0)
            return false;
        const QList<QByteArray> lines = bytes.mid(magic.size(), end - magic.size()).split('\n');
        if (lines.size() != 2 || !lines.at(0).startsWith("path ") || !lines.at(1).startsWith("stamp "))
            return false;
        origin->path = QString::fromUtf8(QByteArray::fromBase64(lines.at(0).mid(5)));
        const QList<QByteArray> fields = lines.at(1).mid(6).split(' ');
        if (fields.size() != 8)
            return false;
        bool ok = true;
        const auto number = [&ok](const QByteArray &field) {
            bool fieldOk = false;
            const qlonglong value = field.toLongLong(&fieldOk);
            ok = ok && fieldOk;
            return value;
        };
        const auto unsignedNumber = [&ok](const QByteArray &field) {
            bool fieldOk = false;
            const qulonglong value = field.toULongLong(&fieldOk);
            ok = ok && fieldOk;
            return value;
        };
        ScriptFile::Stamp &stamp = origin->stamp;
        stamp.known = number(fields.at(0)) != 0;
        stamp.size = number(fields.at(1));
        stamp.modifiedNs = number(fields.at(2));
        stamp.changedNs = number(fields.at(3));
        stamp.device = unsignedNumber(fields.at(4));
        stamp.inode = unsignedNumber(fields.at(5));
        stamp.byteOrderMark = number(fields.at(6)) != 0;
        stamp.hash = QByteArray::fromHex(fields.at(7));
        if (!ok)
            return false;
        textStart = end + 2;
    }
    // What is not exactly UTF-8 text would come back garbled or cut short: it stays on disk instead.
    if (bytes.indexOf('\0', textStart) >= 0)
        return false;
    QTextCodec::ConverterState state(QTextCodec::IgnoreHeader);
    *text = QTextCodec::codecForMib(106)->toUnicode(bytes.constData() + textStart, bytes.size() - textStart, &state);
    return state.invalidChars == 0 && state.remainingChars == 0;
}
