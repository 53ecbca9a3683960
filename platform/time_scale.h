#pragma once

#include <cstdint>

// The program's own time. The device's waits (reboot waits, response limits) and the
// managers' pacing are written in milliseconds of it; tests speed it up so that a 44 s
// reboot wait or the 800 ms pacing take a fraction of a second of real time. At factor N
// every period, limit and sleep takes 1/N of its nominal real time, and the tick count
// runs N times faster. The factor is 1 in normal use.
namespace time_scale {

// Set once, before any timer starts or any tick is read; 0 counts as 1.
void SetFactor(uint32_t factor);
uint32_t Factor();

// The real milliseconds a nominal wait of `nominalMs` takes; at least 1 for a non-zero
// wait, so a period never becomes a busy loop.
uint32_t ToRealMs(uint32_t nominalMs);

// Reads the factor from the environment variable TAMSEL_TIME_SCALE (a test hook of the
// programs; ignored unless it is a whole number from 1 to 1000). Only builds with the
// tests (TAMSEL_TIME_SCALE_HOOK) read it; elsewhere it does nothing.
void SetFactorFromEnvironment();

}  // namespace time_scale
