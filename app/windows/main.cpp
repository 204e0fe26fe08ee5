// setvyn: the configurator's main program.

#include "app/windows/mainwindow.h"
#include "app/windows/sessionend.h"
#include "app/windows/setvynapplication.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    vyn::setUpProgramApplication(app);

    vyn::SetvynApplication program;
    const auto sessionEnd = program.watchSessionEnd();
    if (!program.start())
        return 1;
    program.mainWindow().show();
    const int rc = QApplication::exec();
    program.finish();
    return rc;
}
