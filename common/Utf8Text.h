#pragma once

#include <QByteArray>
#include <QString>

// Text read from a file or a resource: UTF-8 up to the first NUL byte (or the end), a leading byte-order mark
// dropped. Every layer reads text this one way.
class Utf8Text
{
public:
    // *valid, when given, tells whether those bytes were well-formed UTF-8.
    static QString decode(const QByteArray &bytes, bool *valid = nullptr);
};
