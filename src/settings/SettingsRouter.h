#pragma once
// Holds the settings window's current page. Every assignment runs `onChange` (so re-selecting the
// current page still re-titles the window); `pageChanged` fires only when the page really changes.
// Main thread only.

#include "settings/SettingsPage.h"

#include <QObject>

#include <functional>

namespace mendrake {

class SettingsRouter : public QObject {
    Q_OBJECT
public:
    explicit SettingsRouter(SettingsPage start = SettingsPage::general, QObject* parent = nullptr)
        : QObject(parent), page_(start) {}

    SettingsPage page() const { return page_; }
    void setPage(SettingsPage page);

    std::function<void(SettingsPage)> onChange;

signals:
    void pageChanged(mendrake::SettingsPage page);

private:
    SettingsPage page_;
};

}  // namespace mendrake
