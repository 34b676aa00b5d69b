#include "app/VelmoraWindow.h"

#include "velmora_config.h"

#include "app/BusyWork.h"
#include "app/HelpDialog.h"
#include "app/JournalWriter.h"
#include "app/KeyBindings.h"
#include "app/OutputLog.h"
#include "app/Question.h"
#include "app/RecoveryJournal.h"
#include "app/ScriptFile.h"
#include "app/ScriptReport.h"
#include "browser/ObjectTree.h"
#include "editor/Configuration.h"
#include "editor/EditorSettings.h"
#include "editor/EditorText.h"
#include "editor/EditorTheme.h"
#include "editor/FontFile.h"
#include "editor/QsciLexerJavaScriptPlus.h"
#include "script/ExpressionDialog.h"
#include "script/JsConsole.h"
#include "script/ScriptSession.h"
#include "script/ScriptWatchdog.h"
#include "tools/CodeFormatter.h"
#include "tools/FindDialog.h"
#include "tools/ReplaceDialog.h"

#include <Qsci/qsciapis.h>
#include <Qsci/qsciscintilla.h>

#include <QCloseEvent>
#include <QDockWidget>
#include <QFileDialog>
#include <QIcon>
#include <QApplication>
#include <QJSEngine>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeWidget>

// The resources live in the static library: make sure the linker keeps them and they are registered.
// (Q_INIT_RESOURCE must be used outside any namespace.)
static void registerResources()
{
    Q_INIT_RESOURCE(velmora);
    Q_INIT_RESOURCE(js_format);
}

namespace {

const QString scriptFilter = QStringLiteral("js文件(*.js)");

} // namespace

VelmoraWindow::VelmoraWindow(QWidget *parent)
    : QMainWindow(parent),
      objectDock(new QDockWidget(this)),
      outputDock(new QDockWidget(this)),
      outputBrowser(new QTextBrowser(this)),
      objectTree(new QTreeWidget(this)),
      codeEditor(new QsciScintilla(this)),
      jsEngine(nullptr),
      jsConsole(nullptr),
      outputLog(std::make_unique<OutputLog>(outputBrowser)),
      watchdog(std::make_unique<ScriptWatchdog>()),
      session(std::make_unique<ScriptSession>(this, *watchdog)),
      journal(std::make_unique<RecoveryJournal>()),
      journalWriter(std::make_unique<JournalWriter>(*journal, [this] {
          // The editor's own UTF-8 buffer, read in place: the writer copies it only when it hands it to its thread.
          const auto *bytes =
              reinterpret_cast<const char *>(codeEditor->SendScintilla(QsciScintilla::SCI_GETCHARACTERPOINTER));
          return JournalWriter::Snapshot{QByteArray::fromRawData(bytes ? bytes : "", bytes ? codeEditor->length() : 0),
                                         {strFilePath, fileStamp}};
      })),
      formatter(std::make_unique<CodeFormatter>())
{
    registerResources();
    resize(800, 600);
    setWindowTitle(QStringLiteral("Velmora v0.1"));
    createMenus();
    setupEditor();
    setupDocks();
    setupOutput();
    setupObjectTree();
    loadConfiguration();
    // Whatever script code runs next might take the process down: the text goes to the journal first.
    session->setBeforeUserCode([this] { saveJournal(); });
    // A timer callback's console flood is laid out once, like a compile's.
    session->setCallbackScope([this](const std::function<void()> &run) {
        OutputLog::Batch batch(*outputLog);
        run();
    });
    connect(session.get(), &ScriptSession::consoleLine, this, [this](const QString &msg, bool error) {
        outputLog->append(error ? OutputLog::Kind::Error : OutputLog::Kind::Console, msg);
    });
    connect(session.get(), &ScriptSession::callbackOutcome, this,
            [this](const ScriptOutcome &outcome) { showReport(ScriptReport::callback(outcome, watchdog->limit())); });
    recoverJournal();
    // Every edit reaches the journal shortly after the typing pauses, written off this thread.
    connect(codeEditor, &QsciScintilla::textChanged, journalWriter.get(), &JournalWriter::changed);
    connect(journalWriter.get(), &JournalWriter::failed, this, &VelmoraWindow::reportJournalFailure);
    codeEditor->setFocus(Qt::OtherFocusReason);
    // The formatter's engine is made ahead of time, once start-up is well over.
    QTimer::singleShot(formatterWarmUpMs, this, [this] { formatter->prepare(); });
}

VelmoraWindow::~VelmoraWindow()
{
    // Script values go before their engine, which is a child destroyed after this body.
    session.reset();
}

void VelmoraWindow::useDesktopIdentity()
{
    // Docks and task bars match a window to its desktop entry by this id.
    QGuiApplication::setDesktopFileName(QStringLiteral(VELMORA_APP_ID));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral(VELMORA_APP_ID)));
}

void VelmoraWindow::createMenus()
{
    auto *fileMenu = new QMenu(QStringLiteral("文件(&F)"), this);
    auto *editMenu = new QMenu(QStringLiteral("编辑(&E)"), this);
    auto *debugMenu = new QMenu(QStringLiteral("调试(&D)"), this);
    auto *toolMenu = new QMenu(QStringLiteral("工具(&T)"), this);

    struct Row
    {
        QMenu *menu;
        QString text;
        bool (VelmoraWindow::*slot)();
        QKeySequence::StandardKey standardKey; // the platform's key, or UnknownKey for the program's own
        QKeySequence ownKey;
    };
    const QKeySequence::StandardKey own = QKeySequence::UnknownKey;
    const Row rows[] = {
        {fileMenu, QStringLiteral("新文件"), &VelmoraWindow::newFile, QKeySequence::New, {}},
        {fileMenu, QStringLiteral("打开"), &VelmoraWindow::openFile, QKeySequence::Open, {}},
        {fileMenu, QStringLiteral("保存"), &VelmoraWindow::saveFile, QKeySequence::Save, {}},
        {fileMenu, QStringLiteral("另存为"), &VelmoraWindow::saveAsFile, QKeySequence::SaveAs, {}},
        {editMenu, QStringLiteral("查找"), &VelmoraWindow::findDialog, QKeySequence::Find, {}},
        {editMenu, QStringLiteral("替换"), &VelmoraWindow::replaceDialog, QKeySequence::Replace, {}},
        {debugMenu, QStringLiteral("运行"), &VelmoraWindow::codeRun, own, QKeySequence(QStringLiteral("Ctrl+R"))},
        {debugMenu, QStringLiteral("编译"), &VelmoraWindow::codeCompile, own, QKeySequence(QStringLiteral("Ctrl+B"))},
        {toolMenu, QStringLiteral("代码格式化"), &VelmoraWindow::codeFormat, own, QKeySequence(QStringLiteral("Ctrl+P"))},
        {toolMenu, QStringLiteral("使用说明"), &VelmoraWindow::instructions, own, QKeySequence()},
    };
    // The program's own keys stay; a standard key takes the first of the platform's bindings still free (KDE binds
    // Replace to Ctrl+R only, which is Run's: Replace then has no key).
    QList<QKeySequence> taken;
    for (const Row &row : rows) {
        if (!row.ownKey.isEmpty())
            taken.append(row.ownKey);
    }
    for (const Row &row : rows) {
        QAction *action = row.menu->addAction(row.text);
        connect(action, &QAction::triggered, this, row.slot);
        QKeySequence shortcut = row.ownKey;
        if (row.standardKey != own) {
            shortcut = KeyBindings::firstFree(QKeySequence::keyBindings(row.standardKey), taken);
            taken.append(shortcut);
        }
        if (!shortcut.isEmpty())
            action->setShortcut(shortcut);
    }
    for (QMenu *menu : {fileMenu, editMenu, debugMenu, toolMenu})
        menuBar()->addMenu(menu);
}

void VelmoraWindow::setupEditor()
{
    EditorSettings::apply(codeEditor);
    setCentralWidget(codeEditor);
}

void VelmoraWindow::setupDocks()
{
    objectDock->setWindowTitle(QStringLiteral("对象列表"));
    outputDock->setWindowTitle(QStringLiteral("输出窗口"));
    const QDockWidget::DockWidgetFeatures features =
        QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable;
    objectDock->setFeatures(features);
    outputDock->setFeatures(features);
    addDockWidget(Qt::BottomDockWidgetArea, outputDock);
    addDockWidget(Qt::LeftDockWidgetArea, objectDock);
}

void VelmoraWindow::setupOutput()
{
    outputLog->append(OutputLog::Kind::Info, QStringLiteral("欢迎使用Velmora"));
    outputLog->append(OutputLog::Kind::Info, QStringLiteral("作者：Velmora开发团队"));
    outputDock->setWidget(outputBrowser);
}

void VelmoraWindow::setupObjectTree()
{
    objectTree->setColumnCount(2);
    objectTree->setHeaderLabels({QStringLiteral("名称"), QStringLiteral("描述")});
    objectDock->setWidget(objectTree);
    connect(objectTree, &QTreeWidget::itemClicked, [this](QTreeWidgetItem *item, int) { objectItemClicked(item); });
    connect(objectTree, &QTreeWidget::itemDoubleClicked,
            [this](QTreeWidgetItem *item, int) { objectItemDoubleClicked(item); });
}

void VelmoraWindow::loadConfiguration()
{
    lexer = new QsciLexerJavaScriptPlus;
    auto *apis = new QsciAPIs(lexer);

    EditorTheme::apply(lexer);

    const Configuration::Conf conf = Configuration::readConf(QStringLiteral("conf.xml"));
    if (conf.loaded) {
        QString family;
        if (conf.fontType == QLatin1String("system"))
            family = conf.fontText;
        else if (conf.fontType == QLatin1String("path"))
            family = loadFontFile(conf.fontText);
        const QFont font(family);
        lexer->setFont(font, -1);
        setFont(font);
        if (conf.timeout >= 0)
            watchdog->setLimit(conf.timeout);
    }

    QString words;
    if (Configuration::readKeywords(QStringLiteral("highlig.xml"), &words))
        lexer->setKeywords(words);

    QStringList entries;
    if (Configuration::readApis(QStringLiteral("apis.xml"), &entries)) {
        for (const QString &entry : qAsConst(entries))
            apis->add(entry);
        apis->prepare();
    }

    codeEditor->setLexer(lexer);
}

QString VelmoraWindow::loadFontFile(const QString &path)
{
    return FontFile::family(path);
}

// ---- Document files -------------------------------------------------------------------------------------------

bool VelmoraWindow::saveFile()
{
    if (strFilePath.isEmpty()) {
        strFilePath = QFileDialog::getSaveFileName(this, QStringLiteral("保存文件"), QString(), scriptFilter);
        fileStamp = ScriptFile::Stamp();
        if (strFilePath.isEmpty())
            return false;
    } else if (ScriptFile::changedSince(strFilePath, fileStamp)
               && Question::ask(this, QMessageBox::Warning, QStringLiteral("提示"),
                                QStringLiteral("文件已被其他程序修改,是否覆盖?"))
                      != Question::Answer::Yes) {
        return false;
    }
    const QString text = codeEditor->text();
    ScriptFile::Stamp stamp;
    if (!ScriptFile::write(strFilePath, text, &stamp, fileStamp.byteOrderMark)) {
        QMessageBox::warning(this, QStringLiteral("错误"), QStringLiteral("文件保存失败"));
        return false;
    }
    strSavedCode = text;
    fileStamp = stamp;
    journalWriter->changed();
    return true;
}

bool VelmoraWindow::saveAsFile()
{
    strFilePath = QFileDialog::getSaveFileName(this, QStringLiteral("保存文件"), QString(), scriptFilter);
    // A name chosen in the dialog (which asks before replacing a file) is written without the changed-file question;
    // the document keeps its byte-order mark.
    const bool byteOrderMark = fileStamp.byteOrderMark;
    fileStamp = ScriptFile::Stamp();
    fileStamp.byteOrderMark = byteOrderMark;
    journalWriter->changed();
    if (strFilePath.isEmpty())
        return false;
    return saveFile();
}

bool VelmoraWindow::newFile()
{
    return askAndClear();
}

bool VelmoraWindow::askAndClear()
{
    if (!codeEditor->text().isEmpty()) {
        switch (Question::ask(this, QMessageBox::Information, QStringLiteral("提示"), QStringLiteral("是否保存代码?"))) {
        case Question::Answer::Cancel:
            return false;
        case Question::Answer::Yes:
            if (!saveFile())
                return false;
            break;
        case Question::Answer::No:
            break;
        }
        codeEditor->clear();
    }
    // The emptied editor is a new, untitled document: its first Save asks for a name instead of silently replacing
    // the file that was open before. The old script's timers have nothing left to do.
    session->cancelTimers();
    strFilePath.clear();
    fileStamp = ScriptFile::Stamp();
    journalWriter->changed();
    return true;
}

bool VelmoraWindow::openFile()
{
    // The user backed out of New's question, or asked to keep the text and it could not be saved: opening a file
    // would replace it.
    if (!askAndClear())
        return false;
    strFilePath = QFileDialog::getOpenFileName(this, QStringLiteral("打开文件"), QString(), scriptFilter);
    if (strFilePath.isEmpty())
        return false;
    const ScriptFile::ReadResult file = ScriptFile::read(strFilePath);
    if (file.status != ScriptFile::Status::Ok) {
        // Forget the path: a later Save must not overwrite a file that was not shown, or not faithfully.
        strFilePath.clear();
        QString message = QStringLiteral("文件打开失败");
        if (file.status == ScriptFile::Status::NotUtf8)
            message = QStringLiteral("文件不是UTF-8编码,未打开");
        else if (file.status == ScriptFile::Status::HasNul)
            message = QStringLiteral("文件包含NUL字节,未打开");
        QMessageBox::warning(this, QStringLiteral("错误"), message);
        return false;
    }
    codeEditor->setText(file.text);
    strSavedCode = codeEditor->text();
    fileStamp = file.stamp;
    journalWriter->changed();
    return true;
}

void VelmoraWindow::closeEvent(QCloseEvent *event)
{
    if (codeEditor->text() == strSavedCode) {
        session->cancelTimers();
        event->accept();
        return;
    }
    switch (Question::ask(this, QMessageBox::Information, QStringLiteral("代码未保存"),
                          QStringLiteral("你的代码还未保存,你要保存代码吗?"))) {
    case Question::Answer::Cancel:
        event->ignore();
        return;
    case Question::Answer::Yes:
        if (!saveFile()) {
            event->ignore();
            return;
        }
        break;
    case Question::Answer::No:
        break;
    }
    session->cancelTimers();
    event->accept();
}

// ---- Editing tools --------------------------------------------------------------------------------------------

bool VelmoraWindow::findDialog()
{
    FindDialog::open(this, codeEditor);
    return true;
}

bool VelmoraWindow::replaceDialog()
{
    ReplaceDialog::open(this, codeEditor);
    return true;
}

bool VelmoraWindow::codeFormat()
{
    saveJournal();
    const CodeFormatter::Result result = [this] {
        const BusyWork busy(outputBrowser->viewport());
        return formatter->format(codeEditor->text(), *watchdog);
    }();
    // The last format's engine goes and the next one is made once the window is idle again: after a pause, so that
    // the formatted text is on screen first (destroying an engine that formatted a large file takes a while).
    QTimer::singleShot(formatterRestMs, this, [this] { formatter->prepare(); });
    switch (result.status) {
    case CodeFormatter::Status::NoResource:
        return false;
    case CodeFormatter::Status::Failed:
        if (result.interrupted) {
            reportTimeout();
            return false;
        }
        outputLog->append(OutputLog::Kind::Error, QStringLiteral("代码格式化失败：%1").arg(result.error));
        return false;
    case CodeFormatter::Status::Ok:
        break;
    }
    EditorText::replaceAll(codeEditor, result.text);
    return true;
}

bool VelmoraWindow::codeCompress()
{
    return true;
}

bool VelmoraWindow::instructions()
{
    HelpDialog::open(this);
    return true;
}

// ---- Script work ----------------------------------------------------------------------------------------------

void VelmoraWindow::reportTimeout()
{
    outputLog->append(OutputLog::Kind::Error, ScriptReport::timeout(watchdog->limit()));
}

void VelmoraWindow::saveJournal()
{
    if (journalWriter->writeNow() == RecoveryJournal::Save::Failed)
        reportJournalFailure(journalWriter->errorString());
}

void VelmoraWindow::reportJournalFailure(const QString &error)
{
    // Said once: the work goes on without the journal.
    if (journalFailed)
        return;
    journalFailed = true;
    outputLog->append(OutputLog::Kind::Error,
                      QStringLiteral("无法写入恢复文件,异常退出时未保存的代码将无法恢复：%1").arg(error));
}

void VelmoraWindow::recoverJournal()
{
    const RecoveryJournal::Recovery found = journal->recover();
    if (!found.problem.isEmpty())
        reportJournalFailure(found.problem);
    for (const QString &path : found.unreadable)
        outputLog->append(OutputLog::Kind::Error,
                          QStringLiteral("恢复文件不是有效的UTF-8文本,未恢复,保留在：%1").arg(path));
    if (found.found) {
        codeEditor->setText(found.text);
        strFilePath = found.origin.path;
        fileStamp = found.origin.stamp;
        outputLog->append(OutputLog::Kind::Error,
                          QStringLiteral("已恢复上次异常退出时未保存的代码：%1")
                              .arg(strFilePath.isEmpty() ? QStringLiteral("未命名") : strFilePath));
        // Rewritten at once as this window's journal: a disk that takes no journal is said now, not at the next
        // compile (the leftover stays on disk meanwhile).
        saveJournal();
    }
    if (found.remaining > 0)
        outputLog->append(OutputLog::Kind::Error,
                          QStringLiteral("另有%1份异常退出时未保存的代码保留在%2,将在以后启动时逐份恢复")
                              .arg(found.remaining)
                              .arg(journal->directoryPath()));
}

void VelmoraWindow::showReport(const ScriptReport &report)
{
    for (const ScriptReport::Line &line : report.lines)
        outputLog->append(line.kind, line.text);
    if (report.selectLine >= 0)
        EditorText::selectLine(codeEditor, report.selectLine);
}

bool VelmoraWindow::codeCompile()
{
    objectTree->clear();
    outputLog->append(OutputLog::Kind::Info, QStringLiteral("开始编译"));
    const BusyWork busy(outputBrowser->viewport());
    OutputLog::Batch batch(*outputLog);
    const QString code = codeEditor->text();
    const ScriptOutcome outcome = session->compile(code);
    jsEngine = session->engine();
    jsConsole = session->console();
    const ScriptReport report = ScriptReport::compile(outcome, watchdog->limit());
    showReport(report);
    if (!report.ranToEnd)
        return false;
    // A tree the limit cut short is not a finished compile, although the script itself ran to its end.
    if (session->fillTree(objectTree))
        outputLog->append(OutputLog::Kind::Info, QStringLiteral("编译完成(无错误)"));
    else
        reportTimeout();
    strCompiledCode = code;
    return true;
}

bool VelmoraWindow::codeRun()
{
    if (!jsEngine || !session->compiled() || strCompiledCode != codeEditor->text()) {
        outputLog->append(OutputLog::Kind::Info, QStringLiteral("代码变动,重新编译"));
        if (!codeCompile()) {
            if (ExpressionDialog *dialog = ExpressionDialog::instance())
                dialog->setHidden(true);
            return false;
        }
    }
    ExpressionDialog *dialog = ExpressionDialog::instance();
    if (!dialog) {
        dialog = ExpressionDialog::create(this, [this] { evaluateExpression(); });
        // Reading a function's length calls into the script (a getter may loop): under the limit.
        connect(this, &VelmoraWindow::selectFunction, dialog, [this, dialog](const QString &name, const QJSValue &function) {
            QString text;
            if (session->callText(name, function, &text))
                dialog->exprEdit->setText(text);
            else
                reportTimeout();
        });
    }
    dialog->present();
    return true;
}

void VelmoraWindow::evaluateExpression()
{
    if (!jsEngine || !ExpressionDialog::instance())
        return;
    // The last compile failed: its engine holds a script that stopped half-way. Compile again, as Run does.
    if (!session->compiled()) {
        outputLog->append(OutputLog::Kind::Info, QStringLiteral("上次编译失败,重新编译"));
        if (!codeCompile())
            return;
    }
    const QString expression = ExpressionDialog::instance()->exprEdit->text();
    const BusyWork busy(outputBrowser->viewport());
    OutputLog::Batch batch(*outputLog);
    showReport(ScriptReport::expression(session->evaluate(expression), watchdog->limit()));
}

void VelmoraWindow::objectItemClicked(QTreeWidgetItem *item)
{
    if (!jsEngine)
        return;
    QJSValue value;
    bool function = false;
    if (!session->lookUp(item, &value, &function)) {
        reportTimeout();
        return;
    }
    if (function)
        emit selectFunction(item->data(0, Qt::DisplayRole).toString(), value);
}

void VelmoraWindow::objectItemDoubleClicked(QTreeWidgetItem *item)
{
    if (item->childCount() > 0 || !jsEngine)
        return;
    if (!session->expand(item))
        reportTimeout();
}
