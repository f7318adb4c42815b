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

  // The read-outs by the engine's numbers, with their decimals.
  const digits = { 0: 2, 1: 2, 2: 2, 3: 1, 4: 1, 5: 1, 6: 2, 7: 2, 8: 2, 10: 3, 11: 3, 12: 3 };
  function readouts() {
    for (const k in digits) $("r" + k).textContent = (call.readout(Number(k)) + 0).toFixed(digits[k]);
    // The charts at most 20 times a second during a flight: the picture's frames come first.
    const now = performance.now();
    if (!flying || now - chartedAt > 50) { chartedAt = now; charts(); }
    if (!flying || now - memoryAt > 1000) {
      memoryAt = now;
      $("memory").textContent = (engine.HEAPU8.length / 1048576).toFixed(1);
    }
  }
  let chartedAt = -Infinity, memoryAt = -Infinity;

  // The energy charts: the last chartSeconds of flight (or the stretch around
  // the moment looked back at), each pixel column the lowest and highest value
  // the engine's history holds for it, a cursor at the moment shown.
  const chartSeconds = 30;
  const series = {
    "chart-energy": [{ column: 18, colour: "#9ecbff" }],
    "chart-rate": [{ column: 19, colour: "#6fd36f" }, { column: 20, colour: "#ff8a6a" }],
  };
  function chartWindow() {
    const last = call.readout(13), shown = call.readout(0);
    let t1 = Math.max(chartSeconds, last);
    if (shown < t1 - chartSeconds) t1 = Math.max(chartSeconds, shown + chartSeconds / 2);
    return [t1 - chartSeconds, t1, shown];
  }
  function charts() {
    const [t0, t1, shown] = chartWindow();
    for (const id in series) drawChart($(id), series[id], t0, t1, shown);
  }
  function drawChart(c, lines, t0, t1, shown) {
    const ratio = window.devicePixelRatio || 1;
    const w = Math.max(16, Math.round(c.clientWidth * ratio));
    const h = Math.max(16, Math.round(c.clientHeight * ratio));
    if (c.width !== w || c.height !== h) { c.width = w; c.height = h; }
    const g = c.getContext("2d");
    g.clearRect(0, 0, w, h);
    const data = lines.map((l) => {
      const at = call.chart(l.column, t0, t1, w) / 4;
      return engine.HEAPF32.slice(at + 1, at + 1 + 2 * w);
    });
    let lo = Infinity, hi = -Infinity;
    for (const d of data) for (const v of d) if (Number.isFinite(v)) { lo = Math.min(lo, v); hi = Math.max(hi, v); }
    if (!(hi >= lo)) return;
    if (lines.length > 1) { lo = Math.min(lo, 0); hi = Math.max(hi, 0); }
    const pad = Math.max((hi - lo) * 0.08, 1e-3);
    lo -= pad; hi += pad;
    const y = (v) => (hi - v) / (hi - lo) * h;
    g.font = `${Math.round(10 * ratio)}px sans-serif`;
    g.fillStyle = "#aab";
    g.fillText(hi.toFixed(1), 2 * ratio, 10 * ratio);
    g.fillText(lo.toFixed(1), 2 * ratio, h - 2 * ratio);
    if (lo < 0 && hi > 0) {
      g.strokeStyle = "#556"; g.lineWidth = ratio;
      g.beginPath(); g.moveTo(0, y(0)); g.lineTo(w, y(0)); g.stroke();
    }
    lines.forEach((l, n) => {
      const d = data[n];
      g.strokeStyle = l.colour; g.lineWidth = 1.5 * ratio;
      g.beginPath();
      let open = false, last = 0;
      for (let k = 0; k < w; ++k) {
        const a = d[2 * k], b = d[2 * k + 1];
        if (!Number.isFinite(a)) { open = false; continue; }
        // The nearer end first: a line through the column's extremes, not steps.
        const [p, q] = open && Math.abs(y(b) - last) < Math.abs(y(a) - last) ? [b, a] : [a, b];
        if (open) g.lineTo(k + 0.5, y(p)); else g.moveTo(k + 0.5, y(p));
        g.lineTo(k + 0.5, y(q));
        last = y(q); open = true;
      }
      g.stroke();
    });
    const x = (shown - t0) / (t1 - t0) * w;
    g.strokeStyle = "#fff"; g.lineWidth = ratio;
    g.beginPath(); g.moveTo(x, 0); g.lineTo(x, h); g.stroke();
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
      showPilot(!flying);
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
    steerNone();
    $("pilot-pad").hidden = true;
    showPilot(true);
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
    endPilot();
    call.ok(clock());
    show();
    $("fly").hidden = false;
    $("back").disabled = true;
    status.textContent = "FLY starts it";
    $("legend").textContent = JSON.parse(call.params()).legend;
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
  // The pace as the engine has it: the paces end at 1/8 and 4 times real time.
  function changePace(step) {
    call.pace(step);
    const p = call.paceNow();
    $("pace").textContent = "pace " + (p >= 1 ? String(p) : "1/" + String(Math.round(1 / p))) + "\u00d7";
  }
  // Looking back by keys, as the window's: a paused or stopped flight only.
  function lookTo(tick) {
    const slider = $("back");
    if (slider.disabled) return;
    const n = Number(slider.max);
    slider.value = String(Math.max(1, Math.min(n, Math.round(tick))));
    lookBack();
  }
  function lookSteps(steps) {
    if (!$("back").disabled) lookTo(call.tickStepsOn(Number($("back").value), steps));
  }
  function lookSeconds(seconds) {
    if (!$("back").disabled) lookTo(call.tickAtTime(call.timeOfTick(Number($("back").value)) + seconds));
  }
  function zoom(sign) { call.zoom(sign); if (!flying || call.paused() === 1) { show(); } }
  function pan(direction) { call.pan(direction); if (!flying || call.paused() === 1) { show(); } }
  function toggleFlightData() {
    const aside = $("readouts");
    aside.hidden = !aside.hidden;
    fit();
  }
  function lookBack() {
    call.lookAt(Number($("back").value));
    show();
    readouts();
    showPilot(true);
  }

  // Fly it yourself: the engine's own flight of the pilot's seat (the
  // window's F6), steered by the arrow keys or the controls on the picture.
  // A control counts while the bird flies; letting go always counts, so that
  // nothing stays held over a pause or after the page loses the keyboard.
  const pilotStates = { flying: 2 };
  let held = 0;
  let pilotShownAt = -Infinity;
  function flyYourself() {
    if (flying) { call.stop(); flying = false; }
    const refused = call.flyYourself(clock());
    held = 0;
    call.pilotKeys(0);
    if (refused) { status.textContent = refused; return; }
    flying = true;
    $("fly").hidden = true;
    $("back").disabled = true;
    $("pilot").hidden = false;
    $("pilot-pad").hidden = false;
    status.textContent = "flying it yourself";
    $("legend").textContent = JSON.parse(call.params()).legend;
    show();
    showPilot(true);
  }
  function endPilot() {
    steerNone();
    $("pilot").hidden = true;
    $("pilot-pad").hidden = true;
  }
  const flownByYou = () => !$("pilot").hidden;
  function steer(bit, down) {
    if (down && (!flownByYou() || call.state() !== pilotStates.flying)) return false;
    const now = down ? held | bit : held & ~bit;
    if (now !== held) {
      held = now;
      call.pilotKeys(held);
      for (const b of document.querySelectorAll("#pilot-pad button"))
        b.classList.toggle("held", (held & Number(b.dataset.steer)) !== 0);
    }
    return true;
  }
  function steerNone() {
    for (const bit of [1, 2, 4, 8]) steer(bit, false);
  }
  // The pilot's read-out as the window's panel has it, ten times a second
  // during a flight.
  function showPilot(now) {
    if (!flownByYou()) return;
    const t = performance.now();
    if (!now && t - pilotShownAt < 100) return;
    pilotShownAt = t;
    const at = call.pilot() / 8;
    const n = engine.HEAPF64[at];
    const v = engine.HEAPF64.slice(at + 1, at + 1 + n);
    const out = $("pilot-readout");
    if (n < 12) { out.textContent = "Press F6 to fly the bird yourself."; return; }
    const f = (x, d) => x.toFixed(d);
    const lines = [
      `Bank ${f(v[2], 1)} deg, stick ${f(v[0], 1)} deg (at most ${f(v[5], 0)} deg, ${f(v[6], 0)} deg/s)`,
      `Lift CL ${f(v[3], 2)}, stick ${f(v[1], 2)} (stall above ${f(v[7], 2)}, ${f(v[8], 1)} /s)`,
      `Load ${f(v[4], 2)} g (at most ${f(v[9], 1)} g)`,
      `Score: energy gained ${f(v[10], 2)} m in ${f(v[11], 1)} s aloft`,
    ];
    if (n > 12) {
      lines.push("Cycles:");
      for (let k = 12; k + 2 < n; k += 3) lines.push(`\u00a0${v[k]}: ${f(v[k + 1], 2)} m in ${f(v[k + 2], 1)} s`);
    }
    const fault = call.fault();
    if (fault) lines.push("Ended: " + fault);
    out.textContent = "";
    lines.forEach((l, i) => { if (i) out.append(document.createElement("br")); out.append(l); });
  }

  // Parameters: the engine's own table for the selected pattern, its presets;
  // a typed value is taken (or refused, with the engine's reason) when the box
  // is left or Enter is pressed, and flies from the next OK.
  function say(text, refused) {
    const m = $("params-message");
    m.textContent = text;
    m.classList.toggle("refused", Boolean(refused));
  }
  function showParams() {
    const table = JSON.parse(call.params());
    $("params-pattern").textContent = "of the " + table.pattern + " pattern";
    const select = $("preset");
    if (!select.options.length) {
      table.presets.forEach((p, i) => select.add(new Option(p.label, String(i))));
      select.add(new Option("own values", "-2"));
    }
    select.value = table.preset >= 0 ? String(table.preset) : "-2";
    if (table.preset >= 0) lastPreset = table.presets[table.preset].label;
    showLoopOffer();
    const box = $("param-fields");
    box.textContent = "";
    let group = "";
    for (const f of table.fields) {
      if (!f.used) continue;
      if (f.group !== group) {
        group = f.group;
        const h = document.createElement("h3");
        h.textContent = group;
        box.append(h);
      }
      const label = document.createElement("label");
      label.textContent = `${f.name} (${f.meaning})`;
      label.htmlFor = "param-" + f.name;
      const input = document.createElement("input");
      input.id = "param-" + f.name;
      input.value = f.value;
      input.title = f.range;
      input.inputMode = f.choices.length ? "text" : "decimal";
      input.autocomplete = "off";
      input.dataset.name = f.name;
      const unit = document.createElement("span");
      unit.className = "unit";
      unit.textContent = `${f.unit} (default ${f.fallback})`;
      box.append(label, input, unit);
    }
    $("legend").textContent = table.legend;
  }
  // The presets' optimal loops, as the desktop program's optimiser solved
  // them: offered while the chosen parameters are a preset's.
  let lastPreset = "";
  function showLoopOffer() {
    const offer = JSON.parse(call.loopOffer());
    const text = $("loop-offer");
    $("fly-loop").disabled = !offer.loop;
    if (offer.loop) {
      const label = $("preset").options[offer.preset] ? $("preset").options[offer.preset].text : "";
      text.textContent = `The least-wind loop of "${label}", solved by the desktop program's ` +
        `optimiser: ${offer.wind_name} ${offer.wind.toFixed(3)} ${offer.wind_unit}, period ` +
        `${offer.period.toFixed(2)} s${offer.travel ? ", a loop that travels over the sea" : ""}.`;
    } else if (offer.preset < 0) {
      text.textContent = (lastPreset ? `The optimal loop of "${lastPreset}" is for that preset ` +
        "only: these parameters differ from it. " : "The page holds the presets' optimal loops only. ") +
        "Choose a preset to fly its loop; the desktop program solves the loop for any parameters.";
    } else {
      text.textContent = `No optimal loop: ${offer.why}.`;
    }
  }
  function flyLoop() {
    if (flying) { call.stop(); flying = false; }
    const refused = call.flyLoop(clock());
    if (refused) { status.textContent = "No optimal loop: " + refused; return; }
    endPilot();
    if ($("params").open) $("params").close();
    flying = true;
    $("fly").hidden = true;
    $("back").disabled = true;
    status.textContent = "flying the optimal loop";
    $("legend").textContent = JSON.parse(call.params()).legend;
    show();
  }

  function commitParam(input) {
    const answer = call.setParam(input.dataset.name, input.value);
    if (answer) say(answer, answer.includes(" refused: "));
    const focused = document.activeElement && document.activeElement.id;
    showParams();
    if (focused && $(focused)) $(focused).focus();
  }
  function openParams() {
    const d = $("params");
    if (d.open) { d.close(); return; }
    say("");
    showParams();
    d.showModal();
  }

  // The least wind of the form's pattern, searched by a worker of its own so
  // that the flight and the page go on meanwhile; Cancel ends the worker.
  let searcher = null;
  function searching(on) {
    $("lw-find").disabled = on;
    $("lw-cancel").disabled = !on;
  }
  function findLeastWind() {
    if (searcher) return;
    const cycles = Number($("lw-cycles").value);
    if (!Number.isInteger(cycles) || cycles < 1 || cycles > 1000) {
      $("lw-result").textContent = "cycles must be a whole number from 1 to 1000";
      return;
    }
    const mode = chosen === 5 ? 2 : chosen || 1;
    const name = JSON.parse(call.params()).pattern;
    $("lw-result").textContent = `Flying the ${name} pattern over a grid of winds...`;
    $("lw-progress").removeAttribute("value");
    searching(true);
    searcher = new Worker("least_wind_worker.js");
    const done = () => { searcher.terminate(); searcher = null; searching(false); };
    searcher.onmessage = (e) => {
      if (e.data.progress) {
        const [n, all] = e.data.progress;
        $("lw-progress").max = all;
        $("lw-progress").value = n;
        $("lw-result").textContent = `The ${name} pattern: trial ${n} of ${all}...`;
        return;
      }
      done();
      const r = e.data.result;
      $("lw-progress").max = 1;
      $("lw-progress").value = 1;
      $("lw-result").textContent = `${name[0].toUpperCase() + name.slice(1)}: ${r.text}`;
      drawWindTable(r);
    };
    searcher.onerror = (e) => {
      done();
      $("lw-result").textContent = "The search failed: " + (e.message || "the worker stopped");
    };
    const at = call.paramsBytes(mode);
    const params = engine.HEAPU8.slice(at, at + call.paramsSize());
    searcher.postMessage({ mode, params, cycles });
  }
  function cancelLeastWind() {
    if (!searcher) return;
    searcher.terminate();
    searcher = null;
    searching(false);
    $("lw-progress").value = 0;
    $("lw-result").textContent = "Search cancelled.";
  }
  // The table: the mean gain per cycle over the wind at 10 m, the trials that
  // survived the window green, those that did not red, the answer yellow.
  function drawWindTable(r) {
    const c = $("lw-chart");
    c.hidden = r.rows.length === 0;
    if (c.hidden) return;
    const ratio = window.devicePixelRatio || 1;
    c.width = Math.round(c.clientWidth * ratio);
    c.height = Math.round(c.clientHeight * ratio);
    const g = c.getContext("2d");
    let wind = 0.1, lo = 0, hi = 0;
    for (const [u, d] of r.rows) { wind = Math.max(wind, u); lo = Math.min(lo, d); hi = Math.max(hi, d); }
    const pad = 0.05 * Math.max(hi - lo, 1e-3);
    lo -= pad; hi += pad;
    const x = (u) => (u / wind) * (c.width - 8 * ratio) + 4 * ratio;
    const y = (d) => ((hi - d) / (hi - lo)) * c.height;
    g.strokeStyle = "#556"; g.lineWidth = ratio;
    g.beginPath(); g.moveTo(0, y(0)); g.lineTo(c.width, y(0)); g.stroke();
    const dot = (u, d, colour, size) => {
      g.fillStyle = colour;
      g.fillRect(x(u) - size * ratio, y(d) - size * ratio, 2 * size * ratio, 2 * size * ratio);
    };
    for (const [u, d, survived] of r.rows) dot(u, d, survived ? "#6fd36f" : "#ff8a6a", 1.5);
    if (r.found) dot(r.least[0], r.least[1], "#ffe27a", 3.5);
    g.fillStyle = "#aab";
    g.font = `${Math.round(10 * ratio)}px sans-serif`;
    g.fillText(`${hi.toFixed(2)} m`, 2 * ratio, 10 * ratio);
    g.fillText(`${lo.toFixed(2)} m`, 2 * ratio, c.height - 2 * ratio);
    g.fillText(`${wind.toFixed(1)} m/s at 10 m`, c.width - 95 * ratio, c.height - 2 * ratio);
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
    $("open-params").addEventListener("click", openParams);
    $("param-fields").addEventListener("change", (e) => { if (e.target.dataset.name) commitParam(e.target); });
    $("param-fields").addEventListener("keydown", (e) => {
      if (e.key === "Enter" && e.target.dataset.name) { e.preventDefault(); commitParam(e.target); }
    });
    $("preset").addEventListener("change", () => {
      if (Number($("preset").value) < -1) return;
      say(call.choosePreset(Number($("preset").value)));
      showParams();
    });
    $("lw-find").addEventListener("click", findLeastWind);
    $("lw-cancel").addEventListener("click", cancelLeastWind);
    $("lw-cycles").addEventListener("keydown", (e) => {
      if (e.key === "Enter") { e.preventDefault(); findLeastWind(); }
    });
    $("defaults").addEventListener("click", () => { say(call.choosePreset(-1)); showParams(); });
    $("fly-yourself").addEventListener("click", flyYourself);
    $("fly-loop").addEventListener("click", flyLoop);
    // The on-screen stick: held while a finger (or the mouse) is down on it.
    for (const b of document.querySelectorAll("#pilot-pad button")) {
      const bit = Number(b.dataset.steer);
      b.addEventListener("pointerdown", (e) => {
        e.preventDefault();
        b.setPointerCapture(e.pointerId);
        steer(bit, true);
      });
      for (const ev of ["pointerup", "pointercancel", "lostpointercapture"])
        b.addEventListener(ev, () => steer(bit, false));
      b.addEventListener("contextmenu", (e) => e.preventDefault());
    }
    const pilotBits = { ArrowLeft: 1, ArrowRight: 2, ArrowUp: 4, ArrowDown: 8 };
    document.addEventListener("keyup", (e) => { if (pilotBits[e.key]) steer(pilotBits[e.key], false); });
    window.addEventListener("blur", steerNone);
    document.addEventListener("keydown", (e) => {
      if (e.key === "F3") { e.preventDefault(); openParams(); return; }
      if ($("params").open) return;
      if (e.key === "F6") { e.preventDefault(); flyYourself(); return; }
      if (e.key === "F4") { e.preventDefault(); flyLoop(); return; }
      // While you fly, the arrows are the stick's.
      const bit = pilotBits[e.key];
      if (bit && !e.altKey && !e.ctrlKey && !e.metaKey && flownByYou() && call.state() === pilotStates.flying) {
        e.preventDefault();
        if (!e.repeat) steer(bit, true);
        return;
      }
      if (e.target instanceof HTMLInputElement && e.target.type === "range") return;
      const actions = { "1": () => choose(1), "2": () => choose(2), "3": () => choose(3),
        "4": () => choose(4), "Enter": ok, "f": fly, "F": fly, "s": stop, "S": stop,
        "Escape": stop, " ": pause, "[": () => changePace(-1), "]": () => changePace(1),
        "+": () => zoom(-1), "=": () => zoom(-1), "-": () => zoom(1), "F2": toggleFlightData,
        "ArrowUp": () => pan(0), "ArrowDown": () => pan(1),
        "ArrowLeft": () => (e.shiftKey ? lookSeconds(-1) : lookSteps(-1)),
        "ArrowRight": () => (e.shiftKey ? lookSeconds(1) : lookSteps(1)),
        "PageUp": () => lookSeconds(-10), "PageDown": () => lookSeconds(10),
        "Home": () => lookTo(1), "End": () => lookTo(Infinity) };
      const act = actions[e.key];
      if (act && !(e.target instanceof HTMLButtonElement && (e.key === "Enter" || e.key === " "))) {
        e.preventDefault();
        act();
      }
    });
    // Touch, pen and mouse alike: a drag across the picture moves the
    // observer a step each 40 CSS pixels, two fingers pinching or the wheel
    // zoom; a tap on a chart shows that moment of a paused or stopped flight.
    const down = new Map();
    let pinch = 0;
    canvas.addEventListener("pointerdown", (e) => {
      canvas.setPointerCapture(e.pointerId);
      down.set(e.pointerId, { x: e.clientX, y: e.clientY });
      if (down.size === 2) pinch = spread();
    });
    const spread = () => {
      const [a, b] = [...down.values()];
      return Math.hypot(a.x - b.x, a.y - b.y);
    };
    canvas.addEventListener("pointermove", (e) => {
      const p = down.get(e.pointerId);
      if (!p) return;
      if (down.size === 2) {
        p.x = e.clientX; p.y = e.clientY;
        const d = spread();
        if (Math.abs(d - pinch) > 40) { zoom(d > pinch ? -1 : 1); pinch = d; }
        return;
      }
      const dx = e.clientX - p.x, dy = e.clientY - p.y;
      if (Math.abs(dx) >= 40) { pan(dx > 0 ? 2 : 3); p.x = e.clientX; }
      if (Math.abs(dy) >= 40) { pan(dy > 0 ? 0 : 1); p.y = e.clientY; }
    });
    const up = (e) => { down.delete(e.pointerId); if (down.size < 2) pinch = 0; };
    canvas.addEventListener("pointerup", up);
    canvas.addEventListener("pointercancel", up);
    canvas.addEventListener("wheel", (e) => { e.preventDefault(); zoom(e.deltaY < 0 ? -1 : 1); }, { passive: false });
    for (const id of ["chart-energy", "chart-rate"])
      $(id).addEventListener("pointerup", (e) => {
        if ($("back").disabled) return;
        const box = $(id).getBoundingClientRect();
        const [t0, t1] = chartWindow();
        lookTo(call.tickAtTime(t0 + (t1 - t0) * (e.clientX - box.left) / box.width));
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
      paceNow: f("pace_now", "number", []),
      tick: f("tick", "number", ["number"]), fault: f("fault", "string", []),
      rgba: f("rgba", "number", []), width: f("width", "number", []), height: f("height", "number", []),
      readout: f("readout", "number", ["number"]), ticksToLookBack: f("ticks_to_look_back", "number", []),
      lookAt: f("look_at", null, ["number"]), csv: f("csv", "string", []),
      chart: f("chart", "number", ["number", "number", "number", "number"]),
      tickStepsOn: f("tick_steps_on", "number", ["number", "number"]),
      tickAtTime: f("tick_at_time", "number", ["number"]), timeOfTick: f("time_of_tick", "number", ["number"]),
      zoom: f("zoom", null, ["number"]), pan: f("pan", null, ["number"]),
      flyYourself: f("fly_yourself", "string", ["number"]), pilotKeys: f("pilot_keys", null, ["number"]),
      state: f("state", "number", []), pilot: f("pilot", "number", []),
      loopsRoom: f("loops_room", "number", ["number"]), loopOffer: f("loop_offer", "string", []),
      flyLoop: f("fly_loop", "string", ["number"]),
      params: f("params", "string", []), setParam: f("set_param", "string", ["string", "string"]),
      choosePreset: f("choose_preset", "string", ["number"]),
      paramsBytes: f("params_bytes", "number", ["number"]), paramsSize: f("params_size", "number", []),
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
    // The presets' loops, fetched beside the engine: a page without them
    // still flies everything else and says why it has no loop.
    fetch("optimal_loops.txt")
      .then((r) => (r.ok ? r.text() : ""))
      .catch(() => "")
      .then((text) => {
        const bytes = new TextEncoder().encode(text);
        const at = call.loopsRoom(bytes.length);
        engine.HEAPU8.set(bytes, at);
        document.body.dataset.loops = text ? "1" : "0";
      });
    requestAnimationFrame(frame);
  });
})();
