#pragma once

// What the label keeps track of inside, for tests only: the game never
// includes this header.

#include "media/label/RxLabel.h"

namespace tavlo::testing {

class LabelProbe {
public:
    static bool mouseInside(const TRxCustomLabel &label) { return label.m_mouseInside; }
    static bool focusTargetActive(const TRxCustomLabel &label) { return label.m_focusTargetActive; }
};

} // namespace tavlo::testing
