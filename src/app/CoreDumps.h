#pragma once
// Keeps the process's memory out of core files: a crash would otherwise write the history window
// it holds (up to thousands of previews) wherever cores go, out of reach of Clear History.

namespace mendrake {

// Sets RLIMIT_CORE to 0 and makes the process non-dumpable (which also keeps other processes of
// the user from attaching a debugger to read it). Answers whether both held.
bool disableCoreDumps();

}  // namespace mendrake
