// Ten disc turns on the real main window under an X server: the CPU the
// process spends on them (the pause must sleep, not spin) and the pace of
// the frames against the 50 ms the game asks for. Run by windows.sh.
#include "bench/MainWindowBench.h"
#include "bench/Serve.h"
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
using tavlo::bench::processCpuSeconds;
using tavlo::bench::serveEvents;

using Clock = std::chrono::steady_clock;

// Forwards to the board and notes when each frame reached it.
class TimedSurface : public tavlo::Surface {
public:
    explicit TimedSurface(tavlo::Surface &target)
        : m_target(target)
    {
    }
    void drawPicture(const QRect &rect, const QImage &picture) override
    {
        m_target.drawPicture(rect, picture);
        times.push_back(Clock::now());
    }
    void setHeld(const QRect &rect, bool held) override { m_target.setHeld(rect, held); }
    std::vector<Clock::time_point> times;

private:
    tavlo::Surface &m_target;
};

void measure(TMain &main)
{

    TimedSurface surface(*main.TabPion);
    const auto turns = [&](std::vector<double> &gaps) {
        const double cpuStart = processCpuSeconds();
        const auto wallStart = Clock::now();
        for (int i = 0; i < 10; ++i) {
            const int column = i % 8, row = 5 + i / 8;
            const std::size_t before = surface.times.size();
            const auto started = Clock::now();
            main.AnimateDisc(i % 2 == 0 ? tavlo::kWhite : tavlo::kBlack, surface,
                             main.TabPion->cellRect(column, row));
            auto previous = started;
            for (std::size_t f = before; f < surface.times.size(); ++f) {
                gaps.push_back(std::chrono::duration<double, std::milli>(surface.times[f] - previous).count());
                previous = surface.times[f];
            }
        }
        const double wall = std::chrono::duration<double>(Clock::now() - wallStart).count();
        return std::pair{wall, 100.0 * (processCpuSeconds() - cpuStart) / wall};
    };
    const auto idle = [&] {
        const double cpuStart = processCpuSeconds();
        const auto wallStart = Clock::now();
        serveEvents(3500);
        const double wall = std::chrono::duration<double>(Clock::now() - wallStart).count();
        return std::pair{wall, 100.0 * (processCpuSeconds() - cpuStart) / wall};
    };

    std::vector<double> gaps;
    const auto [turnWall, turnCpu] = turns(gaps);
    const auto [idleWall, idleCpu] = idle();
    // The same turns with the two GIF animations stopped: what the turning
    // itself costs.
    for (const char *name : {"RxGIFAnimator1", "RxGIFAnimator2"})
        if (QWidget *gif = main.findChild<QWidget *>(QLatin1String(name)))
            gif->setProperty("Animate", false);
    serveEvents(300);
    std::vector<double> quietGaps;
    const auto [quietWall, quietCpu] = turns(quietGaps);

    std::printf("row\tdisc turns: CPU of the process over 10 turns (%.2f s)\t%.2f%% of one core\t< 1.7%%\n",
                turnWall, turnCpu);
    std::printf("row\tsame window, nothing turning (%.2f s)\t%.2f%% of one core\t-\n", idleWall, idleCpu);
    std::printf("row\tdisc turns with the GIF animations stopped (%.2f s)\t%.2f%% of one core\t-\n", quietWall,
                quietCpu);
    std::printf("row\tdisc turns: frame gap, median\t%.1f ms\t50 +- 5 ms\n", median(gaps));
    std::printf("row\tdisc turns: frame gap, worst\t%.1f ms\t50 +- 5 ms\n",
                gaps.empty() ? 0.0 : *std::max_element(gaps.begin(), gaps.end()));
}

} // namespace

int main(int argc, char **argv)
{
    // Start-up work settles first, the GIF animations' first loop included.
    return tavlo::bench::runOnMainWindow(argc, argv, 2500, measure);
}
