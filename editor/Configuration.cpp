#include "editor/Configuration.h"

#include <QDomDocument>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QXmlStreamReader>

#include <limits>

namespace {

// A lexical pass over the raw bytes, before any Qt parser sees them: Qt's parsers are quadratic in the attributes
// of one element and expand entity chains slowly, so the bounds must be known first. It only counts; whatever it
// lets through, the parsers still check for well-formedness.
class PreScan
{
public:
    PreScan(const QByteArray &bytes, const QElapsedTimer &clock) : bytes(bytes), clock(clock) {}

    bool run()
    {
        while (ok && at < bytes.size()) {
            const int open = bytes.indexOf('<', at);
            if (open < 0) {
                references(at, bytes.size(), false);
                break;
            }
            references(at, open, false);
            at = open;
            if (startsWith("<!--"))
                skipPast("-->");
            else if (startsWith("<![CDATA["))
                skipPast("]]>");
            else if (startsWith("<?"))
                skipPast("?>");
            else if (startsWith("<!DOCTYPE"))
                doctype();
            else
                tag();
            ok = ok && clock.elapsed() <= Configuration::maxScanMs;
        }
        return ok;
    }

private:
    bool startsWith(const char *text) const
    {
        const int length = int(qstrlen(text));
        return at + length <= bytes.size() && qstrncmp(bytes.constData() + at, text, uint(length)) == 0;
    }

    void skipPast(const char *end)
    {
        const int found = bytes.indexOf(end, at);
        at = found < 0 ? bytes.size() : found + int(qstrlen(end));
    }

    // The end of a quoted value starting at at (the quote), or -1.
    int quoteEnd(int from) const { return bytes.indexOf(bytes.at(from), from + 1); }

    void tag()
    {
        int attributes = 0;
        int i = at + 1;
        while (ok && i < bytes.size() && bytes.at(i) != '>') {
            const char ch = bytes.at(i);
            if (ch == '"' || ch == '\'') {
                const int end = quoteEnd(i);
                if (end < 0)
                    ok = false;
                else
                    references(i + 1, end, true);
                i = end + 1;
                continue;
            }
            if (ch == '=') {
                ++attributes;
                ok = ++totalAttributes <= Configuration::maxAttributes
                  && attributes <= Configuration::maxAttributesPerElement;
            }
            ++i;
        }
        at = i + 1;
    }

    void doctype()
    {
        const int subset = bytes.indexOf('[', at);
        const int close = bytes.indexOf('>', at);
        if (subset < 0 || (close >= 0 && close < subset)) {
            at = close < 0 ? bytes.size() : close + 1;
            return;
        }
        at = subset + 1;
        while (ok && at < bytes.size() && clock.elapsed() <= Configuration::maxScanMs) {
            if (QChar::isSpace(uchar(bytes.at(at)))) {
                ++at;
            } else if (bytes.at(at) == ']') {
                skipPast(">");
                return;
            } else if (bytes.at(at) != '<') {
                break; // a parameter entity reference, or not XML
            } else if (startsWith("<!--")) {
                skipPast("-->");
            } else if (startsWith("<?")) {
                skipPast("?>");
            } else if (startsWith("<!ENTITY")) {
                entity();
            } else {
                // An attribute list's default values are copied into every element of its kind: references in
                // them are refused rather than counted.
                const bool attributeList = startsWith("<!ATTLIST");
                int i = at + 1;
                while (i < bytes.size() && bytes.at(i) != '>') {
                    if (bytes.at(i) == '"' || bytes.at(i) == '\'') {
                        const int quote = quoteEnd(i);
                        if (quote < 0 || (attributeList && bytes.mid(i, quote - i).contains('&')))
                            ok = false;
                        i = quote < 0 ? bytes.size() : quote;
                    }
                    ++i;
                }
                at = i + 1;
            }
        }
        ok = false; // an internal subset that never ends
    }

    void entity()
    {
        int i = at + int(qstrlen("<!ENTITY"));
        const auto skipBlanks = [&] {
            while (i < bytes.size() && QChar::isSpace(uchar(bytes.at(i))))
                ++i;
        };
        skipBlanks();
        // Parameter entities feed declarations themselves: no configuration needs them.
        if (i >= bytes.size() || bytes.at(i) == '%') {
            ok = false;
            return;
        }
        const int nameStart = i;
        while (i < bytes.size() && !QChar::isSpace(uchar(bytes.at(i))) && bytes.at(i) != '>')
            ++i;
        const QByteArray name = bytes.mid(nameStart, i - nameStart);
        skipBlanks();
        Entity entity;
        if (i < bytes.size() && (bytes.at(i) == '"' || bytes.at(i) == '\'')) {
            const int end = quoteEnd(i);
            if (end < 0) {
                ok = false;
                return;
            }
            entity.value = bytes.mid(i + 1, end - i - 1);
            i = end + 1;
        } else {
            entity.expanded = 0; // external: the parsers read nothing for it
        }
        const int close = bytes.indexOf('>', i);
        at = close < 0 ? bytes.size() : close + 1;
        ok = ok && entities.size() < Configuration::maxEntities;
        if (ok && !entities.contains(name))
            entities.insert(name, entity);
        // The parsers expand a declared entity's value once, referenced or not.
        if (ok)
            add(expansion(name, 0));
    }

    // The expanded length of the entity name, or -1 past the bounds (a cycle, a chain too deep, too much text).
    qint64 expansion(const QByteArray &name, int depth)
    {
        static const QByteArray predefined[] = {"lt", "gt", "amp", "apos", "quot"};
        for (const QByteArray &known : predefined) {
            if (name == known)
                return 1;
        }
        const auto found = entities.find(name);
        if (found == entities.end() || depth > Configuration::maxDepth)
            return -1;
        if (found->expanded >= 0)
            return found->expanded;
        if (found->visiting)
            return -1;
        found->visiting = true;
        const QByteArray value = found->value;
        qint64 length = 0;
        for (int i = 0; i < value.size() && length >= 0; ++i) {
            if (value.at(i) != '&') {
                ++length;
                continue;
            }
            const int end = value.indexOf(';', i);
            if (end < 0)
                return -1;
            if (value.at(i + 1) == '#') {
                ++length;
            } else {
                const qint64 inner = expansion(value.mid(i + 1, end - i - 1), depth + 1);
                length = inner < 0 || length + inner > Configuration::maxTextLength ? -1 : length + inner;
            }
            i = end;
        }
        auto again = entities.find(name);
        again->visiting = false;
        again->expanded = length;
        return length;
    }

    void add(qint64 length)
    {
        expanded += length;
        ok = ok && length >= 0 && expanded <= Configuration::maxTextLength;
    }

    // Entity references in bytes [from, to): text, or an attribute value.
    void references(int from, int to, bool inAttribute)
    {
        for (int i = nextAmpersand(from); ok && i >= 0 && i < to; i = nextAmpersand(i + 1)) {
            const int end = bytes.indexOf(';', i);
            // Not well-formed; stopping here also keeps the search for ';' from running over the rest each time.
            if (end < 0 || end > to) {
                ok = false;
                return;
            }
            if (bytes.at(i + 1) == '#')
                continue;
            if (inAttribute)
                ok = ++attributeReferences <= Configuration::maxAttributeEntityReferences;
            add(expansion(bytes.mid(i + 1, end - i - 1), 0));
        }
    }

    // The first '&' at or after from, found once for all the segments before it; -1 for none.
    int nextAmpersand(int from)
    {
        if (ampersand >= -1 && (ampersand >= from || ampersand == -1))
            return ampersand;
        ampersand = bytes.indexOf('&', from);
        return ampersand;
    }

    struct Entity
    {
        QByteArray value;
        qint64 expanded = -1; // -1 until computed
        bool visiting = false;
    };

    const QByteArray &bytes;
    const QElapsedTimer &clock;
    QHash<QByteArray, Entity> entities;
    int at = 0;
    int ampersand = -2; // not searched yet
    int totalAttributes = 0;
    int attributeReferences = 0;
    qint64 expanded = 0;
    bool ok = true;
};

} // namespace

bool Configuration::readDocument(const QString &path, QDomDocument *document)
{
    // Only regular files: a FIFO would block the start-up and a device could be endless.
    if (!QFileInfo(path).isFile())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // Hand-written configuration is small; a huge file would cost seconds of start-up and a gigabyte of memory.
    const QByteArray bytes = file.read(maxFileSize + 1);
    if (bytes.size() > maxFileSize)
        return false;
    return withinBounds(bytes) && document->setContent(bytes, false);
}

bool Configuration::withinBounds(const QByteArray &bytes)
{
    // The DOM parser recurses once per level of nesting and expands every entity reference in full, so both are
    // checked first, by a reader that does neither (and that only once the raw scan has bounded its own work).
    QElapsedTimer clock;
    clock.start();
    PreScan scan(bytes, clock);
    if (!scan.run())
        return false;
    QXmlStreamReader reader(bytes);
    reader.setNamespaceProcessing(false);
    int depth = 0;
    qint64 text = 0;
    int tokens = 0;
    while (!reader.atEnd()) {
        if (++tokens % 4096 == 0 && clock.elapsed() > maxScanMs)
            return false;
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            if (++depth > maxDepth)
                return false;
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        case QXmlStreamReader::Characters:
            text += reader.text().size();
            if (text > maxTextLength)
                return false;
            break;
        default:
            break;
        }
    }
    return !reader.hasError();
}

Configuration::Conf Configuration::readConf(const QString &path)
{
    Conf conf;
    QDomDocument document;
    if (!readDocument(path, &document))
        return conf;
    conf.loaded = true;
    const QDomElement root = document.firstChildElement(QStringLiteral("conf"));
    const QDomElement font = root.firstChildElement(QStringLiteral("font"));
    conf.fontType = font.attribute(QStringLiteral("type"), QStringLiteral("system"));
    conf.fontText = font.text();

    const QDomElement timeout = root.firstChildElement(QStringLiteral("timeout"));
    if (!timeout.isNull()) {
        const QString digits = timeout.text().trimmed();
        bool ok = !digits.isEmpty();
        for (const QChar ch : digits)
            ok = ok && ch >= QLatin1Char('0') && ch <= QLatin1Char('9');
        const qulonglong seconds = ok ? digits.toULongLong(&ok) : 0;
        if (ok && seconds <= qulonglong(std::numeric_limits<int>::max()))
            conf.timeout = int(seconds);
    }
    return conf;
}

bool Configuration::readKeywords(const QString &path, QString *words)
{
    QDomDocument document;
    if (!readDocument(path, &document))
        return false;
    const QDomNodeList nodes = document.firstChildElement(QStringLiteral("highlig"))
                                   .firstChildElement(QStringLiteral("global"))
                                   .childNodes();
    QStringList texts;
    texts.reserve(nodes.count());
    for (int i = 0; i < nodes.count(); ++i)
        texts.append(nodes.at(i).toElement().text());
    *words = texts.join(QLatin1Char(' '));
    return true;
}

bool Configuration::readApis(const QString &path, QStringList *entries)
{
    QDomDocument document;
    if (!readDocument(path, &document))
        return false;
    const QDomElement root = document.firstChildElement(QStringLiteral("apis"));
    entries->clear();
    for (const QString &section : {QStringLiteral("function"), QStringLiteral("keyword")}) {
        const QDomNodeList nodes = root.firstChildElement(section).childNodes();
        for (int i = 0; i < nodes.count(); ++i)
            entries->append(nodes.at(i).toElement().text());
    }
    return true;
}
