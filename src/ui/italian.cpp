#include "italian.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

void installItalian(QCoreApplication &app)
{
    QLocale italian(QLocale::Italian, QLocale::Italy);
    italian.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
    QLocale::setDefault(italian);

    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const char *catalogue : {"qtbase_it", "qt_it"}) {
        auto *translator = new QTranslator(&app);
        if (translator->load(QLatin1StringView(catalogue), folder))
            app.installTranslator(translator);
        else
            delete translator;
    }
}
