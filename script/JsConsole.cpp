#include "script/JsConsole.h"

#include "script/ValueText.h"

#include <initializer_list>

#include <pthread.h>

// The slot definitions below, and the generated meta-object code included at the end, spell the name "assert".
#pragma push_macro("assert")
#undef assert

namespace {

const QString logLabel = QStringLiteral("Log：");
const QString debugLabel = QStringLiteral("debug：");
const QString printLabel = QStringLiteral("print：");
const QString infoLabel = QStringLiteral("info：");
const QString assertLabel = QStringLiteral("assert：");

} // namespace

JsConsole::JsConsole(QObject *parent) : QObject(parent)
{
    // The first receiver of every emission, before the window's and the script's own.
    connect(this, &JsConsole::onMsg, this, [this] {
        if (stackLow())
            blockSignals(true);
    });
}

bool JsConsole::stackLow()
{
    // The stack of the thread that runs scripts (the GUI thread, the only one): its lowest address and size, looked
    // up once.
    static const char *low = nullptr;
    static size_t size = 0;
    if (!low) {
        pthread_attr_t attributes;
        void *address = nullptr;
        if (pthread_getattr_np(pthread_self(), &attributes) == 0) {
            pthread_attr_getstack(&attributes, &address, &size);
            pthread_attr_destroy(&attributes);
        }
        if (!address)
            return false;
        low = static_cast<const char *>(address);
    }
    const char here = 0;
    return size_t(&here - low) < size_t(double(size) * minStackShare);
}

void JsConsole::setValueTextContext(const ValueTextContext &context)
{
    textContext = context;
}

void JsConsole::say(const QString &label, std::initializer_list<const QJSValue *> values)
{
    if (nesting >= maxNesting)
        return;
    // A runaway emission chain blocked the signal; the script has unwound since.
    if (nesting == 0 && signalsBlocked() && !stackLow())
        blockSignals(false);
    ++nesting;
    QString text = label;
    bool first = true;
    for (const QJSValue *value : values) {
        if (!first)
            text += QLatin1Char(' ');
        first = false;
        text += valueText(*value, textContext);
    }
    emit onMsg(text);
    --nesting;
}

void JsConsole::log(QJSValue msg)
{
    say(logLabel, {&msg});
}

void JsConsole::log(QJSValue msg, QJSValue msg1)
{
    say(logLabel, {&msg, &msg1});
}

void JsConsole::log(QJSValue msg, QJSValue msg1, QJSValue msg3)
{
    say(logLabel, {&msg, &msg1, &msg3});
}

void JsConsole::debug(QJSValue msg)
{
    say(debugLabel, {&msg});
}

void JsConsole::debug(QJSValue msg, QJSValue msg1)
{
    say(debugLabel, {&msg, &msg1});
}

void JsConsole::debug(QJSValue msg, QJSValue msg1, QJSValue msg3)
{
    say(debugLabel, {&msg, &msg1, &msg3});
}

void JsConsole::print(QJSValue msg)
{
    say(printLabel, {&msg});
}

void JsConsole::print(QJSValue msg, QJSValue msg1)
{
    say(printLabel, {&msg, &msg1});
}

void JsConsole::print(QJSValue msg, QJSValue msg1, QJSValue msg3)
{
    say(printLabel, {&msg, &msg1, &msg3});
}

void JsConsole::info(QJSValue msg)
{
    say(infoLabel, {&msg});
}

void JsConsole::info(QJSValue msg, QJSValue msg1)
{
    say(infoLabel, {&msg, &msg1});
}

void JsConsole::info(QJSValue msg, QJSValue msg1, QJSValue msg3)
{
    say(infoLabel, {&msg, &msg1, &msg3});
}

void JsConsole::assert(bool cond, QJSValue msg)
{
    if (cond)
        say(assertLabel, {&msg});
}

void JsConsole::assert(bool cond, QJSValue msg, QJSValue msg1)
{
    if (cond)
        say(assertLabel, {&msg, &msg1});
}

void JsConsole::assert(bool cond, QJSValue msg, QJSValue msg1, QJSValue msg2)
{
    if (cond)
        say(assertLabel, {&msg, &msg1, &msg2});
}

#include "moc_JsConsole.cpp"

#pragma pop_macro("assert")
