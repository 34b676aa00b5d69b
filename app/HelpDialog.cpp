#include "app/HelpDialog.h"

#include "app/ScriptFile.h"

#include <QBoxLayout>
#include <QDialog>
#include <QFile>
#include <QPointer>
#include <QTextBrowser>

namespace {

// Guarded: they empty themselves when the main window, and with it the dialog, is destroyed.
QPointer<QDialog> helpDialog;
QPointer<QVBoxLayout> helpLayout;
QPointer<QTextBrowser> helpPage;

} // namespace

void HelpDialog::open(QWidget *window)
{
    if (!helpDialog) {
        helpDialog = new QDialog(window);
        helpDialog->resize(500, 500);
        helpDialog->setWindowTitle(QStringLiteral("使用说明"));
        helpDialog->setWindowFlag(Qt::Drawer, true);
        helpDialog->setWindowFlag(Qt::WindowStaysOnTopHint, true);
        helpDialog->setModal(false);
    }
    if (!helpLayout)
        helpLayout = new QVBoxLayout(helpDialog);
    if (!helpPage) {
        helpPage = new QTextBrowser;
        QFile file(QStringLiteral(":/hex/res/instructions.html"));
        if (file.open(QIODevice::ReadOnly))
            helpPage->setHtml(ScriptFile::decode(file.readAll()));
        helpLayout->addWidget(helpPage, 0, Qt::Alignment());
    }
    helpDialog->show();
    helpDialog->activateWindow();
    helpPage->setFocus(Qt::OtherFocusReason);
}

QDialog *HelpDialog::dialog()
{
    return helpDialog;
}

QTextBrowser *HelpDialog::page()
{
    return helpPage;
}
