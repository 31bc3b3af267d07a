#pragma once
// The application's name and version, the update check, and links to the website, the changelog
// and support.

#include "settings/FormWidgets.h"

#include <QUrl>

class QPushButton;

namespace mendrake {

struct SettingsServices;

QUrl websiteURL();
QUrl changelogURL();
QUrl supportURL();

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

private:
    QLabel* version_;
    QPushButton* update_ = nullptr;
    QList<QPushButton*> links_;
};

}  // namespace mendrake
