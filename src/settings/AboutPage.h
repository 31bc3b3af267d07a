#pragma once
// The application's name and version, the update check (only in builds that can check), how to
// open Mendrake when the desktop has no tray, and links to the project's own pages.

#include "settings/FormWidgets.h"

#include <QUrl>

class QPushButton;

namespace mendrake {

struct SettingsServices;

// What the About page says when no tray shows Mendrake's icon; `shortcut` as the key caps name it.
QString noTrayText(const QString& shortcut);

// The app icon at 72 x 72, "Mendrake" and a subtitle, centred.
class AppHeader : public QWidget {
public:
    explicit AppHeader(const QString& subtitle, QWidget* parent = nullptr);
};

class AboutPage : public FormPage {
public:
    explicit AboutPage(SettingsServices& services, QWidget* parent = nullptr);
    QString versionShown() const { return version_->text(); }
    QPushButton* updateButton() const { return update_; }  // null when updates cannot be checked
    QList<QPushButton*> links() const { return links_; }
    QLabel* noTrayNote() const { return noTray_; }  // null while a tray shows the icon

private:
    QLabel* version_;
    QPushButton* update_ = nullptr;
    QLabel* noTray_ = nullptr;
    QList<QPushButton*> links_;
};

}  // namespace mendrake
