#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

// The line to the monitoring program: a pseudo-terminal of our own, or a device. Whether
// anybody listens is checked before each write; what nobody hears is dropped, as on a real
// line, and never reaches a later reader.
class TSimOutput
{
public:
    struct TReader {
        bool Present = false;
        // Present now and newly so: the first check that sees a reader, or one that has
        // opened the line since the last check.
        bool Fresh = false;
    };
    enum class TWriteResult { Written, Dropped, Failed };

    // Creates a pseudo-terminal in raw mode; the monitor opens its slave side.
    static std::unique_ptr<TSimOutput> OpenPseudoTerminal(QString &Error);
    // Opens a device for writing, at 9600 baud 8N1 when it is a terminal.
    static std::unique_ptr<TSimOutput> OpenDevice(const QString &Path, QString &Error);

    ~TSimOutput();
    TSimOutput(const TSimOutput &) = delete;
    TSimOutput &operator=(const TSimOutput &) = delete;

    QString DevicePath() const { return FPath; }
    TReader CheckReader();
    // Never blocks; a full line drops the bytes. Error tells why on Failed.
    TWriteResult Write(const QByteArray &Bytes, QString &Error);
    // Lets a present reader take what is still on the line (up to a second), then closes:
    // for a pseudo-terminal the reader sees the line unplugged.
    void Close();

private:
    TSimOutput(int Fd, const QString &Path, bool PseudoTerminal);
    bool ReaderReopened();
    void DropPending();
    void WaitUntilTaken();

    int FFd = -1;
    int FOpenWatch = -1; // inotify on the slave: every open of it by a reader
    QString FPath;
    bool FPseudoTerminal = false;
    bool FReaderPresent = false;
};
