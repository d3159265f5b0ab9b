// The page's and the workers' one way into the engine compiled to
// WebAssembly: settings as the command line names them in, numbers and text
// out. Also loads under node for the tests.
'use strict';
const VelmoraApi = (() => {
  const maxSeed = 4294967295;

  // A seed as the command line takes it: a whole number from 0 to 2^32 - 1.
  function seedOf(value) {
    const text = String(value ?? '').trim();
    if (!/^[0-9]+$/.test(text) || Number(text) > maxSeed) {
      throw new RangeError(`seed must be a whole number from 0 to ${maxSeed}, got '${value}'`);
    }
    return Number(text);
  }

  // Factor values as "name=value" lines; numbers as JavaScript writes them
  // (the shortest text that reads back the same), lists joined by commas.
  function factorLines(settings) {
    const lines = [];
    for (const [name, value] of Object.entries(settings)) {
      if (name === 'seed' || value === undefined || value === null || value === '') continue;
      const text = Array.isArray(value) ? value.join(',') : String(value);
      if (/[\n\r=]/.test(name) || /[\n\r]/.test(text)) {
        throw new RangeError(`factor ${JSON.stringify(name)}: a line break or '=' does not belong there`);
      }
      lines.push(`${name}=${text}`);
    }
    return lines.join('\n');
  }

  function create(engine) {
    const text = (pointer) => engine.UTF8ToString(pointer);
    const withText = (value, use) => {
      const size = engine.lengthBytesUTF8(value) + 1;
      const pointer = engine._malloc(size);
      engine.stringToUTF8(value, pointer, size);
      try {
        return use(pointer);
      } finally {
        engine._free(pointer);
      }
    };
    // Read at once: a growing memory replaces the buffer views.
    const doubles = (pointer, count) => engine.HEAPF64.slice(pointer >> 3, (pointer >> 3) + count);
    const recordLength = (pointer) => 6 + 3 * engine.HEAPF64[(pointer >> 3) + 5];
    // The engine names the field at fault before a tab.
    const failIf = (problem) => {
      if (!problem) return;
      const tab = problem.indexOf('\t');
      const error = new RangeError(tab < 0 ? problem : problem.slice(tab + 1));
      if (tab > 0) error.factor = problem.slice(0, tab);
      throw error;
    };

    return {
      version: text(engine._velmora_version()),
      factors: () => JSON.parse(text(engine._velmora_factors())),
      factorLines,
      seedOf,
      // One run from the seed to its end: its trace as velmora-batch
      // --runs 1 --seed S --trace - writes it.
      trace(settings) {
        const seed = seedOf(settings.seed);
        const out = withText(factorLines(settings), (p) => text(engine._velmora_run_trace(p, seed)));
        failIf(out.startsWith('error: ') ? out.slice(7) : '');
        return out;
      },
      // The run stepped on the page.
      begin(settings) {
        const seed = seedOf(settings.seed);
        failIf(withText(factorLines(settings), (p) => text(engine._velmora_begin(p, seed))));
      },
      step: () => engine._velmora_step() === 1,
      state() {
        const p = engine._velmora_state();
        const head = doubles(p, 4);
        const values = doubles(p, 4 + 3 * head[3]);
        const levels = [];
        for (let k = 0; k < head[3]; ++k) {
          const [size, women, mean] = values.subarray(4 + 3 * k, 7 + 3 * k);
          levels.push({ size, women, mean });
        }
        return { period: head[0], replaced: head[1], finished: head[2] === 1, levels };
      },
      traceSoFar: () => text(engine._velmora_trace()),
      // Whole runs, as the workers play them.
      settle: (lines) => failIf(withText(lines, (p) => text(engine._velmora_settle(p)))),
      play(firstSeed, run) {
        const p = engine._velmora_play(firstSeed, run);
        return doubles(p, recordLength(p));
      },
      // Records of many runs, in run order, gathered as velmora-batch's summary.
      summarise(records) {
        engine._velmora_summary_clear();
        for (const record of records) {
          withDoubles(record, (p) => engine._velmora_summary_add(p));
        }
        const p = engine._velmora_summary();
        const head = doubles(p, 5);
        const values = doubles(p, 5 + 4 * head[4]);
        const levels = [];
        for (let k = 0; k < head[4]; ++k) {
          const [share, shareHalf, mean, meanHalf] = values.subarray(5 + 4 * k, 9 + 4 * k);
          levels.push({ share, shareHalf, mean, meanHalf });
        }
        return { runs: head[0], cutOff: head[1], periods: head[2], periodsHalf: head[3], levels };
      },
    };

    function withDoubles(values, use) {
      const pointer = engine._malloc(values.length * 8);
      engine.HEAPF64.set(values, pointer >> 3);
      try {
        return use(pointer);
      } finally {
        engine._free(pointer);
      }
    }
  }

  return { create, seedOf, factorLines };
})();
if (typeof module !== 'undefined') module.exports = { VelmoraApi };
