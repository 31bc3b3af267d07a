#include "platform/x11/XdgAutostartLoginItems.h"

#include "platform/AppIdentity.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
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

QString desktopEntryProgram(const QString& exec) {
    // The value is first a desktop-entry string (backslash escapes), then a command line whose first
    // argument may be double-quoted with \", \`, \$ and \\ escaped inside.
    QString text;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        if (exec[i] == u'\\' && i + 1 < exec.size()) {
            const QChar next = exec[++i];
            text += next == u's' ? QChar(u' ') : next == u't' ? QChar(u'\t') : next == u'n' ? QChar(u'\n') : next;
        } else {
            text += exec[i];
        }
    }
    QString program;
    if (text.startsWith(u'"')) {
        qsizetype i = 1;
        for (; i < text.size() && text[i] != u'"'; ++i) {
            if (text[i] == u'\\' && i + 1 < text.size()) ++i;
            program += text[i];
        }
        if (i >= text.size()) return {};
    } else {
        program = text.section(u' ', 0, 0, QString::SectionSkipEmpty);
    }
    return program.replace(QStringLiteral("%%"), QStringLiteral("%"));
}

QString autostartProgram(const QString& runningBinary, const QString& installedBinary) {
    const QString running = QFileInfo(runningBinary).canonicalFilePath();
    if (!running.isEmpty() && running == QFileInfo(installedBinary).canonicalFilePath()) return installedBinary;
    return QFileInfo(runningBinary).absoluteFilePath();
}

namespace {
// The [Desktop Entry] group's keys of an autostart file; nullopt when it cannot be read.
std::optional<QHash<QString, QString>> readMainGroup(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return std::nullopt;
    QHash<QString, QString> keys;
    QTextStream in(&file);
    bool inMainGroup = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(u'[')) {
            inMainGroup = line == u"[Desktop Entry]";
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (inMainGroup && equals > 0) keys.insert(line.left(equals).trimmed(), line.mid(equals + 1).trimmed());
    }
    return keys;
}

bool switchedOn(const QHash<QString, QString>& keys) {
    return keys.value(QStringLiteral("Hidden")) != u"true" &&
           keys.value(QStringLiteral("X-GNOME-Autostart-enabled")) != u"false";
}

bool runs(const QHash<QString, QString>& keys) {
    const QString program = desktopEntryProgram(keys.value(QStringLiteral("Exec")));
    if (program.isEmpty()) return false;
    if (!program.contains(u'/')) return !QStandardPaths::findExecutable(program).isEmpty();
    const QFileInfo info(program);
    return info.isFile() && info.isExecutable();
}

const QString kLegacyEntryName = QStringLiteral("mendrake.desktop");
}  // namespace

XdgAutostartLoginItems::XdgAutostartLoginItems(QString executable, QString autostartDirectory)
    : executable_(std::move(executable)), directory_(std::move(autostartDirectory)) {}

QString XdgAutostartLoginItems::defaultDirectory() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart");
}

QString XdgAutostartLoginItems::entryPath() const {
    return directory_ + u'/' + applicationId() + QStringLiteral(".desktop");
}

bool XdgAutostartLoginItems::isEnabled() const {
    const auto keys = readMainGroup(entryPath());
    return keys && switchedOn(*keys) && runs(*keys);
}

std::optional<QString> XdgAutostartLoginItems::repairStaleEntry() {
    const QString legacy = directory_ + u'/' + kLegacyEntryName;
    if (const auto keys = readMainGroup(legacy); keys && !QFile::exists(entryPath())) {
        if (switchedOn(*keys))
            if (auto error = enable()) return error;
        if (!QFile::remove(legacy)) return QStringLiteral("could not remove %1").arg(legacy);
        return std::nullopt;
    }
    const auto keys = readMainGroup(entryPath());
    if (!keys || !switchedOn(*keys) || runs(*keys)) return std::nullopt;
    return enable();
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
                              "Icon=%2\n"
                              "Terminal=false\n"
                              "X-GNOME-Autostart-enabled=true\n")
                              .arg(desktopEntryExec(executable_), applicationId());
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
