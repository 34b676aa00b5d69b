// The find and replace dialogs over the editor.
#include "TestSupport.h"

#include "app/VelmoraWindow.h"
#include "tools/FindReplace.h"

#include <Qsci/qsciscintilla.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

class FindReplaceTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void findDialogOnFirstOpening();
    void reopeningKeepsStateAndRefocuses();
    void emptyFieldChangesNothing();
    void downStepsAndWraps();
    void upStartsAtMatchBeginning();
    void upWithOtherSelectionStartsAtCaret();
    void caseSensitivity_data();
    void caseSensitivity();
    void replaceAll_data();
    void replaceAll();
    void replaceAllIsOneUndoStep();
    void replaceDialogLayout();

private:
    VelmoraWindow *window = nullptr;
    QsciScintilla *editor() const { return window->editor(); }
    void openFind() { QVERIFY(TestSupport::invoke(window, "findDialog")); }
    void find(const QString &what)
    {
        FindReplace::findEdit()->setText(what);
        QTest::mouseClick(FindReplace::findButton(), Qt::LeftButton);
    }
    QPair<int, int> selection() const
    {
        int lineFrom, indexFrom, lineTo, indexTo;
        editor()->getSelection(&lineFrom, &indexFrom, &lineTo, &indexTo);
        return {indexFrom, indexTo};
    }
};

void FindReplaceTest::init()
{
    window = new VelmoraWindow;
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
}

void FindReplaceTest::cleanup()
{
    editor()->setText(QString());
    delete window;
}

void FindReplaceTest::findDialogOnFirstOpening()
{
    openFind();
    QDialog *dialog = FindReplace::findDialog();
    QVERIFY(dialog && dialog->isVisible());
    QCOMPARE(dialog->windowTitle(), QStringLiteral("查找"));
    // 300 × 100, unless the layout needs more.
    QCOMPARE(dialog->size(), QSize(300, 100).expandedTo(dialog->minimumSizeHint()));
    QCOMPARE(dialog->parent(), window);
    QVERIFY(!dialog->isModal());
    QCOMPARE(int(dialog->windowFlags() & Qt::WindowType_Mask), int(Qt::Drawer));
    QVERIFY(dialog->windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(FindReplace::findEdit()->text().isEmpty());
    QCOMPARE(FindReplace::caseCheck()->text(), QStringLiteral("区分大小写"));
    QVERIFY(!FindReplace::caseCheck()->isChecked());
    QCOMPARE(FindReplace::upRadio()->text(), QStringLiteral("向上查找"));
    QCOMPARE(FindReplace::downRadio()->text(), QStringLiteral("向下查找"));
    QVERIFY(FindReplace::downRadio()->isChecked());
    QVERIFY(!FindReplace::upRadio()->isChecked());
    QCOMPARE(FindReplace::findButton()->text(), QStringLiteral("查找"));
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(FindReplace::findEdit()));
}

void FindReplaceTest::reopeningKeepsStateAndRefocuses()
{
    openFind();
    QDialog *dialog = FindReplace::findDialog();
    FindReplace::findEdit()->setText(QStringLiteral("needle"));
    FindReplace::caseCheck()->setChecked(true);
    FindReplace::upRadio()->setChecked(true);
    dialog->close();
    editor()->setFocus();
    openFind();
    QCOMPARE(FindReplace::findDialog(), dialog);
    QCOMPARE(window->findChildren<QDialog *>().size(), 1);
    QVERIFY(dialog->isVisible());
    QCOMPARE(FindReplace::findEdit()->text(), QStringLiteral("needle"));
    QVERIFY(FindReplace::caseCheck()->isChecked());
    QVERIFY(FindReplace::upRadio()->isChecked());
    QVERIFY(!FindReplace::downRadio()->isChecked());
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(FindReplace::findEdit()));
}

void FindReplaceTest::emptyFieldChangesNothing()
{
    editor()->setText(QStringLiteral("abc abc"));
    editor()->setSelection(0, 1, 0, 2);
    openFind();
    find(QString());
    QCOMPARE(selection(), qMakePair(1, 2));
}

void FindReplaceTest::downStepsAndWraps()
{
    editor()->setText(QStringLiteral("abc x abc\ny abc"));
    editor()->setCursorPosition(0, 0);
    openFind();
    find(QStringLiteral("abc"));
    int line, index;
    editor()->getCursorPosition(&line, &index);
    QCOMPARE(qMakePair(line, index), qMakePair(0, 3));
    find(QStringLiteral("abc"));
    QCOMPARE(selection(), qMakePair(6, 9));
    find(QStringLiteral("abc"));
    editor()->getCursorPosition(&line, &index);
    QCOMPARE(qMakePair(line, index), qMakePair(1, 5));
    find(QStringLiteral("abc"));
    editor()->getCursorPosition(&line, &index);
    QCOMPARE(qMakePair(line, index), qMakePair(0, 3));
    QCOMPARE(editor()->selectedText(), QStringLiteral("abc"));
}

void FindReplaceTest::upStartsAtMatchBeginning()
{
    editor()->setText(QStringLiteral("Abc aBc abC"));
    openFind();
    FindReplace::upRadio()->setChecked(true);
    editor()->setSelection(0, 8, 0, 11); // the third match, caret at its end
    find(QStringLiteral("ABC"));
    QCOMPARE(selection(), qMakePair(4, 7));
    find(QStringLiteral("ABC"));
    QCOMPARE(selection(), qMakePair(0, 3));
    find(QStringLiteral("ABC"));
    QCOMPARE(selection(), qMakePair(8, 11)); // wrapped to the end
}

void FindReplaceTest::upWithOtherSelectionStartsAtCaret()
{
    editor()->setText(QStringLiteral("abc abc xyz"));
    openFind();
    FindReplace::upRadio()->setChecked(true);
    editor()->setSelection(0, 8, 0, 11); // "xyz"
    find(QStringLiteral("abc"));
    QCOMPARE(selection(), qMakePair(4, 7));
}

void FindReplaceTest::caseSensitivity_data()
{
    QTest::addColumn<bool>("sensitive");
    QTest::addColumn<bool>("found");
    QTest::newRow("off finds ABC") << false << true;
    QTest::newRow("on does not") << true << false;
}

void FindReplaceTest::caseSensitivity()
{
    QFETCH(bool, sensitive);
    QFETCH(bool, found);
    editor()->setText(QStringLiteral("xx ABC"));
    editor()->setCursorPosition(0, 0);
    openFind();
    FindReplace::caseCheck()->setChecked(sensitive);
    find(QStringLiteral("abc"));
    QCOMPARE(editor()->hasSelectedText(), found);
    if (found)
        QCOMPARE(editor()->selectedText(), QStringLiteral("ABC"));
}

void FindReplaceTest::replaceAll_data()
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

void FindReplaceTest::replaceAll()
{
    QFETCH(QString, text);
    QFETCH(QString, what);
    QFETCH(QString, with);
    QFETCH(QString, result);
    editor()->setText(text);
    QVERIFY(TestSupport::invoke(window, "replaceDialog"));
    FindReplace::replaceFindEdit()->setText(what);
    FindReplace::replaceEdit()->setText(with);
    QTest::mouseClick(FindReplace::replaceAllButton(), Qt::LeftButton);
    QCOMPARE(editor()->text(), result);
}

void FindReplaceTest::replaceAllIsOneUndoStep()
{
    editor()->setText(QStringLiteral("one two one\nthree one"));
    QVERIFY(TestSupport::invoke(window, "replaceDialog"));
    FindReplace::replaceFindEdit()->setText(QStringLiteral("one"));
    FindReplace::replaceEdit()->setText(QStringLiteral("1"));
    QTest::mouseClick(FindReplace::replaceAllButton(), Qt::LeftButton);
    QCOMPARE(editor()->text(), QStringLiteral("1 two 1\nthree 1"));
    editor()->undo();
    QCOMPARE(editor()->text(), QStringLiteral("one two one\nthree one"));
}

void FindReplaceTest::replaceDialogLayout()
{
    QVERIFY(TestSupport::invoke(window, "replaceDialog"));
    QDialog *dialog = FindReplace::replaceDialog();
    QCOMPARE(dialog->windowTitle(), QStringLiteral("替换"));
    QCOMPARE(dialog->size(), QSize(300, 100).expandedTo(dialog->minimumSizeHint()));
    QCOMPARE(int(dialog->windowFlags() & Qt::WindowType_Mask), int(Qt::Drawer));
    QVERIFY(dialog->windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(FindReplace::replaceAllButton()->text(), QStringLiteral("替换全部"));
    QStringList labels;
    for (QLabel *label : dialog->findChildren<QLabel *>())
        labels << label->text();
    QCOMPARE(labels, (QStringList{QStringLiteral("查找内容："), QStringLiteral("替换内容：")}));
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(FindReplace::replaceFindEdit()));
    // The find dialog is a separate one with a separate field.
    openFind();
    QVERIFY(FindReplace::findDialog() != dialog);
    QVERIFY(FindReplace::findEdit() != FindReplace::replaceFindEdit());
}

QTEST_MAIN(FindReplaceTest)
#include "FindReplaceTest.moc"
