// setvyn: the configurator's main program.

#include "sessionend.h"
#include "setvynapplication.h"
#include "tform1.h"

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
