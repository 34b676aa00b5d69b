#pragma once

#include <QDialog>

class QTextBrowser;

// The "使用说明" window: the help page from the resources in a non-modal dialog that stays on top. One per process,
// built on first use and only shown again afterwards.
class HelpDialog : public QDialog
{
    Q_OBJECT

public:
    explicit HelpDialog(QWidget *parent);

    // The process's help dialog: built on first use with window as parent, then shown, activated and focused.
    static HelpDialog *open(QWidget *window);

    QTextBrowser *const page;
};
