#pragma once

#include <QByteArray>
#include <QString>

// Reads a font file named in the configuration. Only a regular file of at most maxSize bytes, outside /proc and
// /sys, read without blocking and within a deadline: a path such as /proc/kmsg is a "regular file" that blocks
// for ever, and a device could be endless.
class FontFile
{
public:
    static constexpr qint64 maxSize = 64 * 1024 * 1024;
    static constexpr int deadlineMs = 2000;

    // The file's bytes; false when it cannot be read under those rules.
    static bool read(const QString &path, QByteArray *bytes);

    // Registers the font in the file with the application for the rest of the run and returns its first family;
    // empty when the file is no usable font. A file that cannot be read also writes "Open font file error" to the
    // debug output.
    static QString family(const QString &path);
};
