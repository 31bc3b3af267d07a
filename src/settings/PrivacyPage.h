#pragma once
// The privacy statements, pausing and resuming capture, and the applications whose copies are
// never recorded.

#include "settings/AppChooserDialog.h"
#include "settings/FormWidgets.h"

#include "platform/Clock.h"

#include <QPointer>

#include <memory>

class QPushButton;
class QToolButton;

namespace mendrake {


class Workspace;
struct SettingsServices;

// What the ignored-apps list shows for one identifier.
struct IgnoredAppInfo {
    QString name;
    QString detail;   // the identifier, or "Not installed"
    bool installed = false;
};
IgnoredAppInfo ignoredAppInfo(const QString& appId, Workspace& workspace);

// The list with every occurrence of `appId` removed / with the chosen ids appended, skipping
// empty ones and those already listed.
QStringList withoutAppId(const QStringList& list, const QString& appId);
QStringList withAppIds(const QStringList& list, const QStringList& chosen);

class IgnoredAppRow : public QWidget {
    Q_OBJECT
public:
    IgnoredAppRow(const QString& appId, Workspace& workspace, std::function<void()> onRemove,
                  QWidget* parent = nullptr);
    const QString& appId() const { return appId_; }
    QToolButton* removeButton() const { return remove_; }

private:
    QString appId_;
    QToolButton* remove_;
};

class PrivacyPage : public FormPage {
public:
    explicit PrivacyPage(SettingsServices& services, QWidget* parent = nullptr);

    QString captureTitle() const;
    QString captureDetail() const;
    QPushButton* resumeButton() const { return resume_; }
    QPushButton* pauseButton() const { return pause_; }
    QPushButton* addAppButton() const { return addApp_; }
    QList<IgnoredAppRow*> ignoredRows() const;
    // The open chooser of "Add App…", null when none is showing.
    AppChooserDialog* chooser() const { return chooser_; }

    void addApps(const QStringList& appIds);

private:
    void refreshCapture();
    void rebuildIgnored();
    void chooseApps();

    SettingsServices& services_;
    QLabel* captureTitle_;
    QLabel* captureDetail_;
    QPushButton* resume_;
    QPushButton* pause_;
    FormGroup* ignored_;
    QPushButton* addApp_;
    QPointer<AppChooserDialog> chooser_;
    std::unique_ptr<Clock::Timer> refreshTimer_;
};

}  // namespace mendrake
