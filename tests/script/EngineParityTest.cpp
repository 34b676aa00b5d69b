// User code runs through the workbench's runner exactly as QJSEngine::evaluate runs it: the same outcome for every
// script of the project's own corpus (the npm packages it installs, the benchmark corpus when it was fetched, its own
// resources). The runner once compiled with the engine's fast property lookups, which broke a library that ran here.
#include "TestSupport.h"

#include "script/ScriptRunner.h"
#include "script/ScriptWatchdog.h"

#include <QDirIterator>
#include <QFile>
#include <QJSEngine>
#include <QTest>

class EngineParityTest : public QObject
{
    Q_OBJECT

private slots:
    void sameOutcomeAsEvaluate_data();
    void sameOutcomeAsEvaluate();
};

void EngineParityTest::sameOutcomeAsEvaluate_data()
{
    QTest::addColumn<QString>("program");
    // The strict-mode assignment that the fast lookups broke (immutable.js 4.3.4 failed at it).
    QTest::newRow("strict __proto__ assignment")
        << "(function () { 'use strict'; function K() {} K.__proto__ = function () {}; return typeof K; })()";
    QTest::newRow("thrown string") << "throw 'x';";
    int files = 0;
    for (const QString &root : {QStringLiteral(VELMORA_SOURCE_DIR "/node_modules"), QStringLiteral(VELMORA_SOURCE_DIR "/res"),
                                QStringLiteral(VELMORA_BUILD_DIR "/bench/corpus")}) {
        QDirIterator it(root, {QStringLiteral("*.js")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QFile file(path);
            if (file.size() > 1024 * 1024 || !file.open(QIODevice::ReadOnly))
                continue;
            QTest::newRow(qPrintable(path.mid(root.size() - root.section(QLatin1Char('/'), -1).size())))
                << QString::fromUtf8(file.readAll());
            ++files;
        }
    }
    QVERIFY2(files > 50, "the corpus is missing: run npm ci (./velmora.sh does)");
}

void EngineParityTest::sameOutcomeAsEvaluate()
{
    QFETCH(QString, program);
    QJSEngine reference;
    const QJSValue expected = reference.evaluate(program);

    ScriptWatchdog watchdog;
    ScriptRunner runner(watchdog);
    QJSEngine engine;
    const ScriptOutcome outcome = runner.evaluate(&engine, program, nullptr);
    QVERIFY(outcome.kind != ScriptOutcome::Kind::Interrupted);
    // QJSEngine::evaluate hands back what was thrown as the value; the runner tells it apart.
    const QString text = outcome.kind == ScriptOutcome::Kind::Error ? outcome.text : outcome.value.toString();
    QCOMPARE(text, expected.toString());
    if (expected.isError())
        QCOMPARE(outcome.lineNumber, expected.property(QStringLiteral("lineNumber")).toInt());
}

QTEST_MAIN(EngineParityTest)
#include "EngineParityTest.moc"
