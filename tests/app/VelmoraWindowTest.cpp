// The main window's shell: title, size, docks, welcome lines, menus, actions, shortcuts and the meta-object.
#include "TestSupport.h"

#include "app/KeyBindings.h"
#include "app/VelmoraWindow.h"

#include <Qsci/qsciscintilla.h>

#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMetaMethod>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTextBrowser>
#include <QTreeWidget>

#include <optional>

class VelmoraWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void titleAndSize();
    void docks_data();
    void docks();
    void welcomeLines();
    void menus();
    void actions_data();
    void actions();
    void shortcutSkipsTakenBindings_data();
    void shortcutSkipsTakenBindings();
    void actionTriggersSlot_data();
    void actionTriggersSlot();
    void metaObjectInterface();
    void closeRightAfterStartAsksNothing();
    void noEngineBeforeFirstCompile();
    void editorHasFocusAtStart();
};

void VelmoraWindowTest::cleanup()
{
    TestSupport::verifyNoWindowsLeft();
}

void VelmoraWindowTest::titleAndSize()
{
    VelmoraWindow window;
    QCOMPARE(window.windowTitle(), QStringLiteral("Velmora v0.1"));
    QCOMPARE(window.size(), QSize(800, 600));
    QCOMPARE(window.centralWidget(), static_cast<QWidget *>(parts(&window).editor()));
}

void VelmoraWindowTest::docks_data()
{
    QTest::addColumn<bool>("objectList");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("area");
    QTest::newRow("object list") << true << QStringLiteral("对象列表") << int(Qt::LeftDockWidgetArea);
    QTest::newRow("output") << false << QStringLiteral("输出窗口") << int(Qt::BottomDockWidgetArea);
}

void VelmoraWindowTest::docks()
{
    QFETCH(bool, objectList);
    QFETCH(QString, title);
    QFETCH(int, area);
    VelmoraWindow window;
    QDockWidget *dock = objectList ? parts(&window).objectListDock() : parts(&window).outputLogDock();
    QWidget *content = objectList ? static_cast<QWidget *>(parts(&window).globalsTree())
                                  : static_cast<QWidget *>(parts(&window).outputView());
    QCOMPARE(dock->windowTitle(), title);
    QCOMPARE(int(window.dockWidgetArea(dock)), area);
    QCOMPARE(dock->widget(), content);
    QCOMPARE(dock->features(), QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable
                                   | QDockWidget::DockWidgetFloatable);
    if (objectList) {
        QCOMPARE(parts(&window).globalsTree()->columnCount(), 2);
        QCOMPARE(parts(&window).globalsTree()->headerItem()->text(0), QStringLiteral("名称"));
        QCOMPARE(parts(&window).globalsTree()->headerItem()->text(1), QStringLiteral("描述"));
        QCOMPARE(parts(&window).globalsTree()->topLevelItemCount(), 0);
    }
}

void VelmoraWindowTest::welcomeLines()
{
    VelmoraWindow window;
    const auto entries = TestSupport::entries(parts(&window).outputView());
    QCOMPARE(entries.size(), 2);
    QCOMPARE(entries.at(0).text, QStringLiteral("欢迎使用Velmora"));
    QVERIFY(!entries.at(1).text.isEmpty());
    const QRegularExpression stamp(QStringLiteral("^\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}$"));
    for (const auto &entry : entries) {
        QVERIFY2(stamp.match(entry.timestamp).hasMatch(), qPrintable(entry.timestamp));
        QCOMPARE(entry.colour, QColor(Qt::black));
    }
}

void VelmoraWindowTest::menus()
{
    VelmoraWindow window;
    QStringList titles;
    for (QAction *action : window.menuBar()->actions())
        titles << action->text();
    QCOMPARE(titles, (QStringList{QStringLiteral("文件(&F)"), QStringLiteral("编辑(&E)"), QStringLiteral("调试(&D)"),
                                  QStringLiteral("工具(&T)")}));
}

void VelmoraWindowTest::actions_data()
{
    QTest::addColumn<int>("menu");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QList<QKeySequence>>("keys");
    QTest::newRow("文件") << 0 << QStringList{QStringLiteral("新文件"), QStringLiteral("打开"), QStringLiteral("保存"), QStringLiteral("另存为")}
                        << QList<QKeySequence>{QKeySequence(QKeySequence::New), QKeySequence(QKeySequence::Open),
                                               QKeySequence(QKeySequence::Save), QKeySequence(QKeySequence::SaveAs)};
    QTest::newRow("编辑") << 1 << QStringList{QStringLiteral("查找"), QStringLiteral("替换")}
                        << QList<QKeySequence>{QKeySequence(QKeySequence::Find), QKeySequence(QKeySequence::Replace)};
    QTest::newRow("调试") << 2 << QStringList{QStringLiteral("运行"), QStringLiteral("编译")}
                        << QList<QKeySequence>{QKeySequence(Qt::CTRL + Qt::Key_R), QKeySequence(Qt::CTRL + Qt::Key_B)};
    QTest::newRow("工具") << 3 << QStringList{QStringLiteral("代码格式化"), QStringLiteral("使用说明")}
                        << QList<QKeySequence>{QKeySequence(Qt::CTRL + Qt::Key_P), QKeySequence()};
}

void VelmoraWindowTest::actions()
{
    QFETCH(int, menu);
    QFETCH(QStringList, texts);
    QFETCH(QList<QKeySequence>, keys);
    VelmoraWindow window;
    const QList<QAction *> actions = window.menuBar()->actions().at(menu)->menu()->actions();
    QCOMPARE(actions.size(), texts.size());
    for (int i = 0; i < actions.size(); ++i) {
        QCOMPARE(actions.at(i)->text(), texts.at(i));
        QCOMPARE(actions.at(i)->shortcut(), keys.at(i));
        QVERIFY(!actions.at(i)->isCheckable());
        QVERIFY(actions.at(i)->icon().isNull());
    }
}

// The platform themes' bindings for a standard key (measured: Replace is Ctrl+R under KDE, Ctrl+H under GNOME and
// the offscreen platform, none under plain X11); the keys the program sets itself are taken first.
void VelmoraWindowTest::shortcutSkipsTakenBindings_data()
{
    QTest::addColumn<QList<QKeySequence>>("bindings");
    QTest::addColumn<QKeySequence>("chosen");
    const QKeySequence ctrlH(Qt::CTRL + Qt::Key_H);
    const QKeySequence ctrlR(Qt::CTRL + Qt::Key_R);
    QTest::newRow("GNOME Replace: free") << QList<QKeySequence>{ctrlH} << ctrlH;
    QTest::newRow("KDE Replace: Run's key") << QList<QKeySequence>{ctrlR} << QKeySequence();
    QTest::newRow("second binding free") << QList<QKeySequence>{ctrlR, ctrlH} << ctrlH;
    QTest::newRow("X11 Replace: none") << QList<QKeySequence>{} << QKeySequence();
    QTest::newRow("format's key") << QList<QKeySequence>{QKeySequence(Qt::CTRL + Qt::Key_P)} << QKeySequence();
}

void VelmoraWindowTest::shortcutSkipsTakenBindings()
{
    QFETCH(QList<QKeySequence>, bindings);
    QFETCH(QKeySequence, chosen);
    const QList<QKeySequence> own{QKeySequence(Qt::CTRL + Qt::Key_R), QKeySequence(Qt::CTRL + Qt::Key_B),
                                  QKeySequence(Qt::CTRL + Qt::Key_P)};
    QCOMPARE(KeyBindings::firstFree(bindings, own), chosen);
}

// Triggering an action runs its slot: each slot leaves a trace that only it leaves.
void VelmoraWindowTest::actionTriggersSlot_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("编译") << QStringLiteral("编译");
    QTest::newRow("运行") << QStringLiteral("运行");
    QTest::newRow("查找") << QStringLiteral("查找");
    QTest::newRow("替换") << QStringLiteral("替换");
    QTest::newRow("代码格式化") << QStringLiteral("代码格式化");
    QTest::newRow("使用说明") << QStringLiteral("使用说明");
    QTest::newRow("新文件") << QStringLiteral("新文件");
}

void VelmoraWindowTest::actionTriggersSlot()
{
    QFETCH(QString, text);
    VelmoraWindow window;
    window.show();
    parts(&window).editor()->setText(QStringLiteral("var  x=1;"));
    QAction *action = nullptr;
    for (QAction *menu : window.menuBar()->actions())
        for (QAction *candidate : menu->menu()->actions())
            if (candidate->text() == text)
                action = candidate;
    QVERIFY(action);
    const int dialogsBefore = window.findChildren<QDialog *>().size();
    std::optional<ModalAnswer> question;
    if (text == QStringLiteral("新文件"))
        question.emplace(TestSupport::pressButton(QMessageBox::No));
    action->trigger();
    if (question)
        QVERIFY(question->answered());

    if (text == QStringLiteral("编译")) {
        QVERIFY(parts(&window).engine());
        QCOMPARE(parts(&window).compiledCode(), QStringLiteral("var  x=1;"));
    } else if (text == QStringLiteral("运行")) {
        QVERIFY(parts(&window).engine());
        QVERIFY(TestSupport::texts(parts(&window).outputView()).contains(QStringLiteral("代码变动,重新编译")));
    } else if (text == QStringLiteral("代码格式化")) {
        QCOMPARE(parts(&window).editor()->text(), QStringLiteral("var x = 1;"));
    } else if (text == QStringLiteral("新文件")) {
        QCOMPARE(parts(&window).editor()->text(), QString());
    } else {
        QCOMPARE(window.findChildren<QDialog *>().size(), dialogsBefore + 1);
    }
}

void VelmoraWindowTest::metaObjectInterface()
{
    const QMetaObject &meta = VelmoraWindow::staticMetaObject;
    const QList<QByteArray> expected = {
        "selectFunction(QString,QJSValue)", "newFile()", "openFile()", "saveFile()", "saveAsFile()",
        "findDialog()", "replaceDialog()", "codeRun()", "codeCompile()", "codeFormat()", "codeCompress()",
        "instructions()"};
    QCOMPARE(meta.methodCount() - meta.methodOffset(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        const QMetaMethod method = meta.method(meta.methodOffset() + i);
        QCOMPARE(method.methodSignature(), expected.at(i));
        if (i == 0) {
            QCOMPARE(method.methodType(), QMetaMethod::Signal);
            QCOMPARE(method.access(), QMetaMethod::Public);
            QCOMPARE(method.parameterNames(), (QList<QByteArray>{"strFunName", "jsValue"}));
        } else {
            QCOMPARE(method.methodType(), QMetaMethod::Slot);
            QCOMPARE(method.access(), QMetaMethod::Private);
            QCOMPARE(method.returnType(), int(QMetaType::Bool));
        }
    }
}

void VelmoraWindowTest::closeRightAfterStartAsksNothing()
{
    VelmoraWindow window;
    window.show();
    ModalAnswer unasked(TestSupport::pressButton(QMessageBox::No));
    QVERIFY(window.close());
    QVERIFY(!unasked.answered());
    QVERIFY(!window.isVisible());
}

void VelmoraWindowTest::noEngineBeforeFirstCompile()
{
    VelmoraWindow window;
    QVERIFY(!parts(&window).engine());
    QVERIFY(!parts(&window).console());
    QVERIFY(parts(&window).compiledCode().isEmpty());
    QVERIFY(parts(&window).filePath().isEmpty());
    QVERIFY(parts(&window).savedCode().isEmpty());
}

void VelmoraWindowTest::editorHasFocusAtStart()
{
    VelmoraWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(parts(&window).editor()));
}

QTEST_MAIN(VelmoraWindowTest)
#include "VelmoraWindowTest.moc"
