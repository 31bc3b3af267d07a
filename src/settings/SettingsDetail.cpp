#include "settings/SettingsDetail.h"

#include "settings/SettingsRouter.h"

#include <QVBoxLayout>

namespace mendrake {

SettingsDetail::SettingsDetail(SettingsRouter& router, PageFactory makePage, QWidget* parent)
    : QWidget(parent), makePage_(std::move(makePage)) {
    setMinimumSize(480, 520);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    connect(&router, &SettingsRouter::pageSelected, this, [this](SettingsPage page) {
        if (page != page_) showPage(page);
    });
    showPage(router.page());
}

void SettingsDetail::showPage(SettingsPage page) {
    page_ = page;
    delete view_;
    view_ = makePage_(page);
    view_->setObjectName(rawValue(page));
    layout()->addWidget(view_);
}

}  // namespace mendrake
