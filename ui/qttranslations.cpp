#include "qttranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace vyn {

bool installQtRussianTranslations(QCoreApplication& app)
{
    // "qt_ru" pulls in qtbase_ru and the other modules' catalogues.
    auto* translator = new QTranslator(&app);
    if (!translator->load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qt"),
                          QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

} // namespace vyn
