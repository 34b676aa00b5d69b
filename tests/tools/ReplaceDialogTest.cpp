// The replace dialog over an editor, built on its own.
#include "TestSupport.h"

#include "tools/ReplaceDialog.h"

#include <Qsci/qsciscintilla.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

class ReplaceDialogTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void replaceAll_data();
    void replaceAll();
    void replaceAllIsOneUndoStep();
    void layout();
};

void ReplaceDialogTest::cleanup()
{
    TestSupport::verifyNoWindowsLeft();
}

void ReplaceDialogTest::replaceAll_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("what");
    QTest::addColumn<QString>("with");
    QTest::addColumn<QString>("result");
    QTest::newRow("non-overlapping") << "aaaa" << "aa" << "a" << "aa";
    QTest::newRow("case-sensitive") << "ABC abc" << "abc" << "x" << "ABC x";
    QTest::newRow("replacement not rescanned") << "ab" << "a" << "aa" << "aab";
    QTest::newRow("empty replacement does nothing") << "abc" << "b" << "" << "abc";
    QTest::newRow("empty find does nothing") << "abc" << "" << "x" << "abc";
    QTest::newRow("chinese") << "中文中文" << "文" << "字" << "中字中字";
    QTest::newRow("no occurrence") << "abc" << "z" << "y" << "abc";
}

void ReplaceDialogTest::replaceAll()
{
    QFETCH(QString, text);
    QFETCH(QString, what);
    QFETCH(QString, with);
    QFETCH(QString, result);
    QsciScintilla editor;
    editor.setUtf8(true);
    editor.setText(text);
    ReplaceDialog dialog(&editor, nullptr);
    dialog.replaceFindEdit->setText(what);
    dialog.replaceEdit->setText(with);
    QTest::mouseClick(dialog.replaceAllButton, Qt::LeftButton);
    QCOMPARE(editor.text(), result);
}

void ReplaceDialogTest::replaceAllIsOneUndoStep()
{
    QsciScintilla editor;
    editor.setText(QStringLiteral("one two one\nthree one"));
    ReplaceDialog dialog(&editor, nullptr);
    dialog.replaceFindEdit->setText(QStringLiteral("one"));
    dialog.replaceEdit->setText(QStringLiteral("1"));
    QTest::mouseClick(dialog.replaceAllButton, Qt::LeftButton);
    QCOMPARE(editor.text(), QStringLiteral("1 two 1\nthree 1"));
    editor.undo();
    QCOMPARE(editor.text(), QStringLiteral("one two one\nthree one"));
}

void ReplaceDialogTest::layout()
{
    QsciScintilla editor;
    ReplaceDialog dialog(&editor, nullptr);
    dialog.show();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("替换"));
    QCOMPARE(dialog.size(), QSize(300, 100).expandedTo(dialog.minimumSizeHint()));
    QCOMPARE(int(dialog.windowFlags() & Qt::WindowType_Mask), int(Qt::Drawer));
    QVERIFY(dialog.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(!dialog.isModal());
    QCOMPARE(dialog.replaceAllButton->text(), QStringLiteral("替换全部"));
    QStringList labels;
    for (QLabel *label : dialog.findChildren<QLabel *>())
        labels << label->text();
    QCOMPARE(labels, (QStringList{QStringLiteral("查找内容："), QStringLiteral("替换内容：")}));
}

QTEST_MAIN(ReplaceDialogTest)
#include "ReplaceDialogTest.moc"
