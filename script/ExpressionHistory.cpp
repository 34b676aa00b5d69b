#include "script/ExpressionHistory.h"

#include <QKeyEvent>
#include <QLineEdit>

ExpressionHistory::ExpressionHistory(QLineEdit *edit) : QObject(edit), edit(edit)
{
    edit->installEventFilter(this);
}

void ExpressionHistory::add(const QString &expression)
{
    if (!expression.isEmpty() && (list.isEmpty() || list.last() != expression))
        list.append(expression);
    position = list.size();
    draft.clear();
}

void ExpressionHistory::step(int by)
{
    const int next = position + by;
    if (next < 0 || next > list.size())
        return;
    if (position == list.size())
        draft = edit->text();
    position = next;
    edit->setText(position == list.size() ? draft : list.at(position));
}

bool ExpressionHistory::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == edit && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier) {
            if (key->key() == Qt::Key_Up) {
                step(-1);
                return true;
            }
            if (key->key() == Qt::Key_Down) {
                step(1);
                return true;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}
