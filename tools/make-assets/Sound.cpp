#include "Sound.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <numbers>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace makeassets {

namespace {

enum class Shape { Sine, Square, Saw, Triangle };
enum class Layout { Plain, Fact };

struct Tone {
    double start{}, length{}, fromHz{}, toHz{}, level{}, attack{}, release{}, decay{};
    Shape shape{Shape::Sine};
};

struct Noise {
    double start{}, length{}, centreHz{}, level{}, attack{}, release{}, decay{};
};

struct Recipe {
    int rate{0};
    int samples{0};
    Layout layout{Layout::Plain};
    std::vector<Tone> tones;
    std::vector<Noise> noises;
};

Shape parseShape(const std::string &word, const std::string &where)
{
    if (word == "sine")
        return Shape::Sine;
    if (word == "square")
        return Shape::Square;
    if (word == "saw")
        return Shape::Saw;
    if (word == "triangle")
        return Shape::Triangle;
    throw std::runtime_error(where + ": unknown shape '" + word + "'");
}

Recipe parse(const std::string &text, const std::string &origin)
{
    Recipe recipe;
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        if (const auto hash = line.find('#'); hash != std::string::npos)
            line.erase(hash);
        std::istringstream words(line);
        std::string keyword;
        if (!(words >> keyword))
            continue;
        const std::string where = origin + ":" + std::to_string(number);
        bool ok = true;
        if (keyword == "rate") {
            ok = bool(words >> recipe.rate) && recipe.rate >= 1000 && recipe.rate <= 192000;
        } else if (keyword == "samples") {
            ok = bool(words >> recipe.samples) && recipe.samples > 0 && recipe.samples <= 10'000'000;
        } else if (keyword == "layout") {
            std::string kind;
            ok = bool(words >> kind) && (kind == "plain" || kind == "fact");
            recipe.layout = kind == "fact" ? Layout::Fact : Layout::Plain;
        } else if (keyword == "tone") {
            Tone t;
            std::string shape;
            ok = bool(words >> t.start >> t.length >> t.fromHz >> t.toHz >> t.level >> t.attack
                      >> t.release >> shape >> t.decay);
            if (ok)
                t.shape = parseShape(shape, where);
            recipe.tones.push_back(t);
        } else if (keyword == "noise") {
            Noise n;
            ok = bool(words >> n.start >> n.length >> n.centreHz >> n.level >> n.attack >> n.release
                      >> n.decay);
            recipe.noises.push_back(n);
        } else {
            throw std::runtime_error(where + ": unknown keyword '" + keyword + "'");
        }
        std::string extra;
        if (!ok || (words >> extra))
            throw std::runtime_error(where + ": malformed '" + keyword + "' line");
    }
    if (recipe.rate == 0 || recipe.samples == 0)
        throw std::runtime_error(origin + ": 'rate' and 'samples' are required");
    return recipe;
}

// Raised-cosine edges: a burst starting or ending with a jump would click.
double envelope(double t, double length, double attack, double release, double decay)
{
    if (t < 0 || t >= length)
        return 0;
    double e = 1;
    if (attack > 0 && t < attack)
        e *= 0.5 - 0.5 * std::cos(std::numbers::pi * t / attack);
    const double left = length - t;
    if (release > 0 && left < release)
        e *= 0.5 - 0.5 * std::cos(std::numbers::pi * left / release);
    if (decay > 0)
        e *= std::exp(-t / decay);
    return e;
}

// Band-limited waveforms: harmonics stop below the Nyquist frequency, so a
// square at a low sample rate does not fold back into a rasp.
double waveform(Shape shape, double phase, double hz, double nyquist)
{
    if (shape == Shape::Sine)
        return std::sin(phase);
    double sum = 0;
    for (int k = 1; k * hz < nyquist * 0.9 && k < 64; ++k) {
        switch (shape) {
        case Shape::Square:
            if (k % 2 == 1)
                sum += std::sin(k * phase) / k * (4 / std::numbers::pi);
            break;
        case Shape::Saw:
            sum += std::sin(k * phase) / k * (2 / std::numbers::pi) * (k % 2 ? 1 : -1);
            break;
        case Shape::Triangle:
            if (k % 2 == 1)
                sum += std::sin(k * phase) / (double(k) * k) * (8 / (std::numbers::pi * std::numbers::pi))
                       * ((k / 2) % 2 ? -1 : 1);
            break;
        case Shape::Sine:
            break;
        }
    }
    return sum;
}

std::vector<double> render(const Recipe &recipe)
{
    std::vector<double> out(std::size_t(recipe.samples), 0.0);
    const double rate = recipe.rate;
    const double nyquist = rate / 2;

    for (const Tone &t : recipe.tones) {
        double phase = 0;
        for (std::size_t i = 0; i < out.size(); ++i) {
            const double time = double(i) / rate - t.start;
            if (time < 0 || time >= t.length)
                continue;
            const double hz = t.fromHz + (t.toHz - t.fromHz) * (time / t.length);
            out[i] += t.level * envelope(time, t.length, t.attack, t.release, t.decay)
                      * waveform(t.shape, phase, hz, nyquist);
            phase += 2 * std::numbers::pi * hz / rate;
        }
    }

    // Noise through a two-pole resonator centred on the given pitch; the
    // generator is a fixed LCG so every build gives the same bytes.
    std::uint32_t seed = 0x2545F491u;
    for (const Noise &n : recipe.noises) {
        const double r = 0.92;
        const double w = 2 * std::numbers::pi * n.centreHz / rate;
        const double a1 = 2 * r * std::cos(w), a2 = -r * r;
        const double norm = (1 - r) * 2.2;
        double y1 = 0, y2 = 0;
        for (std::size_t i = 0; i < out.size(); ++i) {
            const double time = double(i) / rate - n.start;
            if (time < 0 || time >= n.length)
                continue;
            seed = seed * 1664525u + 1013904223u;
            const double white = double(seed >> 8) / double(1u << 24) * 2 - 1;
            const double y = norm * white + a1 * y1 + a2 * y2;
            y2 = y1;
            y1 = y;
            out[i] += n.level * envelope(time, n.length, n.attack, n.release, n.decay) * y;
        }
    }
    return out;
}

Bytes wave(const Recipe &recipe, const std::vector<double> &signal)
{
    Bytes data;
    for (double v : signal) {
        const double clipped = std::clamp(v, -1.0, 1.0);
        data.push_back(std::uint8_t(std::lround(128 + 127 * clipped)));
    }
    const bool fact = recipe.layout == Layout::Fact;
    const std::uint32_t fmtSize = fact ? 18 : 16;
    const std::uint32_t pad = data.size() % 2;
    const std::uint32_t riffSize = 4 + (8 + fmtSize) + (fact ? 12 : 0) + 8 + std::uint32_t(data.size()) + pad;

    Bytes out;
    putTag(out, "RIFF");
    putU32(out, riffSize);
    putTag(out, "WAVE");
    putTag(out, "fmt ");
    putU32(out, fmtSize);
    putU16(out, 1);                           // PCM
    putU16(out, 1);                           // mono
    putU32(out, std::uint32_t(recipe.rate));  // samples per second
    putU32(out, std::uint32_t(recipe.rate));  // bytes per second
    putU16(out, 1);                           // block align
    putU16(out, 8);                           // bits per sample
    if (fact) {
        // An extension-size word that PCM readers must ignore; its value is
        // deliberately not zero so that readers which trust it are caught.
        putU16(out, 0x7900);
        putTag(out, "fact");
        putU32(out, 4);
        putU32(out, std::uint32_t(data.size()));
    }
    putTag(out, "data");
    putU32(out, std::uint32_t(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    if (pad)
        out.push_back(0);
    return out;
}

} // namespace

Bytes synthesiseRecipeText(const std::string &text, const std::string &origin)
{
    const Recipe recipe = parse(text, origin);
    return wave(recipe, render(recipe));
}

Bytes synthesiseRecipe(const std::filesystem::path &path)
{
    std::ifstream in(path);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    std::stringstream text;
    text << in.rdbuf();
    return synthesiseRecipeText(text.str(), path.filename().string());
}

} // namespace makeassets
