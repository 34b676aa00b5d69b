#include "app/ScriptFile.h"

#include "common/Utf8Text.h"

#include "app/FileSaver.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTextCodec>

#include <sys/stat.h>

namespace {

// Tells contents apart, nothing more: no adversary picks the bytes of a script file to fool this.
QByteArray contentHash(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1);
}

const QByteArray byteOrderMark("\xEF\xBB\xBF");

qint64 nanoseconds(const struct timespec &time)
{
    return qint64(time.tv_sec) * 1000000000 + time.tv_nsec;
}

// Identity, size and times of the regular file a path names (links followed); false for anything else.
bool regularFileStamp(const QString &path, ScriptFile::Stamp *stamp)
{
    struct stat st {};
    if (stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    stamp->size = st.st_size;
    stamp->modifiedNs = nanoseconds(st.st_mtim);
    stamp->changedNs = nanoseconds(st.st_ctim);
    stamp->device = st.st_dev;
    stamp->inode = st.st_ino;
    return true;
}

} // namespace

ScriptFile::ReadResult ScriptFile::read(const QString &path)
{
    ReadResult result;
    QFile file(path);
    // Only regular files: opening a FIFO would block the window, and a device may never end. The times are taken
    // before reading, so that a change made while reading shows as one later.
    Stamp stamp;
    if (!regularFileStamp(path, &stamp) || !file.open(QIODevice::ReadOnly)) {
        result.status = Status::CannotOpen;
        return result;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        result.status = Status::CannotOpen;
        return result;
    }
    if (bytes.contains('\0')) {
        result.status = Status::HasNul;
        return result;
    }
    bool valid = false;
    result.text = Utf8Text::decode(bytes, &valid);
    result.status = valid ? Status::Ok : Status::NotUtf8;
    if (!valid) {
        result.text.clear();
        return result;
    }
    stamp.known = true;
    stamp.hash = contentHash(bytes);
    stamp.byteOrderMark = bytes.startsWith(byteOrderMark);
    result.stamp = stamp;
    return result;
}

bool ScriptFile::write(const QString &path, const QString &text, Stamp *stamp, bool withByteOrderMark)
{
    const QByteArray bytes = withByteOrderMark ? byteOrderMark + text.toUtf8() : text.toUtf8();
    FileSaver::Written written;
    if (!FileSaver::save(path, bytes, &written))
        return false;
    if (stamp) {
        stamp->known = true;
        stamp->size = bytes.size();
        stamp->modifiedNs = written.modifiedNs;
        stamp->changedNs = written.changedNs;
        stamp->device = written.device;
        stamp->inode = written.inode;
        stamp->hash = contentHash(bytes);
        stamp->byteOrderMark = withByteOrderMark;
    }
    return true;
}

bool ScriptFile::Stamp::operator==(const Stamp &other) const
{
    return known == other.known && size == other.size && modifiedNs == other.modifiedNs
        && changedNs == other.changedNs && device == other.device && inode == other.inode && hash == other.hash
        && byteOrderMark == other.byteOrderMark;
}

bool ScriptFile::changedSince(const QString &path, const Stamp &stamp)
{
    Stamp now;
    // Gone, or no longer a regular file (which the save refuses anyway): nothing here to lose.
    if (!stamp.known || !regularFileStamp(path, &now))
        return false;
    if (now.size != stamp.size)
        return true;
    if (now.modifiedNs == stamp.modifiedNs && now.changedNs == stamp.changedNs && now.device == stamp.device
        && now.inode == stamp.inode)
        return false;
    // Same size, yet not proven untouched: only the contents can tell. What cannot be read back cannot be shown
    // unchanged.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return true;
    const QByteArray bytes = file.readAll();
    return file.error() != QFileDevice::NoError || contentHash(bytes) != stamp.hash;
}
