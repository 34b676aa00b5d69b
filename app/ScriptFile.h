#pragma once

#include <QByteArray>
#include <QString>

// Script files on disk: the editor text as UTF-8, no line-ending conversion, a byte-order mark only where the file
// had one when it was read.
class ScriptFile
{
public:
    enum class Status { Ok, CannotOpen, NotUtf8, HasNul };

    // A file as it was when it was last read or written here: enough to tell later whether another program has
    // changed it since.
    struct Stamp
    {
        bool known = false;
        qint64 size = 0;
        qint64 modifiedNs = 0;
        // The inode's change time cannot be set back by another program (only the clock can), so together with the
        // identity, size and modification time it proves a file unchanged; anything less is checked by contents.
        qint64 changedNs = 0;
        quint64 device = 0;
        quint64 inode = 0;
        QByteArray hash;
        // The file starts with a UTF-8 byte-order mark, which the editor does not show and a save writes back.
        bool byteOrderMark = false;

        bool operator==(const Stamp &other) const;
        bool operator!=(const Stamp &other) const { return !(*this == other); }
    };

    struct ReadResult
    {
        Status status = Status::CannotOpen;
        QString text;
        Stamp stamp;
    };

    // Reads the file and decodes it. Bytes that are not valid UTF-8, and NUL bytes (a binary file, UTF-16 without a
    // byte-order mark), are refused rather than shown garbled or cut short, where the next save would destroy them.
    static ReadResult read(const QString &path);

    // Saves the text through FileSaver, after a byte-order mark when byteOrderMark is set: true only when the whole
    // text is on the disk; otherwise the old contents stay as they were. *stamp, when given, receives the saved
    // file's stamp.
    static bool write(const QString &path, const QString &text, Stamp *stamp = nullptr, bool byteOrderMark = false);

    // Whether the file at path holds other bytes now than when the stamp was taken. A file that is gone has not
    // changed (nothing another program wrote would be overwritten), nor has one that was only touched. Unless the
    // stamp proves the file untouched, its contents are compared.
    static bool changedSince(const QString &path, const Stamp &stamp);
};
