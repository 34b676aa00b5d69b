#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

// A Yes/No question whose Escape key and title-bar close button back out of it instead of answering No: a user
// who presses Escape has not agreed to lose anything.
class Question
{
public:
    enum class Answer { Yes, No, Cancel };

    static Answer ask(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text);
};
