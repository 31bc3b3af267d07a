#pragma once
// SoundPlayer: plays short event sounds.
//
// Contract: `playNamed` plays one of the product's named sounds ("Tink") fire-and-forget; an
// unknown name, a missing sound theme or no audio device are ignored silently. `beep` rings the
// system bell. Main thread only. Owns whatever audio context it opens.

#include <string>

namespace mendrake {

class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;

    virtual void playNamed(const std::string& name) = 0;
    virtual void beep() = 0;
};

}  // namespace mendrake
