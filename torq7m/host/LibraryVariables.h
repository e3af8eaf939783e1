// The library's variables that the host keeps current once they are bound.
#pragma once

#include <cstdint>

extern "C" {
extern volatile double fGlobalMilliSecondsPerSample;
extern volatile std::uint32_t uiGlobalBlockSize;
extern volatile std::int32_t bAnimation;
extern volatile std::int32_t bExperimentIsRunning;
extern volatile std::int32_t bExperimentIsPaused;
extern volatile std::uint32_t dwExperimentStartTimeTicks;
extern volatile std::int32_t BBoxModul;
}
