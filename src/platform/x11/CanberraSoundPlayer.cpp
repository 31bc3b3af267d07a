#include "platform/x11/CanberraSoundPlayer.h"

#include <QApplication>

#include <canberra.h>

namespace mendrake {

CanberraSoundPlayer::CanberraSoundPlayer() {
    // The context connects to the audio server lazily, on the first sound, so start-up stays fast.
    if (ca_context_create(&context_) != CA_SUCCESS) context_ = nullptr;
    if (context_)
        ca_context_change_props(context_, CA_PROP_APPLICATION_NAME, "Mendrake",
                                CA_PROP_APPLICATION_ID, MENDRAKE_APP_ID, CA_PROP_APPLICATION_ICON_NAME, MENDRAKE_APP_ID,
                                nullptr);
}

CanberraSoundPlayer::~CanberraSoundPlayer() {
    if (context_) ca_context_destroy(context_);
}

std::string CanberraSoundPlayer::eventIdFor(const std::string& name) {
    if (name == "Tink") return "message-new-instant";
    return {};
}

void CanberraSoundPlayer::playNamed(const std::string& name) {
    const std::string event = eventIdFor(name);
    if (!context_ || event.empty()) return;
    // Failures (no theme, no device) come back as error codes, which a fire-and-forget sound ignores.
    ca_context_play(context_, 0, CA_PROP_EVENT_ID, event.c_str(), nullptr);
}

void CanberraSoundPlayer::beep() { QApplication::beep(); }

}  // namespace mendrake
