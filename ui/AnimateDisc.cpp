// The seven-frame disc turn and the turn indicator.
#include "ui/BoardAccessible.h"
#include "ui/MoveRun.h"
#include "ui/Pause.h"
#include "ui/UTavlo.h"

namespace {

constexpr int kFrameMs = 50;
constexpr int kFirstFrame = 1; // black seen from above
constexpr int kLastFrame = 7;  // white seen from above

} // namespace

void TMain::AnimateDisc(int kind, tavlo::Surface &surface, const QRect &rect,
                        tavlo::SoundPlayer::Interrupt interrupt)
{
    // An animation started from inside another one's pause (a new game, the
    // indicator) hands Busy back as it found it, so the outer one stays
    // protected until it ends too.
    const bool wasBusy = Busy;
    Busy = true;
    surface.setHeld(rect, true);
    playSound(QStringLiteral("Click"), interrupt);
    // A new game started from inside a pause owns the board and the
    // indicator from then on: the rest of this turn is not drawn.
    const tavlo::MoveRun run = tavlo::MoveRun::current(*this);
    if (kind == tavlo::kWhite || kind == tavlo::kBlack) {
        for (int step = 0; step <= kLastFrame - kFirstFrame; ++step) {
            const int frame = kind == tavlo::kWhite ? kFirstFrame + step : kLastFrame - step;
            tavlo::Pause(kFrameMs);
            if (run.stale())
                break;
            surface.drawPicture(rect, DiscImages[std::size_t(frame)]);
        }
    }
    surface.setHeld(rect, false);
    Busy = wasBusy;
}

void TMain::animateIndicator(int colour)
{
    PaintBoxJoueur->setAccessibleName(tavlo::turnName(colour));
    AnimateDisc(colour, *PaintBoxJoueur, QRect(0, 0, 60, 60), tavlo::SoundPlayer::Interrupt::No);
}
