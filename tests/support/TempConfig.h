#pragma once

#include <QString>

// Points the settings store at a fresh folder for this test process. Call before the first
// settings access (initTestCase). Returns the folder.
QString UseTemporaryConfig();
// The INI file the store writes there.
QString TemporaryConfigFile();
