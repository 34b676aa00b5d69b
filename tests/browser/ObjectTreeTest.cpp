// The tree of a compiled script's globals: fill, expanding on double-click, click-to-call.
#include "TestSupport.h"

#include "app/VelmoraWindow.h"
#include "browser/ObjectTree.h"
#include "script/ExpressionDialog.h"
#include "script/ScriptWatchdog.h"

#include <Qsci/qsciscintilla.h>

#include <QJSEngine>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextBrowser>
#include <QTreeWidget>

namespace {

const QString exampleScript =
    QStringLiteral("var x = 1; function add(p, q) { return p + q; } function none() {} "
                   "var o = {k: 'v', m: function (z) {}};");

} // namespace

class ObjectTreeTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void fillListsGlobalsWithoutHiddenNames();
    void clickWritesCallText_data();
    void clickWritesCallText();
    void clickBeforeDialogExistsWritesNothing();
    void doubleClickExpandsOnce();
    void doubleClickOnNumberAddsNothing();
    void nothingBeforeFirstCompile();
    void failedCompileEmptiesTreeAndNextCompileRefills();
    void throwingGetterStillListed();
    void runawayGetterIsStopped();
    void deletedNameAddsNothing();
    void descriptionsAreBounded_data();
    void descriptionsAreBounded();
    void doubleClickAddsAtMostLimit();
    void throwingProxyIsNotBlamedOnNextExpression();
    void callText_data();
    void callText();

private:
    VelmoraWindow *window = nullptr;
    QTreeWidget *tree() const { return parts(window).globalsTree(); }
    QTreeWidgetItem *item(const QString &name) const
    {
        const auto found = tree()->findItems(name, Qt::MatchExactly | Qt::MatchRecursive, 0);
        return found.isEmpty() ? nullptr : found.first();
    }
    bool compile(const QString &code)
    {
        parts(window).editor()->setText(code);
        return TestSupport::invoke(window, "codeCompile");
    }
    void click(QTreeWidgetItem *target)
    {
        tree()->scrollToItem(target);
        QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, tree()->visualItemRect(target).center());
    }
    void doubleClick(QTreeWidgetItem *target)
    {
        tree()->scrollToItem(target);
        const QPoint at = tree()->visualItemRect(target).center();
        // A double-click is a press, release, double-click press and release, as a mouse delivers it.
        QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(tree()->viewport(), Qt::LeftButton, {}, at);
    }
};

void ObjectTreeTest::init()
{
    window = new VelmoraWindow;
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    parts(window).scriptWatchdog().setLimit(1);
}

void ObjectTreeTest::cleanup()
{
    delete window;
    window = nullptr;
    TestSupport::flushDeferredDeletes();
    TestSupport::verifyNoWindowsLeft();
}

void ObjectTreeTest::fillListsGlobalsWithoutHiddenNames()
{
    QVERIFY(compile(exampleScript));
    QCOMPARE(item(QStringLiteral("x"))->text(1), QStringLiteral("1"));
    QCOMPARE(item(QStringLiteral("o"))->text(1), QStringLiteral("[object Object]"));
    QCOMPARE(item(QStringLiteral("add"))->text(1), parts(window).engine()->globalObject().property("add").toString());
    for (const QString &hidden : ObjectTree::hiddenGlobalNames)
        QVERIFY2(!item(hidden), qPrintable(hidden));
    // Built-ins the engine lists stay, in the iterator's order, before the script's own names.
    QVERIFY(item(QStringLiteral("Math")));
    QStringList names;
    for (int i = 0; i < tree()->topLevelItemCount(); ++i)
        names << tree()->topLevelItem(i)->text(0);
    QVERIFY(names.indexOf(QStringLiteral("Math")) < names.indexOf(QStringLiteral("x")));
    QCOMPARE(names.count(QStringLiteral("x")), 1);
    for (int i = 0; i < tree()->topLevelItemCount(); ++i)
        QCOMPARE(tree()->topLevelItem(i)->childCount(), 0);
}

void ObjectTreeTest::clickWritesCallText_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");
    QTest::newRow("two parameters") << "add" << "add(a, b)";
    QTest::newRow("no parameter") << "none" << "none()";
    QTest::newRow("number") << "x" << "unchanged";
    QTest::newRow("object") << "o" << "unchanged";
    QTest::newRow("child function uses its own name") << "m" << "m(a)";
}

void ObjectTreeTest::clickWritesCallText()
{
    QFETCH(QString, name);
    QFETCH(QString, expected);
    parts(window).editor()->setText(exampleScript);
    QVERIFY(TestSupport::invoke(window, "codeRun"));
    ExpressionDialog::instance()->exprEdit->setText(QStringLiteral("unchanged"));
    if (name == QLatin1String("m"))
        doubleClick(item(QStringLiteral("o")));
    ExpressionDialog::instance()->exprEdit->setText(QStringLiteral("unchanged"));
    QSignalSpy spy(window, &VelmoraWindow::selectFunction);
    click(item(name));
    QCOMPARE(ExpressionDialog::instance()->exprEdit->text(), expected);
    QCOMPARE(spy.count(), expected == QLatin1String("unchanged") ? 0 : 1);
}

void ObjectTreeTest::clickBeforeDialogExistsWritesNothing()
{
    QVERIFY(compile(exampleScript));
    QVERIFY(!ExpressionDialog::instance());
    QSignalSpy spy(window, &VelmoraWindow::selectFunction);
    click(item(QStringLiteral("add")));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("add"));
    QVERIFY(!ExpressionDialog::instance());
}

void ObjectTreeTest::doubleClickExpandsOnce()
{
    QVERIFY(compile(exampleScript));
    QTreeWidgetItem *o = item(QStringLiteral("o"));
    doubleClick(o);
    QCOMPARE(o->childCount(), 2);
    QCOMPARE(o->child(0)->text(0), QStringLiteral("k"));
    QCOMPARE(o->child(0)->text(1), QStringLiteral("v"));
    QCOMPARE(o->child(1)->text(0), QStringLiteral("m"));
    QVERIFY(o->isExpanded());
    doubleClick(o);
    QVERIFY(!o->isExpanded());
    doubleClick(o);
    QVERIFY(o->isExpanded());
    QCOMPARE(o->childCount(), 2);
}

void ObjectTreeTest::doubleClickOnNumberAddsNothing()
{
    QVERIFY(compile(exampleScript));
    for (int i = 0; i < 3; ++i)
        doubleClick(item(QStringLiteral("x")));
    QCOMPARE(item(QStringLiteral("x"))->childCount(), 0);
}

void ObjectTreeTest::nothingBeforeFirstCompile()
{
    // The tree is empty, and handlers given an item anyway do nothing without an engine.
    auto *orphan = new QTreeWidgetItem(tree(), QStringList{QStringLiteral("Math"), QString()});
    QSignalSpy spy(window, &VelmoraWindow::selectFunction);
    doubleClick(orphan);
    click(orphan);
    QCOMPARE(orphan->childCount(), 0);
    QCOMPARE(spy.count(), 0);
}

void ObjectTreeTest::failedCompileEmptiesTreeAndNextCompileRefills()
{
    QVERIFY(compile(exampleScript));
    doubleClick(item(QStringLiteral("o")));
    QVERIFY(!compile(QStringLiteral("var = ;")));
    QCOMPARE(tree()->topLevelItemCount(), 0);
    QVERIFY(compile(exampleScript));
    QVERIFY(item(QStringLiteral("o")));
    QCOMPARE(item(QStringLiteral("o"))->childCount(), 0);
    QVERIFY(!item(QStringLiteral("k")));
}

void ObjectTreeTest::throwingGetterStillListed()
{
    QVERIFY(compile(QStringLiteral("var bad = {ok: 1, get oops() { throw new Error('nope'); }};\n"
                                   "var s = {toString: function () { throw new TypeError('no text'); }};\n"
                                   "Object.defineProperty(this, 'trap', {enumerable: true, get: function () { throw new RangeError('g'); }});")));
    QCOMPARE(item(QStringLiteral("s"))->text(1), QStringLiteral("TypeError: no text"));
    QCOMPARE(item(QStringLiteral("trap"))->text(1), QStringLiteral("RangeError: g"));
    doubleClick(item(QStringLiteral("bad")));
    QCOMPARE(item(QStringLiteral("bad"))->childCount(), 2);
    QCOMPARE(item(QStringLiteral("oops"))->text(1), QStringLiteral("Error: nope"));
}

void ObjectTreeTest::runawayGetterIsStopped()
{
    QVERIFY(compile(QStringLiteral("var slow = {get forever() { while (true) {} }, fine: 2};")));
    const int before = TestSupport::entryCount(parts(window).outputView());
    doubleClick(item(QStringLiteral("slow")));
    // The walk stops at the limit; its last item says the list is incomplete.
    QCOMPARE(item(QStringLiteral("slow"))->childCount(), 2);
    QCOMPARE(item(QStringLiteral("slow"))->child(1)->text(0), ObjectTree::moreItemsName);
    QCOMPARE(TestSupport::texts(parts(window).outputView(), before), QStringList{"脚本运行超过1秒,已中断"});
}

void ObjectTreeTest::deletedNameAddsNothing()
{
    parts(window).editor()->setText(QStringLiteral("gone = {a: 1};"));
    QVERIFY(TestSupport::invoke(window, "codeRun"));
    ExpressionDialog::instance()->exprEdit->setText(QStringLiteral("delete this.gone"));
    QTest::mouseClick(ExpressionDialog::instance()->exprButton, Qt::LeftButton);
    doubleClick(item(QStringLiteral("gone")));
    QCOMPARE(item(QStringLiteral("gone"))->childCount(), 0);
    QCOMPARE(item(QStringLiteral("gone"))->text(1), QStringLiteral("[object Object]"));
}

void ObjectTreeTest::callText_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("expected");
    QTest::newRow("none") << "(function () {})" << "f()";
    QTest::newRow("one") << "(function (z) {})" << "f(a)";
    QTest::newRow("three") << "(function (p, q, r) {})" << "f(a, b, c)";
    QTest::newRow("rest not counted") << "(function (p, ...r) {})" << "f(a)";
    QTest::newRow("hostile length is bounded")
        << "Object.defineProperty(function () {}, 'length', {value: 1e9})" << "bounded";
}

void ObjectTreeTest::callText()
{
    QFETCH(QString, script);
    QFETCH(QString, expected);
    QJSEngine engine;
    const QString text = ObjectTree::callText(QStringLiteral("f"), engine.evaluate(script));
    if (expected == QLatin1String("bounded"))
        QVERIFY(text.size() < 10000);
    else
        QCOMPARE(text, expected);
}

void ObjectTreeTest::descriptionsAreBounded_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("description");
    QTest::newRow("nested arrays as the engine joins them") << "var v = [1, [2, [3, null]], undefined, 'x'];"
                                                             << "1,2,3,,,x";
    QTest::newRow("cycle joins as nothing") << "var v = [1, 2]; v.push(v);" << "1,2,";
    QTest::newRow("typed array") << "var v = new Int8Array([1, -2]);" << "1,-2";
    QTest::newRow("own toString wins") << "var v = [1]; v.toString = function () { return 'mine'; };" << "mine";
    QTest::newRow("long string") << "var v = 'y'.repeat(5000);"
                                 << QString(ObjectTree::descriptionLength, QLatin1Char('y')) + QStringLiteral("…");
    QTest::newRow("huge sparse array") << "var v = new Array(150000000);"
                                       << QString(ObjectTree::descriptionLength, QLatin1Char(',')) + QStringLiteral("…");
}

void ObjectTreeTest::descriptionsAreBounded()
{
    QFETCH(QString, script);
    QFETCH(QString, description);
    QVERIFY(compile(script));
    QCOMPARE(item(QStringLiteral("v"))->text(1), description);
}

void ObjectTreeTest::doubleClickAddsAtMostLimit()
{
    QVERIFY(compile(QStringLiteral("var many = []; for (var i = 0; i < 20000; i++) many.push(i);")));
    doubleClick(item(QStringLiteral("many")));
    QTreeWidgetItem *many = item(QStringLiteral("many"));
    QCOMPARE(many->childCount(), ObjectTree::itemLimit + 1);
    QCOMPARE(many->child(ObjectTree::itemLimit - 1)->text(0), QString::number(ObjectTree::itemLimit - 1));
    QCOMPARE(many->child(ObjectTree::itemLimit)->text(0), ObjectTree::moreItemsName);
}

void ObjectTreeTest::throwingProxyIsNotBlamedOnNextExpression()
{
    parts(window).editor()->setText(QStringLiteral("var p = new Proxy({}, {ownKeys: function () { throw new Error('from p'); }});"));
    QVERIFY(TestSupport::invoke(window, "codeRun"));
    doubleClick(item(QStringLiteral("p")));
    const int before = TestSupport::entryCount(parts(window).outputView());
    ExpressionDialog::instance()->exprEdit->setText(QStringLiteral("1 + 1"));
    QTest::mouseClick(ExpressionDialog::instance()->exprButton, Qt::LeftButton);
    QCOMPARE(TestSupport::texts(parts(window).outputView(), before), (QStringList{"运行成功", "计算结果：2"}));
}

QTEST_MAIN(ObjectTreeTest)
#include "ObjectTreeTest.moc"
