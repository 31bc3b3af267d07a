#pragma once
// How a chosen history item is used: pasted as it was copied, pasted as plain text, or only put on
// the clipboard. The panel passes it on to whoever carries out the paste.

namespace mendrake {

enum class UseMode { paste, pastePlain, copyOnly };

}  // namespace mendrake
