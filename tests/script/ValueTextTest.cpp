// The display text of script values.
#include "TestSupport.h"

#include "script/ValueText.h"

#include <QElapsedTimer>
#include <QJSEngine>
#include <QTest>

class ValueTextTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void forms_data();
    void forms();
    void hugeListsStopAfterLimit_data();
    void hugeListsStopAfterLimit();
    void throwingGetterDoesNotCrash();
};

void ValueTextTest::cleanup()
{
    TestSupport::verifyNoWindowsLeft();
}

void ValueTextTest::forms_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty array") << "[]" << "(0) []";
    QTest::newRow("empty object") << "({})" << "(0) {}";
    QTest::newRow("mixed array") << R"([1, "a", [2, 3], {x: 1}])" << R"((4) [1 ,"a" ,Array(2) ,[object Object]])";
    QTest::newRow("nested empty array") << "[[]]" << "(1) [Array(0)]";
    QTest::newRow("hole") << "[1, , 3]" << "(3) [1 ,undefined ,3]";
    QTest::newRow("object members") << R"(({a: 1, b: "x", k: [1, 2], d: null}))"
                                    << R"((4) {a: 1 ,b: "x" ,k: Array(2) ,d: null})";
    QTest::newRow("nested object") << "({o: {p: 1}})" << "(1) {o: [object Object]}";
    QTest::newRow("string") << "'ab'" << "\"ab\"";
    QTest::newRow("empty string") << "''" << "\"\"";
    QTest::newRow("string with quote and break") << R"('say "hi"\nnow')" << "\"say \"hi\"\nnow\"";
    QTest::newRow("string with markers") << "'%1 %2'" << "\"%1 %2\"";
    QTest::newRow("integer") << "42" << "42";
    QTest::newRow("fraction") << "0.5" << "0.5";
    QTest::newRow("true") << "true" << "true";
    QTest::newRow("null") << "null" << "null";
    QTest::newRow("undefined") << "undefined" << "undefined";
    QTest::newRow("NaN") << "NaN" << "NaN";
    QTest::newRow("-Infinity") << "-Infinity" << "-Infinity";
    QTest::newRow("large number") << "1e21" << "1e+21";
    QTest::newRow("one element") << "[7]" << "(1) [7]";
    QTest::newRow("array with named property") << "(function(){var a=[1,2]; a.extra=3; return a;})()" << "(2) [1 ,2]";
    QTest::newRow("numeric names") << "({1: 'a', 2: 'b'})" << R"((2) {1: "a" ,2: "b"})";
    QTest::newRow("member string with markers") << "['%2']" << R"((1) ["%2"])";
    QTest::newRow("member function") << "[function f() {}]" << "(1) [function f() { [native code] }]";
    QTest::newRow("function takes object form") << "(function g(p) {})"
                                                << "(3) {prototype: [object Object] ,name: \"g\" ,length: 1}";
    QTest::newRow("getter runs") << "({get v() { return 5; }})" << "(1) {v: 5}";
    QTest::newRow("member with toString") << "[{toString: function () { return 'T'; }}]" << "(1) [T]";
}

void ValueTextTest::forms()
{
    QFETCH(QString, script);
    QFETCH(QString, expected);
    QJSEngine engine;
    const QJSValue value = engine.evaluate(script);
    QVERIFY2(!value.isError(), qPrintable(value.toString()));
    QCOMPARE(valueText(value), expected);
}

void ValueTextTest::hugeListsStopAfterLimit_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("count");  // what the parentheses show
    QTest::addColumn<int>("listed");     // entries listed, -1 when the text length stopped the list
    QTest::newRow("length 4e9") << "var a = []; a.length = 4e9; a" << "4000000000" << -1;
    QTest::newRow("10001 elements") << "var b = []; for (var i = 0; i < 10001; i++) b.push(i); b" << "10001"
                                    << int(valueTextElementLimit);
    QTest::newRow("exactly the limit") << "var c = []; for (var i = 0; i < 10000; i++) c.push(i); c" << "10000" << 10000;
    QTest::newRow("typed array") << "new Uint8Array(1e7)" << "10000+" << int(valueTextElementLimit);
    QTest::newRow("object of 20000 keys") << "var o = {}; for (var i = 0; i < 20000; i++) o[i] = 0; o"
                                          << "10000+" << int(valueTextElementLimit);
    QTest::newRow("long strings") << "var s = 'x'.repeat(30000); [s, s, s, s, s, s]" << "6" << -1;
}

void ValueTextTest::hugeListsStopAfterLimit()
{
    QFETCH(QString, script);
    QFETCH(QString, count);
    QFETCH(int, listed);
    QJSEngine engine;
    const QJSValue value = engine.evaluate(script);
    const QString text = valueText(value);
    const bool array = value.isArray();
    const QString open = QStringLiteral("(%1) ").arg(count) + (array ? QLatin1Char('[') : QLatin1Char('{'));
    QVERIFY2(text.startsWith(open), qPrintable(text.left(100)));
    QVERIFY(text.endsWith(array ? QLatin1Char(']') : QLatin1Char('}')));
    const QString list = text.mid(open.size(), text.size() - open.size() - 1);
    const QStringList items = list.split(QStringLiteral(" ,"));
    const bool cut = listed < 0 || count.endsWith(QLatin1Char('+')) || quint64(count.toULongLong()) > quint64(listed);
    if (cut)
        QCOMPARE(items.last(), QStringLiteral("..."));
    if (listed >= 0)
        QCOMPARE(items.size(), listed + (cut ? 1 : 0));
    else
        QVERIFY2(list.size() < valueTextLengthLimit + 40000, qPrintable(QString::number(list.size())));
}

void ValueTextTest::throwingGetterDoesNotCrash()
{
    QJSEngine engine;
    const QJSValue value = engine.evaluate(QStringLiteral("({a: 1, get b() { throw new Error('boom'); }, c: 3})"));
    const QString text = valueText(value);
    QVERIFY2(text.startsWith(QStringLiteral("(3) {a: 1 ,b: ")), qPrintable(text));
    QVERIFY2(text.endsWith(QStringLiteral(" ,c: 3}")), qPrintable(text));
}

QTEST_MAIN(ValueTextTest)
#include "ValueTextTest.moc"
