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

// Size and modification time of the regular file a path names (links followed); false for anything else.
bool regularFileTimes(const QString &path, qint64 *size, qint64 *modifiedNs)
{
    struct stat st {};
    if (stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    *size = st.st_size;
    *modifiedNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
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
    if (!regularFileTimes(path, &stamp.size, &stamp.modifiedNs) || !file.open(QIODevice::ReadOnly)) {
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
    result.stamp = stamp;
    return result;
}

bool ScriptFile::write(const QString &path, const QString &text, Stamp *stamp)
{
    const QByteArray bytes = text.toUtf8();
    qint64 modifiedNs = 0;
    if (!FileSaver::save(path, bytes, &modifiedNs))
        return false;
    if (stamp) {
        stamp->known = true;
        stamp->size = bytes.size();
        stamp->modifiedNs = modifiedNs;
        stamp->hash = contentHash(bytes);
    }
    return true;
}

bool ScriptFile::changedSince(const QString &path, const Stamp &stamp)
{
    qint64 size = 0;
    qint64 modifiedNs = 0;
    // Gone, or no longer a regular file (which the save refuses anyway): nothing here to lose.
    if (!stamp.known || !regularFileTimes(path, &size, &modifiedNs))
        return false;
    if (size != stamp.size)
        return true;
    if (modifiedNs == stamp.modifiedNs)
        return false;
    // Same size, another time: only the contents can tell. What cannot be read back cannot be shown unchanged.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return true;
    const QByteArray bytes = file.readAll();
    return file.error() != QFileDevice::NoError || contentHash(bytes) != stamp.hash;
}
