#pragma once

#include <QJSValue>
#include <QObject>

class JsConsole;

// The native end of the console methods that take any number of values: each is a script function that passes its
// arguments object here, since a slot takes a fixed number of values. Scripts reach this object only through those
// functions, never by name, so they cannot delete it or connect to it.
class ConsoleCalls : public QObject
{
    Q_OBJECT

public:
    explicit ConsoleCalls(JsConsole *console);

public slots:
    // method: a JsConsole::Method; helpers: the script functions the console reads values with.
    void run(int method, QJSValue arguments, QJSValue helpers);

private:
    JsConsole *console; // the parent
};
