#pragma once
// The freedesktop sound player: libcanberra events from the sound theme, the bell through Qt.

#include "platform/SoundPlayer.h"

struct ca_context;

namespace mendrake {

class CanberraSoundPlayer final : public SoundPlayer {
public:
    CanberraSoundPlayer();
    ~CanberraSoundPlayer() override;

    CanberraSoundPlayer(const CanberraSoundPlayer&) = delete;
    CanberraSoundPlayer& operator=(const CanberraSoundPlayer&) = delete;

    void playNamed(const std::string& name) override;
    void beep() override;

    // The sound-theme event that plays for a product sound name; empty when there is none.
    static std::string eventIdFor(const std::string& name);

private:
    ca_context* context_ = nullptr;
};

}  // namespace mendrake
