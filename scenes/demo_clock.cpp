#include "scenes/demo_clock.h"

namespace {
float noTime() { return -8076.0f; }
int noRow() { return 0; }
DemoTimeQuery demoTimeQuery = noTime;
CurrentRowQuery currentRowQuery = noRow;
}  // namespace

void bindDemoClock(DemoTimeQuery time, CurrentRowQuery row) {
    demoTimeQuery = time;
    currentRowQuery = row;
}

float demoTime() { return demoTimeQuery(); }
int currentRow() { return currentRowQuery(); }
