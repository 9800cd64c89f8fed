// The page around the show: start overlay, full screen, keys, messages, and
// the test modes (see README: ?shot=T and ?audio=S).
"use strict";
const qorbtPage = (() => {
  const params = new URLSearchParams(location.search);
  const events = [];  // 1 a key, 2 hidden, 3 visible
  let waiter = null;
  const messages = [];

  function push(kind) {
    events.push(kind);
    if (waiter) { const w = waiter; waiter = null; w(); }
  }
  function toggleFullscreen() {
    if (document.fullscreenElement) document.exitFullscreen();
    else document.documentElement.requestFullscreen().catch(() => {});
  }
  document.getElementById("fullscreen").addEventListener("click", toggleFullscreen);
  document.addEventListener("keydown", (e) => {
    if (e.key === "f" || e.key === "F") { toggleFullscreen(); return; }
    if (running) { ending = true; push(1); }
  });
  document.addEventListener("visibilitychange", () => { if (running) push(document.hidden ? 2 : 3); });
  document.getElementById("again").addEventListener("click", () => location.reload());

  let running = false;
  let ending = false;  // a key ended the show: the next message is its frame-rate report
  // "T HASH", T as the program prints it (%g: 1e-05 too).
  const hashLine = /^(\S+) ([0-9a-f]{16})$/;
  // ?shot=T, or ?shot=T1,T2,... for several frames of one run (hashes separated by
  // spaces, in the order of time, which is the order the run reaches them).
  const shotTimes = params.has("shot") ? params.get("shot").split(",").sort((a, b) => Number(a) - Number(b)) : [];
  const testMode = params.has("shot") || params.has("audio");
  const frameHashes = [];

  // The show ended with a key: its frame-rate report and a way to play again.
  function report(line) {
    running = false;
    ending = false;
    document.getElementById("report-text").textContent = line;
    document.getElementById("report").classList.remove("hidden");
  }

  function addMessage(line) {
    messages.push(line);
    document.getElementById("messages").textContent = messages.join("\n");
  }

  function finishTest(id, text) {
    document.getElementById(id).textContent = text;
    document.title = "done";
  }

  window.Module = {
    canvas: document.getElementById("canvas"),
    print(line) {
      console.log(line);
      const m = hashLine.exec(line);
      if (m && params.has("shot")) {
        frameHashes.push(m[2]);
        if (frameHashes.length === shotTimes.length) finishTest("frame-hash", frameHashes.join(" "));
      }
      const a = /^audio ([0-9a-f]{16})$/.exec(line);
      if (a && params.has("audio")) finishTest("audio-hash", a[1]);
    },
    printErr(line) {
      console.warn(line);
      // The test modes have no dialogs: their failures (a bad T or S) and progress show in the page.
      if (testMode) addMessage(line);
    },
    onRuntimeInitialized() {
      if (params.has("shot")) {
        // The last frame asked for is also drawn on the canvas (a "shot" to it).
        const args = ["--headless"].concat(...shotTimes.map((t) => ["--hash", t]));
        Module.callMain(args.concat(["--shot", shotTimes[shotTimes.length - 1] + ":canvas"]));
      } else if (params.has("audio")) {
        Module.callMain(["--audio-hash", params.get("audio")]);
      } else {
        const start = () => {
          running = true;
          Module.callMain(params.has("dialogs") ? [] : ["--no-dialogs"]);
        };
        // ?start skips the overlay (kiosks, screenshots); most browsers then keep the sound off.
        if (params.has("start")) { start(); return; }
        const overlay = document.getElementById("overlay");
        overlay.classList.remove("hidden");
        overlay.addEventListener("click", () => { overlay.classList.add("hidden"); start(); }, { once: true });
      }
    },
  };

  return {
    nextEvent() { return events.length ? events.shift() : 0; },
    onNextEvent(resolve) { if (events.length) resolve(); else waiter = resolve; },
    message(line) {
      if (ending) { report(line); return; }
      addMessage(line);
    },
  };
})();
