// The classroom page: settings from the factor table, one run drawn period
// by period, many runs and sweeps played in workers. The engine holds every
// rule of the model and of its factors; this file only asks and draws.
'use strict';
(() => {
  const $ = (id) => document.getElementById(id);
  const colours = { men: '#0072b2', women: '#e69f00', womenLight: '#f7d27a', ink: '#1b1b1b', muted: '#555' };
  // The factors with a control of their own, in the order shown; form,
  // levels and bias points have theirs above them.
  const shownFactors = ['women-hired', 'turnover-men', 'turnover-women', 'score-sd-men', 'score-sd-women',
    'turnover-slope', 'external-hires', 'bias-ends', 'women-initial', 'periods', 'max-periods'];
  // The window's two biases, marked on the slider.
  const windowBiases = [['1%', 2.01], ['5%', 4.58]];
  const biasSliderTop = 10;
  const fastest = 61;
  // Sweep ranges a class can read; other factors sweep their whole range.
  const sweepRanges = { 'bias-points': [0, 10], 'score-sd-men': [5, 15], 'score-sd-women': [5, 15],
    'turnover-slope': [-2, 2], 'bias-ends': [1, 61], periods: [10, 130], 'max-periods': [10, 130] };

  let api = null;
  let table = [];
  const fields = new Map(); // factor name -> its text input
  let run = null;
  let past = null; // the stepped run's periods and shares so far
  let historyChart = null;
  let runsChart = null;
  let sweepChart = null;
  let pool = null;

  let resolveReady;
  const ready = new Promise((resolve) => { resolveReady = resolve; });
  window.velmora = {
    get version() { return api ? api.version : undefined; },
    ready,
    factors() {
      if (!api) throw new Error('the engine is still loading; await velmora.ready');
      return api.factors();
    },
    async trace(settings) {
      await ready;
      return api.trace(settings);
    },
  };

  // ---------------------------------------------------------------- settings
  const factor = (name) => table.find((f) => f.name === name);
  const isNumeric = (text) => text !== '' && Number.isFinite(Number(text));
  const defaultText = (name) => (isNumeric(factor(name).default) ? factor(name).default : '');

  function rangeText(f) {
    if (f.low === undefined) return '';
    const show = (v) => (Math.abs(v) >= 1e6 ? v.toLocaleString('en') : String(v));
    return f.lowOpen ? `above ${show(f.low)}, up to ${show(f.high)}` : `${show(f.low)} to ${show(f.high)}`;
  }

  function textField(name, placeholder) {
    const f = factor(name);
    const box = document.createElement('div');
    box.className = 'field';
    const id = `factor-${name}`;
    box.innerHTML = `<label for="${id}"></label><input type="text" id="${id}" name="${name}" autocomplete="off"
      spellcheck="false" aria-describedby="${id}-help ${id}-problem"><p class="help" id="${id}-help"></p>
      <p class="problem" id="${id}-problem" hidden></p>`;
    box.querySelector('label').textContent = f.label;
    const input = box.querySelector('input');
    input.inputMode = f.kind === 'list' ? 'text' : 'decimal';
    input.value = defaultText(name);
    input.placeholder = placeholder || (isNumeric(f.default) ? '' : f.default);
    const range = rangeText(f);
    // The command line's word on which option overrides which is no help here.
    const help = f.help.replace(/; overrides --[a-z-]+$/, '');
    box.querySelector('.help').textContent = help + (range && !help.includes(String(f.high)) ? ` (${range})` : '');
    fields.set(name, input);
    return box;
  }

  function buildControls() {
    $('levels-field').append(textField('levels', 'e.g. 40,30,20,10'));
    $('levels-field').querySelector('input').value = '40,30,20,10';
    const bias = factor('bias-points');
    const biasBox = textField('bias-points');
    const input = biasBox.querySelector('input');
    const slider = document.createElement('input');
    Object.assign(slider, { type: 'range', min: 0, max: biasSliderTop, step: 0.01, value: input.value,
      id: 'bias-slider' });
    slider.setAttribute('aria-label', `${bias.label}, slider from 0 to ${biasSliderTop}`);
    slider.setAttribute('list', 'bias-marks');
    const marks = document.createElement('datalist');
    marks.id = 'bias-marks';
    const ticks = document.createElement('div');
    ticks.className = 'ticks';
    ticks.setAttribute('aria-hidden', 'true');
    for (const [name, value] of windowBiases) {
      marks.append(new Option(name, value));
      const tick = document.createElement('span');
      tick.style.left = `${(100 * value) / biasSliderTop}%`;
      tick.append(`"${name}"`, document.createElement('br'), String(value));
      ticks.append(tick);
    }
    const row = document.createElement('div');
    row.className = 'row';
    const track = document.createElement('div');
    track.className = 'track';
    input.style.width = '5em';
    input.replaceWith(row);
    track.append(slider, ticks, marks);
    row.append(track, input);
    slider.addEventListener('input', () => { input.value = slider.value; changed(); });
    input.addEventListener('input', () => { if (isNumeric(input.value)) slider.value = input.value; });
    $('bias-field').append(biasBox);
    for (const name of shownFactors) $('factor-fields').append(textField(name));

    const sweepable = table.filter((f) => f.low !== undefined && f.name !== 'turnover' && f.name !== 'women-initial');
    for (const f of sweepable) $('sweep-factor').append(new Option(f.label, f.name));
    $('sweep-factor').value = 'bias-points';
  }

  function formChoice() {
    return document.querySelector('input[name="form"]:checked').value;
  }

  // Every setting of the page as the command line names them, values as typed.
  function currentSettings() {
    const settings = { seed: $('seed').value.trim() };
    if (formChoice() === 'custom') settings.levels = fields.get('levels').value.trim();
    else settings.form = formChoice();
    for (const name of ['bias-points', ...shownFactors]) {
      const text = fields.get(name).value.trim();
      if (text !== '') settings[name] = text;
    }
    return settings;
  }

  function showProblem(message, factor) {
    for (const input of fields.values()) {
      input.removeAttribute('aria-invalid');
      const problem = $(`${input.id}-problem`);
      if (problem) problem.hidden = true;
    }
    $('seed').removeAttribute('aria-invalid');
    if (!message) return;
    const name = factor || (/^seed/.test(message) ? 'seed' : '');
    const input = name === 'seed' ? $('seed') : fields.get(name);
    if (input) {
      input.setAttribute('aria-invalid', 'true');
      const problem = $(`${input.id}-problem`);
      if (problem) { problem.textContent = message; problem.hidden = false; }
    }
    say(`Not started: ${message}`);
  }

  // ------------------------------------------------------------- the address
  const sweepDefaults = { runs: '200', 'sweep-runs': '200', sweep: 'bias-points:0:10:13' };

  function sweepText() {
    return [$('sweep-factor').value, $('sweep-from').value, $('sweep-to').value, $('sweep-points').value].join(':');
  }

  function writeAddress() {
    const settings = currentSettings();
    const query = new URLSearchParams();
    for (const [name, value] of Object.entries(settings)) {
      const always = ['seed', 'form', 'levels', 'bias-points'].includes(name);
      if (always || value !== defaultText(name)) query.set(name, value);
    }
    const extra = { runs: $('runs').value, 'sweep-runs': $('sweep-runs').value, sweep: sweepText() };
    for (const [name, value] of Object.entries(extra)) if (value !== sweepDefaults[name]) query.set(name, value);
    const address = `${location.pathname}?${query.toString().replace(/%2C/g, ',').replace(/%3A/g, ':')}`;
    try {
      window.history.replaceState(null, '', address);
    } catch (error) {
      // Some browsers refuse to change a file:// address; the link still shows.
    }
    return new URL(address, location.href).href;
  }

  function readAddress() {
    const query = new URLSearchParams(location.search);
    $('seed').value = query.get('seed') ?? String(newSeed());
    if (query.has('levels')) {
      document.querySelector('input[name="form"][value="custom"]').checked = true;
      fields.get('levels').value = query.get('levels');
    } else if (query.has('form')) {
      const choice = document.querySelector(`input[name="form"][value="${CSS.escape(query.get('form'))}"]`);
      if (choice) choice.checked = true;
    }
    // The command line's bias and turnover for both sexes, as their controls.
    const bias = windowBiases.find(([name]) => [name, name.slice(0, -1)].includes(query.get('bias')));
    if (bias) fields.get('bias-points').value = String(bias[1]);
    if (query.has('turnover')) {
      for (const name of ['turnover-men', 'turnover-women']) fields.get(name).value = query.get('turnover');
    }
    for (const [name, input] of fields) if (query.has(name)) input.value = query.get(name);
    $('bias-slider').value = fields.get('bias-points').value;
    if (query.has('runs')) $('runs').value = query.get('runs');
    if (query.has('sweep-runs')) $('sweep-runs').value = query.get('sweep-runs');
    const sweep = (query.get('sweep') || '').split(':');
    if (sweep.length === 4 && factor(sweep[0])) {
      [$('sweep-factor').value, $('sweep-from').value, $('sweep-to').value, $('sweep-points').value] = sweep;
    }
    $('levels-field').hidden = formChoice() !== 'custom';
  }

  function newSeed() {
    const words = new Uint32Array(1);
    crypto.getRandomValues(words);
    return words[0];
  }

  // ------------------------------------------------------------- one run
  const say = (text) => { $('status').textContent = text; };

  function beginRun() {
    stopPlaying(false);
    const settings = currentSettings();
    try {
      api.begin(settings);
    } catch (error) {
      showProblem(error.message, error.factor);
      run = null;
      enableRunButtons();
      return false;
    }
    showProblem('');
    run = { over: false, playing: false, credit: 0, last: 0, seed: settings.seed };
    const state = api.state();
    past = { periods: [], shares: state.levels.map(() => []) };
    record(state);
    makeHistoryChart(state.levels.length);
    draw(state);
    enableRunButtons();
    return true;
  }

  function record(state) {
    past.periods.push(state.period);
    state.levels.forEach((level, k) => past.shares[k].push(level.women / level.size));
  }

  function stepOnce() {
    const more = api.step();
    const state = api.state();
    record(state);
    if (!more) run.over = true;
    return state;
  }

  const periodsPerSecond = () => (Number($('speed').value) >= fastest ? Infinity : Number($('speed').value));

  function frame(now) {
    if (!run || !run.playing) return;
    let state = null;
    if (periodsPerSecond() === Infinity) {
      const until = performance.now() + 12;
      do state = stepOnce(); while (!run.over && performance.now() < until);
    } else {
      run.credit += ((now - run.last) / 1000) * periodsPerSecond();
      run.credit = Math.min(run.credit, 5);
      while (run.credit >= 1 && !run.over) { state = stepOnce(); run.credit -= 1; }
    }
    run.last = now;
    if (state) draw(state);
    if (run.over) {
      run.playing = false;
      finished(state || api.state());
    } else {
      requestAnimationFrame(frame);
    }
  }

  function finished(state) {
    enableRunButtons();
    say(state.finished
      ? `Finished at period ${state.period}: every initial employee has left.`
      : `Ended at period ${state.period}, the period limit.`);
    if (document.activeElement === $('stop') || document.activeElement === null) $('start').focus();
  }

  function start() {
    if (!run || run.over) { if (!beginRun()) return; }
    run.playing = true;
    run.credit = 1;
    run.last = performance.now();
    enableRunButtons();
    $('stop').focus();
    say(`Running from period ${api.state().period}.`);
    requestAnimationFrame(frame);
  }

  function stopPlaying(announce = true) {
    if (!run || !run.playing) return;
    run.playing = false;
    enableRunButtons();
    if (announce) {
      $('start').focus();
      say(`Stopped at period ${api.state().period}.`);
    }
  }

  function stepButton() {
    if (!run || run.over) { if (!beginRun()) return; }
    stopPlaying(false);
    const state = stepOnce();
    draw(state);
    if (run.over) finished(state);
    else say(`Stepped to period ${state.period}.`);
    enableRunButtons();
  }

  function resetButton() {
    if (beginRun()) say('Reset to period 0.');
  }

  function enableRunButtons() {
    const playing = Boolean(run && run.playing);
    $('start').disabled = playing;
    $('stop').disabled = !playing;
    $('step').disabled = playing;
    $('start').textContent = run && run.over ? 'Start again' : (run && api.state().period > 0 ? 'Go on' : 'Start');
  }

  function changed() {
    writeAddress();
    if (beginRun()) say('Settings changed: the run starts again from period 0.');
  }

  // ------------------------------------------------------------- drawing
  function levelColours(levels) {
    // Light green to deep purple up the levels, the top one black and thick:
    // told apart by lightness as well as hue.
    const stops = [[154, 209, 75], [53, 183, 121], [31, 158, 137], [38, 130, 142], [49, 104, 142], [62, 73, 137], [72, 40, 120]];
    const out = [];
    for (let k = 0; k < levels - 1; ++k) {
      const t = levels <= 2 ? 0 : (k / (levels - 2)) * (stops.length - 1);
      const i = Math.min(Math.floor(t), stops.length - 2);
      const f = t - i;
      const c = stops[i].map((v, j) => Math.round(v + f * (stops[i + 1][j] - v)));
      out.push(`rgb(${c.join(',')})`);
    }
    out.push('#000');
    return out;
  }

  function sizedCanvas(canvas, height) {
    const ratio = window.devicePixelRatio || 1;
    const width = canvas.clientWidth || 600;
    canvas.style.height = `${height}px`;
    canvas.width = Math.round(width * ratio);
    canvas.height = Math.round(height * ratio);
    const context = canvas.getContext('2d');
    context.setTransform(ratio, 0, 0, ratio, 0, 0);
    return { context, width };
  }

  let womenPattern = null;
  function stripes(context) {
    const tile = document.createElement('canvas');
    tile.width = tile.height = 6;
    const t = tile.getContext('2d');
    t.fillStyle = colours.women;
    t.fillRect(0, 0, 6, 6);
    t.strokeStyle = colours.womenLight;
    t.lineWidth = 2;
    t.beginPath();
    for (const o of [-6, 0, 6]) { t.moveTo(o, 6); t.lineTo(o + 6, 0); }
    t.stroke();
    return context.createPattern(tile, 'repeat');
  }

  function drawOrganisation(state) {
    const canvas = $('organisation');
    const levels = state.levels.length;
    const rowHeight = levels <= 8 ? 30 : Math.max(16, Math.floor(260 / levels));
    const { context: c, width } = sizedCanvas(canvas, rowHeight * levels + 30);
    womenPattern = stripes(c);
    const narrow = width < 520;
    const labelWidth = narrow ? 62 : 96;
    const scoreWidth = narrow ? 92 : Math.min(220, Math.round(width * 0.27));
    const barLeft = labelWidth;
    const barWidth = width - labelWidth - scoreWidth - 16;
    const scoreLeft = width - scoreWidth + 6;
    const scoreRight = width - 36;
    const biggest = Math.max(...state.levels.map((l) => l.size));
    c.clearRect(0, 0, width, canvas.height);
    c.textBaseline = 'middle';
    const font = (size, bold) => `${bold ? 'bold ' : ''}${size}px "Liberation Sans", Arial, sans-serif`;
    for (let k = levels - 1; k >= 0; --k) {
      const level = state.levels[k];
      const y = (levels - 1 - k) * rowHeight;
      const middle = y + rowHeight / 2;
      const share = level.women / level.size;
      c.fillStyle = colours.ink;
      c.font = font(13, true);
      c.textAlign = 'left';
      c.fillText(narrow ? `L${k + 1}` : `Level ${k + 1}`, 2, middle - 6);
      c.font = font(11);
      c.fillStyle = colours.muted;
      c.fillText(`${level.size} places`, 2, middle + 7);
      const w = Math.max(2, (barWidth * level.size) / biggest);
      const x = barLeft + (barWidth - w) / 2;
      const menWidth = w * (1 - share);
      c.fillStyle = colours.men;
      c.fillRect(x, y + 3, menWidth, rowHeight - 6);
      c.fillStyle = womenPattern;
      c.fillRect(x + menWidth, y + 3, w - menWidth, rowHeight - 6);
      c.strokeStyle = colours.ink;
      c.lineWidth = 1;
      c.strokeRect(Math.round(x) + 0.5, Math.round(y + 3) + 0.5, Math.round(w) - 1, rowHeight - 7);
      // The share written inside the women's part where it fits, else
      // beside the bar, shortened where room is short.
      c.font = font(12, true);
      const long = `${Math.round(share * 100)}% women`;
      const short = `${Math.round(share * 100)}%`;
      const fits = (text, room) => c.measureText(text).width + 8 <= room;
      const inside = [long, short].find((text) => fits(text, w - menWidth));
      const right = barLeft + barWidth + 10 - (x + w);
      c.fillStyle = colours.ink;
      if (inside) {
        c.textAlign = 'right';
        c.fillText(inside, x + w - 4, middle);
      } else if (fits(long, right) || fits(short, right)) {
        c.textAlign = 'left';
        c.fillText(fits(long, right) ? long : short, x + w + 4, middle);
      } else {
        c.textAlign = 'right';
        c.fillText(short, x - 4, middle);
      }
      // The mean score on its 0 to 100 track.
      c.strokeStyle = '#999';
      c.beginPath();
      c.moveTo(scoreLeft, middle + 0.5);
      c.lineTo(scoreRight, middle + 0.5);
      c.stroke();
      const sx = scoreLeft + ((scoreRight - scoreLeft) * Math.max(0, Math.min(100, level.mean))) / 100;
      c.fillStyle = '#fff';
      c.strokeStyle = '#222';
      c.lineWidth = 3;
      c.beginPath();
      c.arc(sx, middle, 5, 0, 2 * Math.PI);
      c.fill();
      c.stroke();
      c.lineWidth = 1;
      c.fillStyle = colours.ink;
      c.font = font(12);
      c.textAlign = 'left';
      c.fillText(level.mean.toFixed(1), scoreRight + 6, middle);
    }
    const axisY = levels * rowHeight + 8;
    c.font = font(11);
    c.fillStyle = colours.muted;
    c.textAlign = 'center';
    for (const v of [0, 50, 100]) {
      const x = scoreLeft + ((scoreRight - scoreLeft) * v) / 100;
      c.fillRect(x, axisY - 6, 1, 4);
      c.fillText(String(v), x, axisY + 4);
    }
    c.fillText('mean score', (scoreLeft + scoreRight) / 2, axisY + 17);
    c.fillText('positions by level: men | women', barLeft + barWidth / 2, axisY + 8);

    const rows = state.levels.map((level, k) => `<tr><th scope="row">${k + 1}</th><td>${level.size}</td>
      <td>${level.women}</td><td>${Math.round((100 * level.women) / level.size)}%</td><td>${level.mean.toFixed(1)}</td></tr>`);
    $('organisation-table').tBodies[0].innerHTML = rows.reverse().join('');
  }

  const percent = (u, values) => values.map((v) => `${Math.round(v * 100)}%`);

  function chartWidth(element) {
    return Math.max(260, element.clientWidth || element.parentElement.clientWidth - 10);
  }

  // End labels: each level's number where its line stops, so that no line
  // is known by its colour alone. The level's lines are series first,
  // first + stride, ...
  function endLabels(u, first = 1, stride = 1) {
    const c = u.ctx;
    const ratio = window.devicePixelRatio || 1;
    const last = u.data[0].length - 1;
    if (last < 0) return;
    c.save();
    c.font = `bold ${11 * ratio}px "Liberation Sans", Arial, sans-serif`;
    c.textBaseline = 'middle';
    for (let s = first; s < u.series.length; s += stride) {
      const value = u.data[s][last];
      if (value == null || !u.series[s].show) continue;
      c.fillStyle = u.series[s].stroke();
      c.fillText(String((s - first) / stride + 1), u.valToPos(u.data[0][last], 'x', true) + 4 * ratio,
        u.valToPos(value, 'y', true));
    }
    c.restore();
  }

  function makeHistoryChart(levels) {
    const element = $('history');
    if (historyChart) historyChart.destroy();
    const palette = levelColours(levels);
    const series = [{ label: 'Period' }];
    for (let k = 0; k < levels; ++k) {
      const top = k === levels - 1;
      series.push({ label: top ? `Level ${k + 1} (top)` : `Level ${k + 1}`, stroke: palette[k],
        width: top ? 3.5 : 1.5, dash: top ? undefined : k % 2 ? [6, 3] : undefined, points: { show: false },
        value: (u, v) => (v == null ? '' : `${(v * 100).toFixed(1)}%`) });
    }
    historyChart = new uPlot({
      width: chartWidth(element), height: 230, series,
      scales: { x: { time: false }, y: { range: [0, 1] } },
      axes: [{ label: 'period', size: 36 }, { values: percent, size: 46, label: 'women', labelSize: 16 }],
      cursor: { drag: { x: false, y: false } },
      padding: [8, 22, 0, 0],
      hooks: { draw: [(u) => endLabels(u)] },
    }, [past.periods, ...past.shares], element);
  }

  let drawPending = false;
  function draw(state) {
    $('period').textContent = `Period ${state.period}`;
    drawOrganisation(state);
    if (!drawPending) {
      drawPending = true;
      requestAnimationFrame(() => {
        drawPending = false;
        historyChart.setData([past.periods, ...past.shares]);
      });
    }
  }

  // ------------------------------------------------------------- workers
  // Workers made from text the page already holds: from file:// a browser
  // refuses workers loaded from files.
  function workerSource() {
    const engine = $('velmora-engine');
    if (engine.src) return 'worker.js';
    const parts = ['velmora-engine', 'velmora-protocol', 'velmora-api', 'velmora-worker'].map((id) => $(id).textContent);
    return URL.createObjectURL(new Blob([parts.join('\n;\n')], { type: 'text/javascript' }));
  }

  class WorkerPool {
    constructor(size) {
      this.size = size;
      this.source = null;
      this.workers = [];
      this.nextId = 1;
    }

    // Plays every job ({factors, seed, first, count}); resolves to each
    // job's records in job order, whatever order they finish in.
    play(jobs, onProgress) {
      if (!this.source) this.source = workerSource();
      while (this.workers.length < this.size) this.workers.push(new Worker(this.source));
      return new Promise((resolve, reject) => {
        const results = new Array(jobs.length);
        let next = 0;
        let done = 0;
        let answered = 0;
        this.abort = reject;
        const give = (worker) => {
          if (next >= jobs.length) return;
          const index = next++;
          const id = this.nextId++;
          worker.onmessage = (event) => {
            const reply = event.data;
            if (reply.id !== id) return;
            if (reply.type === VelmoraMessages.error) { this.stop(); reject(new Error(reply.message)); return; }
            results[index] = reply.records;
            done += jobs[index].count;
            onProgress(done);
            if (++answered === jobs.length) resolve(results);
            else give(worker);
          };
          worker.onerror = (event) => { this.stop(); reject(new Error(event.message || 'a worker failed')); };
          worker.postMessage({ id, type: VelmoraMessages.runs, ...jobs[index] });
        };
        if (jobs.length === 0) resolve(results);
        for (const worker of this.workers) give(worker);
      });
    }

    stop() {
      for (const worker of this.workers) worker.terminate();
      this.workers = [];
      if (this.abort) this.abort(new Error('stopped'));
      this.abort = null;
    }
  }

  // Every core the browser reports, or as many workers as the address asks
  // for (?workers=N, read once: how runs are played, never what they give).
  const workersAsked = Number(new URLSearchParams(location.search).get('workers')) || 0;
  const cores = () => Math.max(1, Math.min(16, workersAsked || navigator.hardwareConcurrency || 2));

  function runJobs(settings, runs, seed) {
    const chunk = Math.max(5, Math.min(50, Math.ceil(runs / (cores() * 6))));
    const jobs = [];
    for (let first = 1; first <= runs; first += chunk) {
      jobs.push({ factors: api.factorLines(settings), seed, first, count: Math.min(chunk, runs - first + 1) });
    }
    return jobs;
  }

  // Splits the flat records of each job into one record per run, in run order.
  function runRecords(results) {
    const records = [];
    for (const flat of results) {
      for (let at = 0; at < flat.length;) {
        const length = 6 + 3 * flat[at + 5];
        records.push(flat.subarray(at, at + length));
        at += length;
      }
    }
    return records;
  }

  function checkedWhole(id, low, high) {
    const text = $(id).value.trim();
    const value = Number(text);
    if (!/^[0-9]+$/.test(text) || value < low || value > high) {
      throw new RangeError(`${$(id).labels[0].textContent.trim()} must be a whole number from ${low} to ${high}`);
    }
    return value;
  }

  async function playBatch(kind, work) {
    const status = $(`${kind}-status`);
    const progress = $(`${kind}-progress`);
    const playButton = $(kind === 'runs' ? 'play-runs' : 'play-sweep');
    const stopButton = $(`stop-${kind}`);
    if (!pool) pool = new WorkerPool(cores());
    playButton.disabled = true;
    $(kind === 'runs' ? 'play-sweep' : 'play-runs').disabled = true;
    stopButton.disabled = false;
    const started = performance.now();
    try {
      await work((done, total) => {
        progress.max = total;
        progress.value = done;
        status.textContent = `${done} of ${total} runs played`;
      });
      const seconds = (performance.now() - started) / 1000;
      status.textContent += ` in ${seconds.toFixed(1)} s.`;
      status.dataset.seconds = String(seconds);
      status.dataset.state = 'done';
    } catch (error) {
      status.dataset.state = error.message === 'stopped' ? 'stopped' : 'failed';
      status.textContent = error.message === 'stopped' ? `Stopped: ${status.textContent}.` : `Not played: ${error.message}`;
    } finally {
      playButton.disabled = false;
      $(kind === 'runs' ? 'play-sweep' : 'play-runs').disabled = false;
      stopButton.disabled = true;
      if (document.activeElement === stopButton || document.activeElement === document.body) playButton.focus();
    }
  }

  function playRuns() {
    return playBatch('runs', async (progress) => {
      const settings = currentSettings();
      api.settle(api.factorLines(settings));
      const runs = checkedWhole('runs', 10, 10000);
      const seed = api.seedOf(settings.seed);
      progress(0, runs);
      const results = await pool.play(runJobs(settings, runs, seed), (done) => progress(done, runs));
      showRuns(api.summarise(runRecords(results)), runs);
    });
  }

  function sweepValues() {
    const f = factor($('sweep-factor').value);
    const from = Number($('sweep-from').value);
    const to = Number($('sweep-to').value);
    const points = checkedWhole('sweep-points', 2, 101);
    if (!Number.isFinite(from) || !Number.isFinite(to) || $('sweep-from').value === '' || $('sweep-to').value === '') {
      throw new RangeError('the sweep needs a number at each end');
    }
    const values = [];
    for (let i = 0; i < points; ++i) {
      const v = from + ((to - from) * i) / (points - 1);
      values.push(f.kind === 'whole' ? Math.round(v) : Number(v.toPrecision(12)));
    }
    return values;
  }

  function playSweep() {
    return playBatch('sweep', async (progress) => {
      const name = $('sweep-factor').value;
      const values = sweepValues();
      const runs = checkedWhole('sweep-runs', 10, 10000);
      const base = currentSettings();
      const seed = api.seedOf(base.seed);
      // Every point's factors checked before any run starts.
      const pointSettings = values.map((value) => {
        const settings = { ...base, [name]: value };
        if (name === 'turnover') { delete settings['turnover-men']; delete settings['turnover-women']; }
        try {
          api.settle(api.factorLines(settings));
        } catch (error) {
          throw new RangeError(`at ${value}: ${error.message}`);
        }
        return settings;
      });
      const jobs = pointSettings.flatMap((settings, point) => runJobs(settings, runs, seed).map((job) => ({ ...job, point })));
      const total = runs * values.length;
      progress(0, total);
      const results = await pool.play(jobs, (done) => progress(done, total));
      const summaries = values.map((_, point) =>
        api.summarise(runRecords(results.filter((_, j) => jobs[j].point === point))));
      showSweep(factor(name), values, summaries);
    });
  }

  function stopBatch() {
    if (pool) pool.stop();
    pool = null;
  }

  function showRuns(summary, runs) {
    const element = $('runs-chart');
    if (runsChart) runsChart.destroy();
    const levels = summary.levels.map((_, k) => k + 1);
    const low = summary.levels.map((l) => l.share - l.shareHalf);
    const high = summary.levels.map((l) => l.share + l.shareHalf);
    const mean = summary.levels.map((l) => l.share);
    runsChart = new uPlot({
      width: chartWidth(element), height: 210,
      series: [{ label: 'Level' },
        { label: '95% low', stroke: colours.women, width: 1, dash: [3, 3], value: (u, v) => pct(v) },
        { label: `Mean of ${runs} runs`, stroke: colours.ink, width: 2.5, points: { size: 8, fill: colours.women },
          value: (u, v) => pct(v) },
        { label: '95% high', stroke: colours.women, width: 1, dash: [3, 3], value: (u, v) => pct(v) }],
      bands: [{ series: [3, 1], fill: 'rgba(230, 159, 0, 0.25)' }],
      scales: { x: { time: false }, y: { range: (u, min, max) => [Math.max(0, min - 0.05), Math.min(1, max + 0.05)] } },
      axes: [{ label: 'level', size: 36, incrs: [1] }, { values: percent, size: 46, label: 'women', labelSize: 16 }],
      cursor: { drag: { x: false, y: false } },
      legend: { live: false },
    }, [levels, low, mean, high], element);
    $('runs-placeholder').hidden = true;
    $('runs-table').hidden = false;
    $('runs-table').tBodies[0].innerHTML = summary.levels.map((l, k) => `<tr><th scope="row">${k + 1}</th>
      <td>${pct(l.share)}</td><td>${pct(l.share - l.shareHalf)} to ${pct(l.share + l.shareHalf)}</td></tr>`).reverse().join('');
    window.velmora.lastRuns = summary;
  }

  const pct = (v) => (v == null || Number.isNaN(v) ? '' : `${(v * 100).toFixed(1)}%`);

  function showSweep(f, values, summaries) {
    const element = $('sweep-chart');
    if (sweepChart) sweepChart.destroy();
    const levels = summaries[0].levels.length;
    const palette = levelColours(levels);
    const series = [{ label: f.label }];
    const data = [values];
    const bands = [];
    for (let k = 0; k < levels; ++k) {
      const top = k === levels - 1;
      const at = (pick) => summaries.map((s) => pick(s.levels[k]));
      series.push({ label: `L${k + 1} low`, stroke: 'transparent', width: 0, points: { show: false } },
        { label: top ? `Level ${k + 1} (top)` : `Level ${k + 1}`, stroke: palette[k], width: top ? 3.5 : 1.5,
          value: (u, v) => pct(v), points: { size: 4 } },
        { label: `L${k + 1} high`, stroke: 'transparent', width: 0, points: { show: false } });
      data.push(at((l) => l.share - l.shareHalf), at((l) => l.share), at((l) => l.share + l.shareHalf));
      const colour = palette[k].startsWith('rgb(') ? palette[k].replace('rgb(', 'rgba(').replace(')', ',0.3)') : 'rgba(0,0,0,0.2)';
      bands.push({ series: [3 * k + 3, 3 * k + 1], fill: colour });
    }
    sweepChart = new uPlot({
      width: chartWidth(element), height: 260, series, bands, legend: { live: false },
      scales: { x: { time: false }, y: { range: [0, 1] } },
      axes: [{ label: f.label, size: 40 }, { values: percent, size: 46, label: 'women', labelSize: 16 }],
      cursor: { drag: { x: false, y: false } },
      padding: [8, 22, 0, 0],
      hooks: { draw: [(u) => endLabels(u, 2, 3)] },
    }, data, element);
    $('sweep-placeholder').hidden = true;
    // Only the means in the legend: the bands' edges are drawn, not named.
    const rows = [...element.querySelectorAll('.u-legend .u-series')];
    const first = series.length - rows.length; // the x series has a row only when the legend is live
    rows.forEach((row, i) => {
      if ((i + first) % 3 !== 2) row.style.display = 'none';
    });
    window.velmora.lastSweep = { factor: f.name, values, summaries };
  }

  // ------------------------------------------------------------- keeping
  function download(name, blob) {
    const link = document.createElement('a');
    link.href = URL.createObjectURL(blob);
    link.download = name;
    document.body.append(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(link.href), 1000);
  }

  // The charts drawn so far, one under another, with their titles.
  function chartsPicture() {
    const parts = [[`The organisation at period ${api.state().period}: men blue and plain, women orange and striped,`
      + ' the mean score on a 0 to 100 scale', $('organisation')]];
    parts.push(['Share of women at each level, period by period', historyChart.ctx.canvas]);
    if (runsChart) parts.push(['Share of women at the end of many runs, with 95% intervals', runsChart.ctx.canvas]);
    if (sweepChart) parts.push([`Share of women against ${$('sweep-factor').selectedOptions[0].text}, with 95% bands`, sweepChart.ctx.canvas]);
    const ratio = window.devicePixelRatio || 1;
    const title = 28 * ratio;
    const width = Math.max(...parts.map(([, c]) => c.width)) + 20 * ratio;
    const height = parts.reduce((h, [, c]) => h + c.height + title, 0) + 40 * ratio;
    const picture = document.createElement('canvas');
    picture.width = width;
    picture.height = height;
    const c = picture.getContext('2d');
    c.fillStyle = '#fff';
    c.fillRect(0, 0, width, height);
    c.fillStyle = colours.ink;
    c.font = `bold ${15 * ratio}px "Liberation Sans", Arial, sans-serif`;
    c.fillText(`Velmora ${api.version}: ${decodeURIComponent(location.search.slice(1)).replace(/&/g, ' ')}`,
      10 * ratio, 22 * ratio);
    let y = 40 * ratio;
    for (const [text, canvas] of parts) {
      c.font = `${13 * ratio}px "Liberation Sans", Arial, sans-serif`;
      c.fillText(text, 10 * ratio, y + 18 * ratio);
      c.drawImage(canvas, 10 * ratio, y + title);
      y += canvas.height + title;
    }
    return picture;
  }

  async function copyLink() {
    const link = writeAddress();
    try {
      await navigator.clipboard.writeText(link);
      $('link-help').textContent = 'Link copied. It carries every setting and the seed.';
    } catch (error) {
      $('link-help').textContent = `Link: ${link}`;
    }
  }

  // ------------------------------------------------------------- wiring
  function wire() {
    $('start').addEventListener('click', start);
    $('stop').addEventListener('click', () => stopPlaying());
    $('step').addEventListener('click', stepButton);
    $('reset').addEventListener('click', resetButton);
    $('speed').addEventListener('input', showSpeed);
    $('new-seed').addEventListener('click', () => { $('seed').value = String(newSeed()); changed(); });
    $('settings').addEventListener('change', (event) => {
      if (event.target.name === 'form') $('levels-field').hidden = formChoice() !== 'custom';
      if (event.target.id !== 'bias-slider') changed();
    });
    $('settings').addEventListener('submit', (event) => event.preventDefault());
    $('seed').addEventListener('change', changed);
    for (const id of ['runs', 'sweep-runs', 'sweep-from', 'sweep-to', 'sweep-points']) {
      $(id).addEventListener('change', writeAddress);
    }
    $('sweep-factor').addEventListener('change', () => {
      const f = factor($('sweep-factor').value);
      const [from, to] = sweepRanges[f.name] || [f.lowOpen ? (f.high - f.low) / 20 : f.low, f.high];
      $('sweep-from').value = from;
      $('sweep-to').value = to;
      writeAddress();
    });
    $('play-runs').addEventListener('click', playRuns);
    $('play-sweep').addEventListener('click', playSweep);
    $('stop-runs').addEventListener('click', stopBatch);
    $('stop-sweep').addEventListener('click', stopBatch);
    $('copy-link').addEventListener('click', copyLink);
    $('download-trace').addEventListener('click', () =>
      download(`velmora-seed-${run ? run.seed : 'none'}.csv`, new Blob([api.traceSoFar()], { type: 'text/csv' })));
    $('download-png').addEventListener('click', () =>
      chartsPicture().toBlob((blob) => download('velmora-charts.png', blob)));
    document.addEventListener('keydown', (event) => {
      if (event.ctrlKey || event.altKey || event.metaKey) return;
      const target = event.target;
      if (target.matches('input[type="text"], input[type="number"], select, textarea')) return;
      const key = event.key.toLowerCase();
      if (key === 's') { if (run && run.playing) stopPlaying(); else start(); event.preventDefault(); }
      if (key === 'n') { stepButton(); event.preventDefault(); }
      if (key === 'r') { resetButton(); event.preventDefault(); }
    });
    let width = window.innerWidth;
    window.addEventListener('resize', () => {
      if (window.innerWidth === width) return;
      width = window.innerWidth;
      for (const [chart, element] of [[historyChart, 'history'], [runsChart, 'runs-chart'], [sweepChart, 'sweep-chart']]) {
        if (chart) chart.setSize({ width: chartWidth($(element)), height: chart.height });
      }
      if (run) drawOrganisation(api.state());
    });
  }

  function showSpeed() {
    const speed = periodsPerSecond();
    $('speed-text').textContent = speed === Infinity ? 'as fast as the page can draw'
      : `${speed} period${speed === 1 ? '' : 's'} a second`;
  }

  VelmoraEngine().then((engine) => {
    api = VelmoraApi.create(engine);
    table = api.factors();
    $('version').textContent = api.version;
    $('cores').textContent = String(cores());
    buildControls();
    readAddress();
    wire();
    showSpeed();
    writeAddress();
    // A refused factor in the address says so instead.
    if (beginRun()) say('Ready at period 0. Press Start.');
    document.body.dataset.ready = 'true';
    performance.mark('velmora-ready');
    resolveReady(window.velmora);
  });
})();
