// The page's part: buttons, keys and touch to the engine's functions, the
// engine's picture onto the canvas once per screen frame, the read-outs.
"use strict";

(function () {
  const $ = (id) => document.getElementById(id);
  const canvas = $("picture");
  const context = canvas.getContext("2d");
  const status = $("status");
  let engine = null;
  let call = null;
  let flying = false;
  let chosen = 0;
  let pace = 0;

  // The window's clock: seconds since midnight, from one reading of the date and
  // the page's steady clock after it.
  const startDate = new Date();
  const startSeconds = startDate.getHours() * 3600 + startDate.getMinutes() * 60 +
    startDate.getSeconds() + startDate.getMilliseconds() / 1000;
  const startSteady = performance.now();
  const clock = () => (startSeconds + (performance.now() - startSteady) / 1000) % 86400;

  function show() {
    const w = call.width(), h = call.height();
    const bytes = call.rgba();
    const image = new ImageData(new Uint8ClampedArray(engine.HEAPU8.buffer, bytes, w * h * 4).slice(), w, h);
    context.putImageData(image, 0, 0);
  }

  const digits = [2, 2, 2, 1, 1, 1, 2, 2, 2];
  function readouts() {
    for (let k = 0; k < 9; ++k) $("r" + k).textContent = call.readout(k).toFixed(digits[k]);
  }

  // The canvas at the screen's own pixels: its size on the page times the
  // device's pixel ratio.
  function fit() {
    const ratio = window.devicePixelRatio || 1;
    const box = canvas.getBoundingClientRect();
    const w = Math.max(16, Math.round(box.width * ratio));
    const h = Math.max(16, Math.round(box.height * ratio));
    if (canvas.width === w && canvas.height === h) return;
    canvas.width = w;
    canvas.height = h;
    call.resize(w, h);
    show();
  }

  function frame() {
    if (flying) {
      flying = call.tick(clock()) === 1;
      show();
      readouts();
      if (!flying) stopped();
    }
    requestAnimationFrame(frame);
  }

  function stopped() {
    const fault = call.fault();
    status.textContent = fault ? fault : "stopped";
    const n = call.ticksToLookBack();
    const slider = $("back");
    slider.max = String(Math.max(1, n));
    slider.value = slider.max;
    slider.disabled = n < 1;
    $("fly").hidden = true;
  }

  function choose(mode) {
    if (flying) stop();
    chosen = mode;
    call.choose(mode);
    for (const b of document.querySelectorAll("#patterns button"))
      b.setAttribute("aria-pressed", String(Number(b.dataset.mode) === mode));
    status.textContent = "OK sets the flight up";
  }
  function ok() {
    if (!chosen) choose(1);
    call.ok(clock());
    show();
    $("fly").hidden = false;
    $("back").disabled = true;
    status.textContent = "FLY starts it";
  }
  function fly() {
    if ($("fly").hidden) return;
    call.fly(clock());
    flying = true;
    $("fly").hidden = true;
    $("back").disabled = true;
    status.textContent = "flying";
  }
  function stop() {
    if (!flying) return;
    call.stop();
    flying = false;
    stopped();
  }
  function pause() {
    if (!flying) return;
    call.pause(clock());
    const paused = call.paused() === 1;
    $("pause").setAttribute("aria-pressed", String(paused));
    status.textContent = paused ? "paused" : "flying";
    const n = call.ticksToLookBack();
    $("back").max = String(Math.max(1, n));
    $("back").value = $("back").max;
    $("back").disabled = !paused;
  }
  function changePace(step) {
    call.pace(step);
    pace += step;
    $("pace").textContent = "pace " + (pace === 0 ? "1\u00d7" : (pace > 0 ? "+" : "") + pace);
  }
  function lookBack() {
    call.lookAt(Number($("back").value));
    show();
    readouts();
  }

  function download() {
    const text = call.csv();
    const url = URL.createObjectURL(new Blob([text], { type: "text/csv" }));
    const a = $("csv");
    a.href = url;
    setTimeout(() => URL.revokeObjectURL(url), 10000);
  }

  function wire() {
    for (const b of document.querySelectorAll("#patterns button"))
      b.addEventListener("click", () => choose(Number(b.dataset.mode)));
    $("ok").addEventListener("click", ok);
    $("fly").addEventListener("click", fly);
    $("stop").addEventListener("click", stop);
    $("pause").addEventListener("click", pause);
    $("slower").addEventListener("click", () => changePace(-1));
    $("faster").addEventListener("click", () => changePace(1));
    $("back").addEventListener("input", lookBack);
    $("csv").addEventListener("click", download);
    document.addEventListener("keydown", (e) => {
      if (e.target instanceof HTMLInputElement && e.target.type === "range") return;
      const actions = { "1": () => choose(1), "2": () => choose(2), "3": () => choose(3),
        "4": () => choose(4), "Enter": ok, "f": fly, "F": fly, "s": stop, "S": stop,
        "Escape": stop, " ": pause, "+": () => changePace(1), "-": () => changePace(-1) };
      const act = actions[e.key];
      if (act && !(e.target instanceof HTMLButtonElement && (e.key === "Enter" || e.key === " "))) {
        e.preventDefault();
        act();
      }
    });
    window.addEventListener("resize", fit);
  }

  Soarcalculus().then((m) => {
    engine = m;
    const f = (name, ret, args) => m.cwrap("page_" + name, ret, args);
    call = {
      start: f("start", null, ["number", "number"]), resize: f("resize", null, ["number", "number"]),
      choose: f("choose", null, ["number"]), ok: f("ok", null, ["number"]),
      fly: f("fly", null, ["number"]), stop: f("stop", null, []), pause: f("pause", null, ["number"]),
      pace: f("pace", null, ["number"]), paused: f("paused", "number", []),
      tick: f("tick", "number", ["number"]), fault: f("fault", "string", []),
      rgba: f("rgba", "number", []), width: f("width", "number", []), height: f("height", "number", []),
      readout: f("readout", "number", ["number"]), ticksToLookBack: f("ticks_to_look_back", "number", []),
      lookAt: f("look_at", null, ["number"]), csv: f("csv", "string", []),
    };
    const box = canvas.getBoundingClientRect();
    const ratio = window.devicePixelRatio || 1;
    canvas.width = Math.max(16, Math.round(box.width * ratio));
    canvas.height = Math.max(16, Math.round(box.height * ratio));
    call.start(canvas.width, canvas.height);
    show();
    wire();
    status.textContent = "choose a pattern, then OK";
    document.body.dataset.ready = "1";
    requestAnimationFrame(frame);
  });
})();
