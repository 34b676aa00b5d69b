#include "app/HelpDialog.h"

#include "common/ToolDialog.h"
#include "common/Utf8Text.h"

#include <QBoxLayout>
#include <QFile>
#include <QPointer>
#include <QTextBrowser>

HelpDialog::HelpDialog(QWidget *parent) : QDialog(parent), page(new QTextBrowser)
{
    ToolDialog::setUp(this, 500, 500, QStringLiteral("使用说明"));
    auto *layout = new QVBoxLayout(this);
    // A page that cannot be read stays empty; the dialog still opens.
    QFile file(QStringLiteral(":/hex/res/instructions.html"));
    if (file.open(QIODevice::ReadOnly))
        page->setHtml(Utf8Text::decode(file.readAll()));
    layout->addWidget(page, 0, Qt::Alignment());
}

HelpDialog *HelpDialog::open(QWidget *window)
{
    // Guarded: it empties itself when the window, and with it the dialog, is destroyed.
    static QPointer<HelpDialog> dialog;
    if (!dialog)
        dialog = new HelpDialog(window);
    dialog->show();
    dialog->activateWindow();
    dialog->page->setFocus(Qt::OtherFocusReason);
    return dialog;
}
