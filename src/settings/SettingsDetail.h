#pragma once
// The settings window's right pane: shows the page view for the router's page. A page view is
// built afresh each time its page is selected, so its local state starts over; the previous view is
// destroyed (which stops its timers and any shortcut recording).

#include "settings/SettingsPage.h"

#include <QWidget>

#include <functional>

namespace mendrake {

class SettingsRouter;

class SettingsDetail : public QWidget {
public:
    using PageFactory = std::function<QWidget*(SettingsPage)>;

    SettingsDetail(SettingsRouter& router, PageFactory makePage, QWidget* parent = nullptr);

    QWidget* currentPageView() const { return view_; }

private:
    void showPage(SettingsPage page);

    PageFactory makePage_;
    SettingsPage page_ = SettingsPage::general;
    QWidget* view_ = nullptr;
};

}  // namespace mendrake
