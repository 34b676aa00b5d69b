#include "script/JsConsole.h"

#include "script/ValueText.h"

#include <initializer_list>

// The slot definitions below, and the generated meta-object code included at the end, spell the name "assert".
#pragma push_macro("assert")
#undef assert

namespace {

QString consoleText(const QString &label, std::initializer_list<const QJSValue *> values)
{
    QString text = label;
    bool first = true;
    for (const QJSValue *value : values) {
        if (!first)
            text += QLatin1Char(' ');
        first = false;
        text += valueText(*value);
    }
    return text;
}

const QString logLabel = QStringLiteral("Log：");
const QString debugLabel = QStringLiteral("debug：");
const QString printLabel = QStringLiteral("print：");
const QString infoLabel = QStringLiteral("info：");
const QString assertLabel = QStringLiteral("assert：");

} // namespace

JsConsole::JsConsole(QObject *parent) : QObject(parent)
{
}

void JsConsole::log(QJSValue msg)
{
    emit onMsg(consoleText(logLabel, {&msg}));
}

void JsConsole::log(QJSValue msg, QJSValue msg1)
{
    emit onMsg(consoleText(logLabel, {&msg, &msg1}));
}

void JsConsole::log(QJSValue msg, QJSValue msg1, QJSValue msg3)
{
    emit onMsg(consoleText(logLabel, {&msg, &msg1, &msg3}));
}

void JsConsole::debug(QJSValue msg)
{
    emit onMsg(consoleText(debugLabel, {&msg}));
}

void JsConsole::debug(QJSValue msg, QJSValue msg1)
{
    emit onMsg(consoleText(debugLabel, {&msg, &msg1}));
}

void JsConsole::debug(QJSValue msg, QJSValue msg1, QJSValue msg3)
{
    emit onMsg(consoleText(debugLabel, {&msg, &msg1, &msg3}));
}

void JsConsole::print(QJSValue msg)
{
    emit onMsg(consoleText(printLabel, {&msg}));
}

void JsConsole::print(QJSValue msg, QJSValue msg1)
{
    emit onMsg(consoleText(printLabel, {&msg, &msg1}));
}

void JsConsole::print(QJSValue msg, QJSValue msg1, QJSValue msg3)
{
    emit onMsg(consoleText(printLabel, {&msg, &msg1, &msg3}));
}

void JsConsole::info(QJSValue msg)
{
    emit onMsg(consoleText(infoLabel, {&msg}));
}

void JsConsole::info(QJSValue msg, QJSValue msg1)
{
    emit onMsg(consoleText(infoLabel, {&msg, &msg1}));
}

void JsConsole::info(QJSValue msg, QJSValue msg1, QJSValue msg3)
{
    emit onMsg(consoleText(infoLabel, {&msg, &msg1, &msg3}));
}

void JsConsole::assert(bool cond, QJSValue msg)
{
    if (cond)
        emit onMsg(consoleText(assertLabel, {&msg}));
}

void JsConsole::assert(bool cond, QJSValue msg, QJSValue msg1)
{
    if (cond)
        emit onMsg(consoleText(assertLabel, {&msg, &msg1}));
}

void JsConsole::assert(bool cond, QJSValue msg, QJSValue msg1, QJSValue msg2)
{
    if (cond)
        emit onMsg(consoleText(assertLabel, {&msg, &msg1, &msg2}));
}

#include "moc_JsConsole.cpp"

#pragma pop_macro("assert")
