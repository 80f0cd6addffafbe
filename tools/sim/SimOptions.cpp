#include "SimOptions.h"

#include "charger/ComPortMap.h"

#include <QCommandLineParser>

#include <limits>

namespace {

bool ReadNumber(const QCommandLineParser &Parser, const QString &Name, double Lowest, double Highest, double &Value,
                QString &Error)
{
    if (!Parser.isSet(Name))
        return true;
    bool ok = false;
    const double read = Parser.value(Name).toDouble(&ok);
    if (!ok || read < Lowest || read > Highest) {
        Error = QStringLiteral("--%1 must be a number from %2 to %3").arg(Name).arg(Lowest).arg(Highest);
        return false;
    }
    Value = read;
    return true;
}

template <typename TInteger>
bool ReadInteger(const QCommandLineParser &Parser, const QString &Name, double Lowest, double Highest, TInteger &Value,
                 QString &Error)
{
    double read = static_cast<double>(Value);
    if (!ReadNumber(Parser, Name, Lowest, Highest, read, Error))
        return false;
    if (read != static_cast<double>(static_cast<TInteger>(read))) {
        Error = QStringLiteral("--%1 must be a whole number").arg(Name);
        return false;
    }
    Value = static_cast<TInteger>(read);
    return true;
}

} // namespace

bool ParseOptions(const QStringList &Arguments, TSimOptions &Options, QString &Error)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulated four-channel charger: writes data frames to a pseudo-terminal of its own (its path is "
        "printed as \"device PATH\") or to a device."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QString rate = QStringLiteral("rate");
    parser.addOptions({
        {QStringLiteral("device"), QStringLiteral("Write to PATH instead of a pseudo-terminal."),
         QStringLiteral("PATH")},
        {QStringLiteral("com"), QStringLiteral("Enter the line as COM N (1-256) in the Ports table while running."),
         QStringLiteral("N")},
        {QStringLiteral("mode"),
         QStringLiteral("single: one frame a second, channels in turn; group: four frames every four seconds."),
         QStringLiteral("single|group"), QStringLiteral("single")},
        {QStringLiteral("fast"), QStringLiteral("After the first four headers of a connection, send at line rate.")},
        {QStringLiteral("scale"), QStringLiteral("Model seconds per second of the real pace (default 1)."),
         QStringLiteral("F")},
        {QStringLiteral("seed"), QStringLiteral("Seed of the faults (default 1)."), QStringLiteral("S")},
        {QStringLiteral("garbage"), QStringLiteral("Chance of stray bytes before a frame."), rate},
        {QStringLiteral("drop"), QStringLiteral("Chance that a frame is not sent."), rate},
        {QStringLiteral("bad-header"), QStringLiteral("Chance of a broken header mark."), rate},
        {QStringLiteral("implausible"), QStringLiteral("Chance of an implausible voltage or current."), rate},
        {QStringLiteral("frames"), QStringLiteral("Stop after N frames were written to a reader."),
         QStringLiteral("N")},
        {QStringLiteral("duration"), QStringLiteral("Stop after SECONDS."), QStringLiteral("SECONDS")},
        {QStringLiteral("quiet"), QStringLiteral("Print nothing after the device and com lines.")},
    });
    if (!parser.parse(Arguments)) {
        Error = parser.errorText();
        return false;
    }
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    if (!parser.positionalArguments().isEmpty()) {
        Error = QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().constFirst());
        return false;
    }

    const QString mode = parser.value(QStringLiteral("mode"));
    if (mode != QLatin1String("single") && mode != QLatin1String("group")) {
        Error = QStringLiteral("--mode must be single or group");
        return false;
    }
    Options.GroupMode = mode == QLatin1String("group");
    Options.Device = parser.value(QStringLiteral("device"));
    if (parser.isSet(QStringLiteral("device")) && Options.Device.isEmpty()) {
        Error = QStringLiteral("--device needs a path");
        return false;
    }
    Options.Fast = parser.isSet(QStringLiteral("fast"));
    Options.Quiet = parser.isSet(QStringLiteral("quiet"));
    return ReadInteger(parser, QStringLiteral("com"), 1, HighestComNumber, Options.ComNumber, Error) &&
           ReadInteger(parser, QStringLiteral("seed"), 0, std::numeric_limits<std::uint32_t>::max(), Options.Seed,
                       Error) &&
           ReadInteger(parser, QStringLiteral("frames"), 1, 1e15, Options.FrameLimit, Error) &&
           ReadNumber(parser, QStringLiteral("duration"), 0.001, 1e9, Options.Duration, Error) &&
           ReadNumber(parser, QStringLiteral("scale"), 0.001, 1000, Options.Scale, Error) &&
           ReadNumber(parser, QStringLiteral("garbage"), 0, 1, Options.Faults.Garbage, Error) &&
           ReadNumber(parser, QStringLiteral("drop"), 0, 1, Options.Faults.Drop, Error) &&
           ReadNumber(parser, QStringLiteral("bad-header"), 0, 1, Options.Faults.BadHeader, Error) &&
           ReadNumber(parser, QStringLiteral("implausible"), 0, 1, Options.Faults.Implausible, Error);
}
