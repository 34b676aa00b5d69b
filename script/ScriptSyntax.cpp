#include "script/ScriptSyntax.h"

#include <QRegularExpression>

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

QStringList ScriptSyntax::lexicalNames(const QString &program)
{
    QStringList names;
    parse(program, [&names](AST::Program *root) {
        for (AST::StatementList *it = root ? root->statements : nullptr; it; it = it->next) {
            if (auto *variables = AST::cast<AST::VariableStatement *>(it->statement)) {
                for (AST::VariableDeclarationList *d = variables->declarations; d; d = d->next) {
                    if (!d->declaration || d->declaration->scope == AST::VariableScope::Var)
                        continue;
                    AST::BoundNames bound;
                    d->declaration->boundNames(&bound);
                    for (const AST::BoundName &name : qAsConst(bound))
                        names.append(name.id);
                }
            } else if (auto *declaration = AST::cast<AST::ClassDeclaration *>(it->statement)) {
                names.append(declaration->name.toString());
            }
        }
    });
    return names;
}

QString ScriptSyntax::globalAccessors(const QString &program)
{
    // Most scripts declare nothing lexical: a plain search keeps them from paying for a second parse.
    static const QRegularExpression keyword(QStringLiteral("\\b(let|const|class)\\b"));
    if (!program.contains(keyword))
        return QString();
    const QStringList names = lexicalNames(program);
    if (names.isEmpty())
        return QString();
    // A name the global object cannot take (a non-configurable one such as NaN) stays as the engine leaves it.
    QString trailer = QStringLiteral("\n");
    for (const QString &name : names) {
        trailer += QStringLiteral("try{Object.defineProperty(this,%1,{get:function(){return %2},set:function(v){%2=v},"
                                  "configurable:true,enumerable:true})}catch(e){}")
                       .arg(quoted(name), name);
    }
    return trailer;
}
