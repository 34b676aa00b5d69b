#include "tools/FindReplace.h"

#include "editor/EditorText.h"

#include <Qsci/qsciscintilla.h>

#include <QBoxLayout>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

namespace {

// Guarded: they empty themselves when the main window, and with it the dialogs, is destroyed.
QPointer<QDialog> findDlg;
QPointer<QVBoxLayout> findLayout;
QPointer<QHBoxLayout> findTextRow;
QPointer<QHBoxLayout> findOptionRow;
QPointer<QLabel> findLabel;
QPointer<QLineEdit> findEditor;
QPointer<QCheckBox> findCase;
QPointer<QRadioButton> findUp;
QPointer<QRadioButton> findDown;
QPointer<QPushButton> findPush;

QPointer<QDialog> replaceDlg;
QPointer<QVBoxLayout> replaceLayout;
QPointer<QHBoxLayout> replaceFindRow;
QPointer<QHBoxLayout> replaceWithRow;
QPointer<QLabel> replaceFindLabel;
QPointer<QLineEdit> replaceFindEditor;
QPointer<QLabel> replaceWithLabel;
QPointer<QLineEdit> replaceWithEditor;
QPointer<QPushButton> replacePush;

QDialog *newToolDialog(QWidget *window, const QString &title)
{
    auto *dialog = new QDialog(window);
    dialog->resize(300, 100);
    dialog->setWindowTitle(title);
    dialog->setWindowFlag(Qt::Drawer, true);
    dialog->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    dialog->setModal(false);
    return dialog;
}

void raise(QDialog *dialog, QLineEdit *field)
{
    if (dialog->isHidden())
        dialog->show();
    dialog->activateWindow();
    field->setFocus(Qt::OtherFocusReason);
}

} // namespace

void FindReplace::openFind(QWidget *window, QsciScintilla *editor)
{
    if (!findDlg)
        findDlg = newToolDialog(window, QStringLiteral("查找"));
    if (!findLayout) {
        findLayout = new QVBoxLayout;
        findDlg->setLayout(findLayout);
    }
    if (!findTextRow) {
        findTextRow = new QHBoxLayout;
        findLayout->addLayout(findTextRow);
    }
    if (!findOptionRow) {
        findOptionRow = new QHBoxLayout;
        findLayout->addLayout(findOptionRow);
    }
    if (!findLabel) {
        findLabel = new QLabel(QStringLiteral("查找内容："));
        findTextRow->addWidget(findLabel);
    }
    if (!findEditor) {
        findEditor = new QLineEdit;
        findTextRow->addWidget(findEditor);
    }
    if (!findCase) {
        findCase = new QCheckBox(QStringLiteral("区分大小写"));
        findOptionRow->addWidget(findCase);
    }
    if (!findUp) {
        findUp = new QRadioButton(QStringLiteral("向上查找"));
        findOptionRow->addWidget(findUp);
    }
    if (!findDown) {
        findDown = new QRadioButton(QStringLiteral("向下查找"));
        findDown->setChecked(true);
        findOptionRow->addWidget(findDown);
    }
    if (!findPush) {
        findPush = new QPushButton(QStringLiteral("查找"));
        findLayout->addWidget(findPush);
        QObject::connect(findPush.data(), &QAbstractButton::clicked, findPush.data(), [editor] { findStep(editor); });
    }
    raise(findDlg, findEditor);
}

void FindReplace::openReplace(QWidget *window, QsciScintilla *editor)
{
    if (!replaceDlg)
        replaceDlg = newToolDialog(window, QStringLiteral("替换"));
    if (!replaceLayout) {
        replaceLayout = new QVBoxLayout;
        replaceDlg->setLayout(replaceLayout);
    }
    if (!replaceFindRow) {
        replaceFindRow = new QHBoxLayout;
        replaceLayout->addLayout(replaceFindRow);
    }
    if (!replaceWithRow) {
        replaceWithRow = new QHBoxLayout;
        replaceLayout->addLayout(replaceWithRow);
    }
    if (!replaceFindLabel) {
        replaceFindLabel = new QLabel(QStringLiteral("查找内容："));
        replaceFindRow->addWidget(replaceFindLabel);
    }
    if (!replaceFindEditor) {
        replaceFindEditor = new QLineEdit;
        replaceFindRow->addWidget(replaceFindEditor);
    }
    if (!replaceWithLabel) {
        replaceWithLabel = new QLabel(QStringLiteral("替换内容："));
        replaceWithRow->addWidget(replaceWithLabel);
    }
    if (!replaceWithEditor) {
        replaceWithEditor = new QLineEdit;
        replaceWithRow->addWidget(replaceWithEditor);
    }
    if (!replacePush) {
        replacePush = new QPushButton(QStringLiteral("替换全部"));
        replaceLayout->addWidget(replacePush);
        QObject::connect(replacePush.data(), &QAbstractButton::clicked, replacePush.data(),
                         [editor] { replaceAllStep(editor); });
    }
    raise(replaceDlg, replaceFindEditor);
}

void FindReplace::findStep(QsciScintilla *editor)
{
    if (!findEditor || findEditor->text().isEmpty())
        return;
    int line = -1;
    int index = -1;
    editor->getCursorPosition(&line, &index);
    const bool forward = findDown->isChecked();
    // Searching upward from the end of the match just found would find it again: start at its beginning.
    if (!forward && editor->selectedText().toLower() == findEditor->text().toLower())
        index -= findEditor->text().length();
    editor->findFirst(findEditor->text(), false, findCase->checkState() == Qt::Checked, false, true, forward, line,
                      index, true, false);
}

void FindReplace::replaceAllStep(QsciScintilla *editor)
{
    if (!replaceFindEditor || replaceFindEditor->text().isEmpty() || replaceWithEditor->text().isEmpty())
        return;
    QString text = editor->text();
    text.replace(replaceFindEditor->text(), replaceWithEditor->text(), Qt::CaseSensitive);
    EditorText::replaceAll(editor, text);
}

QDialog *FindReplace::findDialog() { return findDlg; }
QLineEdit *FindReplace::findEdit() { return findEditor; }
QCheckBox *FindReplace::caseCheck() { return findCase; }
QRadioButton *FindReplace::upRadio() { return findUp; }
QRadioButton *FindReplace::downRadio() { return findDown; }
QPushButton *FindReplace::findButton() { return findPush; }
QDialog *FindReplace::replaceDialog() { return replaceDlg; }
QLineEdit *FindReplace::replaceFindEdit() { return replaceFindEditor; }
QLineEdit *FindReplace::replaceEdit() { return replaceWithEditor; }
QPushButton *FindReplace::replaceAllButton() { return replacePush; }
