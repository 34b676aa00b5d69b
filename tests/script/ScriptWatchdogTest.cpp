// The watchdog that interrupts runaway scripts.
#include "TestSupport.h"

#include "script/ScriptWatchdog.h"

#include <QElapsedTimer>
#include <QJSEngine>
#include <QTest>

class ScriptWatchdogTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void interruptsRunawayScripts_data();
    void interruptsRunawayScripts();
    void noLimitLetsSlowScriptsFinish();
    void quickScriptIsNotInterrupted();
    void nestedScopeSharesTheOuterDeadline();
    void deepRecursionIsARangeError();
};

void ScriptWatchdogTest::cleanup()
{
    TestSupport::verifyNoWindowsLeft();
}

void ScriptWatchdogTest::interruptsRunawayScripts_data()
{
    QTest::addColumn<QString>("script");
    QTest::newRow("while") << "while (true) {}";
    QTest::newRow("for") << "for (;;) {}";
    QTest::newRow("inside function") << "function f() { for (;;) {} } f()";
    QTest::newRow("exponential recursion") << "function g(n) { return n > 40 ? 0 : g(n + 1) + g(n + 1); } g(0)";
    QTest::newRow("caught and looping again") << "try { while (true) {} } catch (e) {} while (true) {}";
    QTest::newRow("getter") << "var o = {get x() { while (true) {} }}; o.x";
}

void ScriptWatchdogTest::interruptsRunawayScripts()
{
    QFETCH(QString, script);
    QJSEngine engine;
    ScriptWatchdog watchdog;
    watchdog.setLimit(1);
    QElapsedTimer clock;
    clock.start();
    ScriptWatchdog::Scope scope(watchdog, &engine);
    const QJSValue result = engine.evaluate(script);
    QVERIFY(scope.finish());
    QVERIFY(result.isError());
    // The limit is 1 s and the interruption came within 50 ms of it, loaded or not; the bound is 15 times that, so
    // it only catches a watchdog that fires far too late.
    QVERIFY2(clock.elapsed() < 15000, "the interruption took far longer than the limit");

    // The engine works again afterwards, with or without a new scope.
    QCOMPARE(engine.evaluate(QStringLiteral("1 + 2")).toInt(), 3);
    ScriptWatchdog::Scope again(watchdog, &engine);
    QCOMPARE(engine.evaluate(QStringLiteral("[1, 2].length")).toInt(), 2);
    QVERIFY(!again.finish());
}

void ScriptWatchdogTest::noLimitLetsSlowScriptsFinish()
{
    QJSEngine engine;
    ScriptWatchdog watchdog;
    watchdog.setLimit(0);
    ScriptWatchdog::Scope scope(watchdog, &engine);
    const QJSValue result = engine.evaluate(QStringLiteral("var t = Date.now(); while (Date.now() - t < 1300) {} 'done'"));
    QVERIFY(!scope.finish());
    QCOMPARE(result.toString(), QStringLiteral("done"));
}

void ScriptWatchdogTest::quickScriptIsNotInterrupted()
{
    QJSEngine engine;
    ScriptWatchdog watchdog;
    watchdog.setLimit(1);
    for (int i = 0; i < 50; ++i) {
        ScriptWatchdog::Scope scope(watchdog, &engine);
        QCOMPARE(engine.evaluate(QStringLiteral("6 * 7")).toInt(), 42);
        QVERIFY(!scope.finish());
    }
    // Disarmed: a later slow script without a scope runs to its end.
    QCOMPARE(engine.evaluate(QStringLiteral("var t = Date.now(); while (Date.now() - t < 1300) {} 1")).toInt(), 1);
}

void ScriptWatchdogTest::nestedScopeSharesTheOuterDeadline()
{
    QJSEngine engine;
    ScriptWatchdog watchdog;
    watchdog.setLimit(1);
    ScriptWatchdog::Scope outer(watchdog, &engine);
    {
        ScriptWatchdog::Scope inner(watchdog, &engine);
        QVERIFY(!inner.finish());
    }
    QVERIFY(engine.evaluate(QStringLiteral("while (true) {}")).isError());
    QVERIFY(outer.finish());
}

void ScriptWatchdogTest::deepRecursionIsARangeError()
{
    QJSEngine engine;
    const QJSValue result = engine.evaluate(QStringLiteral("function r(n) { return r(n + 1) + 1; } r(0)"));
    QVERIFY(result.isError());
    QCOMPARE(result.property(QStringLiteral("name")).toString(), QStringLiteral("RangeError"));
}

QTEST_MAIN(ScriptWatchdogTest)
#include "ScriptWatchdogTest.moc"
