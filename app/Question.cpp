#include "app/Question.h"

#include <QPushButton>

Question::Answer Question::ask(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text)
{
    QMessageBox box(icon, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    // With only Yes and No, QMessageBox makes No the escape button. A Cancel that is never shown takes that part
    // (and the title bar's close button, which clicks the escape button) while the box shows Yes and No alone.
    QPushButton *cancel = box.addButton(QMessageBox::Cancel);
    cancel->hide();
    box.setEscapeButton(cancel);
    box.exec();
    const QAbstractButton *clicked = box.clickedButton();
    if (clicked && clicked == box.button(QMessageBox::Yes))
        return Answer::Yes;
    if (clicked && clicked == box.button(QMessageBox::No))
        return Answer::No;
    return Answer::Cancel;
}
