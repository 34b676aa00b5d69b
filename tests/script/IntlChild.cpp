// Runs expressions in a fresh engine with IntlLibrary, in a process of its own so that each run has its own time
// zone (TZ): reads a JSON array of expression texts on standard input and writes a JSON array of what each gave
// (its JSON text, or "throws " and the error's name).
#include "script/IntlLibrary.h"

#include <QCoreApplication>
#include <QFile>
#include <QJSEngine>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly))
        return 2;
    QJSEngine engine;
    IntlLibrary library(&engine);
    const QJSValue texts = engine.evaluate(QStringLiteral("(") + QString::fromUtf8(input.readAll())
                                           + QStringLiteral(")"));
    QJSValue run = engine.evaluate(QStringLiteral(
        "(function (text) { try { var v = (0, eval)(text); return v === undefined ? 'undefined' : JSON.stringify(v); }"
        " catch (e) { return 'throws ' + (e && e.name); } })"));
    QJSValue results = engine.newArray();
    const quint32 count = texts.property(QStringLiteral("length")).toUInt();
    for (quint32 i = 0; i < count; ++i) {
        const QJSValue text = texts.property(i);
        library.prepareFor(text.toString());
        results.setProperty(i, run.call({text}));
    }
    QJSValue json = engine.globalObject().property(QStringLiteral("JSON")).property(QStringLiteral("stringify"));
    std::fputs(json.call({results}).toString().toUtf8().constData(), stdout);
    return 0;
}
