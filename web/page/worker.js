// A worker of the page: plays whole runs and answers with their records.
// From file:// it is made from text the page holds, with the engine, the
// protocol and the engine's interface before it; from a web host it loads them.
'use strict';
if (typeof VelmoraEngine === 'undefined') {
  importScripts('velmora-engine.js', 'protocol.js', 'engine-api.js');
}
const engineReady = VelmoraEngine().then((engine) => VelmoraApi.create(engine));

self.onmessage = async (event) => {
  const request = event.data;
  try {
    const api = await engineReady;
    if (request.type !== VelmoraMessages.runs) throw new Error(`unknown request '${request.type}'`);
    api.settle(request.factors);
    const records = [];
    for (let run = request.first; run < request.first + request.count; ++run) {
      records.push(...api.play(request.seed, run));
    }
    const flat = Float64Array.from(records);
    self.postMessage({ id: request.id, type: VelmoraMessages.records, first: request.first, records: flat },
      [flat.buffer]);
  } catch (error) {
    self.postMessage({ id: request.id, type: VelmoraMessages.error, message: String(error.message || error) });
  }
};
