#include "Main.h"

#include "settings/Port.h"

void TfrmMain::OpenFromPortDialog()
{
    const TSelectPorts selection = ShowPortDialog(this);
    OpenFromPortSelection(selection);
}
