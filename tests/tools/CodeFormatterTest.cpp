// The formatter on its own: each format gets an engine of its own, and a runaway format ends at the time limit.
#include "script/ScriptWatchdog.h"
#include "tools/CodeFormatter.h"

#include <QFile>
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
    void eachFormatGetsAFreshEngine();
    void watchdogStopsARunawayFormat();
};

void CodeFormatterTest::initTestCase()
{
    registerResources();
    QVERIFY(QFile::exists(QStringLiteral(":/hex/res/js_format.js")));
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
