#include "CommandLine.h"

#include "charger/ComPortMap.h"
#include "resources/Texts.h"
#include "settings/Constant.h"
#include "settings/TextFormat.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

#include <memory>

namespace {

const QString ComOption = QStringLiteral("com");

// The options a Qt application takes for the window system; they reach the application
// object untouched.
const QStringList QtValueOptions = {
    QStringLiteral("platform"),    QStringLiteral("platformpluginpath"), QStringLiteral("platformtheme"),
    QStringLiteral("plugin"),      QStringLiteral("qmljsdebugger"),      QStringLiteral("qwindowgeometry"),
    QStringLiteral("qwindowicon"), QStringLiteral("qwindowtitle"),       QStringLiteral("session"),
    QStringLiteral("display"),     QStringLiteral("geometry"),           QStringLiteral("style"),
    QStringLiteral("stylesheet"),
};
const QStringList QtFlagOptions = {QStringLiteral("reverse"), QStringLiteral("widgetcount")};

std::unique_ptr<QCommandLineParser> NewParser()
{
    auto parser = std::make_unique<QCommandLineParser>();
    // Qt's own options are single-dash words.
    parser->setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser->setApplicationDescription(
        QStringLiteral("Monitor of the Korvane four-channel battery charger on a serial port."));
    // Not addHelpOption: with an application object present it adds --help-all, which the
    // parse before the application object would not know.
    parser->addOption({{QStringLiteral("h"), QStringLiteral("help"), QStringLiteral("?")},
                       QStringLiteral("Displays help on commandline options.")});
    parser->addVersionOption();
    parser->addOption({ComOption,
                       QStringLiteral("Open COM N (%1-%2) at start-up, as the recent ports list reopens it.")
                           .arg(1)
                           .arg(HighestComNumber),
                       QStringLiteral("N")});
    for (const QString &name : QtValueOptions) {
        QCommandLineOption option(name, QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser->addOption(option);
    }
    for (const QString &name : QtFlagOptions) {
        QCommandLineOption option(name);
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser->addOption(option);
    }
    return parser;
}

TCommandLine Failed(const QString &Error)
{
    TCommandLine result;
    result.Action = TCommandLine::clError;
    result.Error = Error;
    return result;
}

} // namespace

TCommandLine ParseCommandLine(const QStringList &Arguments)
{
    const std::unique_ptr<QCommandLineParser> parser = NewParser();
    if (!parser->parse(Arguments))
        return Failed(parser->errorText());
    TCommandLine result;
    if (parser->isSet(QStringLiteral("help"))) {
        result.Action = TCommandLine::clHelp;
        return result;
    }
    if (parser->isSet(QStringLiteral("version"))) {
        result.Action = TCommandLine::clVersion;
        return result;
    }
    if (!parser->positionalArguments().isEmpty())
        return Failed(QStringLiteral("Unexpected argument '%1'.").arg(parser->positionalArguments().constFirst()));
    if (parser->isSet(ComOption)) {
        // The last --com counts, as with any option given twice.
        bool ok = false;
        const int number = parser->values(ComOption).constLast().toInt(&ok);
        if (!ok || number < 1 || number > HighestComNumber)
            return Failed(QStringLiteral("--com takes a port number from 1 to %1, not '%2'.")
                              .arg(HighestComNumber)
                              .arg(parser->values(ComOption).constLast()));
        result.ComNumber = static_cast<std::uint16_t>(number);
    }
    return result;
}

QString CommandLineHelp() { return NewParser()->helpText(); }

QStringList CommandLineArguments(int Argc, char **Argv)
{
    QStringList arguments;
    for (int i = 0; i < Argc; ++i)
        arguments << QString::fromLocal8Bit(Argv[i]);
    return arguments;
}

int AnswerCommandLine(const TCommandLine &CommandLine, int &Argc, char **Argv)
{
    // A core application only, for the program's own path and name: no display is needed.
    QCoreApplication application(Argc, Argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    switch (CommandLine.Action) {
    case TCommandLine::clVersion: {
        // The about box's version line.
        const QString version = FormatAppVersion();
        if (version.isEmpty()) {
            err << QCoreApplication::applicationName() << ": the program file carries no version" << Qt::endl;
            return 1;
        }
        out << FormatText(LoadStr(TTextId::AppVersionLine), {version}) << Qt::endl;
        return 0;
    }
    case TCommandLine::clHelp:
        out << CommandLineHelp();
        return 0;
    case TCommandLine::clError:
        err << QCoreApplication::applicationName() << ": " << CommandLine.Error << Qt::endl
            << Qt::endl
            << CommandLineHelp();
        return 2;
    case TCommandLine::clRun:
        break;
    }
    return 0;
}
