#pragma once

#include <QString>

// The start and end of the program's modules: the text tables, the application title and
// the version text are ready before the main window exists.
void InitializeModules();
void FinalizeModules();

// The application title: the program's name, or the name with the open port.
QString ApplicationTitle();
void SetApplicationTitle(const QString &Title);
