#include "game/Result.h"

namespace tavlo {

std::string resultText(int white, int black)
{
    if (white > black)
        return "Bravo, vous avez gagné avec un score de " + std::to_string(white);
    if (black > white)
        return "Désolé, j'ai gagné avec un score de " + std::to_string(black);
    return "Egalité, on peut recommencer si vous avez encore envie";
}

} // namespace tavlo
