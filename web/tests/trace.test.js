// The engine's traces under node against the command line's, byte for byte,
// and its refusals of bad factors as the command line words them.
//   node trace.test.js path/to/velmora-engine-single.js path/to/velmora-batch
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const { execFileSync, spawnSync } = require('node:child_process');
const { VelmoraApi } = require('../page/engine-api.js');

const [enginePath, batch] = process.argv.slice(2);
const VelmoraEngine = require(enginePath);

const arguments_ = (settings) => Object.entries(settings).filter(([name]) => name !== 'seed')
  .map(([name, value]) => `--${name}=${Array.isArray(value) ? value.join(',') : value}`);
const commandLine = (settings) => execFileSync(batch,
  ['--runs', '1', '--seed', String(settings.seed), ...arguments_(settings), '--trace', '-'],
  { stdio: ['ignore', 'pipe', 'ignore'], maxBuffer: 1 << 26 }).toString();

const sameTraces = [
  ['defaults', { seed: 4242 }],
  ['rectangle, bias 1 as text', { seed: 7, form: 'rectangle', bias: '1' }],
  ['custom levels, last seed', { seed: 4294967295, 'bias-points': 3, levels: '40,30,20,10' }],
  ['levels as a list of numbers', { seed: '12', levels: [100, 50, 25] }],
  ['turnover by sex and performance, outside hires',
    { seed: 1, 'turnover-women': 0.2, 'turnover-slope': 1.5, 'external-hires': 0.3, 'women-hired': 0.4 }],
  ['spread, end of bias, initial shares by level',
    { seed: 99, 'score-sd-women': 12, 'bias-ends': 10, 'women-initial': '0.6,0.5,0.4,0.3,0.2,0.2,0.1,0.1' }],
  ['exactly N periods', { seed: 5, periods: 30, 'bias-points': 0 }],
  ['cut off', { seed: 6, 'max-periods': 12, turnover: 0.05 }],
];

const badFactors = [
  ['unknown factor', { seed: 1, colour: 'red' }, /no factor 'colour'/],
  ['value out of range', { seed: 1, 'bias-points': 2000 }, /^Bias in score points must be a number from -1000 to 1000, got '2000'$/, 'bias-points'],
  ['shares per level that do not fit', { seed: 1, levels: '3,2', 'women-initial': '0.5,0.5,0.5' },
    /^Women at the start needs one share, or one for each of the 2 levels/, 'women-initial'],
  ['seed out of range', { seed: 4294967296 }, /seed must be a whole number/],
  ['a line break in a value', { seed: 1, form: 'pyramid\nbias=1' }, /line break/],
];

test('the engine under node', async (t) => {
  const api = VelmoraApi.create(await VelmoraEngine());
  assert.match(api.version, /^\d+\.\d+\.\d+$/);
  assert.strictEqual(api.version, execFileSync(batch, ['--version']).toString().match(/\d+\.\d+\.\d+/)[0]);

  for (const [name, settings] of sameTraces) {
    await t.test(`same trace: ${name}`, () => {
      assert.strictEqual(api.trace(settings), commandLine(settings));
    });
  }
  // In the page's words, naming the field at fault.
  for (const [name, settings, message, factor] of badFactors) {
    await t.test(`refused: ${name}`, () => {
      assert.throws(() => api.trace(settings), (error) => message.test(error.message) && error.factor === factor);
      const cli = spawnSync(batch, ['--runs', '1', '--seed', String(settings.seed), ...arguments_(settings)]);
      assert.notStrictEqual(cli.status, 0, 'the command line refuses it too');
    });
  }

  await t.test('a run stepped period by period gives the whole run\'s trace', () => {
    const settings = { seed: 31, form: 'rectangle', 'bias-points': 2.01 };
    api.begin(settings);
    let periods = 0;
    while (api.step()) ++periods;
    const state = api.state();
    assert.strictEqual(state.period, periods + 1);
    assert.strictEqual(state.levels.length, 8);
    assert.strictEqual(api.traceSoFar(), api.trace(settings));
  });

  await t.test('whole runs summarised as the command line summarises them', () => {
    const settings = { seed: 20, 'women-hired': 0.45 };
    api.settle(api.factorLines(settings));
    const records = [];
    for (let run = 1; run <= 30; ++run) records.push(api.play(20, run));
    const summary = api.summarise(records);
    const csv = execFileSync(batch, ['--runs', '30', '--seed', '20', '--women-hired', '0.45',
      '--format', 'csv', '--quiet']).toString();
    const rows = csv.trim().split('\n').map((line) => line.split(','));
    const column = (name) => rows[0].indexOf(name);
    assert.strictEqual(summary.runs, 30);
    for (let k = 1; k <= 8; ++k) {
      const row = rows.find((r) => r[column('level')] === String(k));
      assert.ok(row, `level ${k} in the summary:\n${csv}`);
      const { share, shareHalf } = summary.levels[k - 1];
      assert.strictEqual(String(share), row[column('women_mean')]);
      assert.strictEqual(String(share - shareHalf), row[column('women_ci95_low')]);
      assert.strictEqual(String(share + shareHalf), row[column('women_ci95_high')]);
    }
  });
});
