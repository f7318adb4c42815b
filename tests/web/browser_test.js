// The page in a real browser (Debian's Chromium, headless, driven by
// puppeteer-core): served from a local server, an upwind flight flown with
// the page's buttons, the picture, read-outs, STOP, the look-back slider, the
// CSV download, no console error; frames per second and memory measured.
// With the program given, a second flight on a steady clock (1/64 s a frame)
// with a preset chosen in the Parameters form: its CSV against the program's
// fly for the same ticks, clock and parameters.
// Usage: node browser_test.js WEB_BUILD_DIR [SECONDS_MEASURED [PROGRAM]]
"use strict";
const { execFileSync } = require("child_process");
const fs = require("fs");
const http = require("http");
const path = require("path");
const os = require("os");
const puppeteer = require("puppeteer-core");

const root = path.resolve(process.argv[2] || "build-web");
const measureSeconds = Number(process.argv[3] || 60);
const program = process.argv[4] ? path.resolve(process.argv[4]) : "";
const types = { ".html": "text/html", ".js": "text/javascript", ".wasm": "application/wasm",
  ".css": "text/css" };
const failures = [];
const check = (ok, what) => { console.log((ok ? "ok   " : "FAIL ") + what); if (!ok) failures.push(what); };

function serve() {
  const server = http.createServer((req, res) => {
    const file = path.join(root, decodeURIComponent(new URL(req.url, "http://x").pathname));
    const name = file.endsWith("/") ? path.join(file, "index.html") : file;
    if (!name.startsWith(root) || !fs.existsSync(name)) { res.writeHead(404); res.end(); return; }
    res.writeHead(200, { "Content-Type": types[path.extname(name)] || "application/octet-stream" });
    fs.createReadStream(name).pipe(res);
  });
  return new Promise((resolve) => server.listen(0, "127.0.0.1", () => resolve(server)));
}

// A hash of the canvas's pixels: whether the picture changed.
const pictureHash = (page) => page.evaluate(() => {
  const c = document.getElementById("picture");
  const d = c.getContext("2d").getImageData(0, 0, c.width, c.height).data;
  let h = 2166136261;
  for (let i = 0; i < d.length; i += 7) h = Math.imul(h ^ d[i], 16777619);
  return h >>> 0;
});
const readouts = (page) => page.evaluate(() =>
  Array.from(document.querySelectorAll("#readouts dd"), (d) => d.textContent));
// How many of a chart's pixels are lit in a colour: whether a line is drawn.
const chartPixels = (page, id, rgb) => page.evaluate((id, rgb) => {
  const c = document.getElementById(id);
  const d = c.getContext("2d").getImageData(0, 0, c.width, c.height).data;
  let n = 0;
  for (let i = 0; i < d.length; i += 4)
    if (Math.abs(d[i] - rgb[0]) < 8 && Math.abs(d[i + 1] - rgb[1]) < 8 && Math.abs(d[i + 2] - rgb[2]) < 8) ++n;
  return n;
}, id, rgb);
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// The page's clocks replaced before its scripts run: the time of day starts at
// 01:00:00 and the steady clock moves 1/64 s at each screen frame (exact in
// binary, as fly's clock steps are), but not in a frame held back.
const steadyClock = () => {
  const Real = Date;
  window.Date = class extends Real {
    constructor(...a) { if (a.length) super(...a); else super(2026, 0, 1, 1, 0, 0, 0); }
    static now() { return new Date().getTime(); }
  };
  window.__steady = 0;
  window.__hold = 0;
  performance.now = () => window.__steady;
  const raf = window.requestAnimationFrame.bind(window);
  let lastFrame = -1;
  window.requestAnimationFrame = (f) => raf((ts) => {
    if (ts !== lastFrame) {
      lastFrame = ts;
      if (window.__hold > 0) --window.__hold; else window.__steady += 15.625;
    }
    f(ts);
  });
};

// Nothing wider than the window: no horizontal scrolling, every control inside.
const fitsWidth = (page) => page.evaluate(() => {
  const w = document.documentElement.clientWidth;
  const out = Array.from(document.querySelectorAll("header button:not([hidden]), aside"))
    .filter((b) => b.getBoundingClientRect().right > w + 0.5).map((b) => b.id || b.textContent);
  return { scroll: document.documentElement.scrollWidth - w, out };
});

// A phone held sideways, driven by touch alone: taps on the buttons, a drag
// across the picture of a stopped flight moves the observer.
async function phone(browser, url) {
  const page = await browser.newPage();
  const errors = [];
  page.on("pageerror", (e) => errors.push(String(e)));
  await page.setViewport({ width: 844, height: 390, isMobile: true, hasTouch: true, deviceScaleFactor: 2 });
  await page.goto(url);
  await page.waitForSelector("body[data-ready='1']", { timeout: 20000 });
  const tap = async (selector) => {
    const b = await (await page.$(selector)).boundingBox();
    await page.touchscreen.tap(b.x + b.width / 2, b.y + b.height / 2);
  };
  await tap("#patterns button[data-mode='1']");
  await tap("#ok");
  await page.waitForSelector("#fly:not([hidden])");
  await tap("#fly");
  await sleep(2000);
  await tap("#stop");
  check((await page.$eval("#status", (s) => s.textContent)) === "stopped", "a phone's taps fly and stop");
  const fits = await fitsWidth(page);
  check(fits.scroll <= 0 && fits.out.length === 0,
    `at 844x390 nothing is wider than the screen (${fits.scroll} px over; outside: ${fits.out.join(", ")})`);
  const stopped = await pictureHash(page);
  await page.keyboard.press("+");
  check((await pictureHash(page)) !== stopped, "+ zooms the picture of a stopped flight");
  const before = await pictureHash(page);
  const box = await (await page.$("#picture")).boundingBox();
  const x = box.x + box.width / 2, y = box.y + box.height / 2;
  await page.touchscreen.touchStart(x, y);
  for (let k = 1; k <= 6; ++k) await page.touchscreen.touchMove(x - 20 * k, y);
  await page.touchscreen.touchEnd();
  check((await pictureHash(page)) !== before, "a finger dragged across the picture moves the observer");
  // Fly it yourself by touch: the controls on the picture, inside the screen,
  // a finger held on "bank right" banks the stick. (The drag's fling is let
  // die down first: a tap that stops a fling is no click.)
  await sleep(1000);
  await tap("#fly-yourself");
  await page.waitForSelector("#pilot-pad:not([hidden])");
  const pads = await page.$$eval("#pilot-pad button", (bs) => bs.map((b) => {
    const r = b.getBoundingClientRect(), v = document.getElementById("picture").getBoundingClientRect();
    return r.left >= v.left && r.right <= v.right && r.top >= v.top && r.bottom <= v.bottom && r.height >= 30;
  }));
  check(pads.length === 4 && pads.every(Boolean), "at 844x390 the four flying controls sit on the picture, a thumb's size");
  // Held: a pull into a climb away from the sea, then a bank, at 1/8 of real
  // time so that a busy machine's delays change little of the flight.
  for (let k = 0; k < 3; ++k) await tap("#slower");
  const hold = async (selector, ms) => {
    const b = await (await page.$(selector)).boundingBox();
    await page.touchscreen.touchStart(b.x + b.width / 2, b.y + b.height / 2);
    await sleep(ms);
    const during = await pilotReadout(page);
    await page.touchscreen.touchEnd();
    return during;
  };
  const trim = (await pilotReadout(page)).stickCL;
  const pulled = await hold("#pilot-pad button[data-steer='4']", 1000);
  check(pulled.stickCL > trim + 0.1, `a finger held on "pull" pulls for more lift: ${pulled.text}`);
  await sleep(500);
  const held = await hold("#pilot-pad button[data-steer='2']", 1200);
  check(held.stickBank > 5, `a finger held on "bank right" banks the stick: ${held.text}`);
  await sleep(2000);
  const lifted = await pilotReadout(page);
  check(lifted.stickBank === 0 && !lifted.text.includes("Ended"),
    `the finger lifted, the stick comes back level: ${lifted.text}`);
  await page.screenshot({ path: path.join(root, "phone-844x390.png") });
  await tap("#stop");
  check(errors.length === 0, "no page error on the phone" + (errors.length ? ": " + errors.join("; ") : ""));
  await page.close();
}

// The pilot's read-out: the stick's bank and lift, the bird's bank, the score.
const pilotReadout = async (page) => {
  const text = await page.$eval("#pilot-readout", (p) => p.textContent);
  const num = (re) => Number((text.match(re) || [])[1]);
  return { text, stickBank: num(/stick (-?[0-9.]+) deg/), bank: num(/^Bank (-?[0-9.]+) deg/),
    stickCL: num(/stick (-?[0-9.]+) \(stall/), aloft: num(/ in (-?[0-9.]+) s aloft/) };
};

// Fly it yourself with the keyboard: F6 starts it from the selected pattern's
// start, a held Right arrow rolls the stick and the bird to the right, letting
// go brings the wings level, Up held on stalls the wing and ends the flight
// with the reason, as the window's pilot panel says it.
async function pilotByKeys(browser, url) {
  const page = await browser.newPage();
  const errors = [];
  page.on("console", (m) => { if (m.type() === "error") errors.push(m.text()); });
  page.on("pageerror", (e) => errors.push(String(e)));
  await page.setViewport({ width: 1366, height: 768 });
  await page.goto(url);
  await page.waitForSelector("body[data-ready='1']", { timeout: 20000 });
  await page.click("#patterns button[data-mode='1']");
  await page.keyboard.press("F6");
  await page.waitForSelector("#pilot:not([hidden]) #pilot-readout");
  check((await page.$eval("#status", (s) => s.textContent)) === "flying it yourself" &&
    !(await page.$eval("#pilot-pad", (p) => p.hidden)), "F6 starts a flight of your own with its controls shown");
  const level = await pilotReadout(page);
  check(level.stickBank === 0 && Math.abs(level.bank) < 1 && level.stickCL > 0,
    `it starts wings level at the lift of level flight: ${level.text}`);
  // A pull into a climb away from the sea, then a bank to the right, at 1/8
  // of real time (a busy machine's delays change little of the flight).
  for (let k = 0; k < 3; ++k) await page.keyboard.press("[");
  await page.keyboard.down("ArrowUp");
  await sleep(1000);
  await page.keyboard.up("ArrowUp");
  await sleep(500);
  const before = await pictureHash(page);
  await page.keyboard.down("ArrowRight");
  await sleep(1200);
  const rolled = await pilotReadout(page);
  check(rolled.stickBank > 5 && rolled.stickBank <= 85 && rolled.bank > 2,
    `a held Right arrow banks the bird to the right within the limit: ${rolled.text}`);
  check((await pictureHash(page)) !== before, "the picture follows the flight flown by you");
  await page.keyboard.up("ArrowRight");
  await sleep(2000);
  const released = await pilotReadout(page);
  check(released.stickBank === 0 && !released.text.includes("Ended"),
    `let go, the stick comes back to wings level: ${released.text}`);
  check(released.aloft > 0.3 && /Score: energy gained -?[0-9.]+ m/.test(released.text),
    `the score counts the time aloft: ${released.text}`);
  for (let k = 0; k < 3; ++k) await page.keyboard.press("]");
  await page.keyboard.down("ArrowUp");
  await page.waitForFunction(() => document.getElementById("pilot-pad").hidden, { timeout: 10000 });
  await page.keyboard.up("ArrowUp");
  const stalled = await pilotReadout(page);
  const status = await page.$eval("#status", (s) => s.textContent);
  check(status.includes("stalled") && /Ended: .*the bird stalled/.test(stalled.text),
    `Up held on stalls the wing and ends the flight, with the reason: ${status}`);
  // With the flight stopped the arrows look back again, as in the window.
  const slider = () => page.$eval("#back", (s) => Number(s.value));
  const end = await slider();
  await page.keyboard.press("ArrowLeft");
  check(end > 1 && (await slider()) < end, "after the flight the arrows look back through it");
  check(errors.length === 0, "no console error flying yourself" + (errors.length ? ": " + errors.join("; ") : ""));
  await page.close();
}

// The preset and refusals of the Parameters form, then a flight on the steady
// clock whose CSV is fly's rows.
async function formAndRows(browser, url, downloads) {
  const page = await browser.newPage();
  const errors = [];
  page.on("console", (m) => { if (m.type() === "error") errors.push(m.text()); });
  page.on("pageerror", (e) => errors.push(String(e)));
  await page.setViewport({ width: 1366, height: 768 });
  await page.evaluateOnNewDocument(steadyClock);
  const cdp = await page.createCDPSession();
  await cdp.send("Browser.setDownloadBehavior", { behavior: "allow", downloadPath: downloads });
  await page.goto(url);
  await page.waitForSelector("body[data-ready='1']", { timeout: 20000 });
  await page.click("#patterns button[data-mode='1']");
  await page.keyboard.press("F3");
  await page.waitForSelector("#params[open] #param-W_S");
  check((await page.$eval("#params-pattern", (e) => e.textContent)) === "of the upwind pattern",
    "the form names the pattern whose parameters it shows, in the engine's words");
  const message = () => page.$eval("#params-message", (m) => m.textContent);
  const typeInto = async (id, text) => {
    await page.focus(id);
    await page.keyboard.down("Control");
    await page.keyboard.press("KeyA");
    await page.keyboard.up("Control");
    await page.keyboard.type(text);
    await page.keyboard.press("Enter");
  };
  const before = await page.$eval("#param-W_S", (i) => i.value);
  await typeInto("#param-W_S", "1e9");
  check((await message()).startsWith("\"1e9\" refused: W_S") &&
    (await page.$eval("#param-W_S", (i) => i.value)) === before,
    `an out-of-range value is refused with the engine's reason, the value kept: ${await message()}`);
  await typeInto("#param-W_S", "heavy");
  check((await message()).includes("refused") && (await message()).includes(`stays ${before}`),
    "a text that is not a number is refused");
  await page.select("#preset", await page.$eval("#preset", (s) =>
    Array.from(s.options).find((o) => o.text === "Light wind").value));
  check((await message()).includes("applies at the next OK") &&
    (await page.$eval("#legend", (l) => l.textContent)).includes("next OK"),
    `a preset chosen waits for the next OK: ${await message()}`);
  await typeInto("#param-W_S", "160");
  check((await page.$eval("#preset option:checked", (o) => o.text)) === "own values",
    "a value of one's own leaves the preset");
  await page.select("#preset", await page.$eval("#preset", (s) =>
    Array.from(s.options).find((o) => o.text === "Light wind").value));
  await page.click("#close-params");
  await page.click("#ok");
  await page.waitForSelector("#fly:not([hidden])");
  check((await page.$eval("#legend", (l) => l.textContent)).includes("light wind"),
    "OK takes the preset over: the flight flies with it");

  // FLY clicked after the page's own work of a frame, that frame's clock held
  // for the first tick (fly's tick 1 is at the clock FLY read).
  const clockStart = await page.evaluate(() => new Promise((done) => requestAnimationFrame(() => {
    window.__hold = 1;
    document.getElementById("fly").click();
    done(3600 + window.__steady / 1000);
  })));
  await sleep(4000);
  await page.click("#stop");
  const ticks = Number(await page.$eval("#back", (s) => s.max));
  await page.click("#csv");
  let csv = "";
  for (let k = 0; k < 50 && !csv; ++k) {
    await sleep(200);
    const f = fs.readdirSync(downloads).find((n) => n.endsWith(".csv"));
    if (f) csv = fs.readFileSync(path.join(downloads, f), "utf8");
  }
  const flown = path.join(downloads, "fly.csv");
  execFileSync(program, ["fly", "--pattern", "upwind", "--ticks", String(ticks), "--dt", "0.015625",
    "--clock-start", String(clockStart), "--energy", "--preset", "light-wind", "--csv", flown], { stdio: "pipe" });
  const rows = fs.readFileSync(flown, "utf8");
  const first = csv.split("\n").findIndex((l, i) => l !== rows.split("\n")[i]);
  check(ticks > 100 && csv === rows, `the CSV of ${ticks} ticks on a steady clock is fly's rows` +
    (csv === rows ? "" : ` (they differ from line ${first + 1})`));

  // The preset's optimal loop, as the native optimiser solved it, flown on the
  // same steady clock: its CSV is the rows of fly --loop for that loop, the
  // command line's flight of the window's loop.
  await page.keyboard.press("F3");
  await page.waitForSelector("#params[open] #fly-loop:not([disabled])", { timeout: 5000 });
  const offer = await page.$eval("#loop-offer", (e) => e.textContent);
  check(offer.includes("\"Light wind\"") && /U_ref [0-9.]+ m\/s, period [0-9.]+ s/.test(offer),
    `the preset's optimal loop is offered: ${offer}`);
  for (const f of fs.readdirSync(downloads)) fs.rmSync(path.join(downloads, f));
  const loopStart = await page.evaluate(() => new Promise((done) => requestAnimationFrame(() => {
    window.__hold = 1;
    document.getElementById("fly-loop").click();
    done(3600 + window.__steady / 1000);
  })));
  check((await page.$eval("#status", (s) => s.textContent)) === "flying the optimal loop" &&
    !(await page.$eval("#params", (d) => d.open)), "Fly the optimal loop closes the form and flies it");
  await sleep(3000);
  await page.click("#stop");
  const loopTicks = Number(await page.$eval("#back", (s) => s.max));
  await page.click("#csv");
  let loopCsv = "";
  for (let k = 0; k < 50 && !loopCsv; ++k) {
    await sleep(200);
    const f = fs.readdirSync(downloads).find((n) => n.endsWith(".csv"));
    if (f) loopCsv = fs.readFileSync(path.join(downloads, f), "utf8");
  }
  const loopFlown = path.join(downloads, "fly-loop.csv");
  execFileSync(program, ["fly", "--loop", path.join(root, "optimal_loops.txt"), "--preset", "light-wind",
    "--ticks", String(loopTicks), "--dt", "0.015625", "--clock-start", String(loopStart), "--energy",
    "--csv", loopFlown], { stdio: "pipe" });
  const loopRows = fs.readFileSync(loopFlown, "utf8");
  const loopFirst = loopCsv.split("\n").findIndex((l, i) => l !== loopRows.split("\n")[i]);
  check(loopTicks > 100 && loopCsv === loopRows,
    `the optimal loop's CSV of ${loopTicks} ticks is fly --loop's rows` +
    (loopCsv === loopRows ? "" : ` (they differ from line ${loopFirst + 1})`));
  // Parameters of one's own: the preset's loop is not theirs, and the page says so.
  await page.keyboard.press("F3");
  await page.waitForSelector("#params[open] #param-W_S");
  await typeInto("#param-W_S", "160");
  const ownOffer = await page.$eval("#loop-offer", (e) => e.textContent);
  check((await page.$eval("#fly-loop", (b) => b.disabled)) &&
    ownOffer.includes("The optimal loop of \"Light wind\" is for that preset only"),
    `with parameters of one's own no loop is offered, and why: ${ownOffer}`);
  // Every preset's loop came with the page.
  const presetsWithoutLoop = [];
  for (const option of await page.$$eval("#preset option", (os) => os.map((o) => [o.value, o.text]))) {
    if (Number(option[0]) < 0) continue;
    await page.select("#preset", option[0]);
    if (await page.$eval("#fly-loop", (b) => b.disabled)) presetsWithoutLoop.push(option[1]);
  }
  check(presetsWithoutLoop.length === 0, "every preset offers its optimal loop" +
    (presetsWithoutLoop.length ? `; none for ${presetsWithoutLoop.join(", ")}` : ""));
  await page.select("#preset", await page.$eval("#preset", (s) =>
    Array.from(s.options).find((o) => o.text === "Light wind").value));
  await page.click("#close-params");

  // The least wind of the same parameters, searched by the page's worker while
  // a flight goes on, is the program's min-wind's.
  await page.click("#ok");
  await page.waitForSelector("#fly:not([hidden])");
  await page.click("#fly");
  await page.keyboard.press("F3");
  await page.waitForSelector("#params[open] #lw-find");
  await page.$eval("#lw-cycles", (i) => { i.value = "0"; });
  await page.click("#lw-find");
  check((await page.$eval("#lw-result", (r) => r.textContent)).startsWith("cycles must be") &&
    !(await page.$eval("#lw-find", (b) => b.disabled)), "a search of 0 cycles is refused");
  await page.$eval("#lw-cycles", (i) => { i.value = "10"; });
  await page.click("#lw-find");
  await page.waitForFunction(() => document.getElementById("lw-progress").value > 0, { timeout: 20000 });
  await page.click("#lw-cancel");
  check((await page.$eval("#lw-result", (r) => r.textContent)) === "Search cancelled." &&
    !(await page.$eval("#lw-find", (b) => b.disabled)), "Cancel ends a search and offers a new one");
  await page.click("#lw-find");
  await page.waitForFunction(() => document.getElementById("lw-progress").value > 0, { timeout: 20000 });
  const during = await pictureHash(page);
  await sleep(300);
  check((await pictureHash(page)) !== during, "the flight goes on while the least wind is searched");
  await page.waitForFunction(() => !document.getElementById("lw-find").disabled, { timeout: 120000 });
  const found = await page.$eval("#lw-result", (r) => r.textContent);
  const native = execFileSync(program, ["min-wind", "--pattern", "upwind", "--preset", "light-wind",
    "--threads", "1"], { encoding: "utf8" });
  const nativeFactor = (native.match(/energy-neutral wind: factor ([0-9.]+)/) || [])[1];
  const pageFactor = (found.match(/factor ([0-9.]+) on U_ref/) || [])[1];
  check(nativeFactor && pageFactor === nativeFactor,
    `the page's least wind is min-wind's (factor ${pageFactor}, the program's ${nativeFactor}): ${found}`);
  await page.click("#close-params");
  await page.click("#stop");
  check(errors.length === 0, "no console error with the form" + (errors.length ? ": " + errors.join("; ") : ""));
  await page.close();
}

(async () => {
  const server = await serve();
  const url = `http://127.0.0.1:${server.address().port}/`;
  const downloads = fs.mkdtempSync(path.join(os.tmpdir(), "soarcalculus-page-"));
  const browser = await puppeteer.launch({ executablePath: process.env.CHROMIUM || "/usr/bin/chromium",
    headless: true, args: ["--no-sandbox", "--disable-gpu", "--window-size=1366,768"] });
  try {
    const page = await browser.newPage();
    const errors = [];
    page.on("console", (m) => { if (m.type() === "error") errors.push(m.text()); });
    page.on("pageerror", (e) => errors.push(String(e)));
    await page.setViewport({ width: 1366, height: 768 });
    const cdp = await page.createCDPSession();
    await cdp.send("Browser.setDownloadBehavior", { behavior: "allow", downloadPath: downloads });

    const started = Date.now();
    await page.goto(url);
    await page.waitForSelector("body[data-ready='1']", { timeout: 20000 });
    const loadSeconds = (Date.now() - started) / 1000;
    check(loadSeconds < 2, `the page loads and starts its engine in ${loadSeconds.toFixed(2)} s`);

    await page.click("#patterns button[data-mode='1']");
    await page.click("#ok");
    await page.waitForSelector("#fly:not([hidden])");
    const before = await pictureHash(page);
    await page.click("#fly");
    await sleep(5000);
    const moved = await pictureHash(page);
    check(moved !== before, "the picture moves during the flight");
    const values = await readouts(page);
    check(values.every((v) => Number.isFinite(Number(v))), `the read-outs are numbers: ${values.join(", ")}`);
    check(Number(values[0]) > 3, `the flight time runs with the clock (${values[0]} s after 5 s)`);
    const heading = Number(values[5]);
    check(heading > -180 && heading <= 180, `the heading is within (-180, 180]: ${values[5]}`);
    const [rate, wind, drag] = values.slice(9, 12).map(Number);
    check(Math.abs(rate - (wind + drag)) <= 0.0015 && drag < 0,
      `dE/dt is its wind part and its drag part: ${rate} = ${wind} + ${drag}`);
    // The energy line, and both parts of the rate, from the engine's history.
    const energyLine = await chartPixels(page, "chart-energy", [0x9e, 0xcb, 0xff]);
    const windLine = await chartPixels(page, "chart-rate", [0x6f, 0xd3, 0x6f]);
    const dragLine = await chartPixels(page, "chart-rate", [0xff, 0x8a, 0x6a]);
    check(energyLine > 50 && windLine > 50 && dragLine > 50,
      `the charts draw E and the rate's parts (${energyLine}, ${windLine}, ${dragLine} pixels)`);

    // Frames per second and memory over the measured seconds of flight.
    await page.evaluate(() => { window.__frames = 0; const f = () => { ++window.__frames; requestAnimationFrame(f); }; requestAnimationFrame(f); });
    const t0 = Date.now();
    const engineMemory = () => page.$eval("#memory", (m) => Number(m.textContent));
    const heap0 = (await page.metrics()).JSHeapUsedSize, engine0 = await engineMemory();
    await sleep(measureSeconds * 1000);
    const frames = await page.evaluate(() => window.__frames);
    const fps = frames / ((Date.now() - t0) / 1000);
    const metrics = await page.metrics();
    const engine1 = await engineMemory();
    console.log(`measured: ${fps.toFixed(1)} frames/s over ${measureSeconds} s of flight; ` +
      `JS heap ${(heap0 / 1048576).toFixed(1)} -> ${(metrics.JSHeapUsedSize / 1048576).toFixed(1)} MB used ` +
      `(${(metrics.JSHeapTotalSize / 1048576).toFixed(1)} MB held); engine memory ${engine0} -> ${engine1} MB`);
    check(engine1 > 0, `the page shows its engine's memory (${engine1} MB)`);
    await page.screenshot({ path: path.join(root, "upwind-1366x768.png") });

    await page.click("#stop");
    const stopped = await pictureHash(page);
    await sleep(1000);
    check((await pictureHash(page)) === stopped, "STOP freezes the picture");
    const ticks = Number(await page.$eval("#back", (s) => s.max));
    check(ticks > 100, `the slider spans the ${ticks} ticks flown`);
    await page.$eval("#back", (s) => { s.value = String(Math.floor(Number(s.max) / 3)); s.dispatchEvent(new Event("input")); });
    check((await pictureHash(page)) !== stopped, "the slider goes back to an earlier picture");

    // The window's keys through a stopped flight: Home its start, End where it
    // stands, Left a step back, Page Up ten seconds back.
    const slider = () => page.$eval("#back", (s) => Number(s.value));
    await page.keyboard.press("End");
    const ticksTime = Number((await readouts(page))[0]);
    await page.keyboard.press("Home");
    check((await slider()) === 1, "Home shows the flight's start");
    await page.keyboard.press("End");
    check((await slider()) === ticks, "End shows the moment the flight stands at");
    await page.keyboard.press("ArrowLeft");
    const back = await slider();
    check(back < ticks && back > ticks - 10, `Left goes a step back (tick ${back} of ${ticks})`);
    const from = Number((await readouts(page))[0]);
    await page.keyboard.press("PageUp");
    const t = Number((await readouts(page))[0]);
    check(Math.abs(Math.max(0, from - 10) - t) < 0.1, `Page Up goes back ten seconds (${from} s to ${t} s)`);
    // A tap on the energy chart shows the moment under it: its left edge the
    // window's start, 30 s before the flight's end.
    const chart = await (await page.$("#chart-energy")).boundingBox();
    await page.mouse.click(chart.x + 2, chart.y + chart.height / 2);
    const tapped = Number((await readouts(page))[0]);
    const end = ticksTime;
    check(Math.abs(tapped - Math.max(0, end - 30)) < 0.5, `a tap on a chart's left edge shows ${tapped} s (the flight ended at ${end} s)`);
    await page.keyboard.press("F2");
    check(await page.$eval("#readouts", (a) => a.hidden), "F2 hides the Flight data");
    await page.keyboard.press("F2");
    check(!(await page.$eval("#readouts", (a) => a.hidden)), "F2 shows it again");
    // The pace stops at the engine's ends: 4 and 1/8 times real time.
    for (let k = 0; k < 5; ++k) await page.keyboard.press("]");
    const fastest = await page.$eval("#pace", (p) => p.textContent);
    for (let k = 0; k < 9; ++k) await page.keyboard.press("[");
    const slowest = await page.$eval("#pace", (p) => p.textContent);
    await page.keyboard.press("]"); await page.keyboard.press("]"); await page.keyboard.press("]");
    check(fastest === "pace 4\u00d7" && slowest === "pace 1/8\u00d7" &&
      (await page.$eval("#pace", (p) => p.textContent)) === "pace 1\u00d7",
      `the pace shown is the engine's (${fastest}, ${slowest})`);
    const fits = await fitsWidth(page);
    check(fits.scroll <= 0 && fits.out.length === 0, `at 1366x768 nothing is wider than the window (${fits.scroll} px over)`);

    await page.click("#csv");
    let csv = "";
    for (let k = 0; k < 50 && !csv; ++k) {
      await sleep(200);
      const f = fs.readdirSync(downloads).find((n) => n.endsWith(".csv"));
      if (f) csv = fs.readFileSync(path.join(downloads, f), "utf8");
    }
    const lines = csv.trim().split("\n");
    check(lines[0] && lines[0].startsWith("tick,t,dt,X,Y,Z,V"), "the CSV download has fly's columns");
    check(lines.length - 1 === ticks, `the CSV has a row per tick flown (${lines.length - 1})`);
    check(lines.slice(1).every((l, i) => l.split(",")[0] === String(i + 1) &&
      l.split(",").every((v) => Number.isFinite(Number(v)))), "every row is numbers, ticks in order");
    check(errors.length === 0, "no console error" + (errors.length ? ": " + errors.join("; ") : ""));
    for (const f of fs.readdirSync(downloads)) fs.rmSync(path.join(downloads, f));
    await phone(browser, url);
    await pilotByKeys(browser, url);
    if (program) await formAndRows(browser, url, downloads);
    else console.log("skipped: the Parameters form and fly's rows (no program given)");
  } finally {
    await browser.close();
    server.close();
    fs.rmSync(downloads, { recursive: true, force: true });
  }
  process.exit(failures.length ? 1 : 0);
})().catch((e) => { console.error(e); process.exit(1); });
