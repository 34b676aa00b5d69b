// The find dialog over an editor: built on its own for the searches, through the window for opening and reopening.
#include "TestSupport.h"

#include "app/VelmoraWindow.h"
#include "tools/FindDialog.h"
#include "tools/ReplaceDialog.h"

#include <Qsci/qsciscintilla.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

class FindDialogTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void emptyFieldChangesNothing();
    void downStepsAndWraps();
    void upStartsAtMatchBeginning();
    void upWithOtherSelectionStartsAtCaret();
    void caseSensitivity_data();
    void caseSensitivity();
    void openedByTheWindow();
    void reopeningKeepsStateAndRefocuses();

private:
    std::unique_ptr<QsciScintilla> editor;
    std::unique_ptr<FindDialog> dialog;
    void find(const QString &what)
    {
        dialog->findEdit->setText(what);
        QTest::mouseClick(dialog->findButton, Qt::LeftButton);
    }
    QPair<int, int> selection() const
    {
        int lineFrom, indexFrom, lineTo, indexTo;
        editor->getSelection(&lineFrom, &indexFrom, &lineTo, &indexTo);
        return {indexFrom, indexTo};
    }
    QPair<int, int> caret() const
    {
        int line, index;
        editor->getCursorPosition(&line, &index);
        return {line, index};
    }
};

void FindDialogTest::init()
{
    editor = std::make_unique<QsciScintilla>();
    editor->setUtf8(true);
    dialog = std::make_unique<FindDialog>(editor.get(), nullptr);
}

void FindDialogTest::cleanup()
{
    dialog.reset();
    editor.reset();
    TestSupport::verifyNoWindowsLeft();
}

void FindDialogTest::emptyFieldChangesNothing()
{
    editor->setText(QStringLiteral("abc abc"));
    editor->setSelection(0, 1, 0, 2);
    find(QString());
    QCOMPARE(selection(), qMakePair(1, 2));
}

void FindDialogTest::downStepsAndWraps()
{
    editor->setText(QStringLiteral("abc x abc\ny abc"));
    editor->setCursorPosition(0, 0);
    find(QStringLiteral("abc"));
    QCOMPARE(caret(), qMakePair(0, 3));
    find(QStringLiteral("abc"));
    QCOMPARE(selection(), qMakePair(6, 9));
    find(QStringLiteral("abc"));
    QCOMPARE(caret(), qMakePair(1, 5));
    find(QStringLiteral("abc"));
    QCOMPARE(caret(), qMakePair(0, 3));
    QCOMPARE(editor->selectedText(), QStringLiteral("abc"));
}

void FindDialogTest::upStartsAtMatchBeginning()
{
    editor->setText(QStringLiteral("Abc aBc abC"));
    dialog->upRadio->setChecked(true);
    editor->setSelection(0, 8, 0, 11); // the third match, caret at its end
    find(QStringLiteral("ABC"));
    QCOMPARE(selection(), qMakePair(4, 7));
    find(QStringLiteral("ABC"));
    QCOMPARE(selection(), qMakePair(0, 3));
    find(QStringLiteral("ABC"));
    QCOMPARE(selection(), qMakePair(8, 11)); // wrapped to the end
}

void FindDialogTest::upWithOtherSelectionStartsAtCaret()
{
    editor->setText(QStringLiteral("abc abc xyz"));
    dialog->upRadio->setChecked(true);
    editor->setSelection(0, 8, 0, 11); // "xyz"
    find(QStringLiteral("abc"));
    QCOMPARE(selection(), qMakePair(4, 7));
}

void FindDialogTest::caseSensitivity_data()
{
    QTest::addColumn<bool>("sensitive");
    QTest::addColumn<bool>("found");
    QTest::newRow("off finds ABC") << false << true;
    QTest::newRow("on does not") << true << false;
}

void FindDialogTest::caseSensitivity()
{
    QFETCH(bool, sensitive);
    QFETCH(bool, found);
    editor->setText(QStringLiteral("xx ABC"));
    editor->setCursorPosition(0, 0);
    dialog->caseCheck->setChecked(sensitive);
    find(QStringLiteral("abc"));
    QCOMPARE(editor->hasSelectedText(), found);
    if (found)
        QCOMPARE(editor->selectedText(), QStringLiteral("ABC"));
}

void FindDialogTest::openedByTheWindow()
{
    VelmoraWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(TestSupport::invoke(&window, "findDialog"));
    FindDialog *opened = window.findChild<FindDialog *>();
    QVERIFY(opened && opened->isVisible());
    QCOMPARE(opened->windowTitle(), QStringLiteral("查找"));
    // 300 × 100, unless the layout needs more.
    QCOMPARE(opened->size(), QSize(300, 100).expandedTo(opened->minimumSizeHint()));
    QVERIFY(!opened->isModal());
    QCOMPARE(int(opened->windowFlags() & Qt::WindowType_Mask), int(Qt::Drawer));
    QVERIFY(opened->windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(opened->findEdit->text().isEmpty());
    QCOMPARE(opened->caseCheck->text(), QStringLiteral("区分大小写"));
    QVERIFY(!opened->caseCheck->isChecked());
    QCOMPARE(opened->upRadio->text(), QStringLiteral("向上查找"));
    QCOMPARE(opened->downRadio->text(), QStringLiteral("向下查找"));
    QVERIFY(opened->downRadio->isChecked());
    QCOMPARE(opened->findButton->text(), QStringLiteral("查找"));
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(opened->findEdit));
    // The replace dialog is a separate one with a separate field.
    QVERIFY(TestSupport::invoke(&window, "replaceDialog"));
    auto *replace = window.findChild<ReplaceDialog *>();
    QVERIFY(replace && replace->isVisible());
    QVERIFY(replace->replaceFindEdit != opened->findEdit);
}

void FindDialogTest::reopeningKeepsStateAndRefocuses()
{
    VelmoraWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(TestSupport::invoke(&window, "findDialog"));
    FindDialog *opened = window.findChild<FindDialog *>();
    opened->findEdit->setText(QStringLiteral("needle"));
    opened->caseCheck->setChecked(true);
    opened->upRadio->setChecked(true);
    opened->close();
    QVERIFY(TestSupport::invoke(&window, "findDialog"));
    QCOMPARE(window.findChildren<FindDialog *>(), QList<FindDialog *>{opened});
    QVERIFY(opened->isVisible());
    QCOMPARE(opened->findEdit->text(), QStringLiteral("needle"));
    QVERIFY(opened->caseCheck->isChecked());
    QVERIFY(opened->upRadio->isChecked());
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(opened->findEdit));
}

QTEST_MAIN(FindDialogTest)
#include "FindDialogTest.moc"
