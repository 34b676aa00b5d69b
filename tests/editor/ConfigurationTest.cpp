// The three configuration files: what they set, and how hostile or odd files fall back to the defaults.
#include "TestSupport.h"

#include "app/VelmoraWindow.h"
#include "editor/Configuration.h"
#include "editor/FontFile.h"
#include "editor/QsciLexerJavaScriptPlus.h"
#include "script/ScriptWatchdog.h"

#include <Qsci/qsciapis.h>
#include <Qsci/qsciscintilla.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

class ConfigurationTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void readConf_data();
    void readConf();
    void readKeywords_data();
    void readKeywords();
    void readApisInDocumentOrder();
    void oversizedAndSpecialFilesArePassedOver();

    void noFilesGivesDefaults();
    void startUpWithCase_data();
    void startUpWithCase();
    void fontFileIsRegistered();
    void apiEntriesReachAutoCompletion();
    void timeoutElementSetsTheLimit();
    void boundsBeforeParsing_data();
    void boundsBeforeParsing();
    void fontFileReading_data();
    void fontFileReading();

private:
    QTemporaryDir *dir = nullptr;
    QString previousDir;
    void write(const QString &name, const QByteArray &content)
    {
        QFile file(dir->filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    void copyCase(const QString &caseName)
    {
        const QDir source(QStringLiteral(VELMORA_TEST_DATA "/config/") + caseName);
        QVERIFY2(source.exists(), qPrintable(caseName));
        for (const QString &name : source.entryList(QDir::Files))
            QVERIFY(QFile::copy(source.filePath(name), dir->filePath(name)));
    }
};

void ConfigurationTest::init()
{
    previousDir = QDir::currentPath();
    dir = new QTemporaryDir;
    QVERIFY(dir->isValid());
    QVERIFY(QDir::setCurrent(dir->path()));
}

void ConfigurationTest::cleanup()
{
    QDir::setCurrent(previousDir);
    delete dir;
    dir = nullptr;
    TestSupport::verifyNoWindowsLeft();
}

void ConfigurationTest::readConf_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("timeout");
    QTest::newRow("system") << QByteArray("<conf><font type=\"system\">Courier New</font></conf>") << true << "system" << "Courier New" << -1;
    QTest::newRow("type defaults to system") << QByteArray("<conf><font>Mono</font></conf>") << true << "system" << "Mono" << -1;
    QTest::newRow("path") << QByteArray("<conf><font type=\"path\">fonts/code.ttf</font></conf>") << true << "path" << "fonts/code.ttf" << -1;
    QTest::newRow("first font only") << QByteArray("<conf><font>A</font><font>B</font></conf>") << true << "system" << "A" << -1;
    QTest::newRow("blanks kept") << QByteArray("<conf><font> A B \n</font></conf>") << true << "system" << " A B \n" << -1;
    QTest::newRow("no font element") << QByteArray("<conf/>") << true << "system" << "" << -1;
    QTest::newRow("wrong root") << QByteArray("<config><font>A</font></config>") << true << "system" << "" << -1;
    QTest::newRow("timeout") << QByteArray("<conf><timeout>3</timeout></conf>") << true << "system" << "" << 3;
    QTest::newRow("timeout zero") << QByteArray("<conf><timeout>0</timeout></conf>") << true << "system" << "" << 0;
    QTest::newRow("timeout blanks") << QByteArray("<conf><timeout> 7 </timeout></conf>") << true << "system" << "" << 7;
    QTest::newRow("timeout negative") << QByteArray("<conf><timeout>-1</timeout></conf>") << true << "system" << "" << -1;
    QTest::newRow("timeout fraction") << QByteArray("<conf><timeout>1.5</timeout></conf>") << true << "system" << "" << -1;
    QTest::newRow("timeout word") << QByteArray("<conf><timeout>ten</timeout></conf>") << true << "system" << "" << -1;
    QTest::newRow("timeout plus sign") << QByteArray("<conf><timeout>+4</timeout></conf>") << true << "system" << "" << -1;
    QTest::newRow("timeout too large") << QByteArray("<conf><timeout>99999999999</timeout></conf>") << true << "system" << "" << -1;
    QTest::newRow("timeout empty") << QByteArray("<conf><timeout/></conf>") << true << "system" << "" << -1;
    QTest::newRow("empty file") << QByteArray() << false << "" << "" << -1;
    QTest::newRow("not xml") << QByteArray("font = Mono") << false << "" << "" << -1;
    QTest::newRow("truncated") << QByteArray("<conf><font>Mo") << false << "" << "" << -1;
}

void ConfigurationTest::readConf()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, loaded);
    QFETCH(QString, type);
    QFETCH(QString, text);
    QFETCH(int, timeout);
    write(QStringLiteral("conf.xml"), content);
    const Configuration::Conf conf = Configuration::readConf(QStringLiteral("conf.xml"));
    QCOMPARE(conf.loaded, loaded);
    QCOMPARE(conf.fontType, type);
    QCOMPARE(conf.fontText, text);
    QCOMPARE(conf.timeout, timeout);
}

void ConfigurationTest::readKeywords_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("read");
    QTest::addColumn<QString>("words");
    QTest::newRow("three") << QByteArray("<highlig><global><w>a</w><w>b</w><w>c</w></global></highlig>") << true << "a b c";
    QTest::newRow("comment between") << QByteArray("<highlig><global><w>a</w><!--x--><w>b</w></global></highlig>") << true << "a  b";
    QTest::newRow("two words in one") << QByteArray("<highlig><global><w>a b</w><w>c</w></global></highlig>") << true << "a b c";
    QTest::newRow("any element name") << QByteArray("<highlig><global><x>a</x><y>b</y></global></highlig>") << true << "a b";
    QTest::newRow("first global only") << QByteArray("<highlig><global><w>a</w></global><global><w>b</w></global></highlig>") << true << "a";
    QTest::newRow("no global") << QByteArray("<highlig/>") << true << "";
    QTest::newRow("not xml") << QByteArray("a b c") << false << "";
}

void ConfigurationTest::readKeywords()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, read);
    QFETCH(QString, words);
    write(QStringLiteral("highlig.xml"), content);
    QString result;
    QCOMPARE(Configuration::readKeywords(QStringLiteral("highlig.xml"), &result), read);
    QCOMPARE(result, words);
}

void ConfigurationTest::readApisInDocumentOrder()
{
    write(QStringLiteral("apis.xml"),
          "<apis><keyword><k>undefined</k></keyword><function><f>parseInt(string, radix)</f><!--c-->"
          "<f>setTimeout(fn, ms)</f></function><function><f>ignored()</f></function></apis>");
    QStringList entries;
    QVERIFY(Configuration::readApis(QStringLiteral("apis.xml"), &entries));
    QCOMPARE(entries, (QStringList{"parseInt(string, radix)", "", "setTimeout(fn, ms)", "undefined"}));

    write(QStringLiteral("apis.xml"), "<apis><keyword><k>only</k></keyword></apis>");
    QVERIFY(Configuration::readApis(QStringLiteral("apis.xml"), &entries));
    QCOMPARE(entries, QStringList{"only"});
}

void ConfigurationTest::oversizedAndSpecialFilesArePassedOver()
{
    QByteArray big("<conf><font type=\"system\">");
    big += QByteArray(Configuration::maxFileSize, 'x');
    big += "</font></conf>";
    write(QStringLiteral("conf.xml"), big);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!Configuration::readConf(QStringLiteral("conf.xml")).loaded);
    // Passing over takes about 1 ms (30 ms with sanitizers on a loaded machine): the bound only catches a hang.
    QVERIFY(clock.elapsed() < 5000);

    QVERIFY(QDir().mkdir(QStringLiteral("highlig.xml")));
    QString words;
    QVERIFY(!Configuration::readKeywords(QStringLiteral("highlig.xml"), &words));
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), QStringLiteral("apis.xml")));
    QStringList entries;
    QVERIFY(!Configuration::readApis(QStringLiteral("apis.xml"), &entries));
}

void ConfigurationTest::noFilesGivesDefaults()
{
    const QFont defaultFont = QWidget().font();
    VelmoraWindow window;
    QsciLexerJavaScriptPlus *lexer = parts(&window).codeLexer();
    QCOMPARE(parts(&window).editor()->lexer(), static_cast<QsciLexer *>(lexer));
    QVERIFY(lexer->keywords(2));
    QCOMPARE(QByteArray(lexer->keywords(2)), QByteArray());
    QCOMPARE(window.font().family(), defaultFont.family());
    QCOMPARE(parts(&window).scriptWatchdog().limit(), ScriptWatchdog::defaultLimit);
    QCOMPARE(lexer->paper(0), QColor(46, 47, 48));
}

// Start-up with each odd or hostile case from tests/data: the window comes up, and each file that did not
// parse leaves its defaults.
void ConfigurationTest::startUpWithCase_data()
{
    QTest::addColumn<QString>("caseName");
    QTest::addColumn<QString>("family");     // expected window font family, "default" for unchanged
    QTest::addColumn<QByteArray>("keywords");
    QTest::addColumn<bool>("fontMessage");
    QTest::newRow("empty") << "empty" << "default" << QByteArray() << false;
    QTest::newRow("not-xml") << "not-xml" << "default" << QByteArray() << false;
    QTest::newRow("truncated") << "truncated" << "default" << QByteArray() << false;
    QTest::newRow("wrong-root") << "wrong-root" << "" << QByteArray() << false;
    QTest::newRow("type-case") << "type-case" << "" << QByteArray() << false;
    QTest::newRow("blanks-in-family") << "blanks-in-family" << "  DejaVu Sans\n" << QByteArray() << false;
    QTest::newRow("comments-between") << "comments-between" << "default" << QByteArray("alert  window document") << false;
    QTest::newRow("two-words") << "two-words" << "default" << QByteArray("alert window document") << false;
    QTest::newRow("billion-laughs") << "billion-laughs" << "default" << QByteArray() << false;
    QTest::newRow("external-entity") << "external-entity" << "" << QByteArray(" alert") << false;
    QTest::newRow("font-path-directory") << "font-path-directory" << "" << QByteArray() << true;
    QTest::newRow("font-path-missing") << "font-path-missing" << "" << QByteArray() << true;
    QTest::newRow("font-path-empty-file") << "font-path-empty-file" << "" << QByteArray() << false;
    QTest::newRow("font-path-not-a-font") << "font-path-not-a-font" << "" << QByteArray() << false;
    QTest::newRow("timeout-not-a-number") << "timeout-not-a-number" << "" << QByteArray() << false;
    QTest::newRow("timeout-negative") << "timeout-negative" << "" << QByteArray() << false;
    QTest::newRow("timeout-huge") << "timeout-huge" << "" << QByteArray() << false;
    QTest::newRow("deep-nesting") << "deep-nesting" << "default" << QByteArray() << false;
}

void ConfigurationTest::startUpWithCase()
{
    QFETCH(QString, caseName);
    QFETCH(QString, family);
    QFETCH(QByteArray, keywords);
    QFETCH(bool, fontMessage);
    copyCase(caseName);
    const QFont defaultFont = QWidget().font();
    if (fontMessage)
        QTest::ignoreMessage(QtDebugMsg, "Open font file error");
    QElapsedTimer clock;
    clock.start();
    VelmoraWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // Only catches a hang: most cases take about 20 ms, deep-nesting (20 000 nested elements) about 1.1 s alone and
    // up to 9 s on a loaded machine.
    QVERIFY2(clock.elapsed() < 30000, "start-up hung");
    QCOMPARE(window.windowTitle(), QStringLiteral("Velmora v0.1"));

    const QString expectedFamily = family == QLatin1String("default") ? defaultFont.family() : family;
    QCOMPARE(window.font().family(), expectedFamily);
    QCOMPARE(QByteArray(parts(&window).codeLexer()->keywords(2)), keywords);
    QCOMPARE(parts(&window).scriptWatchdog().limit(), ScriptWatchdog::defaultLimit);
    QCOMPARE(parts(&window).codeLexer()->paper(5), QColor(46, 47, 48));
    // Nothing of an external entity's target gets in.
    QVERIFY(!window.font().family().contains(QStringLiteral("SECRET")));
}

void ConfigurationTest::fontFileIsRegistered()
{
    // Any TrueType font on the machine will do as the font file.
    const QStringList candidates = {QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf"),
                                    QStringLiteral("/usr/share/fonts/truetype/droid/DroidSansFallbackFull.ttf")};
    QString fontFile;
    for (const QString &candidate : candidates)
        if (QFile::exists(candidate))
            fontFile = candidate;
    if (fontFile.isEmpty())
        QFAIL("no TrueType font file found: install fonts-droid-fallback (./velmora.sh does)");
    QVERIFY(QFile::copy(fontFile, dir->filePath(QStringLiteral("code.ttf"))));
    write(QStringLiteral("conf.xml"), "<conf><font type=\"path\">code.ttf</font></conf>");
    VelmoraWindow window;
    QVERIFY(!window.font().family().isEmpty());
    QCOMPARE(window.font().family(), parts(&window).codeLexer()->font(0).family());
    QCOMPARE(window.font().family(), parts(&window).codeLexer()->font(16).family());
}

void ConfigurationTest::apiEntriesReachAutoCompletion()
{
    write(QStringLiteral("apis.xml"),
          "<apis><function><f>parseInt(string, radix)</f><f>setTimeout(fn, ms)</f></function>"
          "<keyword><k>undefinedValue</k></keyword></apis>");
    VelmoraWindow window;
    auto *apis = qobject_cast<QsciAPIs *>(parts(&window).codeLexer()->apis());
    QVERIFY(apis);
    QSignalSpy prepared(apis, &QsciAPIs::apiPreparationFinished);
    if (!apis->isPrepared())
        QVERIFY(prepared.wait(10000));
    QStringList list;
    apis->updateAutoCompletionList(QStringList{QStringLiteral("parse")}, list);
    QVERIFY2(list.join(QLatin1Char(',')).contains(QStringLiteral("parseInt")), qPrintable(list.join(',')));
    list.clear();
    apis->updateAutoCompletionList(QStringList{QStringLiteral("undef")}, list);
    QVERIFY2(list.join(QLatin1Char(',')).contains(QStringLiteral("undefinedValue")), qPrintable(list.join(',')));
}

void ConfigurationTest::timeoutElementSetsTheLimit()
{
    write(QStringLiteral("conf.xml"), "<conf><timeout>1</timeout></conf>");
    VelmoraWindow window;
    QCOMPARE(parts(&window).scriptWatchdog().limit(), 1);
    // The font element is absent, so the window gets the empty family, as any conf.xml without one.
    QCOMPARE(window.font().family(), QString());
}

void ConfigurationTest::boundsBeforeParsing_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<bool>("accepted");
    const auto nested = [](int depth) {
        return "<conf>" + QByteArray("<a>").repeated(depth - 1) + QByteArray("</a>").repeated(depth - 1) + "</conf>";
    };
    QTest::newRow("nested to the bound") << nested(Configuration::maxDepth) << true;
    QTest::newRow("nested past the bound") << nested(Configuration::maxDepth + 1) << false;
    QTest::newRow("small entity") << QByteArray("<!DOCTYPE conf [<!ENTITY f \"Mono\">]><conf><font>&f;</font></conf>") << true;
    QTest::newRow("entity expanding past the text bound")
        << QByteArray("<!DOCTYPE conf [<!ENTITY e \"" + QByteArray(4000, 'x') + "\">]><conf><font>"
                      + QByteArray("&e;").repeated(3000) + "</font></conf>")
        << false;
    QTest::newRow("not well-formed") << QByteArray("<conf><font></conf>") << false;
}

void ConfigurationTest::boundsBeforeParsing()
{
    QFETCH(QByteArray, xml);
    QFETCH(bool, accepted);
    QCOMPARE(Configuration::withinBounds(xml), accepted);
}

void ConfigurationTest::fontFileReading_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("readable");
    QTest::newRow("regular file") << QStringLiteral("font.bin") << true;
    QTest::newRow("directory") << QStringLiteral(".") << false;
    QTest::newRow("missing") << QStringLiteral("none.ttf") << false;
    QTest::newRow("fifo") << QStringLiteral("pipe.ttf") << false;
    QTest::newRow("proc file") << QStringLiteral("/proc/self/status") << false;
    QTest::newRow("sys file") << QStringLiteral("/sys/kernel/uevent_seqnum") << false;
    QTest::newRow("device") << QStringLiteral("/dev/zero") << false;
}

void ConfigurationTest::fontFileReading()
{
    QFETCH(QString, path);
    QFETCH(bool, readable);
    write(QStringLiteral("font.bin"), "bytes of a font");
    QCOMPARE(::mkfifo("pipe.ttf", 0600), 0);
    QByteArray bytes;
    QCOMPARE(FontFile::read(path, &bytes), readable);
    QCOMPARE(bytes, readable ? QByteArray("bytes of a font") : QByteArray());
}

QTEST_MAIN(ConfigurationTest)
#include "ConfigurationTest.moc"
