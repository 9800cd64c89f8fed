#pragma once
// The demo clock's two queries, bound by the timeline: first to the process
// clock, then to the song once it has loaded. Scenes read them through here.

using DemoTimeQuery = float (*)();
using CurrentRowQuery = int (*)();

void bindDemoClock(DemoTimeQuery demoTime, CurrentRowQuery currentRow);
// Demo time in milliseconds: 0 where the show proper begins.
float demoTime();
// The music's row within its pattern (or the fallback's imitation of it).
int currentRow();
