#include "tools/FindDialog.h"

#include "common/ToolDialog.h"

#include <Qsci/qsciscintilla.h>

#include <QBoxLayout>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

FindDialog::FindDialog(QsciScintilla *editor, QWidget *parent)
    : QDialog(parent),
      findEdit(new QLineEdit),
      caseCheck(new QCheckBox(QStringLiteral("区分大小写"))),
      upRadio(new QRadioButton(QStringLiteral("向上查找"))),
      downRadio(new QRadioButton(QStringLiteral("向下查找"))),
      findButton(new QPushButton(QStringLiteral("查找"))),
      editor(editor)
{
    ToolDialog::setUp(this, 300, 100, QStringLiteral("查找"));

    // The widgets are made without a parent; the layouts give them to the dialog.
    auto *layout = new QVBoxLayout;
    setLayout(layout);
    auto *textRow = new QHBoxLayout;
    layout->addLayout(textRow);
    auto *optionRow = new QHBoxLayout;
    layout->addLayout(optionRow);
    textRow->addWidget(new QLabel(QStringLiteral("查找内容：")));
    textRow->addWidget(findEdit);
    optionRow->addWidget(caseCheck);
    optionRow->addWidget(upRadio);
    downRadio->setChecked(true);
    optionRow->addWidget(downRadio);
    layout->addWidget(findButton);
    connect(findButton, &QAbstractButton::clicked, findButton, [this] { findStep(); });
}

FindDialog *FindDialog::open(QWidget *window, QsciScintilla *editor)
{
    // Guarded: it empties itself when the window, and with it the dialog, is destroyed.
    static QPointer<FindDialog> dialog;
    if (!dialog)
        dialog = new FindDialog(editor, window);
    if (dialog->isHidden())
        dialog->show();
    dialog->activateWindow();
    dialog->findEdit->setFocus(Qt::OtherFocusReason);
    return dialog;
}

void FindDialog::findStep()
{
    const QString text = findEdit->text();
    if (text.isEmpty())
        return;
    int line = -1;
    int index = -1;
    editor->getCursorPosition(&line, &index);
    const bool forward = downRadio->isChecked();
    // Searching upward from the end of the match just found would find it again: start at its beginning.
    if (!forward && editor->selectedText().toLower() == text.toLower())
        index -= text.length();
    editor->findFirst(findEdit->text(), false, caseCheck->checkState() == Qt::Checked, false, true, forward, line,
                      index, true, false);
}
