#include "tools/ReplaceDialog.h"

#include "common/ToolDialog.h"
#include "editor/EditorText.h"

#include <Qsci/qsciscintilla.h>

#include <QBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

ReplaceDialog::ReplaceDialog(QsciScintilla *editor, QWidget *parent)
    : QDialog(parent),
      replaceFindEdit(new QLineEdit),
      replaceEdit(new QLineEdit),
      replaceAllButton(new QPushButton(QStringLiteral("替换全部"))),
      editor(editor)
{
    ToolDialog::setUp(this, 300, 100, QStringLiteral("替换"));

    // The widgets are made without a parent; the layouts give them to the dialog.
    auto *layout = new QVBoxLayout;
    setLayout(layout);
    auto *findRow = new QHBoxLayout;
    layout->addLayout(findRow);
    auto *replacementRow = new QHBoxLayout;
    layout->addLayout(replacementRow);
    findRow->addWidget(new QLabel(QStringLiteral("查找内容：")));
    findRow->addWidget(replaceFindEdit);
    replacementRow->addWidget(new QLabel(QStringLiteral("替换内容：")));
    replacementRow->addWidget(replaceEdit);
    layout->addWidget(replaceAllButton);
    connect(replaceAllButton, &QAbstractButton::clicked, replaceAllButton, [this] { replaceAllStep(); });
}

ReplaceDialog *ReplaceDialog::open(QWidget *window, QsciScintilla *editor)
{
    // Guarded: it empties itself when the window, and with it the dialog, is destroyed.
    static QPointer<ReplaceDialog> dialog;
    if (!dialog)
        dialog = new ReplaceDialog(editor, window);
    if (dialog->isHidden())
        dialog->show();
    dialog->activateWindow();
    dialog->replaceFindEdit->setFocus(Qt::OtherFocusReason);
    return dialog;
}

void ReplaceDialog::replaceAllStep()
{
    if (replaceFindEdit->text().isEmpty() || replaceEdit->text().isEmpty())
        return;
    QString text = editor->text();
    text.replace(replaceFindEdit->text(), replaceEdit->text(), Qt::CaseSensitive);
    EditorText::replaceAll(editor, text);
}
