#include "platform/x11/XdgAutostartLoginItems.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextStream>

namespace mendrake {

QString desktopEntryExec(const QString& program) {
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool needsQuotes = program.isEmpty();
    for (QChar c : program)
        if (reserved.contains(c)) needsQuotes = true;
    QString exec = program;
    if (needsQuotes) {
        QString quoted;
        for (QChar c : program) {
            if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') quoted += u'\\';
            quoted += c;
        }
        exec = u'"' + quoted + u'"';
    }
    // The value is also a desktop-entry string, in which a backslash is itself escaped; a literal
    // percent sign is doubled because % starts a field code.
    exec.replace(u'\\', QStringLiteral("\\\\"));
    exec.replace(u'%', QStringLiteral("%%"));
    return exec;
}

XdgAutostartLoginItems::XdgAutostartLoginItems(QString executable, QString autostartDirectory)
    : executable_(std::move(executable)), directory_(std::move(autostartDirectory)) {}

QString XdgAutostartLoginItems::defaultDirectory() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart");
}

QString XdgAutostartLoginItems::entryPath() const {
    return directory_ + QStringLiteral("/mendrake.desktop");
}

bool XdgAutostartLoginItems::isEnabled() const {
    QFile file(entryPath());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return false;
    QTextStream in(&file);
    bool inMainGroup = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(u'[')) {
            inMainGroup = line == u"[Desktop Entry]";
            continue;
        }
        if (!inMainGroup) continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0 || line.left(equals).trimmed() != u"Hidden") continue;
        if (line.mid(equals + 1).trimmed() == u"true") return false;
    }
    return true;
}

std::optional<QString> XdgAutostartLoginItems::enable() {
    if (!QDir().mkpath(directory_))
        return QStringLiteral("could not create %1").arg(directory_);
    QSaveFile file(entryPath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return QStringLiteral("could not write %1: %2").arg(entryPath(), file.errorString());
    const QString entry = QStringLiteral(
                              "[Desktop Entry]\n"
                              "Type=Application\n"
                              "Name=Mendrake\n"
                              "Comment=Clipboard history\n"
                              "Exec=%1\n"
                              "Icon=mendrake\n"
                              "Terminal=false\n"
                              "X-GNOME-Autostart-enabled=true\n")
                              .arg(desktopEntryExec(executable_));
    file.write(entry.toUtf8());
    if (!file.commit())
        return QStringLiteral("could not write %1: %2").arg(entryPath(), file.errorString());
    return std::nullopt;
}

std::optional<QString> XdgAutostartLoginItems::disable() {
    QFile file(entryPath());
    if (!file.exists()) return std::nullopt;
    if (!file.remove())
        return QStringLiteral("could not remove %1: %2").arg(entryPath(), file.errorString());
    return std::nullopt;
}

}  // namespace mendrake
