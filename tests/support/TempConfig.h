#pragma once

#include <QString>

// Points the settings store at a fresh folder for this test process. Call before the first
// settings access (initTestCase). Returns the folder.
QString UseTemporaryConfig();
// The INI file the store writes there.
QString TemporaryConfigFile();
// Writes Text as the whole INI file, as a user editing it by hand would.
void WriteTemporaryConfig(const QByteArray &Text);

// Counts, from its creation, how often the settings file was opened and how often it was
// written or replaced, as the kernel reports it.
class TConfigFileActivity
{
public:
    TConfigFileActivity();
    ~TConfigFileActivity();
    TConfigFileActivity(const TConfigFileActivity &) = delete;
    TConfigFileActivity &operator=(const TConfigFileActivity &) = delete;

    int Opens();
    int Rewrites();

private:
    void Drain();
    int FWatch = -1;
    int FOpens = 0;
    int FRewrites = 0;
    bool FModified = false;
};
