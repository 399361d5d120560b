#pragma once

#include <string>

namespace tavlo {

// The result window's message for a finished game, in UTF-8. It names the
// winner from white's side whoever plays black.
std::string resultText(int white, int black);

} // namespace tavlo
