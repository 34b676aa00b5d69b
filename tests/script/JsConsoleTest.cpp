// The script-visible console: labels, overloads by argument count, assert's truth rules, one message per call.
#include <cassert> // the standard macro must keep working next to the console's "assert"

#include "script/JsConsole.h"
#include "TestSupport.h"

#include <QJSEngine>
#include <QMetaMethod>
#include <QSignalSpy>
#include <QTest>

class JsConsoleTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void messages_data();
    void messages();
    void assertTruth_data();
    void assertTruth();
    void slotsByIndex();
    void standardAssertMacroStillWorks();
    void reentryIsBounded_data();
    void reentryIsBounded();
};

void JsConsoleTest::cleanup()
{
    TestSupport::verifyNoWindowsLeft();
}

namespace {

struct Console
{
    QJSEngine engine;
    JsConsole console{nullptr};
    QSignalSpy spy{&console, &JsConsole::onMsg};

    Console() { engine.globalObject().setProperty(QStringLiteral("console"), engine.newQObject(&console)); }

    QStringList run(const QString &script, QJSValue *result = nullptr)
    {
        const QJSValue value = engine.evaluate(script);
        if (result)
            *result = value;
        QStringList texts;
        for (const QList<QVariant> &args : qAsConst(spy))
            texts << args.at(0).toString();
        spy.clear();
        return texts;
    }
};

} // namespace

void JsConsoleTest::messages_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<bool>("throws");
    QTest::newRow("log one") << "console.log(1)" << QStringList{"Log：1"} << false;
    QTest::newRow("log four uses three") << "console.log(1, 2, 3, 4)" << QStringList{"Log：1 2 3"} << false;
    QTest::newRow("log two") << "console.log('a', [1])" << QStringList{"Log：\"a\" (1) [1]"} << false;
    QTest::newRow("info string") << "console.info('hi')" << QStringList{"info：\"hi\""} << false;
    QTest::newRow("debug array object") << "console.debug([1, 2], {})" << QStringList{"debug：(2) [1 ,2] (0) {}"} << false;
    QTest::newRow("print undefined null") << "console.print(undefined, null)" << QStringList{"print：undefined null"} << false;
    QTest::newRow("print three") << "console.print(1, 'b', true)" << QStringList{"print：1 \"b\" true"} << false;
    QTest::newRow("assert true") << "console.assert(true, 'ok')" << QStringList{"assert：\"ok\""} << false;
    QTest::newRow("assert false") << "console.assert(1 > 2, 'bad')" << QStringList{} << false;
    QTest::newRow("assert zero") << "console.assert(0, 1, 2)" << QStringList{} << false;
    QTest::newRow("assert object true") << "console.assert({}, 7)" << QStringList{"assert：7"} << false;
    QTest::newRow("assert three values") << "console.assert(1, 'a', 'b', 'c')" << QStringList{"assert：\"a\" \"b\" \"c\""} << false;
    QTest::newRow("assert five uses four") << "console.assert(1, 2, 3, 4, 5)" << QStringList{"assert：2 3 4"} << false;
    QTest::newRow("log no argument") << "console.log()" << QStringList{} << true;
    QTest::newRow("assert one argument") << "console.assert(true)" << QStringList{} << true;
    QTest::newRow("markup not escaped") << "console.log('<b>x</b>')" << QStringList{"Log：\"<b>x</b>\""} << false;
    QTest::newRow("onMsg direct") << "console.onMsg('text')" << QStringList{"text"} << false;
    QTest::newRow("call order") << "console.log(1); console.info(2); console.debug(3)"
                                << QStringList{"Log：1", "info：2", "debug：3"} << false;
    QTest::newRow("fifth argument not converted")
        << "var n = 0; console.log(1, 2, 3, {toString: function () { n++; return 'x'; }}); console.log(n)"
        << QStringList{"Log：1 2 3", "Log：0"} << false;
}

void JsConsoleTest::messages()
{
    QFETCH(QString, script);
    QFETCH(QStringList, expected);
    QFETCH(bool, throws);
    Console c;
    QJSValue result;
    QCOMPARE(c.run(script, &result), expected);
    QCOMPARE(result.isError(), throws);
}

void JsConsoleTest::assertTruth_data()
{
    QTest::addColumn<QString>("condition");
    QTest::addColumn<bool>("prints");
    QTest::newRow("false") << "false" << false;
    QTest::newRow("0") << "0" << false;
    QTest::newRow("-0") << "-0" << false;
    QTest::newRow("NaN") << "NaN" << false;
    QTest::newRow("empty string") << "''" << false;
    QTest::newRow("null") << "null" << false;
    QTest::newRow("undefined") << "undefined" << false;
    QTest::newRow("true") << "true" << true;
    QTest::newRow("1") << "1" << true;
    QTest::newRow("'0'") << "'0'" << true;
    QTest::newRow("'false'") << "'false'" << true;
    QTest::newRow("empty array") << "[]" << true;
    QTest::newRow("empty object") << "({})" << true;
    QTest::newRow("function") << "(function () {})" << true;
}

void JsConsoleTest::assertTruth()
{
    QFETCH(QString, condition);
    QFETCH(bool, prints);
    Console c;
    QCOMPARE(c.run(QStringLiteral("console.assert(%1, 'm')").arg(condition)).size(), prints ? 1 : 0);
}

void JsConsoleTest::slotsByIndex()
{
    const QMetaObject &meta = JsConsole::staticMetaObject;
    QCOMPARE(QByteArray(meta.className()), QByteArray("JsConsole"));
    QStringList signatures;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i)
        signatures << QString::fromLatin1(meta.method(i).methodSignature());
    const QStringList expected = {
        "onMsg(QString)",
        "log(QJSValue)", "log(QJSValue,QJSValue)", "log(QJSValue,QJSValue,QJSValue)",
        "debug(QJSValue)", "debug(QJSValue,QJSValue)", "debug(QJSValue,QJSValue,QJSValue)",
        "print(QJSValue)", "print(QJSValue,QJSValue)", "print(QJSValue,QJSValue,QJSValue)",
        "info(QJSValue)", "info(QJSValue,QJSValue)", "info(QJSValue,QJSValue,QJSValue)",
        "assert(bool,QJSValue)", "assert(bool,QJSValue,QJSValue)", "assert(bool,QJSValue,QJSValue,QJSValue)"};
    QCOMPARE(signatures, expected);
    QCOMPARE(meta.method(meta.methodOffset() + 15).parameterNames().last(), QByteArray("msg2"));
    QCOMPARE(meta.method(meta.methodOffset() + 3).parameterNames().last(), QByteArray("msg3"));
}

void JsConsoleTest::standardAssertMacroStillWorks()
{
    JsConsole console(nullptr);
    QSignalSpy spy(&console, &JsConsole::onMsg);
    (console.assert)(true, QJSValue(5));
    assert(spy.count() == 1);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("assert：5"));
}

void JsConsoleTest::reentryIsBounded_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<int>("atMost");
    QTest::newRow("messages printed by the console") << "console.onMsg.connect(console.log); console.log('start')"
                                                    << JsConsole::maxNesting;
    QTest::newRow("signal connected to itself") << "console.onMsg.connect(console.onMsg); console.onMsg('x')" << 100000;
}

void JsConsoleTest::reentryIsBounded()
{
    QFETCH(QString, script);
    QFETCH(int, atMost);
    Console console;
    QJSValue result;
    const QStringList texts = console.run(script, &result);
    QVERIFY2(!result.isError(), qPrintable(result.toString()));
    QVERIFY(texts.size() > 1);
    QVERIFY2(texts.size() <= atMost, qPrintable(QString::number(texts.size())));
    // Once the chain has unwound, the console prints again.
    QCOMPARE(console.run(QStringLiteral("console.onMsg.disconnect(%1); console.info(1)")
                             .arg(script.contains(QStringLiteral("connect(console.log)")) ? QStringLiteral("console.log")
                                                                                         : QStringLiteral("console.onMsg"))),
             QStringList{"info：1"});
}

QTEST_MAIN(JsConsoleTest)
#include "JsConsoleTest.moc"
