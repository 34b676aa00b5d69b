#pragma once

#include <QByteArray>
#include <QString>

// Script files on disk: the editor text as UTF-8, no byte-order mark written, no line-ending conversion.
class ScriptFile
{
public:
    enum class Status { Ok, CannotOpen, NotUtf8, HasNul };

    struct ReadResult
    {
        Status status = Status::CannotOpen;
        QString text;
    };

    // Reads the file and decodes it. Bytes that are not valid UTF-8, and NUL bytes (a binary file, UTF-16 without a
    // byte-order mark), are refused rather than shown garbled or cut short, where the next save would destroy them.
    static ReadResult read(const QString &path);

    // Saves the text through FileSaver: true only when the whole text is on the disk; otherwise the old contents
    // stay as they were.
    static bool write(const QString &path, const QString &text);

    // UTF-8 up to the first NUL byte (or the end); a leading byte-order mark is dropped. *valid, when given, tells
    // whether those bytes were well-formed UTF-8.
    static QString decode(const QByteArray &bytes, bool *valid = nullptr);
};
