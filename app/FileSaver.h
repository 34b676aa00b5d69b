#pragma once

#include <QByteArray>
#include <QString>

// Puts new contents into a file without losing the old ones on the way, and without changing what else the user
// relies on: owner, group, mode, extended attributes, hard links and symbolic links.
//
// Where a new file renamed over the old one keeps all of that (one link, owned by the saving user or saved by root,
// a writable directory, attributes that can be carried over), that is what happens: the file is at every moment
// either the old or the new one. Otherwise the file is rewritten in place, once the old contents are read and the
// space for the new ones is reserved; a write that fails midway puts the old contents back. Either way the data
// is flushed to the disk before success is reported. A symbolic link is followed and stays a link; devices, FIFOs
// and directories are never written.
class FileSaver
{
public:
    // The written file as the save saw it last: its times in nanoseconds since the epoch, and its identity.
    struct Written
    {
        qint64 modifiedNs = 0;
        qint64 changedNs = 0;
        quint64 device = 0;
        quint64 inode = 0;
    };

    // True when the file holds exactly bytes on disk. *written, when given, receives the file's times and identity
    // as the save left it (the change time as of the last write: a rename after it may move it on).
    static bool save(const QString &path, const QByteArray &bytes, Written *written = nullptr);
};
