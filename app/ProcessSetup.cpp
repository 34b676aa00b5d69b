#include "app/ProcessSetup.h"

#include <QCoreApplication>
#include <QTranslator>

#include <csignal>

void ProcessSetup::apply()
{
    ignoreFileSizeSignal();
    installQtTranslations();
}

void ProcessSetup::ignoreFileSizeSignal()
{
    std::signal(SIGXFSZ, SIG_IGN);
}

QTranslator *ProcessSetup::installQtTranslations(const QString &directory)
{
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral("qtbase_zh_CN"), directory)) {
        delete translator;
        return nullptr;
    }
    QCoreApplication::installTranslator(translator);
    return translator;
}
