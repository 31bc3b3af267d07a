#pragma once
// The installed applications as freedesktop desktop entries, read from the "applications"
// folders of the XDG data directories. The list is read on first use and again after one of those
// folders changed (QFileSystemWatcher, so the change is seen once the event loop has run).

#include <QFileSystemWatcher>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace mendrake {

struct DesktopEntry {
    QString id;               // file path under applications/, '/' -> '-', without ".desktop"
    QString name;             // Name, localized where the entry has a translation
    QString icon;             // Icon: a theme name or an absolute path
    QString startupWMClass;
    QString path;             // the file
    bool visible = true;      // false for NoDisplay=true or a non-application entry
};

class DesktopEntries {
public:
    // `dataDirs` in priority order; by default $XDG_DATA_HOME then $XDG_DATA_DIRS.
    explicit DesktopEntries(QStringList dataDirs = standardDataDirs());

    const std::vector<DesktopEntry>& all();
    std::optional<DesktopEntry> byId(const QString& id);
    std::optional<DesktopEntry> byPath(const QString& path);
    // The identity of a window's application from its WM_CLASS: the entry whose StartupWMClass is
    // the class or the instance, else the entry whose id is either (ignoring case).
    std::optional<DesktopEntry> forWindowClass(const QString& windowClass, const QString& instance);

    // Reads one desktop file; none when it has no [Desktop Entry] group, or is Hidden.
    static std::optional<DesktopEntry> parse(const QByteArray& contents, const QString& locale);
    static QStringList standardDataDirs();

private:
    void reload();

    QStringList dataDirs_;
    QFileSystemWatcher watcher_;
    std::vector<DesktopEntry> entries_;
    bool stale_ = true;
};

}  // namespace mendrake
