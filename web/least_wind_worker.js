// The least-wind search on its own engine, off the page's thread: the page
// flies and draws on while the trials run. Asked with {mode, params, cycles}
// (params: the bytes of the pattern's parameters from the page's engine, the
// same build as this one); tells of each trial done as {progress: [done,
// total]}, then answers {result}.
"use strict";
importScripts("soarcalculus.js");
const ready = Soarcalculus();
onmessage = async (e) => {
  const engine = await ready;
  const search = engine.cwrap("page_least_wind", "string", ["number", "number"]);
  const at = engine.cwrap("page_params_bytes", "number", ["number"])(-1);
  const size = engine.cwrap("page_params_size", "number", [])();
  if (e.data.params.length !== size) throw new Error("the parameters are not this engine's");
  engine.HEAPU8.set(e.data.params, at);
  postMessage({ result: JSON.parse(search(e.data.mode, e.data.cycles)) });
};
