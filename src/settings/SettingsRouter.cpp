#include "settings/SettingsRouter.h"

namespace mendrake {

void SettingsRouter::setPage(SettingsPage page) {
    const bool changed = page != page_;
    page_ = page;
    if (changed) emit pageChanged(page);
    if (onChange) onChange(page);
}

}  // namespace mendrake
