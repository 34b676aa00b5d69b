#pragma once

#include <QString>
#include <QVector>

// Line mapping from a generated JavaScript text back to the text it was made from, read from the source map the
// generated text carries inline (a last line "//# sourceMappingURL=data:application/json;base64,..."), as esbuild
// writes it. The engine reports lines only, so only lines are mapped.
class SourceMap
{
public:
    SourceMap() = default;
    static SourceMap fromInline(const QString &generated);
    // The same, from the JSON text of a source map (version 3, one source).
    static SourceMap fromJson(const QByteArray &json);

    bool isValid() const { return valid; }
    // The original line (first line 1) that generated line (first line 1) was made from: the line of its first
    // mapped segment. 0 when the line maps to nothing (a helper the generator added).
    int originalLine(int generatedLine) const;

private:
    bool decode(const QByteArray &mappings);

    QVector<int> lines; // per generated line, the original line counted from 0, or -1
    bool valid = false;
};
