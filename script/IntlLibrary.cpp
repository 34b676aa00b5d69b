#include "script/IntlLibrary.h"

#include "common/Utf8Text.h"
#include "script/IcuBridge.h"

#include <QFile>
#include <QJSEngine>

// The resources live in the static library, which the linker would otherwise leave out (outside any namespace, as
// Q_INIT_RESOURCE requires).
static void initIntlResources()
{
    Q_INIT_RESOURCE(velmora);
}

namespace {

// The names that reach the locale machinery. A mention anywhere (a comment included) is enough; missing a name
// only leaves the engine's own answer.
bool mentionsLocales(const QString &text)
{
    return text.contains(QLatin1String("Intl")) || text.contains(QLatin1String("toLocale"))
        || text.contains(QLatin1String("localeCompare"));
}

} // namespace

IntlLibrary::IntlLibrary(QJSEngine *engine)
    : engine(engine), functionConstructor(engine->globalObject().property(QStringLiteral("Function")))
{
}

// The bridge belongs to the engine: the installed code may outlive this object.
IntlLibrary::~IntlLibrary() = default;

void IntlLibrary::prepareFor(const QString &text)
{
    if (!datesInstalled && text.contains(QLatin1String("Date"))) {
        datesInstalled = true;
        install(QStringLiteral(":/hex/res/dates.js"));
    }
    if (!intlInstalled && mentionsLocales(text)) {
        intlInstalled = true;
        install(QStringLiteral(":/hex/res/intl.js"));
    }
}

void IntlLibrary::install(const QString &resource)
{
    static const bool resourcesReady = (initIntlResources(), true);
    Q_UNUSED(resourcesReady)
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly))
        return;
    if (!bridge) {
        // Owned by the engine, so it lives exactly as long as the code that holds it.
        bridge = new IcuBridge(engine);
    }
    // A Function body compiles with the engine's property-lookup caches, which evaluate() leaves out.
    QJSValue installer = functionConstructor.callAsConstructor(
        {QJSValue(QStringLiteral("icu")), QJSValue(QStringLiteral("global")),
         QJSValue(Utf8Text::decode(file.readAll()))});
    if (!installer.isCallable())
        return;
    const QJSValue global = engine->globalObject();
    const QJSValue result = installer.call({engine->newQObject(bridge.data()), global});
    if (result.isError() || !result.isArray())
        return;
    const int count = result.property(QStringLiteral("length")).toInt();
    for (int i = 0; i < count; ++i) {
        const QString name = result.property(quint32(i)).toString();
        installed.insert(name, global.property(name));
        names.append(name);
    }
}

QStringList IntlLibrary::globalNames() const
{
    return names;
}

bool IntlLibrary::holdsOwnValue(const QString &name, const QJSValue &value) const
{
    const auto it = installed.find(name);
    return it != installed.end() && it->strictlyEquals(value);
}
