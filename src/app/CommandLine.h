#pragma once
// The command line. `mendrake` starts Mendrake, or shows the panel of the one already running;
// every option but --help and --version is a request for the running instance, sent over the
// single-instance socket as one short line ("show", "pause 15", ...) and decoded there.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace mendrake {

struct InstanceRequest {
    enum class Kind { reopen, show, toggle, settings, pause, resume, quit };
    Kind kind = Kind::reopen;
    int minutes = 0;  // pause only; 0 pauses until resumed

    static constexpr int maxPauseMinutes = 7 * 24 * 60;

    QByteArray encode() const;
    // Nullopt for anything that is not exactly a request this version sends.
    static std::optional<InstanceRequest> decode(const QByteArray& line);
    bool operator==(const InstanceRequest&) const = default;
};

struct CommandLine {
    enum class Action { start, request, help, version, usageError };
    Action action = Action::start;
    InstanceRequest request;  // start sends reopen; request sends this
    QString text;             // the help, the version line or what is wrong
};

// `arguments` includes the program name first, as QCoreApplication::arguments() gives it.
CommandLine parseCommandLine(const QStringList& arguments);

}  // namespace mendrake
