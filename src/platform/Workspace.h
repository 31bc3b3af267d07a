#pragma once
// Workspace: the desktop's running and installed applications, their icons, and opening things.
//
// Contract: an application is known by its identifier, the desktop-entry id (for example
// "org.gnome.TextEditor"; a window class where no entry matches) and a localized name.
// `frontmostApplication` names the application of the active window, or nullopt when no window is
// active. `applicationOfWindow` names the application any window (a hidden one included) belongs
// to, or nullopt when it belongs to none, as the hidden window of a command-line tool. Icons come back as images of the asked pixel size, null when none is found. Activation,
// opening and revealing are requests to the window manager, file manager or browser: they answer
// false when the request could not be made and never wait for it to be carried out. The list of
// installed applications is cached and re-read when the application directories change. Main
// thread only. Owns nothing the caller must release.

#include <QImage>
#include <QString>
#include <QUrl>

#include <optional>
#include <vector>

namespace mendrake {

struct RunningApplication {
    std::optional<QString> appId;       // the application identifier
    std::optional<QString> localizedName;
    quint64 window = 0;                    // the window it was seen in front with; 0 when unknown
    std::optional<QString> windowClass;    // the class part of the window's WM_CLASS, when it has one

    bool operator==(const RunningApplication&) const = default;
};

struct InstalledApplication {
    QString appId;  // desktop-entry id
    QString name;      // localized name
    QString location;  // the desktop entry's file

    bool operator==(const InstalledApplication&) const = default;
};

class Workspace {
public:
    virtual ~Workspace() = default;

    virtual std::optional<RunningApplication> frontmostApplication() = 0;
    virtual std::optional<RunningApplication> applicationOfWindow(quint64 window) = 0;
    // Brings the application's remembered window to the front; false when it has none or the window
    // is gone (never another window of the same application).
    virtual bool activate(const RunningApplication& app) = 0;
    // Whether the application's remembered window is the active window and holds the keyboard
    // focus (itself or one of its child windows), so that typed keys reach it.
    virtual bool holdsKeyboardFocus(const RunningApplication& app) = 0;

    // Where the application with this identifier is installed (its desktop entry), or nullopt.
    virtual std::optional<QString> applicationLocation(const QString& appId) = 0;
    // The icon of a file, from its name and file type; for an application's location, the
    // application's icon. Never blocks on the file: only a regular file is ever opened.
    virtual QImage iconForFile(const QString& path, int pixelSize) = 0;
    // Visible installed applications, sorted by name.
    virtual std::vector<InstalledApplication> installedApplications() = 0;

    virtual bool openURL(const QUrl& url) = 0;
    // Shows the file selected in the file manager, or at least opens its folder.
    virtual bool revealFile(const QString& path) = 0;
};

}  // namespace mendrake
