#include "platform/wave_output.h"

namespace {
void (*service)() = nullptr;
}  // namespace

void setWaveOutputService(void (*routine)()) { service = routine; }

void (*waveOutputService())() { return service; }
