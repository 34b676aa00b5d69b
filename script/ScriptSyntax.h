#pragma once

#include <QString>
#include <QStringList>

#include <initializer_list>

// What the script engine's own parser says of a text, without running any of it. The parser is the engine's, so a
// text parses here exactly when the engine would parse it.
class ScriptSyntax
{
public:
    struct Check
    {
        bool parses = false;
        int line = 0;     // where the first syntax error is, first line 1
        QString message;  // the parser's text for it
    };

    static Check check(const QString &program);

    // The names that the text's top-level let, const and class declarations bind (destructuring patterns
    // included), in order. Empty when the text does not parse.
    static QStringList lexicalNames(const QString &program);
    // Every name the text's top level declares: var, let, const, function and class. Empty when it does not parse.
    static QStringList topLevelNames(const QString &program);

    // The engine forgets top-level let, const and class bindings once a script has run; the next evaluation (an
    // expression, the object tree) cannot see them. This trailer, run at the end of the same script, makes each one
    // an accessor property of the global object that reads and assigns the binding itself, so const stays const and
    // the script's own functions see every change. It starts with a line break, so no line of the script moves.
    // Empty when there is nothing to keep, or when the text does not parse (its error must stay the script's own).
    // The script's value then is the number of the trailer's line as the engine counts lines (its count differs
    // from the text's in some comments and templates), so that an error raised in an accessor can be told apart.
    // Names in except get no accessor (names a tool added that the user never wrote).
    static QString globalAccessors(const QString &program, const QStringList &except = QStringList());

    // Whether text holds word anywhere (comments and strings included). The search runs for the word's first capital
    // letter (its first letter when it has none), which is rare in code and which the character search skips to many
    // characters at a time: a 113 KB library takes a few hundredths of a millisecond.
    static bool mentions(const QString &text, QLatin1String word);
    // The same for several words (at most 32): bit i set when text holds words[i].
    static quint32 mentions(const QString &text, std::initializer_list<QLatin1String> words);

    // What one scan of a text's code tells (see the two functions below).
    struct CodeFacts
    {
        bool mayDeclareLexically = true;
        bool mayUseExponent = true;
    };
    static CodeFacts facts(const QString &program);
    // The same accessors with the facts of program known already.
    static QString globalAccessors(const QString &program, const QStringList &except, const CodeFacts &facts);


    // False only when the text certainly holds no let, const or class token outside its comments, strings, template
    // literals, regular expressions and braces: then it declares nothing lexical at its top level and need not be
    // parsed a second time (a library wrapped in a function is not). A single pass over the characters, far cheaper
    // than the parse; where it cannot tell a regular expression from a division it reads the slash as a division,
    // and answers true when the braces it counted then do not balance.
    static bool mayDeclareLexically(const QString &program);

    // False only when the text certainly uses no ** operator: no "**" in its code outside comments, strings, template
    // texts and regular expressions (read as the scan above reads them).
    static bool mayUseExponent(const QString &program);
};
