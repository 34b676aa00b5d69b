// Decoding text read from files and resources.
#include "TestSupport.h"

#include "common/Utf8Text.h"

#include <QTest>

class Utf8TextTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void decode_data();
    void decode();
};

void Utf8TextTest::cleanup()
{
    TestSupport::verifyNoWindowsLeft();
}

void Utf8TextTest::decode_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::newRow("ascii") << QByteArray("var a;") << "var a;" << true;
    QTest::newRow("chinese crlf tabs") << QString("// 中文\r\n\tvar s = '字';\r\n").toUtf8() << "// 中文\r\n\tvar s = '字';\r\n" << true;
    QTest::newRow("stops at NUL") << QByteArray("abc\0def", 7) << "abc" << true;
    QTest::newRow("invalid after NUL is not looked at") << QByteArray("ok\0\xff\xfe", 5) << "ok" << true;
    QTest::newRow("byte-order mark dropped") << QByteArray("\xEF\xBB\xBFx = 1;") << "x = 1;" << true;
    QTest::newRow("GBK") << QByteArray("\xD6\xD0\xCE\xC4") << QString() << false;
    QTest::newRow("latin-1") << QByteArray("caf\xe9") << QString() << false;
    QTest::newRow("truncated sequence") << QByteArray("a\xE4\xB8") << QString() << false;
    QTest::newRow("overlong") << QByteArray("\xC0\xAF") << QString() << false;
    QTest::newRow("encoded surrogate") << QByteArray("\xED\xA0\x80") << QString() << false;
    QTest::newRow("empty") << QByteArray() << "" << true;
    QTest::newRow("emoji") << QByteArray("\xF0\x9F\x98\x80") << QString::fromUtf8("\xF0\x9F\x98\x80") << true;
}

void Utf8TextTest::decode()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(bool, valid);
    bool isValid = !valid;
    const QString decoded = Utf8Text::decode(bytes, &isValid);
    QCOMPARE(isValid, valid);
    if (valid)
        QCOMPARE(decoded, text);
}

QTEST_MAIN(Utf8TextTest)
#include "Utf8TextTest.moc"
