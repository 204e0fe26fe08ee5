// VynData: the alternative-days editor as a program of its own. It reads no
// settings and writes only the files the user saves.

#include "altdays/tformaltday.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QString title = QStringLiteral("Конструктор альтернативных дней");
    QApplication::setApplicationName(QStringLiteral("VynData"));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.setvyn.VynData"));
    QApplication::setApplicationDisplayName(title);

    vyn::TFormAltDay window(vyn::AltDayEditorSettings::vynData());
    window.show();
    return QApplication::exec();
}
