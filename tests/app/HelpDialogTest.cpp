// The help window: one non-modal dialog showing the help page from the resources.
#include "TestSupport.h"

#include "app/HelpDialog.h"
#include "app/VelmoraWindow.h"

#include <QDialog>
#include <QFile>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextList>

class HelpDialogTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void oneDialogOnRepeatedCalls();
    void dialogSettings();
    void pageSections();
    void pageFileFormat();
};

void HelpDialogTest::cleanup()
{
    TestSupport::verifyNoWindowsLeft();
}

void HelpDialogTest::oneDialogOnRepeatedCalls()
{
    VelmoraWindow window;
    window.show();
    QVERIFY(TestSupport::invoke(&window, "instructions"));
    HelpDialog *dialog = window.findChild<HelpDialog *>();
    QVERIFY(dialog && dialog->isVisible());
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(dialog->page));

    const QString page = dialog->page->toPlainText();
    dialog->close();
    QVERIFY(!dialog->isVisible());
    QVERIFY(TestSupport::invoke(&window, "instructions"));
    QCOMPARE(window.findChildren<QDialog *>(), QList<QDialog *>{dialog});
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->page->toPlainText(), page);
    // The main window stays usable while the help is open.
    QVERIFY(!QApplication::activeModalWidget());
}

void HelpDialogTest::dialogSettings()
{
    HelpDialog dialog(nullptr);
    dialog.show();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("使用说明"));
    QCOMPARE(dialog.size(), QSize(500, 500).expandedTo(dialog.minimumSizeHint()));
    QVERIFY(!dialog.isModal());
    QCOMPARE(int(dialog.windowFlags() & Qt::WindowType_Mask), int(Qt::Drawer));
    QVERIFY(dialog.windowFlags() & Qt::WindowStaysOnTopHint);
}

void HelpDialogTest::pageSections()
{
    HelpDialog dialog(nullptr);
    QStringList headings;
    QList<QStringList> entries;
    for (QTextBlock block = dialog.page->document()->begin(); block.isValid(); block = block.next()) {
        QTextList *list = block.textList();
        if (!list)
            continue;
        if (list->format().style() == QTextListFormat::ListDecimal) {
            headings << block.text().trimmed();
            entries.append(QStringList());
        } else {
            QVERIFY(!entries.isEmpty());
            entries.last() << block.text().trimmed();
        }
    }
    QCOMPARE(headings, (QStringList{"配置文件说明", "对象列表", "输出窗口", "引擎介绍", "调试菜单", "作者信息"}));
    QCOMPARE(entries.at(0), (QStringList{"apis.xml -> 代码补全配置", "highlig.xml -> 代码高亮配置", "conf.xml -> Velmora系统配置"}));
    QCOMPARE(entries.at(1), (QStringList{"编译代码后生成的全局对象列表", "单击函数设置到表达式文本框中", "双击展开对象内部内容"}));
    QCOMPARE(entries.at(2), (QStringList{"输出计算表达式信息", "输出console对象调试信息", "可展开显示数组,对象"}));
    // The engine section names the engine the workbench really has, and what it cannot run.
    const QString engine = entries.at(3).join(QLatin1Char('\n'));
    QVERIFY(engine.contains(QStringLiteral("QJSEngine")) && engine.contains(QStringLiteral("不是Google V8")));
    for (const char *word : {"esbuild", "setTimeout", "BigInt", "import/export", "console.error", "console.table", "Intl", "structuredClone"})
        QVERIFY2(engine.contains(QLatin1String(word)), word);
    QCOMPARE(entries.at(4), (QStringList{"运行: 代码不变则不编译, 否则先编译再运行", "编译: 编译代码, 只检查语法错误"}));
    QCOMPARE(entries.at(5).size(), 2);
    QVERIFY(entries.at(5).join(QString()).contains(QStringLiteral("Velmora")));
}

void HelpDialogTest::pageFileFormat()
{
    QFile page(QStringLiteral(":/hex/res/instructions.html"));
    QVERIFY(page.open(QIODevice::ReadOnly));
    const QByteArray bytes = page.readAll();
    QVERIFY(!bytes.startsWith("\xEF\xBB\xBF"));
    QVERIFY(bytes.contains("\r\n"));
    QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
    QVERIFY(bytes.contains('\t'));
    QCOMPARE(QString::fromUtf8(bytes).toUtf8(), bytes);
    QVERIFY(bytes.contains("list-style-type:decimal"));
    QVERIFY(!bytes.contains("\xEF\xBC\x9A")); // no full-width colon
    QVERIFY(!bytes.contains("\xEF\xBC\x8C")); // no full-width comma
}

QTEST_MAIN(HelpDialogTest)
#include "HelpDialogTest.moc"
