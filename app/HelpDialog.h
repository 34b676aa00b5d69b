#pragma once

class QDialog;
class QTextBrowser;
class QWidget;

// The "使用说明" window: the help page from the resources in a non-modal dialog that stays on top. One per process,
// built on first use and only shown again afterwards.
class HelpDialog
{
public:
    static void open(QWidget *window);

    static QDialog *dialog();
    static QTextBrowser *page();
};
