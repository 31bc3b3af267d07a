#pragma once
// Holds the settings window's current page. `pageSelected` fires on every assignment, also of the
// current page, so that selecting it again still re-titles the window. Main thread only.

#include "settings/SettingsPage.h"

#include <QObject>

namespace mendrake {

class SettingsRouter : public QObject {
    Q_OBJECT
public:
    explicit SettingsRouter(SettingsPage start = SettingsPage::general, QObject* parent = nullptr)
        : QObject(parent), page_(start) {}

    SettingsPage page() const { return page_; }
    void setPage(SettingsPage page) {
        page_ = page;
        emit pageSelected(page);
    }

signals:
    void pageSelected(mendrake::SettingsPage page);

private:
    SettingsPage page_;
};

}  // namespace mendrake
