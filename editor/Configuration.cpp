#include "editor/Configuration.h"

#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>

#include <limits>

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
    // checked first, by a reader that does neither.
    QXmlStreamReader reader(bytes);
    reader.setNamespaceProcessing(false);
    int depth = 0;
    qint64 text = 0;
    while (!reader.atEnd()) {
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
