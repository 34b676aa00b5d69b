// The formatter on its own: how its engine is set up for speed changes nothing of what comes out or of how a
// runaway format ends.
#include "script/ScriptWatchdog.h"
#include "tools/CodeFormatter.h"

#include <QFile>
#include <QJSEngine>
#include <QTest>

static void registerResources()
{
    Q_INIT_RESOURCE(js_format);
}

class CodeFormatterTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void sameOutputAsAnEvaluatedBeautifier();
    void eachFormatGetsAFreshEngine();
    void watchdogStopsARunawayFormat();

private:
    // js-beautify's own source, as the resource holds it: 115 KB of real code.
    QString resourceText() const;
    // What the beautifier gives for source when its resource runs through a plain evaluate().
    QString formattedByEvaluate(const QString &source) const;
};

void CodeFormatterTest::initTestCase()
{
    registerResources();
    QVERIFY(!resourceText().isEmpty());
}

QString CodeFormatterTest::resourceText() const
{
    QFile resource(QStringLiteral(":/hex/res/js_format.js"));
    return resource.open(QIODevice::ReadOnly) ? QString::fromUtf8(resource.readAll()) : QString();
}

QString CodeFormatterTest::formattedByEvaluate(const QString &source) const
{
    QJSEngine engine;
    engine.evaluate(resourceText());
    return engine.globalObject()
        .property(QStringLiteral("js_beautify"))
        .call({QJSValue(source), QJSValue(1), QJSValue(QStringLiteral("\t"))})
        .toString();
}

void CodeFormatterTest::sameOutputAsAnEvaluatedBeautifier()
{
    const QString source = resourceText();
    CodeFormatter formatter;
    ScriptWatchdog watchdog;
    const CodeFormatter::Result result = formatter.format(source, watchdog);
    QCOMPARE(int(result.status), int(CodeFormatter::Status::Ok));
    QVERIFY(result.text != source);
    QCOMPARE(result.text, formattedByEvaluate(source));
}

void CodeFormatterTest::eachFormatGetsAFreshEngine()
{
    CodeFormatter formatter;
    ScriptWatchdog watchdog;
    QVERIFY(formatter.prepare());
    QVERIFY(formatter.prepared());
    const QString source = QStringLiteral("function f(a){if(a){return [1,2].map(function(x){return x*2})}}");
    const CodeFormatter::Result first = formatter.format(source, watchdog);
    QVERIFY(!formatter.prepared());
    const CodeFormatter::Result second = formatter.format(source, watchdog);
    QCOMPARE(int(first.status), int(CodeFormatter::Status::Ok));
    QCOMPARE(second.text, first.text);
    QCOMPARE(first.text, QStringLiteral("function f(a) {\n\tif (a) {\n\t\treturn [1, 2].map(function(x) {\n"
                                        "\t\t\treturn x * 2\n\t\t})\n\t}\n}"));
}

void CodeFormatterTest::watchdogStopsARunawayFormat()
{
    // js-beautify looks for "<!--" from every "<" to the end of the text: on a megabyte of comparisons that
    // takes far longer than the limit.
    const QString source = QStringLiteral("a < b;\n").repeated(150000);
    CodeFormatter formatter;
    ScriptWatchdog watchdog;
    watchdog.setLimit(1);
    const CodeFormatter::Result result = formatter.format(source, watchdog);
    QVERIFY(result.interrupted);
    QCOMPARE(int(result.status), int(CodeFormatter::Status::Failed));
    QCOMPARE(result.error, QStringLiteral("Error: Interrupted"));
    QVERIFY(result.text.isEmpty());

    // The next format gets an engine that was never interrupted.
    const CodeFormatter::Result next = formatter.format(QStringLiteral("a<b"), watchdog);
    QCOMPARE(int(next.status), int(CodeFormatter::Status::Ok));
    QCOMPARE(next.text, QStringLiteral("a < b"));
}

QTEST_GUILESS_MAIN(CodeFormatterTest)
#include "CodeFormatterTest.moc"
