// The pace of the two GIF animations on the real main window under an X
// server: the gap between frame changes against the 100 ms the GIFs ask for,
// first with nothing else going on, then while discs turn (the game's pauses
// serve events, so the frames must keep coming). Run by animator.sh.
#include "bench/MainWindowBench.h"
#include "bench/Serve.h"
#include "game/Board.h"
#include "media/animation/GIFCtrl.h"
#include "ui/Fonts.h"
#include "ui/board/StringGrid.h"
#include "ui/UTavlo.h"

#include <QApplication>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using tavlo::bench::median;
using tavlo::bench::serveEvents;

using Clock = std::chrono::steady_clock;

struct Pace {
    std::vector<Clock::time_point> times;
    std::vector<double> gaps() const
    {
        std::vector<double> result;
        for (std::size_t i = 1; i < times.size(); ++i)
            result.push_back(std::chrono::duration<double, std::milli>(times[i] - times[i - 1]).count());
        return result;
    }
};

double worst(const std::vector<double> &v)
{
    return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}

void report(const char *phase, const char *name, const Pace &pace)
{
    const auto gaps = pace.gaps();
    std::printf("row\tGIF %s, %s: frame gap, median of %zu\t%.1f ms\t100 ms + paint (< 110 ms)\n", name, phase,
                gaps.size(), median(gaps));
    std::printf("row\tGIF %s, %s: frame gap, worst\t%.1f ms\t< 150 ms\n", name, phase, worst(gaps));
}

void measure(TMain &main)
{

    Pace title, character;
    Pace *recording[2] = {nullptr, nullptr};
    QObject::connect(main.RxGIFAnimator1, &TRxGIFAnimator::OnFrameChanged, [&] {
        if (recording[0])
            recording[0]->times.push_back(Clock::now());
    });
    QObject::connect(main.RxGIFAnimator2, &TRxGIFAnimator::OnFrameChanged, [&] {
        if (recording[1])
            recording[1]->times.push_back(Clock::now());
    });

    recording[0] = &title;
    recording[1] = &character;
    serveEvents(10000);
    report("idle", "title", title);
    report("idle", "character", character);

    // Disc turns back to back for about ten seconds: the window thread is
    // inside the game's pauses nearly all the time.
    Pace titleBusy, characterBusy;
    recording[0] = &titleBusy;
    recording[1] = &characterBusy;
    const auto until = Clock::now() + std::chrono::seconds(10);
    for (int i = 0; Clock::now() < until; ++i) {
        const int column = i % 8, row = 5 + (i / 8) % 3;
        main.AnimateDisc(i % 2 == 0 ? tavlo::kWhite : tavlo::kBlack, *main.TabPion,
                         main.TabPion->cellRect(column, row));
    }
    recording[0] = recording[1] = nullptr;
    report("during disc turns", "title", titleBusy);
    report("during disc turns", "character", characterBusy);
}

} // namespace

int main(int argc, char **argv)
{
    // The GIFs' first tick comes a second after the layout.
    return tavlo::bench::runOnMainWindow(argc, argv, 1500, measure);
}
