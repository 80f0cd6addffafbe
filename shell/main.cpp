#include "settings/PortTable.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    PortTable::InstallPortLookup();
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Korvane 联机应用程序"));
    window.resize(1000, 700);
    window.show();
    return application.exec();
}
