#pragma once

namespace tavlo {

// The layouts name the classic desktop fonts; they reach Qt as the metric-
// compatible Liberation fonts, so the window looks the same on every
// machine. Called once at start-up, before any window is made.
void installFontSubstitutions();

} // namespace tavlo
