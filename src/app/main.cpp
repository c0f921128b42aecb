#include "app/OrbekoApplication.h"
#include "app/frmMain.h"

int main(int argc, char** argv)
{
    TOrbekoApplication app(argc, argv);
    TfrmMain frmMain;
    QObject::connect(&frmMain, &TfrmMain::ProgramEnded, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    frmMain.show();
    return app.exec();
}
