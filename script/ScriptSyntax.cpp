#include "script/ScriptSyntax.h"

#include <array>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#include <vector>


#include <private/qqmljsast_p.h>
#include <private/qqmljsengine_p.h>
#include <private/qqmljslexer_p.h>
#include <private/qqmljsparser_p.h>

namespace {

namespace AST = QQmlJS::AST;

// Parses program as the engine parses a script; calls visit with the program when it parses.
template <typename Visit>
ScriptSyntax::Check parse(const QString &program, Visit visit)
{
    QQmlJS::Engine engine;
    QQmlJS::Lexer lexer(&engine);
    lexer.setCode(program, 1, false);
    QQmlJS::Parser parser(&engine);
    ScriptSyntax::Check check;
    check.parses = parser.parseProgram();
    if (check.parses) {
        visit(AST::cast<AST::Program *>(parser.rootNode()));
    } else {
        check.line = parser.errorLineNumber();
        check.message = parser.errorMessage();
    }
    return check;
}

QString quoted(const QString &name)
{
    // Identifiers hold no quote or backslash once the parser has read their escapes, but say so anyway.
    QString text = name;
    text.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('"'), QStringLiteral("\\\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

} // namespace

ScriptSyntax::Check ScriptSyntax::check(const QString &program)
{
    return parse(program, [](AST::Program *) {});
}

namespace {

// The names bound by the text's top-level declarations: the lexical ones only, or all.
QStringList declaredNames(const QString &program, bool lexicalOnly)
{
    QStringList names;
    parse(program, [&names, lexicalOnly](AST::Program *root) {
        for (AST::StatementList *it = root ? root->statements : nullptr; it; it = it->next) {
            if (auto *variables = AST::cast<AST::VariableStatement *>(it->statement)) {
                for (AST::VariableDeclarationList *d = variables->declarations; d; d = d->next) {
                    if (!d->declaration || (lexicalOnly && d->declaration->scope == AST::VariableScope::Var))
                        continue;
                    AST::BoundNames bound;
                    d->declaration->boundNames(&bound);
                    for (const AST::BoundName &name : qAsConst(bound))
                        names.append(name.id);
                }
            } else if (auto *declaration = AST::cast<AST::ClassDeclaration *>(it->statement)) {
                names.append(declaration->name.toString());
            } else if (auto *function = AST::cast<AST::FunctionDeclaration *>(it->statement)) {
                if (!lexicalOnly)
                    names.append(function->name.toString());
            }
        }
    });
    return names;
}

} // namespace

QStringList ScriptSyntax::lexicalNames(const QString &program)
{
    return declaredNames(program, true);
}

QStringList ScriptSyntax::topLevelNames(const QString &program)
{
    return declaredNames(program, false);
}

QString ScriptSyntax::globalAccessors(const QString &program, const QStringList &except)
{
    return globalAccessors(program, except, facts(program));
}

QString ScriptSyntax::globalAccessors(const QString &program, const QStringList &except, const CodeFacts &facts)
{
    // Most scripts declare nothing lexical: a scan keeps them from paying for a second parse.
    if (!facts.mayDeclareLexically)
        return QString();
    QStringList names = lexicalNames(program);
    for (const QString &name : except)
        names.removeAll(name);
    if (names.isEmpty())
        return QString();
    // A name the global object cannot take (a non-configurable one such as NaN) stays as the engine leaves it.
    QString trailer = QStringLiteral("\n");
    for (const QString &name : names) {
        trailer += QStringLiteral("try{Object.defineProperty(this,%1,{get:function(){return %2},set:function(v){%2=v},"
                                  "configurable:true,enumerable:true})}catch(e){}")
                       .arg(quoted(name), name);
    }
    // An error the engine makes itself carries the line; a script cannot replace its constructor.
    return trailer + QStringLiteral("try{null.x}catch(e){e.lineNumber}");
}

namespace {

// Character classes of the ASCII range; everything above it counts as a letter (what is no letter there makes the
// parse fail anyway).
enum CharClass : unsigned char { Other, Start, Digit };

constexpr std::array<CharClass, 128> asciiClasses = [] {
    std::array<CharClass, 128> classes{};
    for (int ch = 'a'; ch <= 'z'; ++ch)
        classes[ch] = classes[ch - 'a' + 'A'] = Start;
    for (int ch = '0'; ch <= '9'; ++ch)
        classes[ch] = Digit;
    classes['_'] = classes['$'] = classes['\\'] = Start;
    return classes;
}();

bool identifierStart(ushort ch)
{
    return ch >= 0x80 || asciiClasses[ch] == Start;
}

bool identifierPart(ushort ch)
{
    return ch >= 0x80 || asciiClasses[ch] != Other;
}

bool space(ushort ch)
{
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r' || ch == '\v' || ch == '\f'
        || (ch >= 0x80 && QChar(ch).isSpace());
}

bool sameWord(const ushort *text, int length, const char *word)
{
    for (int i = 0; i < length; ++i)
        if (word[i] == 0 || text[i] != ushort(word[i]))
            return false;
    return word[length] == 0;
}

// Words after which an expression starts, so that a slash opens a regular expression. Reserved words only: "of",
// "yield" and "await" can also be names, before which a slash divides.
bool expressionKeyword(const ushort *text, int length)
{
    static constexpr const char *words[] = {"return", "typeof", "case", "do", "else", "in", "new", "delete", "void",
                                            "throw", "instanceof"};
    // Most names start with no keyword's letter; this skips them without comparing.
    static constexpr auto firsts = [] {
        std::array<bool, 128> table{};
        for (const char *word : words)
            table[size_t(word[0])] = true;
        return table;
    }();
    if (length < 2 || length > 10 || text[0] >= 0x80 || !firsts[text[0]])
        return false;
    for (const char *keyword : words)
        if (sameWord(text, length, keyword))
            return true;
    return false;
}

// Scans program's code, skipping comments, strings, the text of templates and regular expressions. onWord(start,
// length, escaped, depth) sees each word of code with the depth of braces it stands at, onPunctuation(at) each
// punctuation character; either returns true to stop the scan. True when one of them stopped it, or when the scan is
// unsure of what it read (a slash it cannot place, braces that do not balance).
template <typename OnWord, typename OnPunctuation>
bool scanCode(const QString &program, OnWord onWord, OnPunctuation onPunctuation)
{
    const ushort *text = program.utf16();
    const int size = program.size();
    // Whether a slash here would open a regular expression: at the start, and after punctuation other than the
    // closers ) ] } and after the keywords above. After a closer a slash is read as a division: a regular
    // expression read that way is then scanned as code, which at worst finds a word that is not there or miscounts
    // the braces below.
    bool regexAllowed = true;
    // Braces open functions, blocks, classes and object literals; a top-level declaration stands outside all of
    // them. A regular expression misread as a division could hold a brace, so braces that do not balance send the
    // text to the parser.
    int depth = 0;
    int i = 0;
    const auto skipQuoted = [&](ushort quote) {
        for (++i; i < size && text[i] != quote; ++i) {
            if (text[i] == '\\')
                ++i;
            else if (text[i] == '\n')
                break;
        }
        ++i;
    };
    // The brace depths at which the ${...} substitutions being scanned were opened, innermost last.
    std::vector<int> substitutions;
    // Scans a template's text from i: to just past its closing backquote, or into the code of a substitution.
    const auto scanTemplate = [&] {
        for (; i < size && text[i] != '`'; ++i) {
            if (text[i] == '\\') {
                ++i;
            } else if (text[i] == '$' && i + 1 < size && text[i + 1] == '{') {
                substitutions.push_back(depth++);
                i += 2;
                regexAllowed = true;
                return;
            }
        }
        ++i;
        regexAllowed = false;
    };
    while (i < size) {
        const ushort ch = text[i];
        if (space(ch)) {
            ++i;
            continue;
        }
        if (ch == '/' && i + 1 < size && text[i + 1] == '/') {
            while (i < size && text[i] != '\n' && text[i] != QChar::LineSeparator
                   && text[i] != QChar::ParagraphSeparator && text[i] != '\r')
                ++i;
            continue;
        }
        if (ch == '/' && i + 1 < size && text[i + 1] == '*') {
            const int end = program.indexOf(QLatin1String("*/"), i + 2);
            i = end < 0 ? size : end + 2;
            continue;
        }
        if (ch == '"' || ch == '\'') {
            skipQuoted(ch);
            regexAllowed = false;
            continue;
        }
        if (ch == '`') {
            ++i;
            scanTemplate();
            continue;
        }
        if (ch == '}' && !substitutions.empty() && substitutions.back() == depth - 1) {
            // The end of a ${...}: the template it stands in goes on.
            substitutions.pop_back();
            --depth;
            ++i;
            scanTemplate();
            continue;
        }
        if (ch == '/' && regexAllowed) {
            bool inClass = false;
            for (++i; i < size; ++i) {
                const ushort c = text[i];
                if (c == '\\')
                    ++i;
                else if (c == '[')
                    inClass = true;
                else if (c == ']')
                    inClass = false;
                else if (c == '/' && !inClass)
                    break;
                else if (c == '\n')
                    return true; // not a regular expression after all: let the parser decide
            }
            ++i;
            while (i < size && identifierPart(text[i]))
                ++i;
            regexAllowed = false;
            continue;
        }
        if (identifierStart(ch)) {
            const int start = i;
            bool escaped = false;
            for (; i < size && identifierPart(text[i]); ++i) {
                if (text[i] == '\\')
                    escaped = true;
            }
            const int length = i - start;
            if (onWord(text + start, length, escaped, depth))
                return true;
            regexAllowed = expressionKeyword(text + start, length);
            continue;
        }
        if (ch >= '0' && ch <= '9') {
            while (i < size && (identifierPart(text[i]) || text[i] == '.'))
                ++i;
            regexAllowed = false;
            continue;
        }
        // Punctuation. A closer ends an operand; ++ and -- after an operand end one too.
        if (onPunctuation(i))
            return true;
        if (ch == '{') {
            ++depth;
            regexAllowed = true;
        } else if (ch == '}' && --depth < 0) {
            return true;
        } else if (ch == ')' || ch == ']' || ch == '}') {
            regexAllowed = false;
        } else if ((ch == '+' || ch == '-') && i + 1 < size && text[i + 1] == ch) {
            ++i;
        } else {
            regexAllowed = true;
        }
        ++i;
    }
    return depth != 0;
}

} // namespace

namespace {

// Where a word's search letter stands: its first capital, else its first letter.
int searchLetter(QLatin1String word)
{
    for (int i = 0; i < word.size(); ++i) {
        if (word.at(i) >= QLatin1Char('A') && word.at(i) <= QLatin1Char('Z'))
            return i;
    }
    return 0;
}

// The index of the first ch in chars[from, size), or -1: eight characters a step where the processor allows (Qt's own
// character search looks at one at a time, and each text is searched for several names before it runs).
int findChar(const ushort *chars, int from, int size, ushort ch)
{
    int at = from;
#ifdef __SSE2__
    const __m128i wanted = _mm_set1_epi16(short(ch));
    for (; at + 8 <= size; at += 8) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i *>(chars + at));
        const int mask = _mm_movemask_epi8(_mm_cmpeq_epi16(block, wanted));
        if (mask)
            return at + qCountTrailingZeroBits(uint(mask)) / 2;
    }
#endif
    for (; at < size; ++at) {
        if (chars[at] == ch)
            return at;
    }
    return -1;
}

} // namespace

bool ScriptSyntax::mentions(const QString &text, QLatin1String word)
{
    const int capital = searchLetter(word);
    const ushort letter = ushort(word.at(capital).unicode());
    const int length = word.size();
    const ushort *chars = text.utf16();
    const int size = text.size();
    for (int at = findChar(chars, capital, size, letter); at >= 0 && at - capital + length <= size;
         at = findChar(chars, at + 1, size, letter)) {
        if (QStringView(chars + at - capital, length) == word)
            return true;
    }
    return false;
}

quint32 ScriptSyntax::mentions(const QString &text, std::initializer_list<QLatin1String> words)
{
    quint32 found = 0;
    int i = 0;
    for (QLatin1String word : words) {
        if (i < 32 && mentions(text, word))
            found |= 1u << i;
        ++i;
    }
    return found;
}

ScriptSyntax::CodeFacts ScriptSyntax::facts(const QString &program)
{
    // One pass for both answers. Most texts hold no "**" at all; then it looks for declarations only.
    const bool lookForExponent = program.contains(QLatin1String("**"));
    CodeFacts facts;
    facts.mayDeclareLexically = false;
    facts.mayUseExponent = false;
    const auto known = [&facts, lookForExponent] {
        return facts.mayDeclareLexically && (facts.mayUseExponent || !lookForExponent);
    };
    const ushort *text = program.utf16();
    const int size = program.size();
    const bool stopped = scanCode(
        program,
        [&](const ushort *word, int length, bool escaped, int depth) {
            if (depth == 0
                && (escaped || sameWord(word, length, "let") || sameWord(word, length, "const")
                    || sameWord(word, length, "class")))
                facts.mayDeclareLexically = true;
            return known();
        },
        [&](int at) {
            if (lookForExponent && text[at] == '*' && at + 1 < size && text[at + 1] == '*')
                facts.mayUseExponent = true;
            return known();
        });
    // Stopped without knowing both: the scan was unsure of what it read.
    if (stopped && !known()) {
        facts.mayDeclareLexically = true;
        facts.mayUseExponent = lookForExponent;
    }
    return facts;
}

bool ScriptSyntax::mayDeclareLexically(const QString &program)
{
    return facts(program).mayDeclareLexically;
}

bool ScriptSyntax::mayUseExponent(const QString &program)
{
    return facts(program).mayUseExponent;
}
