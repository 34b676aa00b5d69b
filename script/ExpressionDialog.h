#pragma once

#include <functional>

class QDialog;
class QLineEdit;
class QPushButton;
class VelmoraWindow;

// The non-modal "计算表达式" dialog: a label, the expression line edit and the button that evaluates it.
// Its widgets are process-wide, created on first use with the window as parent and kept (closing only hides);
// the expression typed last stays in the line edit.
class ExpressionDialog
{
public:
    // Creates whatever does not exist yet. When the line edit is created, the window's selectFunction signal is
    // connected to write a clicked function's call text into it; when the button is created, its clicks run evaluate.
    static void ensure(VelmoraWindow *window, const std::function<void()> &evaluate);
    // Shows and activates the dialog and puts the focus into the line edit.
    static void present();
    // Hides the dialog if it exists.
    static void hide();

    static QDialog *dialog();
    static QLineEdit *edit();
    static QPushButton *button();
};
