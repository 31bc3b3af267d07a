#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <array>

namespace mendrake {

namespace {
using Kind = InstanceRequest::Kind;

struct RequestName {
    Kind kind;
    const char* name;
};
constexpr std::array kRequestNames{
    RequestName{Kind::reopen, "reopen"}, RequestName{Kind::show, "show"},
    RequestName{Kind::toggle, "toggle"}, RequestName{Kind::settings, "settings"},
    RequestName{Kind::pause, "pause"},   RequestName{Kind::resume, "resume"},
    RequestName{Kind::quit, "quit"},
};

std::optional<int> pauseMinutes(const QString& text) {
    bool ok = false;
    const int minutes = text.toInt(&ok);
    if (!ok || minutes < 1 || minutes > InstanceRequest::maxPauseMinutes) return std::nullopt;
    return minutes;
}
}  // namespace

QByteArray InstanceRequest::encode() const {
    for (const RequestName& entry : kRequestNames)
        if (entry.kind == kind) {
            QByteArray line(entry.name);
            if (kind == Kind::pause && minutes > 0) line += ' ' + QByteArray::number(minutes);
            return line;
        }
    return {};
}

std::optional<InstanceRequest> InstanceRequest::decode(const QByteArray& line) {
    const QList<QByteArray> words = line.split(' ');
    for (const RequestName& entry : kRequestNames) {
        if (words.first() != entry.name) continue;
        if (words.size() == 1) return InstanceRequest{entry.kind, 0};
        if (entry.kind != Kind::pause || words.size() != 2) return std::nullopt;
        const auto minutes = pauseMinutes(QString::fromLatin1(words[1]));
        // Only the canonical spelling: "pause 015" is not what this version sends.
        if (!minutes || QByteArray::number(*minutes) != words[1]) return std::nullopt;
        return InstanceRequest{Kind::pause, *minutes};
    }
    return std::nullopt;
}

CommandLine parseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Clipboard history: records what you copy and brings it back in a search panel.\n"
                       "Without an option, starts Mendrake, or shows its panel when it already runs."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const std::array options{
        std::pair{QCommandLineOption(QStringLiteral("show"), QStringLiteral("Show the search panel.")), Kind::show},
        std::pair{QCommandLineOption(QStringLiteral("toggle"), QStringLiteral("Show the search panel, or hide it when shown.")),
                  Kind::toggle},
        std::pair{QCommandLineOption(QStringLiteral("settings"), QStringLiteral("Open the settings window.")),
                  Kind::settings},
        std::pair{QCommandLineOption(QStringLiteral("pause"),
                                     QStringLiteral("Pause capture until resumed, or with --pause=MINUTES for "
                                                    "that many minutes (1 to %1).")
                                         .arg(InstanceRequest::maxPauseMinutes)),
                  Kind::pause},
        std::pair{QCommandLineOption(QStringLiteral("resume"), QStringLiteral("Resume capture.")), Kind::resume},
        std::pair{QCommandLineOption(QStringLiteral("quit"), QStringLiteral("Quit the running Mendrake.")),
                  Kind::quit},
    };
    for (const auto& [option, kind] : options) parser.addOption(option);

    // --pause takes an optional value, which QCommandLineParser cannot express: split it off first.
    QStringList args = arguments;
    std::optional<QString> minutesText;
    for (QString& arg : args)
        if (arg.startsWith(QLatin1String("--pause="))) {
            minutesText = arg.mid(8);
            arg = QStringLiteral("--pause");
        }

    auto usageError = [&](const QString& what) {
        return CommandLine{CommandLine::Action::usageError, {},
                           what + QStringLiteral("\nTry 'mendrake --help' for more information.")};
    };
    if (!parser.parse(args)) return usageError(parser.errorText());
    if (parser.isSet(help)) return {CommandLine::Action::help, {}, parser.helpText()};
    if (parser.isSet(version))
        return {CommandLine::Action::version, {},
                QCoreApplication::applicationName() + u' ' + QCoreApplication::applicationVersion()};
    if (!parser.positionalArguments().isEmpty())
        return usageError(QStringLiteral("Unexpected argument: ") + parser.positionalArguments().first());

    std::optional<InstanceRequest> request;
    for (const auto& [option, kind] : options) {
        if (!parser.isSet(option)) continue;
        if (request)
            return usageError(QStringLiteral("Give one option at a time."));
        request = InstanceRequest{kind, 0};
    }
    if (!request) return {CommandLine::Action::start, {}, {}};
    if (minutesText) {
        const auto minutes = pauseMinutes(*minutesText);
        if (!minutes)
            return usageError(QStringLiteral("--pause takes a number of minutes from 1 to %1.")
                                  .arg(InstanceRequest::maxPauseMinutes));
        request->minutes = *minutes;
    }
    return {CommandLine::Action::request, *request, {}};
}

}  // namespace mendrake
