// The output log's line format, literal text, line breaks, order and scrolling.
#include "TestSupport.h"

#include "app/OutputLog.h"

#include <QAbstractTextDocumentLayout>
#include <QDateTime>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextLayout>

class OutputLogTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void colours_data();
    void colours();
    void textIsLiteral_data();
    void textIsLiteral();
    void lineBreakStaysInOneEntry_data();
    void lineBreakStaysInOneEntry();
    void timestampIsNow();
    void batchKeepsOrderAndContent();
    void followsTheEnd();
    void keepsEveryLine();
    void hugeTextIsShortened();
    void floodIsLaidOutInTheBackgroundAndFollowed();
    void readerAboveTheEndStaysDuringBackgroundLayout();
    void scrollbackIsBounded_data();
    void scrollbackIsBounded();
};

void OutputLogTest::cleanup()
{
    TestSupport::verifyNoWindowsLeft();
}

void OutputLogTest::colours_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QColor>("expected");
    QTest::newRow("information in black") << int(OutputLog::Kind::Info) << QColor(0, 0, 0);
    QTest::newRow("errors in red") << int(OutputLog::Kind::Error) << QColor(255, 0, 0);
    QTest::newRow("results in green") << int(OutputLog::Kind::Success) << QColor(0, 128, 0);
    QTest::newRow("console output in blue") << int(OutputLog::Kind::Console) << QColor(0, 0, 255);
}

void OutputLogTest::colours()
{
    QFETCH(int, kind);
    QFETCH(QColor, expected);
    QTextBrowser browser;
    OutputLog log(&browser);
    log.append(OutputLog::Kind::Info, QStringLiteral("first"));
    log.append(static_cast<OutputLog::Kind>(kind), QStringLiteral("编译错误：x"));
    const auto entries = TestSupport::entries(&browser);
    QCOMPARE(entries.size(), 2);
    QCOMPARE(entries.at(1).text, QStringLiteral("编译错误：x"));
    QCOMPARE(entries.at(1).colour, expected);
    // The whole entry, timestamp included, is in the line's colour.
    const QTextBlock block = browser.document()->lastBlock();
    for (auto it = block.begin(); !it.atEnd(); ++it)
        QCOMPARE(it.fragment().charFormat().foreground().color(), expected);
}

void OutputLogTest::textIsLiteral_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("markup") << QStringLiteral("<b>x</b> & <i>y</i>");
    QTest::newRow("comparison") << QStringLiteral("a<b && c>d");
    QTest::newRow("entity") << QStringLiteral("&lt;&amp;&quot;");
    QTest::newRow("quotes") << QStringLiteral("\"double\" 'single'");
    QTest::newRow("percent markers") << QStringLiteral("%1 and %2 stay");
    QTest::newRow("html comment") << QStringLiteral("<!-- hidden -->shown");
    QTest::newRow("empty") << QString();
}

void OutputLogTest::textIsLiteral()
{
    QFETCH(QString, text);
    QTextBrowser browser;
    OutputLog log(&browser);
    log.append(OutputLog::Kind::Console, text);
    const auto entries = TestSupport::entries(&browser);
    QCOMPARE(entries.size(), 1);
    QCOMPARE(entries.at(0).text, text);
    QCOMPARE(browser.document()->lastBlock().text(), entries.at(0).timestamp + QStringLiteral(" : ") + text);
}

void OutputLogTest::lineBreakStaysInOneEntry_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("LF") << QStringLiteral("Error: x\n@:1\n%entry@:1");
    QTest::newRow("CRLF") << QStringLiteral("Error: x\r\n@:1\r\n%entry@:1");
    QTest::newRow("CR") << QStringLiteral("Error: x\r@:1\r%entry@:1");
}

void OutputLogTest::lineBreakStaysInOneEntry()
{
    QFETCH(QString, text);
    QTextBrowser browser;
    OutputLog log(&browser);
    log.append(OutputLog::Kind::Error, text);
    log.append(OutputLog::Kind::Error, QStringLiteral("next"));
    QCOMPARE(TestSupport::entryCount(&browser), 2);
    const QStringList lines = TestSupport::texts(&browser).first().split(QChar::LineSeparator);
    QCOMPARE(lines, (QStringList{QStringLiteral("Error: x"), QStringLiteral("@:1"), QStringLiteral("%entry@:1")}));
}

void OutputLogTest::timestampIsNow()
{
    QTextBrowser browser;
    OutputLog log(&browser);
    const QDateTime before = QDateTime::currentDateTime().addMSecs(-1000);
    log.append(OutputLog::Kind::Info, QStringLiteral("x"));
    const QDateTime after = QDateTime::currentDateTime();
    const QString stamp = TestSupport::entries(&browser).at(0).timestamp;
    QVERIFY(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$")).match(stamp).hasMatch());
    const QDateTime parsed = QDateTime::fromString(stamp, QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    QVERIFY2(parsed >= before && parsed <= after, qPrintable(stamp));
}

void OutputLogTest::batchKeepsOrderAndContent()
{
    QTextBrowser browser;
    OutputLog log(&browser);
    log.append(OutputLog::Kind::Info, QStringLiteral("before"));
    {
        OutputLog::Batch batch(log);
        for (int i = 0; i < 5; ++i) {
            log.append(i % 2 ? OutputLog::Kind::Console : OutputLog::Kind::Success, QString::number(i));
            // Each line is in the document at once, while the batch is still open.
            QCOMPARE(TestSupport::texts(&browser).last(), QString::number(i));
        }
        OutputLog::Batch nested(log);
        log.append(OutputLog::Kind::Error, QStringLiteral("nested"));
    }
    log.append(OutputLog::Kind::Info, QStringLiteral("after"));
    QCOMPARE(TestSupport::texts(&browser), (QStringList{QStringLiteral("before"), QStringLiteral("0"), QStringLiteral("1"),
                                                        QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"),
                                                        QStringLiteral("nested"), QStringLiteral("after")}));
    QCOMPARE(TestSupport::entries(&browser).at(2).colour, QColor(Qt::blue));
}

void OutputLogTest::followsTheEnd()
{
    QTextBrowser browser;
    browser.resize(300, 120);
    browser.show();
    QVERIFY(QTest::qWaitForWindowExposed(&browser));
    OutputLog log(&browser);
    {
        OutputLog::Batch batch(log);
        for (int i = 0; i < 200; ++i)
            log.append(OutputLog::Kind::Console, QString::number(i));
    }
    QScrollBar *bar = browser.verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    QCOMPARE(bar->value(), bar->maximum());

    // A reader who scrolled up stays where they are.
    bar->setValue(0);
    log.append(OutputLog::Kind::Console, QStringLiteral("more"));
    QCOMPARE(bar->value(), 0);
}

void OutputLogTest::keepsEveryLine()
{
    QTextBrowser browser;
    OutputLog log(&browser);
    OutputLog::Batch batch(log);
    for (int i = 0; i < 20000; ++i)
        log.append(OutputLog::Kind::Console, QString::number(i));
    QCOMPARE(TestSupport::entryCount(&browser), 20000);
    QCOMPARE(browser.document()->findBlockByNumber(12345).text().section(QStringLiteral(" : "), 1),
             QStringLiteral("12345"));
}

void OutputLogTest::hugeTextIsShortened()
{
    QTextBrowser browser;
    browser.show();
    OutputLog log(&browser);
    const QString exact(OutputLog::maxTextLength, QLatin1Char('a'));
    log.append(OutputLog::Kind::Console, exact);
    QCOMPARE(TestSupport::texts(&browser).last(), exact);
    QElapsedTimer clock;
    clock.start();
    log.append(OutputLog::Kind::Console, QString(2000000, QLatin1Char('x')));
    QCoreApplication::processEvents();
    // About 0.7 s here, up to 4.5 s on a loaded machine: the bound only catches a hang.
    QVERIFY2(clock.elapsed() < 30000, "a huge entry froze the log");
    const QString shown = TestSupport::texts(&browser).last();
    QCOMPARE(shown, QString(OutputLog::maxTextLength, QLatin1Char('x'))
                        + QStringLiteral(" ...(已省略%1个字符)").arg(2000000 - OutputLog::maxTextLength));
}

namespace {

bool laidOut(const QTextBlock &block)
{
    return block.layout() && block.layout()->lineCount() > 0;
}

} // namespace

void OutputLogTest::floodIsLaidOutInTheBackgroundAndFollowed()
{
    QTextBrowser browser;
    browser.resize(400, 200);
    browser.show();
    QVERIFY(QTest::qWaitForWindowExposed(&browser));
    OutputLog log(&browser);
    log.append(OutputLog::Kind::Info, QStringLiteral("welcome"));
    {
        OutputLog::Batch batch(log);
        for (int i = 0; i < 20000; ++i)
            log.append(OutputLog::Kind::Console, QStringLiteral("Log：%1").arg(i));
    }
    // Every line is in the document at once...
    QCOMPARE(TestSupport::entryCount(&browser), 20001);
    QCOMPARE(TestSupport::texts(&browser).last(), QStringLiteral("Log：19999"));
    // ...and the view gets to the end once the background layout has run.
    // The layout takes about 0.4 s here (1.5 s with sanitizers on a loaded machine): the bound only catches a hang.
    QScrollBar *bar = browser.verticalScrollBar();
    QTRY_VERIFY_WITH_TIMEOUT(laidOut(browser.document()->lastBlock()), 20000);
    // The scroll range follows the layout's size on a timer of its own, and the end of a range still short of the
    // document is no proof: wait for the range to span the whole document first.
    const QAbstractTextDocumentLayout *layout = browser.document()->documentLayout();
    QTRY_VERIFY(bar->maximum() + bar->pageStep() >= layout->documentSize().toSize().height());
    QTRY_COMPARE(bar->value(), bar->maximum());
    QVERIFY(bar->maximum() > 20000 * 5);
    QVERIFY(laidOut(browser.document()->findBlockByNumber(10000)));
}

void OutputLogTest::readerAboveTheEndStaysDuringBackgroundLayout()
{
    QTextBrowser browser;
    browser.resize(400, 200);
    browser.show();
    QVERIFY(QTest::qWaitForWindowExposed(&browser));
    OutputLog log(&browser);
    for (int i = 0; i < 100; ++i)
        log.append(OutputLog::Kind::Info, QString::number(i));
    QScrollBar *bar = browser.verticalScrollBar();
    bar->setValue(bar->maximum() / 2);
    const int position = bar->value();
    {
        OutputLog::Batch batch(log);
        for (int i = 0; i < 5000; ++i)
            log.append(OutputLog::Kind::Console, QString::number(i));
    }
    // About 0.1 s (0.7 s with sanitizers on a loaded machine).
    QTRY_VERIFY_WITH_TIMEOUT(laidOut(browser.document()->lastBlock()), 20000);
    QCOMPARE(bar->value(), position);
}

void OutputLogTest::scrollbackIsBounded_data()
{
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("length");
    QTest::newRow("entries") << OutputLog::maxEntries * 2 << 10;
    QTest::newRow("characters") << 200 << OutputLog::maxTextLength;
}

void OutputLogTest::scrollbackIsBounded()
{
    QFETCH(int, lines);
    QFETCH(int, length);
    QTextBrowser browser;
    OutputLog log(&browser);
    {
        OutputLog::Batch batch(log);
        for (int i = 0; i < lines; ++i)
            log.append(OutputLog::Kind::Console, QString::number(i).leftJustified(length, QLatin1Char('.')));
    }
    QTextDocument *document = browser.document();
    QVERIFY2(document->blockCount() <= OutputLog::maxEntries + OutputLog::maxEntries / 10,
             qPrintable(QString::number(document->blockCount())));
    QVERIFY2(document->characterCount() <= OutputLog::maxCharacters + length + 32,
             qPrintable(QString::number(document->characterCount())));
    // The oldest went, the newest are all there, in order.
    const QStringList texts = TestSupport::texts(&browser);
    QVERIFY(texts.size() < lines);
    for (int i = 0; i < texts.size(); ++i)
        QCOMPARE(texts.at(i).section(QLatin1Char('.'), 0, 0), QString::number(lines - texts.size() + i));
}

QTEST_MAIN(OutputLogTest)
#include "OutputLogTest.moc"
