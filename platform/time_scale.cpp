#include "platform/time_scale.h"

#include <atomic>
#include <cstdlib>
#include <string>

namespace {

constexpr uint32_t kMaxFactor = 1000;
std::atomic<uint32_t> g_factor{1};

}  // namespace

namespace time_scale {

void SetFactor(uint32_t factor) {
    g_factor = factor == 0 ? 1 : factor;
}

uint32_t Factor() {
    return g_factor;
}

uint32_t ToRealMs(uint32_t nominalMs) {
    if (nominalMs == 0) {
        return 0;
    }
    const uint32_t real = nominalMs / g_factor;
    return real == 0 ? 1 : real;
}

void SetFactorFromEnvironment() {
#ifdef TAMSEL_TIME_SCALE_HOOK
    const char* text = std::getenv("TAMSEL_TIME_SCALE");
    if (text == nullptr || *text == '\0') {
        return;
    }
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 10);
    if (*end == '\0' && value >= 1 && value <= kMaxFactor) {
        SetFactor(static_cast<uint32_t>(value));
    }
#endif
}

}  // namespace time_scale
