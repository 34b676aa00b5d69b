#pragma once

#include <QByteArray>
#include <QString>

// Script files on disk: the editor text as UTF-8, no byte-order mark written, no line-ending conversion.
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
        QByteArray hash;
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

    // Saves the text through FileSaver: true only when the whole text is on the disk; otherwise the old contents
    // stay as they were. *stamp, when given, receives the saved file's stamp.
    static bool write(const QString &path, const QString &text, Stamp *stamp = nullptr);

    // Whether the file at path holds other bytes now than when the stamp was taken. A file that is gone has not
    // changed (nothing another program wrote would be overwritten), nor has one that was only touched.
    static bool changedSince(const QString &path, const Stamp &stamp);
};
