#include "script/ConsoleCalls.h"

#include "script/JsConsole.h"

#include <QJSEngine>

ConsoleCalls::ConsoleCalls(JsConsole *console) : QObject(console), console(console) {}

void ConsoleCalls::run(int method, QJSValue arguments, QJSValue helpers)
{
    if (method < 0 || method > int(JsConsole::Method::GroupEnd))
        return;
    console->callMethod(JsConsole::Method(method), arguments, helpers, qjsEngine(this));
}
