#pragma once
// The X11 key synthesiser: XTest fake key events on its own display connection.
// Trusted means the X server offers the XTest extension; there is no permission to ask for.

#include "platform/KeySynthesiser.h"

#include <functional>

struct _XDisplay;

namespace mendrake {

class XTestKeySynthesiser final : public KeySynthesiser {
public:
    XTestKeySynthesiser();
    ~XTestKeySynthesiser() override;

    XTestKeySynthesiser(const XTestKeySynthesiser&) = delete;
    XTestKeySynthesiser& operator=(const XTestKeySynthesiser&) = delete;

    bool isTrusted() const override;
    void postKeyPress(std::uint32_t keycode, Qt::KeyboardModifiers modifiers) override;

private:
    ::_XDisplay* display_ = nullptr;
    bool hasXTest_ = false;
};

}  // namespace mendrake
