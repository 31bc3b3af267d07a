#pragma once

#include "platform/SoundPlayer.h"

#include <string>
#include <vector>

namespace mendrake::test {

class FakeSoundPlayer final : public SoundPlayer {
public:
    void playNamed(const std::string& name) override { played.push_back(name); }
    void beep() override {}

    std::vector<std::string> played;
};

}  // namespace mendrake::test
