#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QLineEdit;

// The expressions evaluated since start-up, walked with Up and Down in the expression line edit as in a console:
// Up goes to older ones, Down back to newer ones and at the end to what was being typed. Kept in memory only.
class ExpressionHistory : public QObject
{
    Q_OBJECT

public:
    // Watches edit's keys; the history belongs to edit.
    explicit ExpressionHistory(QLineEdit *edit);

    // Records an expression that is about to be evaluated (empty ones and repeats of the last one are not kept).
    void add(const QString &expression);
    QStringList entries() const { return list; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void step(int by);

    QLineEdit *edit;
    QStringList list;
    int position = 0;   // list.size() means "not browsing"
    QString draft;      // what was typed before browsing started
};
