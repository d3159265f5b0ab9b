// Writes the page twice: velmora.html, one file with every script, style
// and the WebAssembly inside (opens from a double click, offline), and the
// folder velmora/ with the same as separate files, for a web host.
//   node assemble.js OUT_DIR ENGINE_SINGLE.js ENGINE.js ENGINE.wasm UPLOT_DIST_DIR
'use strict';
const fs = require('node:fs');
const path = require('node:path');

const [outDir, engineSingle, engineSplit, engineWasm, uplotDir] = process.argv.slice(2);
const page = path.join(__dirname, '..', 'page');
const read = (file) => fs.readFileSync(file, 'utf8');
const pageFile = (name) => read(path.join(page, name));

// Scripts of the page in the order they run; the worker's text is only held.
const scripts = [
  { id: 'velmora-engine', file: 'velmora-engine.js', single: read(engineSingle), split: read(engineSplit) },
  { id: 'velmora-protocol', file: 'protocol.js', single: pageFile('protocol.js') },
  { id: 'velmora-api', file: 'engine-api.js', single: pageFile('engine-api.js') },
  { id: 'velmora-worker', file: 'worker.js', single: pageFile('worker.js'), held: true },
  { file: 'uPlot.iife.min.js', single: read(path.join(uplotDir, 'uPlot.iife.min.js')) },
  { file: 'app.js', single: pageFile('app.js') },
];
const styles = [
  { file: 'uPlot.min.css', text: read(path.join(uplotDir, 'uPlot.min.css')) },
  { file: 'style.css', text: pageFile('style.css') },
];

const template = pageFile('index.html');
const fill = (styleText, scriptText) => template.replace('<!-- velmora:styles -->', () => styleText)
  .replace('<!-- velmora:scripts -->', () => scriptText);
const attributes = (s) => `${s.id ? ` id="${s.id}"` : ''}${s.held ? ' type="text/plain"' : ''}`;

for (const s of scripts) {
  if (/<\/script|<!--/i.test(s.single)) throw new Error(`${s.file} cannot be inlined: it holds "</script" or "<!--"`);
}
const single = fill(
  `<style>\n${styles.map((s) => s.text).join('\n')}\n</style>`,
  scripts.map((s) => `<script${attributes(s)}>\n${s.single}\n</script>`).join('\n'));
fs.mkdirSync(outDir, { recursive: true });
fs.writeFileSync(path.join(outDir, 'velmora.html'), single);

const folder = path.join(outDir, 'velmora');
fs.rmSync(folder, { recursive: true, force: true });
fs.mkdirSync(folder);
for (const s of styles) fs.writeFileSync(path.join(folder, s.file), s.text);
for (const s of scripts) fs.writeFileSync(path.join(folder, s.file), s.split ?? s.single);
fs.copyFileSync(engineWasm, path.join(folder, path.basename(engineWasm)));
fs.writeFileSync(path.join(folder, 'index.html'), fill(
  styles.map((s) => `<link rel="stylesheet" href="${s.file}">`).join('\n'),
  scripts.map((s) => `<script${attributes(s)} src="${s.file}"></script>`).join('\n')));
