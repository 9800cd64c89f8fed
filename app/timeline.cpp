#include "app/timeline.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/loading_screen.h"
#include "app/presentation.h"
#include "app/resource_file.h"
#include "image2d/frame_buffer.h"
#include "image2d/lettering.h"
#include "music/output.h"
#include "music/xm_player.h"
#include "platform/dialogs.h"
#include "platform/process_clock.h"
#include "scenes/demo_clock.h"
#include "scenes/scenes.h"

namespace {

// One 128-row pattern of the song lasts 8,076 ms; the player's position runs
// about that far ahead of what is heard.
constexpr std::int32_t kSongLeadMs = 8076;

// Where each scene's window of e begins; the last bound ends scene 6.
constexpr float kWindowStart[6] = {0.0f, 12114.0f, 40380.0f, 56532.0f, 104988.0f, 121140.0f};
constexpr float kShowEnd = 163539.0f;

XmSong* song = nullptr;
std::int64_t startClockMs = 0;

float fallbackTimeQuery() { return fallbackDemoTime(processClock::nowMs(), startClockMs); }
int fallbackRowQuery() { return fallbackRow(fallbackTimeQuery()); }
float musicTimeQuery() { return static_cast<float>(xmGetTimeMs(song) - kSongLeadMs); }
int musicRowQuery() { return xmGetRow(song); }

void loadingFrame(float time) {
    drawLoadingFrame(time);
    presentViewport(viewport);
}

// Scenes 1, 2 and 4 carry state from frame to frame (cameras, the plasma,
// fades); the loading frames and scenes 3, 5 and 6 are drawn anew each time.
bool carriesState(const FrameChoice& choice) {
    return choice.kind == FrameKind::Scene && (choice.scene == 0 || choice.scene == 1 || choice.scene == 3);
}

}  // namespace

FrameChoice chooseFrame(float t) {
    // A demo time that truncates to a negative number is still loading.
    const float e = t <= -1.0f ? -1.0f : t + 100.0f;
    if (e < 0.0f) return {FrameKind::Loading, -1, 0.0f};
    if (e > kShowEnd) return {FrameKind::Quit, -1, 0.0f};
    if (e == kShowEnd) return {FrameKind::Nothing, -1, 0.0f};
    int scene = 5;
    while (e < kWindowStart[scene]) --scene;
    const float local = scene == 0 ? e : e - kWindowStart[scene];
    return {FrameKind::Scene, scene, local};
}

int fallbackRow(float demoTime) {
    const double rows = static_cast<double>(demoTime) * 0.01584943;
    return static_cast<int>(rows) & 127;
}

float fallbackDemoTime(std::int64_t clockMs, std::int64_t startMs) {
    return static_cast<float>(static_cast<double>(clockMs - startMs) - 8076.0);
}

void formatFrameRate(char* text, std::uint32_t frames, std::uint32_t elapsedMs) {
    // No time has passed when the show ends before its clock started (a failed
    // display set-up): no rate can be measured, so the report says 0.
    const double fps = elapsedMs == 0 ? 0.0 : frames * 1000.0 / elapsedMs;
    const std::int64_t n = static_cast<std::int64_t>(fps);
    const std::int64_t m = static_cast<std::int64_t>(fps * 10000.0);
    std::sprintf(text, "fps : %d%d%d%d.%d%d%d", static_cast<int>(n / 1000 % 10), static_cast<int>(n / 100 % 10),
                 static_cast<int>(n / 10 % 10), static_cast<int>(n % 10), static_cast<int>(m / 1000 % 10),
                 static_cast<int>(m / 100 % 10), static_cast<int>(m / 10 % 10));
}

bool Timeline::hasSong() const { return song != nullptr; }

void Timeline::setUpClock() {
    startClock_ = processClock::nowMs();
    startClockMs = startClock_;
    bindDemoClock(fallbackTimeQuery, fallbackRowQuery);
    xmSetFileCallbacks(resOpen, resClose, resRead, resSeek, resTell);
    xmSetBufferLength(4038);
    if (!xmStartOutput(44100)) {
        dialogs::showMessage("no sound", "Velko says");
        return;
    }
    song = xmLoad("noname", nullptr);
    if (song == nullptr) {
        dialogs::showMessage("no xm", "Velko says");
        return;
    }
    bindDemoClock(musicTimeQuery, musicRowQuery);
}

void Timeline::runLoading() {
    std::memset(frameBuffer, 0, sizeof(std::uint32_t) * kFrameWidth * kFrameHeight);
    setUpClock();
    buildLoadingImage();
    loadingFrame(-8076.0f);
    buildGlyphTable();
    for (int scene = 0; scene < 6; ++scene) {
        sceneTable[scene].prepare();
        loadingFrame(-7076.0f + 1000.0f * static_cast<float>(scene));
    }
    sharedSetUp();
    presentBars(frameBuffer);
    // A live start part-way positions the song before anything is heard.
    if (skipToStart_) xmSkipFragments(0);
    xmPlay(song);
}

void Timeline::skipToStart() {
    // The frames of a 60 fps run come every 735 frames of the song at
    // 44,100 Hz; the song has mixed the fragments the device has passed.
    constexpr std::int64_t kFrameStep = 44100 / 60;
    if (!skipToStart_) return;
    if (song == nullptr) {
        // On the process clock the start is only a shift of the clock.
        const auto shifted = processClock::nowMs() - kSongLeadMs - static_cast<std::int64_t>(startTime_);
        startClockMs = std::min(startClockMs, shifted);
        return;
    }
    std::int64_t mixed = 0;
    for (std::int64_t k = 1; !quitRequested_; ++k) {
        const std::int64_t due = k * kFrameStep / fragmentFrames();
        xmSkipFragments(static_cast<std::int32_t>(due - mixed));
        mixed = due;
        if (demoTime() >= startTime_) break;
        renderFrame();
    }
    xmQueueSkipped();
}

void Timeline::renderFrame() {
    const float t = demoTime();
    lastDemoTime_ = t;
    const bool shown = t >= startTime_;
    const FrameChoice choice = chooseFrame(t);
    // An unseen frame of a part that keeps nothing from frame to frame (and
    // covers the whole viewport) matters only when the thumbnail takes it.
    if (!shown && choice.kind != FrameKind::Quit && !carriesState(choice) && (currentRow() & 63) != 0) return;
    switch (choice.kind) {
    case FrameKind::Loading:
        drawLoadingFrame(demoTime());
        break;
    case FrameKind::Scene:
        if (choice.scene == 0) drawSharedBackdrop();
        sceneTable[choice.scene].drawFrame(choice.localTime);
        break;
    case FrameKind::Quit:
        quitRequested_ = true;
        break;
    case FrameKind::Nothing:
        break;
    }
    if ((currentRow() & 63) == 0) drawThumbnail(shown);
    if (shown) presentViewport(viewport);
}

void Timeline::stopClock() {
    endClock_ = processClock::nowMs();
    xmFree(song);
    song = nullptr;
    xmStopOutput();
    bindDemoClock(fallbackTimeQuery, fallbackRowQuery);
}
