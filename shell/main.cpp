#include "shell/Main.h"
#include "shell/AppModule.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    InitializeModules();
    int result = 0;
    {
        TfrmMain frmMain;
        frmMain.show();
        result = QApplication::exec();
    }
    FinalizeModules();
    return result;
}
