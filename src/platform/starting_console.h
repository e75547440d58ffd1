#pragma once

namespace tarvos::platform {

// A program with a window of its own has no console on Windows, so what a run without the
// window prints (its step lines, messages, usage) would go nowhere. This attaches the
// program to the console of the command prompt it was started from, when there is one,
// and sends standard output and standard error there; streams already redirected to a
// file or a pipe stay where they go. On Linux a program's streams are always those it was
// started with: nothing to do.
void UseStartingConsole();

}  // namespace tarvos::platform
