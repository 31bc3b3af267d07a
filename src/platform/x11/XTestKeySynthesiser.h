#pragma once
// The X11 key synthesiser: XTest fake key events on its own display connection.
// Trusted means the X server offers the XTest extension; there is no permission to ask for.

#include "platform/KeySynthesiser.h"

#include <functional>

struct _XDisplay;

namespace mendrake {

class XTestKeySynthesiser final : public KeySynthesiser {
public:
    // `x11KeycodeFor` maps a virtual key code to the X keycode of that key position (0: none).
    explicit XTestKeySynthesiser(std::function<unsigned(std::uint32_t)> x11KeycodeFor);
    ~XTestKeySynthesiser() override;

    XTestKeySynthesiser(const XTestKeySynthesiser&) = delete;
    XTestKeySynthesiser& operator=(const XTestKeySynthesiser&) = delete;

    bool isTrusted() const override;
    void postKeyPress(std::uint32_t keyCode, std::uint32_t modifiers) override;

private:
    ::_XDisplay* display_ = nullptr;
    bool hasXTest_ = false;
    std::function<unsigned(std::uint32_t)> x11KeycodeFor_;
};

}  // namespace mendrake
