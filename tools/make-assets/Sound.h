#pragma once

#include "Bytes.h"

#include <filesystem>
#include <string>

namespace makeassets {

// A sound recipe is a small text file, one statement a line, '#' starts a
// comment. Times are in seconds, levels in full scale (1.0 = loudest):
//
//   rate    HZ                  sample rate
//   samples N                   length in samples
//   layout  plain | fact        plain: 16-byte format chunk, then data;
//                               fact: 18-byte format chunk (extension word
//                               0x7900), a fact chunk, then data
//   tone  START LENGTH FROM_HZ TO_HZ LEVEL ATTACK RELEASE SHAPE DECAY
//                               a burst gliding from FROM_HZ to TO_HZ;
//                               SHAPE sine|square|saw|triangle (band-limited);
//                               raised-cosine ATTACK and RELEASE edges;
//                               DECAY > 0: exponential fall, time constant
//   noise START LENGTH CENTRE_HZ LEVEL ATTACK RELEASE DECAY
//                               resonant band-pass noise around CENTRE_HZ
//
// Bursts add up; the sum is clipped to full scale.

// Reads a recipe and returns the complete RIFF WAVE file it describes:
// 8-bit unsigned mono PCM, odd data padded with one byte.
Bytes synthesiseRecipe(const std::filesystem::path &recipe);
Bytes synthesiseRecipeText(const std::string &text, const std::string &origin);

} // namespace makeassets
