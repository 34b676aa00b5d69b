// A second floor: the same widgets as the workbench window (menu bar with its four menus and ten actions, two
// docks, a text browser with two lines, a two-column tree, QScintilla with its JavaScript lexer), with the same
// Chinese texts, and none of the workbench's own logic. Shown offscreen and quit at the first turn of the event
// loop. What the workbench costs above this is its own; what this costs above the bare floor is Qt's.
#include "BenchSupport.h"

#include <Qsci/qscilexerjavascript.h>
#include <Qsci/qsciscintilla.h>

#include <QApplication>
#include <QDockWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeWidget>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    auto *objectDock = new QDockWidget(&window);
    auto *outputDock = new QDockWidget(&window);
    auto *browser = new QTextBrowser(&window);
    auto *tree = new QTreeWidget(&window);
    auto *editor = new QsciScintilla(&window);
    window.resize(800, 600);
    window.setWindowTitle(QStringLiteral("Velmora v0.1"));
    const char *menus[][5] = {{"文件(&F)", "新文件", "打开", "保存", "另存为"}, {"编辑(&E)", "查找", "替换", nullptr, nullptr},
                              {"调试(&D)", "运行", "编译", nullptr, nullptr}, {"工具(&T)", "代码格式化", "使用说明", nullptr, nullptr}};
    for (const auto &entry : menus) {
        auto *menu = new QMenu(QString::fromUtf8(entry[0]), &window);
        for (int i = 1; i < 5 && entry[i]; ++i)
            menu->addAction(QString::fromUtf8(entry[i]))->setShortcut(QKeySequence(QKeySequence::Open));
        window.menuBar()->addMenu(menu);
    }
    window.setCentralWidget(editor);
    objectDock->setWindowTitle(QStringLiteral("对象列表"));
    outputDock->setWindowTitle(QStringLiteral("输出窗口"));
    window.addDockWidget(Qt::BottomDockWidgetArea, outputDock);
    window.addDockWidget(Qt::LeftDockWidgetArea, objectDock);
    browser->append(QStringLiteral("2026-12-07 00:00:00 : 欢迎使用Velmora"));
    browser->append(QStringLiteral("2026-12-07 00:00:00 : 作者：Velmora开发团队"));
    outputDock->setWidget(browser);
    tree->setColumnCount(2);
    tree->setHeaderLabels({QStringLiteral("名称"), QStringLiteral("描述")});
    objectDock->setWidget(tree);
    editor->setLexer(new QsciLexerJavaScript(editor));
    window.show();
    QTimer::singleShot(0, &app, &QCoreApplication::quit);
    const int result = app.exec();
    std::printf("peak_rss_kib=%ld\n", BenchSupport::peakRssKib());
    return result;
}
