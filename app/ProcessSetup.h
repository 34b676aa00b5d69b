#pragma once

#include <QLibraryInfo>
#include <QString>

class QTranslator;

// What the program sets up for its whole process, once, before its window exists.
class ProcessSetup
{
public:
    // All of it; call once after the QApplication exists.
    static void apply();

    // A write past the process's file size limit (RLIMIT_FSIZE) then fails with EFBIG, which a save reports, instead
    // of killing the process together with the unsaved text.
    static void ignoreFileSizeSignal();

    // Qt's own Chinese texts for its standard dialogs and menus (Yes/No, the file dialogs, context menus), whatever
    // the system locale. Returns the installed translator, owned by the application, or null when the catalogue is
    // missing (package qttranslations5-l10n); the standard texts then stay English.
    static QTranslator *installQtTranslations(
        const QString &directory = QLibraryInfo::location(QLibraryInfo::TranslationsPath));
};
