#pragma once

#include "app/ScriptFile.h"

#include <QJSValue>
#include <QMainWindow>
#include <QPointer>
#include <QString>

#include <memory>

class JournalWriter;
class JsConsole;
class OutputLog;
class QCloseEvent;
class QDockWidget;
class QJSEngine;
class QsciLexerJavaScriptPlus;
class RecoveryJournal;
class CodeFormatter;
class ScriptReport;
class ScriptSession;
class QsciScintilla;
class QTextBrowser;
class QTreeWidget;
class QTreeWidgetItem;
class ScriptWatchdog;

// The workbench's one window: the code editor in the centre, the object tree and the output log in docks, and every
// user command as a slot reached from the menus.
class VelmoraWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit VelmoraWindow(QWidget *parent = nullptr);
    ~VelmoraWindow() override;

    // Ties the application's windows to the installed desktop entry and icon; call once after QApplication exists.
    static void useDesktopIdentity();

    // The tests and benchmarks reach the window's parts as a friend; the window publishes no accessors for them.
    friend class WindowParts;

signals:
    void selectFunction(QString strFunName, QJSValue jsValue);

private slots:
    bool newFile();
    bool openFile();
    bool saveFile();
    bool saveAsFile();
    bool findDialog();
    bool replaceDialog();
    bool codeRun();
    bool codeCompile();
    bool codeFormat();
    bool codeCompress();
    bool instructions();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createMenus();
    void setupEditor();
    void setupDocks();
    void setupOutput();
    void setupObjectTree();
    void loadConfiguration();
    QString loadFontFile(const QString &path);

    // New's question and clearing: false, with everything left as it was, when the user backed out of the question
    // or answered Yes and the text was not saved.
    bool askAndClear();
    void evaluateExpression();
    void objectItemClicked(QTreeWidgetItem *item);
    void objectItemDoubleClicked(QTreeWidgetItem *item);
    void reportTimeout();
    // Puts a report's lines into the log and selects its line.
    void showReport(const ScriptReport &report);
    // Before script code runs: puts the editor text into the crash journal, synchronously.
    void saveJournal();
    void reportJournalFailure(const QString &error);
    // At start-up: brings back the text of a process that died, and the file it belongs to.
    void recoverJournal();

    QDockWidget *objectDock;
    QDockWidget *outputDock;
    QTextBrowser *outputBrowser;
    QTreeWidget *objectTree;
    QsciScintilla *codeEditor;
    QJSEngine *jsEngine;
    // Guarded: a script can delete its console with console.destroy().
    QPointer<JsConsole> jsConsole;
    QString strFilePath;
    QString strCompiledCode;
    QString strSavedCode;
    // The file at strFilePath as this window last read or wrote it, to notice another program's changes.
    ScriptFile::Stamp fileStamp;

    std::unique_ptr<OutputLog> outputLog;
    std::unique_ptr<ScriptWatchdog> watchdog;
    // Owns the script context; jsEngine and jsConsole point into it.
    std::unique_ptr<ScriptSession> session;
    std::unique_ptr<RecoveryJournal> journal;
    // Destroyed before the journal: its worker stops before the journal is removed.
    std::unique_ptr<JournalWriter> journalWriter;
    std::unique_ptr<CodeFormatter> formatter;
    static constexpr int formatterWarmUpMs = 1000;
    static constexpr int formatterRestMs = 300;
    bool journalFailed = false;
    QsciLexerJavaScriptPlus *lexer = nullptr;
};
