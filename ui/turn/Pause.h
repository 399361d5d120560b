#pragma once

namespace tavlo {

// Lets time pass on the wall clock while the window keeps living: window
// events (repaints, menu commands, presses, GIF frames) are served for the
// whole wait, and between events the thread sleeps instead of spinning.
// Handlers may therefore re-enter the caller. Returns at once, after one
// pass over the pending events, once the application is quitting.
void Pause(double milliseconds);

// Asks the application to end: pending and future pauses return at once,
// then the event loop ends with exit code 0.
void quitApplication();
// True once quitApplication() was called (or the application is going down).
bool quitRequested();

} // namespace tavlo
