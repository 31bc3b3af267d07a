#include "platform/x11/DesktopEntries.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLocale>
#include <QSet>

namespace mendrake {

namespace {

// Desktop-entry values escape \s \n \t \r \\.
QString unescape(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != u'\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        const QChar next = value[++i];
        out += next == u's' ? u' ' : next == u'n' ? u'\n' : next == u't' ? u'\t' : next == u'r' ? u'\r' : next;
    }
    return out;
}

}  // namespace

QStringList DesktopEntries::standardDataDirs() {
    QStringList dirs;
    const QString home = qEnvironmentVariable("XDG_DATA_HOME");
    dirs << (home.isEmpty() ? QDir::homePath() + QStringLiteral("/.local/share") : home);
    QString system = qEnvironmentVariable("XDG_DATA_DIRS");
    if (system.isEmpty()) system = QStringLiteral("/usr/local/share:/usr/share");
    dirs << system.split(u':', Qt::SkipEmptyParts);
    return dirs;
}

DesktopEntries::DesktopEntries(QStringList dataDirs) : dataDirs_(std::move(dataDirs)) {
    QObject::connect(&watcher_, &QFileSystemWatcher::directoryChanged, [this] { stale_ = true; });
}

std::optional<DesktopEntry> DesktopEntries::parse(const QByteArray& contents, const QString& locale) {
    const QString language = locale.section(u'_', 0, 0);
    const QString exactKey = QStringLiteral("Name[%1]").arg(locale);
    const QString languageKey = QStringLiteral("Name[%1]").arg(language);
    DesktopEntry entry;
    QString type, nameExact, nameLanguage;
    bool inMainGroup = false, sawMainGroup = false, hidden = false, noDisplay = false;
    for (const QByteArray& rawLine : contents.split('\n')) {
        const QString line = QString::fromUtf8(rawLine).trimmed();
        if (line.isEmpty() || line.startsWith(u'#')) continue;
        if (line.startsWith(u'[')) {
            inMainGroup = line == u"[Desktop Entry]";
            sawMainGroup = sawMainGroup || inMainGroup;
            continue;
        }
        if (!inMainGroup) continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0) continue;
        const QString key = line.left(eq).trimmed();
        const QString value = unescape(line.mid(eq + 1).trimmed());
        if (key == u"Name") entry.name = value;
        else if (key == exactKey) nameExact = value;
        else if (key == languageKey) nameLanguage = value;
        else if (key == u"Icon") entry.icon = value;
        else if (key == u"StartupWMClass") entry.startupWMClass = value;
        else if (key == u"Type") type = value;
        else if (key == u"Hidden") hidden = value == u"true";
        else if (key == u"NoDisplay") noDisplay = value == u"true";
    }
    if (!sawMainGroup || hidden) return std::nullopt;
    if (!nameExact.isEmpty()) entry.name = nameExact;
    else if (!nameLanguage.isEmpty()) entry.name = nameLanguage;
    entry.visible = !noDisplay && type == u"Application" && !entry.name.isEmpty();
    return entry;
}

void DesktopEntries::reload() {
    stale_ = false;
    entries_.clear();
    if (!watcher_.directories().isEmpty()) watcher_.removePaths(watcher_.directories());
    const QString locale = QLocale().name();
    QSet<QString> seen;  // an id found in a folder of higher priority hides the others
    for (const QString& dataDir : dataDirs_) {
        const QString root = dataDir + QStringLiteral("/applications");
        if (!QFileInfo(root).isDir()) {
            // Notice the folder being created later (the first application installed per user).
            if (QFileInfo(dataDir).isDir()) watcher_.addPath(dataDir);
            continue;
        }
        watcher_.addPath(root);
        QDirIterator it(root, {QStringLiteral("*.desktop")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QString id = QDir(root).relativeFilePath(path);
            id.chop(int(sizeof(".desktop") - 1));
            id.replace(u'/', u'-');
            if (seen.contains(id)) continue;
            seen.insert(id);
            if (const QString folder = QFileInfo(path).path(); folder != root) watcher_.addPath(folder);
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly)) continue;
            if (auto entry = parse(file.read(1 << 20), locale)) {
                entry->id = id;
                entry->path = path;
                entries_.push_back(std::move(*entry));
            }
        }
    }
}

const std::vector<DesktopEntry>& DesktopEntries::all() {
    if (stale_) reload();
    return entries_;
}

std::optional<DesktopEntry> DesktopEntries::byId(const QString& id) {
    for (const DesktopEntry& entry : all())
        if (entry.id == id) return entry;
    return std::nullopt;
}

std::optional<DesktopEntry> DesktopEntries::byPath(const QString& path) {
    for (const DesktopEntry& entry : all())
        if (entry.path == path) return entry;
    return std::nullopt;
}

std::optional<DesktopEntry> DesktopEntries::forWindowClass(const QString& windowClass, const QString& instance) {
    auto matches = [](const QString& value, const QString& candidate, Qt::CaseSensitivity cs) {
        return !candidate.isEmpty() && value.compare(candidate, cs) == 0;
    };
    for (const DesktopEntry& entry : all())
        if (matches(entry.startupWMClass, windowClass, Qt::CaseSensitive) ||
            matches(entry.startupWMClass, instance, Qt::CaseSensitive))
            return entry;
    for (const DesktopEntry& entry : all())
        if (matches(entry.id, windowClass, Qt::CaseInsensitive) || matches(entry.id, instance, Qt::CaseInsensitive))
            return entry;
    return std::nullopt;
}

}  // namespace mendrake
