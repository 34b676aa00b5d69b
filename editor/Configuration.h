#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class QDomDocument;

// The three optional configuration files, read once at start-up from the working directory. Each one that cannot be
// opened or is not well-formed XML is passed over silently; nothing is ever written back.
class Configuration
{
public:
    // "conf.xml": <conf><font type="system|path">…</font><timeout>seconds</timeout></conf>
    struct Conf
    {
        bool loaded = false;   // the file opened and parsed
        QString fontType;      // the "type" attribute, "system" when absent
        QString fontText;      // the font element's text, untrimmed
        int timeout = -1;      // whole seconds of the script time limit; -1 when absent or not a whole number
    };

    // Larger files are passed over like malformed ones (about 200 000 completion entries fit).
    static constexpr qint64 maxFileSize = 8 * 1024 * 1024;

    static Conf readConf(const QString &path);
    // "highlig.xml": the texts of every child node of highlig/global joined by single blanks. False when the file
    // is missing or malformed.
    static bool readKeywords(const QString &path, QString *words);
    // "apis.xml": the texts of every child node of apis/function, then of apis/keyword. False when the file is
    // missing or malformed.
    static bool readApis(const QString &path, QStringList *entries);

    // Nesting deeper than this, or more text than this once entities are expanded, makes a file malformed: no
    // hand-written configuration comes near either, and the parser would overflow the stack or exhaust memory.
    static constexpr int maxDepth = 256;
    static constexpr qint64 maxTextLength = 8 * 1024 * 1024;
    // So do more attributes than these (Qt's parsers compare each attribute of an element with every other one,
    // and a million of them took 2 GB), entity references inside attribute values past this many, more declared
    // entities than this, and a scan that takes longer than this.
    static constexpr int maxAttributesPerElement = 256;
    static constexpr int maxAttributes = 100000;
    static constexpr int maxAttributeEntityReferences = 1000;
    static constexpr int maxEntities = 1000;
    static constexpr int maxScanMs = 1000;

    // Opens and parses one regular file of at most maxFileSize bytes (no namespace processing).
    static bool readDocument(const QString &path, QDomDocument *document);
    // Whether bytes are well-formed XML within the bounds above. Entity expansion is counted in full, chains
    // included, both where entities are declared and where they are referenced.
    static bool withinBounds(const QByteArray &bytes);
};
