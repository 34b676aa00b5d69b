#include "app/FileSaver.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSaveFile>

#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

enum class Outcome { Saved, Failed, CannotKeep };

void describe(const struct stat &st, FileSaver::Written *written)
{
    if (!written)
        return;
    written->modifiedNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    written->changedNs = qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    written->device = st.st_dev;
    written->inode = st.st_ino;
}

// The file a path finally names: symbolic links followed, also one whose target does not exist yet. On a loop the
// path left is still a link, which is no regular file and is not written.
QString resolveLinks(const QString &path)
{
    QFileInfo info(path);
    for (int hops = 0; hops < 40 && info.isSymLink(); ++hops)
        info.setFile(info.symLinkTarget());
    return info.absoluteFilePath();
}

// Calls a list/get xattr function with a buffer large enough for its answer (the size can change in between).
bool fetch(const std::function<ssize_t(char *, size_t)> &call, QByteArray *out)
{
    for (;;) {
        const ssize_t size = call(nullptr, 0);
        if (size < 0)
            return false;
        out->resize(int(size));
        const ssize_t got = call(out->data(), size_t(out->size()));
        if (got >= 0) {
            out->truncate(int(got));
            return true;
        }
        if (errno != ERANGE)
            return false;
    }
}

// The names of a file's extended attributes (ACLs among them); none on a file system without them.
bool attributeNames(const std::function<ssize_t(char *, size_t)> &list, QList<QByteArray> *names)
{
    QByteArray buffer;
    if (!fetch(list, &buffer))
        return errno == ENOTSUP;
    names->clear();
    for (const QByteArray &name : buffer.split('\0')) {
        if (!name.isEmpty())
            names->append(name);
    }
    return true;
}

// Gives the new file (fd) the old one's owner, group, mode and extended attributes; false when any of them cannot
// be given, so that renaming it over the old file would lose something.
bool carryOver(int fd, const QByteArray &oldPath, const struct stat &old)
{
    // Owner before mode: changing the owner clears the set-id bits. Mode before the attributes: an ACL is one of
    // them, and setting it adjusts the mode to match.
    struct stat now {};
    if (fstat(fd, &now) != 0)
        return false;
    if ((now.st_uid != old.st_uid || now.st_gid != old.st_gid) && fchown(fd, old.st_uid, old.st_gid) != 0)
        return false;
    if (fchmod(fd, old.st_mode & 07777) != 0)
        return false;

    QList<QByteArray> wanted;
    QList<QByteArray> present;
    if (!attributeNames([&](char *buffer, size_t size) { return listxattr(oldPath.constData(), buffer, size); },
                        &wanted)
        || !attributeNames([fd](char *buffer, size_t size) { return flistxattr(fd, buffer, size); }, &present))
        return false;
    // What the new file got from its directory (a default ACL) and the old one did not have.
    for (const QByteArray &name : qAsConst(present)) {
        if (!wanted.contains(name) && fremovexattr(fd, name.constData()) != 0)
            return false;
    }
    for (const QByteArray &name : qAsConst(wanted)) {
        QByteArray value;
        const auto get = [&](char *buffer, size_t size) {
            return getxattr(oldPath.constData(), name.constData(), buffer, size);
        };
        if (!fetch(get, &value) || fsetxattr(fd, name.constData(), value.constData(), size_t(value.size()), 0) != 0)
            return false;
    }

    // The kernel drops a set-group-id bit it does not allow instead of failing: compare what came out.
    return fstat(fd, &now) == 0 && now.st_uid == old.st_uid && now.st_gid == old.st_gid
        && (now.st_mode & 07777) == (old.st_mode & 07777);
}

// Whether a new file renamed over the old one can keep everything the old one had.
bool mayReplace(const QString &target, const struct stat &old)
{
    // Another name for the same file would go on showing the old contents.
    if (old.st_nlink != 1)
        return false;
    // Only root can give the new file someone else's ownership (in a sticky directory such as /tmp only the owner
    // may rename over the file, too).
    const uid_t me = geteuid();
    if (me != 0 && old.st_uid != me)
        return false;
    // The new file is made in the same directory.
    const QByteArray directory = QFile::encodeName(QFileInfo(target).absolutePath());
    return faccessat(AT_FDCWD, directory.constData(), W_OK | X_OK, AT_EACCESS) == 0;
}

// A rename is only on the disk once the directory that holds it is.
bool syncDirectory(const QString &directory)
{
    const int fd = ::open(QFile::encodeName(directory).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return true; // a directory the user cannot read cannot be flushed by them; the file itself is
    // EINVAL: a file system that has nothing to flush for directories.
    const bool synced = fsync(fd) == 0 || errno == EINVAL;
    ::close(fd);
    return synced;
}

// Writes a new file beside the target and renames it over it. old is the target's state, or null for a new file.
Outcome replace(const QString &target, const QByteArray &bytes, const struct stat *old, FileSaver::Written *saved)
{
    const Outcome cannotKeep = old ? Outcome::CannotKeep : Outcome::Failed;
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly))
        return cannotKeep;
    const int fd = file.handle();
    if (old && !carryOver(fd, QFile::encodeName(target), *old)) {
        file.cancelWriting();
        return Outcome::CannotKeep;
    }
    // QSaveFile::commit() would ignore a failed fsync: do it here, where the result counts.
    struct stat written {};
    if (file.write(bytes) != bytes.size() || !file.flush() || fsync(fd) != 0 || fstat(fd, &written) != 0) {
        file.cancelWriting();
        return Outcome::Failed;
    }
    // A refused rename (a bind mount, a file system's own rules) leaves the old file as it was.
    if (!file.commit())
        return cannotKeep;
    if (!syncDirectory(QFileInfo(target).absolutePath()))
        return Outcome::Failed;
    describe(written, saved);
    return Outcome::Saved;
}

// Overwrites the file itself, keeping the old contents in memory until the new ones are on the disk.
bool writeInPlace(const QString &target, const QByteArray &bytes, FileSaver::Written *saved)
{
    QFile file(target);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return false;
    const int fd = file.handle();
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    const QByteArray old = file.readAll();
    if (file.error() != QFileDevice::NoError || old.size() != st.st_size)
        return false;
    // Reserve the blocks first, so that a full disk or quota shows before the first old byte is overwritten.
    // File systems without fallocate simply go on.
    if (bytes.size() > old.size() && fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, bytes.size()) != 0
        && (errno == ENOSPC || errno == EDQUOT || errno == EFBIG || errno == EIO))
        return false;

    struct stat after {};
    const bool written = file.seek(0) && file.write(bytes) == bytes.size() && file.resize(bytes.size())
                      && fsync(fd) == 0 && fstat(fd, &after) == 0;
    if (!written) {
        // Put the old contents back (a file size limit, say, stopped the write midway).
        file.seek(0);
        file.write(old);
        file.resize(old.size());
        fsync(fd);
        return false;
    }
    describe(after, saved);
    return true;
}

} // namespace

bool FileSaver::save(const QString &path, const QByteArray &bytes, Written *written)
{
    const QString target = resolveLinks(path);
    struct stat st {};
    if (lstat(QFile::encodeName(target).constData(), &st) != 0)
        return errno == ENOENT && replace(target, bytes, nullptr, written) == Outcome::Saved;
    // Renaming over a device, FIFO or directory would replace the node itself (root could lose /dev/null that way),
    // and writing into one is no way to save a script.
    if (!S_ISREG(st.st_mode))
        return false;
    if (mayReplace(target, st)) {
        const Outcome outcome = replace(target, bytes, &st, written);
        if (outcome != Outcome::CannotKeep)
            return outcome == Outcome::Saved;
    }
    return writeInPlace(target, bytes, written);
}
