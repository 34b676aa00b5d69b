#include "script/SourceMap.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace {

const QString inlinePrefix = QStringLiteral("//# sourceMappingURL=data:application/json;base64,");

// The value of one base64 digit, or -1.
int base64Digit(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

} // namespace

SourceMap SourceMap::fromInline(const QString &generated)
{
    const int at = generated.lastIndexOf(inlinePrefix);
    if (at < 0)
        return SourceMap();
    const int start = at + inlinePrefix.size();
    int end = start;
    while (end < generated.size() && !generated.at(end).isSpace())
        ++end;
    return fromJson(QByteArray::fromBase64(generated.mid(start, end - start).toLatin1()));
}

SourceMap SourceMap::fromJson(const QByteArray &json)
{
    SourceMap map;
    const QJsonObject object = QJsonDocument::fromJson(json).object();
    if (object.value(QStringLiteral("version")).toInt() != 3)
        return map;
    map.valid = map.decode(object.value(QStringLiteral("mappings")).toString().toLatin1());
    return map;
}

bool SourceMap::decode(const QByteArray &mappings)
{
    // Each generated line is a ';'-separated group of ','-separated segments; a segment is 1, 4 or 5 base64 VLQ
    // numbers: generated column, source index, original line, original column, name index. All but the generated
    // column are relative to the previous segment anywhere in the map.
    int originalLine = 0;
    int fields[5] = {0, 0, 0, 0, 0};
    int field = 0;
    int value = 0;
    int shift = 0;
    // The original lines of the current generated line's segments, in order.
    QVector<int> segments;
    lines.clear();
    const auto endSegment = [&] {
        if (field >= 4) {
            originalLine += fields[2];
            segments.append(originalLine);
        } else if (field != 0 && field != 1) {
            return false;
        }
        field = 0;
        return true;
    };
    // A generated line stands for the original line most of its segments come from: a line often starts with a
    // piece the generator put there (a parenthesis, a temporary) that borrows an earlier line's position.
    const auto endLine = [&] {
        int best = -1;
        int bestCount = 0;
        for (int i = 0; i < segments.size(); ++i) {
            const int count = int(std::count(segments.cbegin() + i, segments.cend(), segments.at(i)));
            if (count > bestCount) {
                best = segments.at(i);
                bestCount = count;
            }
        }
        lines.append(best);
        segments.clear();
    };
    for (const char c : mappings) {
        if (c == ';' || c == ',') {
            if (!endSegment())
                return false;
            if (c == ';')
                endLine();
            continue;
        }
        const int digit = base64Digit(c);
        if (digit < 0 || shift > 30 || field >= 5)
            return false;
        value |= (digit & 31) << shift;
        if (digit & 32) {
            shift += 5;
            continue;
        }
        // The lowest bit is the sign.
        fields[field++] = (value & 1) ? -(value >> 1) : (value >> 1);
        value = 0;
        shift = 0;
    }
    if (shift != 0 || !endSegment())
        return false;
    endLine();
    return true;
}

int SourceMap::originalLine(int generatedLine) const
{
    if (generatedLine < 1 || generatedLine > lines.size())
        return 0;
    const int line = lines.at(generatedLine - 1);
    return line < 0 ? 0 : line + 1;
}
