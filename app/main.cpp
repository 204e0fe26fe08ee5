// setvyn: the configurator's main program.

#include "memorybrowsingstore.h"
#include "model/inifile.h"
#include "setvyn_version.h"
#include "tform1.h"
#include "tformcommconfig.h"
#include "ui/qtuserdialogs.h"

#include <QApplication>
#include <QDir>
#include <QIcon>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("setvyn"));
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor"))
        QIcon::setThemeName(QStringLiteral("Adwaita"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("accessories-calculator")));

    const QString home = qEnvironmentVariable("SETVYN_HOME");
    const QString exeDir =
        QDir(home.isEmpty() ? QApplication::applicationDirPath() : home).absolutePath() +
        QLatin1Char('/');
    const QString title =
        QStringLiteral("Винк-Конфигуратор ") + QStringLiteral(SETVYN_FILE_VERSION);

    vyn::IniFile settings(exeDir + QStringLiteral("setvyn.ini"));
    vyn::QtUserDialogs dialogs;
    vyn::MemoryBrowsingStore store(vyn::MemoryBrowsingStore::sampleRows());
    store.setCurrentRow(store.rowCount() - 1); // the newest configuration
    vyn::TForm1 form(title, store, settings, dialogs, exeDir + QStringLiteral("help/setvyn.html"));
    dialogs.setParentWidget(&form);
    vyn::TFormCommConfig commConfig(settings, &form);
    commConfig.setHelpOpener([&form](const QString& topic) { form.showHelpTopic(topic); });
    form.setCommConfig(&commConfig);

    form.show();
    const int rc = QApplication::exec();
    settings.save();
    return rc;
}
