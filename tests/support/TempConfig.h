#pragma once

#include <QString>

// Points the settings store at a fresh folder for this test process. Call before the first
// settings access (initTestCase). Returns the folder.
QString UseTemporaryConfig();
// The INI file the store writes there.
QString TemporaryConfigFile();
// Writes Text as the whole INI file, as a user editing it by hand would.
void WriteTemporaryConfig(const QByteArray &Text);
