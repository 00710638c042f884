#pragma once

#include <functional>

// Runs `work` on a worker thread while the windows go on painting (a waiting
// label shown just before appears, the window is never frozen) and the
// user's input is held off until it ends. `work` must not touch widgets.
// An exception `work` raises reaches the caller.
void runResponsive(const std::function<void()> &work);

// True while such work runs (tests wait for it before inspecting a window).
bool responsiveWorkRunning();
