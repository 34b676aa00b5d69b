#include "script/BuiltinLibrary.h"

#include "common/Utf8Text.h"

#include <QFile>
#include <QJSEngine>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

// The library's source is a resource of the static library: keep it linked and registered.
// (Q_INIT_RESOURCE must be used outside any namespace.)
static void registerLibraryResource()
{
    Q_INIT_RESOURCE(builtins);
}

namespace {

const QString libraryFile = QStringLiteral("velmora-builtins");

// One section of the library source: the words that make it install ("a+b" needs both words) and the sections it
// needs installed before it.
struct Section
{
    QString name;
    QString body;
    std::vector<std::vector<int>> groups;
    std::vector<int> needs;
    bool always = false;
};

struct Library
{
    QString kit;
    int kitLine = 1;
    std::vector<Section> sections;
    std::vector<std::u16string> words;
    std::unordered_map<std::u16string_view, int> wordIds;
    std::array<bool, 128> firstLetters{};
    int shortest = 0;
    int longest = 0;

    int wordId(const QString &word)
    {
        const std::u16string key(reinterpret_cast<const char16_t *>(word.utf16()), word.size());
        for (std::size_t i = 0; i < words.size(); ++i)
            if (words[i] == key)
                return int(i);
        words.push_back(key);
        return int(words.size() - 1);
    }
};

// Parses the resource once per process: "//@ name : words < needs" starts a section.
const Library &library()
{
    static const std::unique_ptr<Library> parsed = [] {
        registerLibraryResource();
        auto lib = std::make_unique<Library>();
        QFile resource(QStringLiteral(":/hex/res/builtins.js"));
        const QString source = resource.open(QIODevice::ReadOnly) ? Utf8Text::decode(resource.readAll()) : QString();
        const QStringList lines = source.split(QLatin1Char('\n'));
        QStringList body;
        Section *current = nullptr;
        bool inKit = false;
        const auto close = [&] {
            if (inKit)
                lib->kit = body.join(QLatin1Char('\n'));
            else if (current)
                current->body = body.join(QLatin1Char('\n'));
            body.clear();
        };
        std::vector<QStringList> needNames;
        for (int i = 0; i < lines.size(); ++i) {
            const QString &line = lines.at(i);
            if (!line.startsWith(QLatin1String("//@ "))) {
                if (inKit || current)
                    body.append(line);
                continue;
            }
            close();
            const QString header = line.mid(4);
            const int colon = header.indexOf(QLatin1Char(':'));
            const int less = header.indexOf(QLatin1Char('<'));
            const QString name = header.left(colon >= 0 ? colon : less >= 0 ? less : header.size()).trimmed();
            if (name == QLatin1String("kit")) {
                inKit = true;
                lib->kitLine = i + 2;
                current = nullptr;
                continue;
            }
            inKit = false;
            lib->sections.emplace_back();
            current = &lib->sections.back();
            current->name = name;
            const QString triggers = colon >= 0 ? header.mid(colon + 1, less > colon ? less - colon - 1 : -1) : QString();
            for (const QString &group : triggers.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
                if (group == QLatin1String("*")) {
                    current->always = true;
                    continue;
                }
                std::vector<int> ids;
                for (const QString &word : group.split(QLatin1Char('+')))
                    ids.push_back(lib->wordId(word));
                current->groups.push_back(ids);
            }
            needNames.push_back(less >= 0 ? header.mid(less + 1).split(QLatin1Char(' '), Qt::SkipEmptyParts)
                                          : QStringList());
        }
        close();
        for (std::size_t i = 0; i < lib->sections.size(); ++i)
            for (const QString &need : needNames[i])
                for (std::size_t j = 0; j < i; ++j)
                    if (lib->sections[j].name == need)
                        lib->sections[i].needs.push_back(int(j));
        lib->shortest = 1000;
        for (std::size_t i = 0; i < lib->words.size(); ++i) {
            const std::u16string &word = lib->words[i];
            lib->wordIds.emplace(std::u16string_view(word), int(i));
            lib->firstLetters[word.front() & 127] = true;
            lib->shortest = std::min(lib->shortest, int(word.size()));
            lib->longest = std::max(lib->longest, int(word.size()));
        }
        return lib;
    }();
    return *parsed;
}

// Letters, digits, '_' and '$': what a word of the scan is made of.
constexpr std::array<bool, 128> wordCharacters = [] {
    std::array<bool, 128> table{};
    for (int c = 'a'; c <= 'z'; ++c)
        table[c] = table[c - 'a' + 'A'] = true;
    for (int c = '0'; c <= '9'; ++c)
        table[c] = true;
    table['_'] = table['$'] = true;
    return table;
}();

// Which of the library's words the text holds, anywhere: code, strings and comments alike (a mention in a string
// may be a computed property name).
std::vector<bool> wordsIn(const QString &text, const Library &lib)
{
    std::vector<bool> found(lib.words.size(), false);
    const char16_t *data = reinterpret_cast<const char16_t *>(text.utf16());
    const int size = text.size();
    for (int i = 0; i < size;) {
        const char16_t c = data[i];
        if (c >= 128 || !wordCharacters[c]) {
            ++i;
            continue;
        }
        int end = i + 1;
        while (end < size && data[end] < 128 && wordCharacters[data[end]])
            ++end;
        const int length = end - i;
        if (length >= lib.shortest && length <= lib.longest && lib.firstLetters[c]) {
            const auto it = lib.wordIds.find(std::u16string_view(data + i, std::size_t(length)));
            if (it != lib.wordIds.end())
                found[std::size_t(it->second)] = true;
        }
        i = end;
    }
    return found;
}

} // namespace

BuiltinLibrary::BuiltinLibrary(QJSEngine *engine) : engine(engine)
{
    const Library &lib = library();
    installed.assign(lib.sections.size(), false);
    remaining = int(lib.sections.size());
    const QJSValue make = engine->evaluate(lib.kit, libraryFile, lib.kitLine);
    if (make.isCallable())
        kit = QJSValue(make).call({engine->globalObject()});
    if (!kit.isObject())
        remaining = 0;
}

void BuiltinLibrary::prepareFor(const QString &text)
{
    if (remaining == 0)
        return;
    const Library &lib = library();
    const std::vector<bool> found = wordsIn(text, lib);
    std::vector<bool> wanted(lib.sections.size(), false);
    bool any = false;
    // Sections come after the ones they need, so one backward pass marks the needs of everything wanted.
    for (std::size_t i = lib.sections.size(); i-- > 0;) {
        const Section &section = lib.sections[i];
        bool want = wanted[i] || section.always;
        for (std::size_t g = 0; !want && g < section.groups.size(); ++g)
            want = std::all_of(section.groups[g].begin(), section.groups[g].end(),
                               [&found](int word) { return found[std::size_t(word)]; });
        if (!want || installed[i])
            continue;
        wanted[i] = any = true;
        for (int need : section.needs)
            wanted[std::size_t(need)] = true;
    }
    if (!any)
        return;
    // The sections' names for the built-ins are the parameters, bound to the engine's own built-ins.
    QString source = QStringLiteral("(function (k, g, ") + kit.property(QStringLiteral("names")).toString()
                     + QStringLiteral(") { 'use strict'; return [\n");
    for (std::size_t i = 0; i < lib.sections.size(); ++i) {
        if (!wanted[i] || installed[i])
            continue;
        installed[i] = true;
        --remaining;
        source += lib.sections[i].body + QStringLiteral(",\n");
    }
    source += QStringLiteral("]; })");
    QJSValue compile = engine->evaluate(source, libraryFile);
    QJSValueList arguments{kit, engine->globalObject()};
    const QJSValue values = kit.property(QStringLiteral("values"));
    for (quint32 i = 0, count = values.property(QStringLiteral("length")).toUInt(); i < count; ++i)
        arguments.append(values.property(i));
    const QJSValue sections = compile.isCallable() ? compile.call(arguments) : QJSValue();
    if (sections.isArray())
        kit.property(QStringLiteral("install")).callWithInstance(kit, QJSValueList{sections});

    const QJSValue names = kit.property(QStringLiteral("globals"));
    const QJSValue defined = kit.property(QStringLiteral("globalValues"));
    const int count = names.property(QStringLiteral("length")).toInt();
    for (int i = globals.size(); i < count; ++i)
        globals.append({names.property(quint32(i)).toString(), defined.property(quint32(i))});
}

QStringList BuiltinLibrary::globalNames() const
{
    QStringList names;
    for (const auto &global : globals)
        names.append(global.first);
    return names;
}

bool BuiltinLibrary::isLibraryValue(const QString &name, const QJSValue &value) const
{
    for (const auto &global : globals)
        if (global.first == name)
            return global.second.strictlyEquals(value);
    return false;
}

QStringList BuiltinLibrary::knownWords()
{
    QStringList words;
    for (const std::u16string &word : library().words)
        words.append(QString::fromUtf16(word.data(), int(word.size())));
    return words;
}
