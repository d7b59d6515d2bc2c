// End-to-end run of the web build in the system's headless Chromium, driven
// through playwright-core as a person would use the page: keys, mouse strokes,
// the file chooser, the page's dialogs and downloads. Saved maps are compared
// byte for byte with what e2e_expect makes of the same strokes through the
// core library; cells on screen with the atlas tiles the expected map names.
//
//   node run.js --web build/web --art build/web-build --expect build/release/e2e_expect --work DIR [--figures]
//
// Serves the page's folder (--web) with Python's http.server on 127.0.0.1, and
// ends the server and the browser it started however the run ends. The atlas
// the cells are compared with is tex1.bmp in the web build's folder (--art):
// the page embeds it and does not carry it as a file.
'use strict';

const { chromium } = require('playwright-core');
const { spawn, execFileSync } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');

const CELL = 32;              // pixels per cell at zoom 1
const STRIP = 16;             // the status line's rows at the canvas's bottom (Tab; on at start)
const TILE_TOLERANCE = 4;     // mean absolute difference per channel, 0..255
const E2E = path.resolve(__dirname, '..');

function args() {
  const out = { web: 'build/web', art: 'build/web-build', expect: 'build/release/e2e_expect',
    work: 'build/e2e-artifacts/web', figures: false };
  const a = process.argv.slice(2);
  for (let i = 0; i < a.length; i++) {
    if (a[i] === '--figures') out.figures = true;
    else if (['--web', '--art', '--expect', '--work'].includes(a[i]) && i + 1 < a.length) out[a[i].slice(2)] = a[++i];
    else throw new Failure(`unknown argument ${a[i]}`);
  }
  // Absolute, so no path handed on (to http.server, e2e_expect) can be read
  // as an option, whatever folder the clone is in.
  for (const k of ['web', 'art', 'expect', 'work']) out[k] = path.resolve(out[k]);
  return out;
}

function log(...parts) { console.log('web:', ...parts); }
class Failure extends Error {}
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// ---- processes ------------------------------------------------------------

function serve(dir) {
  return new Promise((resolve, reject) => {
    const server = spawn('python3', ['-u', '-m', 'http.server', '0', '--bind', '127.0.0.1', `--directory=${dir}`],
      { stdio: ['ignore', 'pipe', 'ignore'] });
    let text = '';
    server.stdout.on('data', (d) => {
      text += d;
      const m = /port (\d+)/.exec(text);
      if (m) resolve({ server, url: `http://127.0.0.1:${m[1]}/index.html` });
    });
    server.on('exit', (code) => reject(new Failure(`http.server ended (${code}) before serving`)));
  });
}

async function launch(profile, scale = 1) {
  return chromium.launchPersistentContext(profile, {
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: ['--headless=new', '--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--no-sandbox',
      '--disable-background-networking', '--disable-component-update', '--disable-sync', '--no-first-run',
      '--disable-quic'],
    viewport: { width: 800 / scale, height: 600 / scale },
    deviceScaleFactor: scale,
    acceptDownloads: true,
  });
}

// ---- the page as a person sees it -----------------------------------------

class Editor {
  constructor(page, work) {
    this.page = page;
    this.work = work;
    this.errors = [];
    this.choosers = [];
    this.client = [800, 600];  // the canvas in device pixels
    page.on('filechooser', (c) => this.choosers.push(c));
    page.on('pageerror', (e) => this.errors.push(e.message));
    page.on('console', (m) => { if (process.env.VORN_WEB_VERBOSE) log('console:', m.text()); if (m.type() === 'error') this.errors.push(m.text()); });
  }

  async frames() { return this.page.evaluate(() => vornPage.stats.frames); }

  // Waits until `n` more frames are drawn: input queued before is then handled.
  async settle(n = 3) {
    const start = await this.frames();
    await this.page.waitForFunction((s) => vornPage.stats.frames >= s, start + n, { timeout: 10000 });
  }

  async key(...keys) {
    for (const k of keys) await this.page.keyboard.press(k);
    await this.settle();
  }

  // Moves to the first point with the button up, presses it, visits the
  // others, releases. Each visited point is one mouse move for the editor.
  async drag(points, button = 'left') {
    const m = this.page.mouse;
    await m.move(points[0][0], points[0][1]);
    await m.down({ button });
    for (const [x, y] of points.slice(1)) await m.move(x, y);
    await m.up({ button });
    await this.settle();
  }

  async box() {
    const dialog = this.page.locator('dialog.messageBox[open]');
    await dialog.waitFor({ timeout: 10000 });
    return {
      title: await dialog.locator('h2').textContent(),
      text: await dialog.locator('p').textContent(),
      buttons: await dialog.locator('button').allTextContents(),
    };
  }

  async answer(label) {
    await this.page.locator('dialog.messageBox[open] button', { hasText: label }).click();
    await this.page.locator('dialog.messageBox').waitFor({ state: 'detached' });
    await this.settle();
  }

  // The file chooser is intercepted from the start (see constructor), so a
  // chooser opened before a listener was ready is not lost. Returns when the
  // editor has drawn again, or has shown a box (no frame comes while one is
  // open; the caller answers it).
  async choose(key, file) {
    if (key) await this.page.keyboard.press(key);
    const deadline = Date.now() + 20000;
    while (!this.choosers.length) {
      if (Date.now() > deadline) throw new Failure(`${key}: no file chooser opened`);
      await sleep(20);
    }
    // The editor draws no frame until the chooser's file is read and handled.
    const start = await this.frames();
    await this.choosers.shift().setFiles(file);
    await this.page.waitForFunction((s) => vornPage.stats.frames >= s + 4 || document.querySelector('dialog.messageBox[open]'),
      start, { timeout: 20000 });
  }

  // The page's save dialog: checks the offered name, types `name` (or
  // cancels with null); returns the downloaded file's path. `ends`: the
  // editor ends after this save, so no frame follows.
  async save(name, offered, ends = false) {
    const dialog = this.page.locator('dialog.saveDialog[open]');
    await dialog.waitFor({ timeout: 10000 });
    const input = dialog.locator('input');
    const shown = await input.inputValue();
    if (offered !== undefined && shown !== offered) throw new Failure(`save dialog offered "${shown}", expected "${offered}"`);
    if (name === null) {
      await dialog.locator('button', { hasText: 'Cancel' }).click();
      await this.settle();
      return null;
    }
    await input.fill(name);
    const [download] = await Promise.all([this.page.waitForEvent('download'), input.press('Enter')]);
    if (download.suggestedFilename() !== name) throw new Failure(`download named "${download.suggestedFilename()}", expected "${name}"`);
    const target = path.join(this.work, 'got-' + name);
    await download.saveAs(target);
    if (!ends) await this.settle();
    return target;
  }

  async unsaved() { return this.page.evaluate(() => Module._vorn_web_unsaved_changes()); }

  // Ctrl+S with nothing changed since the last download: no new download.
  async quickSaveNothing(what) {
    let downloaded = null;
    const listen = (d) => { downloaded = d.suggestedFilename(); };
    this.page.on('download', listen);
    await this.page.keyboard.press('Control+s');
    await this.settle(6);
    await sleep(500);
    this.page.off('download', listen);
    if (downloaded !== null) throw new Failure(`${what}: Ctrl+S downloaded "${downloaded}"`);
    if (await this.page.locator('dialog[open]').count()) throw new Failure(`${what}: Ctrl+S opened a dialog`);
    log(`${what}: no download`);
  }

  // O (or another open key) with `file`; a box the editor shows about the
  // file (a refusal, or a question whether to open it anyway) is answered
  // No, or OK when it has no No. Returns the box's text, or null.
  async openAnswering(key, file) {
    await this.choose(key, file);
    return this.answerAnyBox();
  }

  // Answers a box the editor shows about a file: No, or OK when it has no No.
  async answerAnyBox() {
    const box = this.page.locator('dialog.messageBox[open]');
    if (!await box.count()) return null;
    const text = await box.locator('p').textContent();
    const no = box.locator('button', { hasText: 'No' });
    await (await no.count() ? no : box.locator('button', { hasText: 'OK' })).click();
    await this.page.locator('dialog.messageBox').waitFor({ state: 'detached' });
    await this.settle();
    return text;
  }

  // The page's title follows the editor's window title within a frame or two.
  async title(expected, what) {
    try {
      await this.page.waitForFunction((t) => document.title === t, expected, { timeout: 5000 });
    } catch (e) {
      throw new Failure(`${what}: page title "${await this.page.title()}", expected "${expected}"`);
    }
  }

  // Ctrl+S with a current file: downloaded under that file's name, no dialog.
  async quickSave(name) {
    const [download] = await Promise.all([this.page.waitForEvent('download', { timeout: 10000 }),
      this.page.keyboard.press('Control+s')]);
    if (download.suggestedFilename() !== name) throw new Failure(`Ctrl+S downloaded "${download.suggestedFilename()}", expected "${name}"`);
    if (await this.page.locator('dialog[open]').count()) throw new Failure('Ctrl+S with a current file opened a dialog');
    const target = path.join(this.work, 'got-quick-' + name);
    await download.saveAs(target);
    await this.settle();
    return target;
  }

  // Drops `file` on the canvas as the browser would from the desktop.
  async drop(file) {
    await this.page.evaluate(({ name, b64 }) => {
      const bytes = Uint8Array.from(atob(b64), (c) => c.charCodeAt(0));
      const data = new DataTransfer();
      data.items.add(new File([bytes], name));
      document.getElementById('canvas').dispatchEvent(new DragEvent('drop', { dataTransfer: data, bubbles: true, cancelable: true }));
    }, { name: path.basename(file), b64: fs.readFileSync(file).toString('base64') });
    await this.settle(4);
  }

  // Reloads; true when the browser asked "leave page?" (which is dismissed,
  // keeping the editor), false when the page simply reloaded.
  async reloadAsks() {
    const asked = new Promise((resolve) => this.page.once('dialog', async (d) => { resolve(d.type()); await d.dismiss(); }));
    const reloaded = this.page.waitForEvent('load', { timeout: 20000 }).then(() => 'load', () => 'neither');
    await this.page.evaluate(() => { setTimeout(() => location.reload(), 0); });
    const outcome = await Promise.race([asked, reloaded]);
    if (outcome === 'load') {
      await this.page.waitForFunction(() => vornPage.stats.frames > 0, null, { timeout: 60000 });
      return false;
    }
    if (outcome !== 'beforeunload') throw new Failure(`reload asked: ${outcome}`);
    await this.settle();
    return true;
  }

  // Compares the listed cells on screen with the atlas tiles `expected`
  // (4096 bytes, row by row) names; fails naming the first wrong ones.
  async checkCells(atlas, expected, cells, what) {
    await this.settle();
    const shot = await this.page.screenshot();
    const bad = await this.page.evaluate(compareCells, {
      shot: shot.toString('base64'), atlas: atlas.toString('base64'), expected: Array.from(expected), cells,
      cell: CELL, tolerance: TILE_TOLERANCE, client: this.client,
    });
    if (bad.length) {
      const file = path.join(this.work, what.replace(/\W+/g, '-') + '.png');
      fs.writeFileSync(file, shot);
      throw new Failure(`${what}: ${bad.length} of ${cells.length} cells wrong, e.g.\n  ${bad.slice(0, 6).join('\n  ')}\nscreenshot ${file}`);
    }
    log(`${what}: ${cells.length} cells match`);
  }

  async cellDiffs(atlas, expected, cells) {
    await this.settle();
    const shot = await this.page.screenshot();
    return this.page.evaluate(compareCells, {
      shot: shot.toString('base64'), atlas: atlas.toString('base64'), expected: Array.from(expected), cells,
      cell: CELL, tolerance: -1, client: this.client,
    });
  }
}

// Runs in the page: decodes the screenshot (PNG) and the atlas (BMP) with the
// browser's own decoders and compares cell by cell. The map's top-left corner
// sits at the client centre at zoom 1 and pan 0. With tolerance -1 returns
// every cell's difference instead of the failures.
async function compareCells({ shot, atlas, expected, cells, cell, tolerance, client }) {
  async function pixels(b64, type) {
    const bytes = Uint8Array.from(atob(b64), (c) => c.charCodeAt(0));
    const bitmap = await createImageBitmap(new Blob([bytes], { type }));
    const canvas = new OffscreenCanvas(bitmap.width, bitmap.height);
    const ctx = canvas.getContext('2d');
    ctx.drawImage(bitmap, 0, 0);
    return { w: bitmap.width, data: ctx.getImageData(0, 0, bitmap.width, bitmap.height).data };
  }
  const screen = await pixels(shot, 'image/png');
  const tiles = await pixels(atlas, 'image/bmp');
  const ox = Math.floor((client[0] + 1) / 2), oy = Math.floor((client[1] + 1) / 2);
  function diff(sx, sy, tile) {
    const tx = (tile % 16) * cell, ty = Math.floor(tile / 16) * cell;
    let sum = 0;
    for (let y = 0; y < cell; y++)
      for (let x = 0; x < cell; x++) {
        const a = 4 * ((sy + y) * screen.w + sx + x), b = 4 * ((ty + y) * tiles.w + tx + x);
        for (let c = 0; c < 3; c++) sum += Math.abs(screen.data[a + c] - tiles.data[b + c]);
      }
    return sum / (cell * cell * 3);
  }
  const out = [];
  for (const [x, y] of cells) {
    const tile = expected[y * 64 + x];
    const d = diff(ox + cell * x, oy + cell * y, tile);
    if (tolerance < 0) out.push(d);
    else if (d > tolerance) out.push(`cell (${x},${y}): expected tile ${tile}, difference ${d.toFixed(1)}`);
  }
  return out;
}

// ---- the expected maps ----------------------------------------------------

function expect(opts, lines, name) {
  const script = path.join(opts.work, name + '.script');
  const want = path.join(opts.work, name + '.want');
  fs.writeFileSync(script, lines.concat(['save ' + want]).join('\n') + '\n');
  try {
    execFileSync(opts.expect, [script], { stdio: ['ignore', 'ignore', 'pipe'] });
  } catch (e) {
    throw new Failure(`e2e_expect ${script} failed: ${e.stderr}`);
  }
  return fs.readFileSync(want);
}

function sameBytes(gotPath, want, what) {
  const got = fs.readFileSync(gotPath);
  if (Buffer.compare(got, want) !== 0) {
    let first = -1;
    for (let i = 0; i < Math.min(got.length, want.length); i++) if (got[i] !== want[i]) { first = i; break; }
    throw new Failure(`${what}: ${gotPath} has ${got.length} bytes, expected ${want.length}; first difference at ${first}`);
  }
  log(`${what}: ${got.length} bytes as expected`);
}

// Client pixel of lattice point (px, py) at zoom 1 and pan 0.
const lattice = (px, py) => [400 + 16 * px, 300 + 16 * py];

async function stroke(ed, script, points) {
  const client = points.map(([px, py]) => lattice(px, py));
  await ed.drag(client);
  for (const [x, y] of client.slice(1)) script.push(`drag ${x} ${y}`);
}

function pythonFiles(work) {
  const grey = path.join(work, 'heights.bmp');
  const mission = path.join(work, 'objects.mis');
  // The paths go in as arguments, never into the program's text.
  const out = execFileSync('python3', ['-c', [
    'import json, sys, files',
    'files.write_grey_bitmap(sys.argv[1])',
    'cells = files.write_mission(sys.argv[2])',
    'print(json.dumps({"cells": cells, "basin": files.BASIN_POINT}))'].join('\n'), grey, mission],
    { env: { ...process.env, PYTHONPATH: E2E }, encoding: 'utf8' });
  return { grey, mission, ...JSON.parse(out) };
}

// ---- the session ------------------------------------------------------------

async function session(opts, context, url) {
  const page = context.pages()[0] || await context.newPage();
  const ed = new Editor(page, opts.work);
  const atlas = fs.readFileSync(path.join(opts.art, 'tex1.bmp'));
  const input = pythonFiles(opts.work);
  await page.goto(url);
  await page.waitForFunction(() => vornPage.stats.frames > 0, null, { timeout: 60000 });
  const size = await page.evaluate(() => [document.getElementById('canvas').width, document.getElementById('canvas').height]);
  if (size[0] !== 800 || size[1] !== 600) throw new Failure(`client area ${size}, expected 800x600`);
  await ed.title('VornGroundEditor - view, kind 0 (sand), brush 1', 'first frame');
  const help = await page.locator('#help').textContent();
  const missing = ['Ctrl+Z', 'Ctrl+Y', 'Ctrl+S', 'F1'].filter((k) => !help.includes(k));
  if (missing.length) throw new Failure('help line lacks ' + missing.join(', '));
  // Nothing goes to the network once the page has loaded (downloads are
  // blob: addresses), until Start again reloads it.
  const requests = [];
  let counting = true;
  page.on('request', (r) => { if (counting && !/^(blob|data):/.test(r.url())) requests.push(r.url()); });
  await page.click('#hideHelp');
  const cells = [];
  for (let y = 0; 300 + CELL * (y + 1) <= 600 - STRIP; y++) for (let x = 0; 400 + CELL * (x + 1) <= 800; x++) cells.push([x, y]);
  const plain = Buffer.alloc(4096, 176);
  await ed.checkCells(atlas, plain, cells, 'first frame shows a cleared map');

  const script = ['client 800 600'];
  await ed.choose('g', input.grey);
  script.push('grey ' + input.grey, 'edge 1.0');

  await ed.key('e', '1');
  script.push('kind 1');
  await stroke(ed, script, [[0, 2], ...Array.from({ length: 10 }, (_, i) => [i + 1, 2])]);
  await ed.key('w', 'w', '2');
  script.push('brush 3', 'kind 2');
  await stroke(ed, script, [[1, 6], ...Array.from({ length: 11 }, (_, i) => [i + 2, 6])]);
  await ed.key('q', 'q', '4');
  script.push('brush 1', 'kind 4');
  await stroke(ed, script, [[2, 14], ...Array.from({ length: 12 }, (_, i) => [i + 3, 14]), [14, 15], [14, 16]]);
  await ed.key('e');
  const painted = expect(opts, script, 'painted');
  await ed.checkCells(atlas, painted, cells, 'painted strokes');
  // The status line's text is on the page for screen readers: point (5, 2)
  // lies on the kind 1 stroke and in the bitmap's patch of greys (111 there).
  await page.mouse.move(...lattice(5, 2));
  await ed.settle();
  const status = `point 5,2  cell 2,1  tile ${painted[1 * 64 + 2]}  kind 1 (grass)  height 0.44  zoom 100%`;
  const roleStatus = () => page.evaluate(() => document.querySelector('[role="status"]').textContent);
  if (await roleStatus() !== status) throw new Failure(`role="status" reads "${await roleStatus()}", expected "${status}"`);
  await ed.key('Tab');
  if (await roleStatus() !== '') throw new Failure(`Tab: role="status" still reads "${await roleStatus()}"`);
  await ed.key('Tab');
  if (await roleStatus() !== status) throw new Failure(`Tab again: role="status" reads "${await roleStatus()}"`);
  log(`role="status": "${status}", emptied and back with Tab`);
  // With symmetry on (V), the points unlike their image, as e2e_expect counts
  // them for the same strokes, come before the zoom; Ctrl+M from the left
  // half makes that 0, Ctrl+Z brings it back, V four times more turns it off.
  const unlikeFile = path.join(opts.work, 'unlike.txt');
  expect(opts, script.concat(['symmetry 1', `unlike ${unlikeFile}`]), 'unlike');
  const unlike = fs.readFileSync(unlikeFile, 'utf8').trim();
  const counted = status.replace('  zoom', `  unlike their image: ${unlike}  zoom`);
  const steps = [['v', counted], ['Control+m', 'unlike their image: 0  zoom 100%'], ['Control+z', counted],
    ['v', 'zoom 100%'], ['v', 'zoom 100%'], ['v', 'zoom 100%'], ['v', status]];
  for (const [key, want] of steps) {
    await ed.key(key);
    const got = await roleStatus();
    if (!got.endsWith(want)) throw new Failure(`${key}: role="status" reads "${got}", expected it to end "${want}"`);
  }
  if (unlike === '0') throw new Failure('the strokes left nothing unlike its left-right image: no count to see');
  log(`role="status" with V: "${counted}"; 0 after Ctrl+M, back after Ctrl+Z`);

  // Reloading with unsaved changes: the browser's own "leave page?"; staying keeps the editor.
  if (!await ed.reloadAsks()) throw new Failure('reload with unsaved changes did not ask');
  log('reload with unsaved changes: the browser asked, the editor stayed');

  // Height fill: F, the mouse into the basin, I, a click commits.
  await ed.key('2');
  script.push('kind 2');
  const [bx, by] = lattice(...input.basin);
  await ed.key('f');
  await page.mouse.move(bx - 5, by);
  await page.mouse.move(bx, by);
  await ed.settle();
  await ed.key('i');
  await page.mouse.click(bx, by);
  await ed.settle();
  script.push(`fill ${bx} ${by} 1`);
  await page.mouse.move(795, 5);
  const filled = expect(opts, script, 'filled');
  if (Buffer.compare(filled, painted) === 0) throw new Failure('the fill changed nothing through the core library');
  await ed.checkCells(atlas, filled, cells, 'committed height fill');

  // S: the page asks for a name and the map arrives as a download.
  if (await ed.unsaved() !== 1) throw new Failure('painted map not reported as unsaved');
  await page.keyboard.press('s');
  const first = await ed.save('painted.map', '');
  sameBytes(first, filled, 'S by download');
  if (await ed.unsaved() !== 0) throw new Failure('saved map still reported as unsaved');
  await ed.title('VornGroundEditor - painted.map - view, kind 2 (rock), brush 1', 'after S');

  // C: a box with the desktop's words; input meanwhile is dropped.
  await page.keyboard.press('c');
  const clear = await ed.box();
  if (clear.title !== 'VornGroundEditor' || clear.text !== 'Do you really want to clear map?' ||
      clear.buttons.join('|') !== 'Yes|No') throw new Failure('clear box: ' + JSON.stringify(clear));
  for (const k of ['4', 'w', 'e', 'r']) await page.keyboard.press(k);
  await page.mouse.move(...lattice(3, 3));
  await page.mouse.down({ button: 'right' });
  await page.mouse.move(...lattice(8, 5));
  await page.mouse.up({ button: 'right' });
  await page.mouse.wheel(0, 100);
  await ed.answer('No');
  await ed.checkCells(atlas, filled, cells, 'input while the box was open dropped');
  // Still kind 2, brush 1, edit mode 0: a stroke after E paints as expected.
  await ed.key('e');
  await stroke(ed, script, [[2, 10], ...Array.from({ length: 6 }, (_, i) => [i + 3, 10])]);
  await ed.key('e');
  await page.keyboard.press('s');
  const second = await ed.save('second.map', 'painted.map');
  sameBytes(second, expect(opts, script, 'second'), 'S again, after input dropped by a box');

  // C answered Yes clears; O opens the first download through the chooser.
  await page.keyboard.press('c');
  await ed.box();
  await ed.answer('Yes');
  await ed.checkCells(atlas, plain, cells, 'C answered Yes');
  await ed.choose('o', first);
  // The cleared map is unsaved: the question comes after the file is chosen.
  const replace = await ed.box();
  if (replace.text !== 'Do you want to save map?' || replace.buttons.join('|') !== 'Yes|No|Cancel')
    throw new Failure('question before O: ' + JSON.stringify(replace));
  await ed.answer('No');
  await ed.checkCells(atlas, filled, cells, 'O opened the downloaded map');
  if (await ed.unsaved() !== 0) throw new Failure('opened map reported as unsaved');

  // O with the chooser closed without a file: a cancelled dialog, nothing loaded.
  await ed.choose('o', []);
  await ed.checkCells(atlas, filled, cells, 'O cancelled');

  // O when the browser holds no user activation (its key waited too long):
  // the browser would refuse the chooser, so the page asks for a click first.
  // Headless Chromium keeps the activation, so the test takes it away.
  await page.keyboard.press('c');
  await ed.box();
  await ed.answer('Yes');
  await page.evaluate(() => {
    const real = navigator.userActivation;
    Object.defineProperty(navigator, 'userActivation', { configurable: true, get: () => ({ isActive: false }) });
    window.restoreActivation = () => Object.defineProperty(navigator, 'userActivation', { configurable: true, get: () => real });
  });
  await page.keyboard.press('o');
  await page.locator('dialog.openDialog[open]').waitFor({ timeout: 10000 });
  await page.evaluate(() => window.restoreActivation());
  await page.locator('dialog.openDialog button', { hasText: 'Choose file' }).click();
  await ed.choose(null, first);
  await ed.box();
  await ed.answer('No');
  await ed.checkCells(atlas, filled, cells, 'O without user activation, through the page\'s Choose file');

  // M: the mission's objects cover their cells.
  await ed.choose('m', input.mission);
  const diffs = await ed.cellDiffs(atlas, filled, input.cells);
  if (!diffs.some((d) => d > 10)) throw new Failure(`M: no object drawn over ${JSON.stringify(input.cells)}`);
  log('M: objects drawn over', input.cells.filter((_, i) => diffs[i] > 10).length, 'cells');

  // The quit prompt: Cancel keeps running; Yes with the save cancelled too;
  // No ends, and the page offers a new start.
  await page.keyboard.press('Escape');
  const quit = await ed.box();
  if (quit.text !== 'Do you want to save map?' || quit.buttons.join('|') !== 'Yes|No|Cancel')
    throw new Failure('quit box: ' + JSON.stringify(quit));
  await ed.answer('Cancel');
  await page.keyboard.press('Escape');
  await ed.box();
  await page.locator('dialog.messageBox[open] button', { hasText: 'Yes' }).click();
  await ed.save(null, path.basename(first));  // the map O opened, not the name typed last
  const bare = cells.filter(([x, y]) => !input.cells.some(([ox, oy]) => ox === x && oy === y));
  await ed.checkCells(atlas, filled, bare, 'quit prompt Cancel, then Yes with the save cancelled');
  await page.keyboard.press('Escape');
  await ed.box();
  await page.locator('dialog.messageBox[open] button', { hasText: 'No' }).click();
  await page.locator('#ended.shown').waitFor({ timeout: 10000 });
  log('quit prompt No: the editor ended');

  if (requests.length) throw new Failure('requests after loading: ' + requests.join(', '));
  log('no request went out after loading');

  // Start again: a fresh editor. F1 shows the keys.
  counting = false;
  await page.click('#restart');
  await page.waitForFunction(() => vornPage.stats.frames > 0, null, { timeout: 60000 });
  // Which key presses the page kept from the browser's own shortcuts.
  await page.evaluate(() => {
    window.vornPrevented = {};
    window.addEventListener('keydown', (e) => {
      window.vornPrevented[(e.ctrlKey ? 'Control+' : '') + e.code] = e.defaultPrevented;
    });
  });
  await page.keyboard.press('F1');
  const keys = await ed.box();
  if (keys.title !== 'VornGroundEditor' || !['Ctrl+Z', 'Ctrl+Y', 'Ctrl+S', 'F1', 'Space', 'Esc'].every((k) => keys.text.includes(k)))
    throw new Failure('F1 box: ' + JSON.stringify(keys));
  await ed.answer('OK');
  log('F1: the keys in a box');

  // A stroke, Ctrl+Z, S: the bytes from before the stroke; Ctrl+Y, Ctrl+S:
  // the stroke's bytes under the same name, without a dialog.
  const again = ['client 800 600'];
  const cleared = expect(opts, again, 'cleared');
  await ed.key('e', '3');
  again.push('kind 3');
  await stroke(ed, again, [[4, 4], ...Array.from({ length: 5 }, (_, i) => [4, i + 5])]);
  await ed.key('e');
  await ed.title('VornGroundEditor - untitled* - view, kind 3 (snow), brush 1', 'a stroke, no file yet');
  await ed.key('Control+z');
  await page.keyboard.press('s');
  sameBytes(await ed.save('undone.map', ''), cleared, 'a stroke, Ctrl+Z, S');
  await ed.title('VornGroundEditor - undone.map - view, kind 3 (snow), brush 1', 'saved after the undo');
  await ed.key('Control+y');
  await ed.title('VornGroundEditor - undone.map* - view, kind 3 (snow), brush 1', 'Ctrl+Y');
  if (await ed.unsaved() !== 1) throw new Failure('redone stroke not reported as unsaved');
  const stroked = expect(opts, again, 'again');
  sameBytes(await ed.quickSave('undone.map'), stroked, 'Ctrl+Y, Ctrl+S');
  // Nothing changed: the download folder has these bytes already.
  await ed.quickSaveNothing('Ctrl+S again, nothing changed');
  await ed.title('VornGroundEditor - undone.map - view, kind 3 (snow), brush 1', 'after Ctrl+S');
  const prevented = await page.evaluate(() => window.vornPrevented);
  const kept = ['Control+KeyS', 'Control+KeyZ', 'Control+KeyY', 'F1'].filter((k) => prevented[k] !== true);
  if (kept.length) throw new Failure('keys not kept from the browser: ' + kept.join(', ') + ' ' + JSON.stringify(prevented));

  // Saved: leaving asks nothing. The reloaded editor takes a dropped map as
  // its current file; Ctrl+S gives it back under its name.
  if (await ed.reloadAsks()) throw new Failure('reload after a save asked to leave');
  log('reload after a save: no question');
  await ed.drop(first);
  await ed.checkCells(atlas, filled, cells, 'a map file dropped on the page');
  await ed.title(`VornGroundEditor - ${path.basename(first)} - view, kind 0 (sand), brush 1`, 'after the drop');
  const dropped = ['client 800 600', 'load ' + first];
  await ed.key('e', '3');
  dropped.push('kind 3');
  await stroke(ed, dropped, [[6, 3], [7, 3], [8, 3], [8, 4]]);
  await ed.key('e');
  sameBytes(await ed.quickSave(path.basename(first)), expect(opts, dropped, 'dropped'), 'a stroke on the dropped map, Ctrl+S');

  // Another stroke; Esc, Yes saves by download, then ends.
  again.splice(0, again.length, ...dropped);
  await ed.key('e');
  await stroke(ed, again, [[4, 4], ...Array.from({ length: 5 }, (_, i) => [4, i + 5])]);
  await ed.key('e');
  await page.keyboard.press('Escape');
  await ed.box();
  await page.locator('dialog.messageBox[open] button', { hasText: 'Yes' }).click();
  const last = await ed.save('last.map', path.basename(first), true);
  await page.locator('#ended.shown').waitFor({ timeout: 10000 });
  sameBytes(last, expect(opts, again, 'last'), 'quit prompt Yes saved by download, then ended');

  const errors = ed.errors.filter((e) => !/favicon|404/.test(e));
  if (errors.length) throw new Failure('page errors: ' + errors.join('; '));
}

// A screen with two device pixels per CSS pixel: the canvas still has one
// editor pixel per device pixel (800 x 600 on a 400 x 300 page), and the
// mouse lands on the lattice point under it.
async function pixelRatio(opts, context, url) {
  const page = context.pages()[0] || await context.newPage();
  const ed = new Editor(page, opts.work);
  const atlas = fs.readFileSync(path.join(opts.art, 'tex1.bmp'));
  await page.goto(url);
  await page.waitForFunction(() => vornPage.stats.frames > 0, null, { timeout: 60000 });
  const size = await page.evaluate(() => [document.getElementById('canvas').width, document.getElementById('canvas').height]);
  if (size[0] !== 800 || size[1] !== 600) throw new Failure(`device pixel ratio 2: canvas ${size}, expected 800x600`);
  await page.click('#hideHelp');
  const script = ['client 800 600'];
  await ed.key('e', '4');
  script.push('kind 4');
  const points = [[3, 3], [4, 3], [5, 3], [6, 3], [6, 4], [6, 5]].map(([px, py]) => lattice(px, py));
  await ed.drag(points.map(([x, y]) => [x / 2, y / 2]));
  for (const [x, y] of points.slice(1)) script.push(`drag ${x} ${y}`);
  await ed.key('e');
  const cells = [];
  for (let y = 0; y < 8; y++) for (let x = 0; x < 12; x++) cells.push([x, y]);
  const ratio2 = expect(opts, script, 'ratio2');
  await ed.checkCells(atlas, ratio2, cells, 'device pixel ratio 2: a stroke');

  // The browser window grows: the canvas follows (WM_SIZE) and the map's
  // corner moves to the new centre, cells still one to one.
  await page.setViewportSize({ width: 500, height: 350 });
  await page.waitForFunction(() => document.getElementById('canvas').width === 1000 &&
    document.getElementById('canvas').height === 700, null, { timeout: 10000 });
  ed.client = [1000, 700];
  const wider = [];
  for (let y = 0; 350 + CELL * (y + 1) <= 700 - STRIP; y++) for (let x = 0; 500 + CELL * (x + 1) <= 1000; x++) wider.push([x, y]);
  await ed.checkCells(atlas, ratio2, wider, 'window resized to 1000 x 700 device pixels');
}

// Opened files do not stay in the page's memory; S offers the opened map's
// name; Ctrl+S twice with no change downloads once; a save name too long for
// a download is cut, and the user is told.
async function openedFiles(opts, context, url) {
  const page = context.pages()[0] || await context.newPage();
  const ed = new Editor(page, opts.work);
  await page.goto(url);
  await page.waitForFunction(() => vornPage.stats.frames > 0, null, { timeout: 60000 });
  await page.click('#hideHelp');
  const cdp = await context.newCDPSession(page);
  // The page's memory after a full collection: the JavaScript heap, array
  // buffers' storage (the in-memory file system's files) and the module's
  // own memory, which grows when the editor reads a file into it.
  async function heapMB() {
    await cdp.send('HeapProfiler.collectGarbage');
    const use = await cdp.send('Runtime.getHeapUsage');
    const wasm = await page.evaluate(() => Module.HEAP8.buffer.byteLength);
    return (use.usedSize + (use.backingStorageSize || 0) + wasm) / (1 << 20);
  }
  const folder = path.join(opts.work, 'big files');
  fs.rmSync(folder, { recursive: true, force: true });
  fs.mkdirSync(folder);
  const big = path.join(folder, 'big-1.map');
  fs.writeFileSync(big, Buffer.alloc(50 << 20, 176));
  // One file under eight names: each open is a new file to the page.
  const names = [big];
  for (let i = 2; i <= 8; i++) {
    names.push(path.join(folder, `big-${i}.map`));
    fs.linkSync(big, names[names.length - 1]);
  }
  const before = await heapMB();
  const heaps = [];
  for (const file of names) {
    await ed.openAnswering('o', file);
    heaps.push(await heapMB());
  }
  // Dropped files too; these are made in the page, nothing to send.
  for (let i = 1; i <= 3; i++) {
    const name = `dropped-${i}.map`;
    await page.evaluate((n) => {
      const data = new DataTransfer();
      data.items.add(new File([new Uint8Array(50 << 20).fill(176)], n));
      document.getElementById('canvas').dispatchEvent(new DragEvent('drop', { dataTransfer: data, bubbles: true, cancelable: true }));
    }, name);
    await page.waitForFunction((n) => document.title.includes(n) || document.querySelector('dialog.messageBox[open]'),
      name, { timeout: 20000 });
    await ed.answerAnyBox();
    await ed.settle();
    heaps.push(await heapMB());
  }
  const figures = `heap before ${before.toFixed(0)} MB; after each of eight 50 MB opens ` +
    `${heaps.slice(0, 8).map((h) => h.toFixed(0)).join(', ')} MB; after three 50 MB drops ` +
    `${heaps.slice(8).map((h) => h.toFixed(0)).join(', ')} MB`;
  log(figures);
  fs.writeFileSync(path.join(opts.work, 'heap.txt'), figures + '\n');
  if (Math.max(...heaps.slice(1)) - heaps[0] > 60) throw new Failure(`opened files stay in memory: ${figures}`);
  fs.rmSync(folder, { recursive: true, force: true });

  // O a map, S: its name offered.
  const map = path.join(opts.work, 'offered name.map');
  fs.writeFileSync(map, Buffer.alloc(4096, 176));
  if (await ed.openAnswering('o', map) !== null) throw new Failure('a 4096-byte map opened with a box');
  await ed.title('VornGroundEditor - offered name.map - view, kind 0 (sand), brush 1', 'after O');
  await page.keyboard.press('s');
  await ed.save(null, 'offered name.map');
  log('S after O offers the opened map\'s name');

  // Ctrl+S twice, nothing changed: the first downloads (nothing was
  // downloaded since the open), the second does not.
  sameBytes(await ed.quickSave('offered name.map'), fs.readFileSync(map), 'Ctrl+S after O');
  await ed.quickSaveNothing('Ctrl+S again after O');

  // A 5000-character name: cut to 255 bytes before ".map", and said.
  const long = 'x'.repeat(4996) + '.map', cut = 'x'.repeat(251) + '.map';
  await page.keyboard.press('s');
  const dialog = page.locator('dialog.saveDialog[open]');
  await dialog.waitFor({ timeout: 10000 });
  await dialog.locator('input').fill(long);
  const downloaded = page.waitForEvent('download', { timeout: 20000 });
  await dialog.locator('input').press('Enter');
  const told = await ed.box();
  if (!told.text.includes('too long') || !told.text.includes(cut)) throw new Failure('long name box: ' + JSON.stringify(told));
  await ed.answer('OK');
  const download = await downloaded;
  if (download.suggestedFilename() !== cut) throw new Failure(`long name downloaded as "${download.suggestedFilename()}"`);
  const target = path.join(opts.work, 'got-long.map');
  await download.saveAs(target);
  sameBytes(target, fs.readFileSync(map), 'a 5000-character save name, cut to 255 bytes');
  await ed.title(`VornGroundEditor - ${cut} - view, kind 0 (sand), brush 1`, 'after the long save');

  const errors = ed.errors.filter((e) => !/favicon|404/.test(e));
  if (errors.length) throw new Failure('page errors: ' + errors.join('; '));
}

// ---- figures ----------------------------------------------------------------

async function figures(opts, context, url) {
  const page = context.pages()[0] || await context.newPage();
  const t0 = Date.now();
  await page.goto(url);
  await page.waitForFunction(() => vornPage.stats.frames > 0, null, { timeout: 60000 });
  const [first, ready] = await page.evaluate(() => [vornPage.stats.firstFrameMs, vornPage.stats.runtimeReadyMs]);
  const firstLine = `first frame: ${first.toFixed(0)} ms after navigation; the module was compiled and ` +
    `started at ${ready.toFixed(0)} ms (${Date.now() - t0} ms wall)`;
  log(firstLine);
  await page.click('#hideHelp');
  // A busy map: every kind painted in stripes with a wide brush.
  await page.keyboard.press('e');
  for (let k = 0; k < 5; k++) {
    await page.keyboard.press(String(k));
    for (let i = 0; i < 4; i++) await page.keyboard.press('w');
    const pts = [];
    for (let i = 0; i < 40; i++) pts.push([60 + 17 * i, 40 + ((k * 110 + i * 37) % 520)]);
    await page.mouse.move(...pts[0]);
    await page.mouse.down();
    for (const p of pts) await page.mouse.move(...p);
    await page.mouse.up();
  }
  await page.keyboard.press('e');
  const out = [];
  for (const [mode, key, seconds] of [[2, 'f', 10], [1, 'e', 5]]) {
    await page.keyboard.press(key);
    await sleep(300);
    const [f0, b0] = await page.evaluate(() => [vornPage.stats.frames, vornPage.stats.busyMs]);
    const start = Date.now();
    let i = 0;
    while (Date.now() - start < seconds * 1000) {
      const a = (i++ % 200) / 200 * 2 * Math.PI;
      await page.mouse.move(400 + 300 * Math.cos(a), 300 + 200 * Math.sin(a));
      await sleep(5);
    }
    const [f1, b1] = await page.evaluate(() => [vornPage.stats.frames, vornPage.stats.busyMs]);
    const fps = (f1 - f0) / ((Date.now() - start) / 1000);
    const work = (b1 - b0) / (f1 - f0);
    out.push(`edit mode ${mode}: ${fps.toFixed(1)} frames/s while the mouse moves (${i} moves in ${seconds} s); ` +
      `${work.toFixed(1)} ms per frame from wake-up to swap (input and drawing)`);
    log(out[out.length - 1]);
    await page.keyboard.press('Escape');
    await sleep(200);
  }
  fs.writeFileSync(path.join(opts.work, 'figures.txt'),
    [firstLine, ...out].join('\n') + '\n');
}

// "Copy link to this map": the link opened in a second page loads the same
// map as "shared map" (Ctrl+S gives back its bytes; Ctrl+E offers "shared
// map.png"); a broken link says so and leaves the map cleared. Also logs the
// link's length for a cleared, a hand-painted and a fully random map.
async function mapLinks(opts, context, url) {
  await context.grantPermissions(['clipboard-read', 'clipboard-write'], { origin: new URL(url).origin });
  const page = context.pages()[0] || await context.newPage();
  const ed = new Editor(page, opts.work);
  await page.goto(url);
  await page.waitForFunction(() => vornPage.stats.frames > 0, null, { timeout: 60000 });
  // Four wavy strokes of four kinds and brush sizes over the map in view (its
  // corner at the centre): a map painted by hand.
  const script = ['client 800 600'];
  for (let k = 1; k <= 4; k++) {
    script.push(`kind ${k}`, `brush ${k % 3 + 1}`);
    for (let x = 404; x < 796; x += 8) script.push(`drag ${x} ${250 + k * 65 + (x * k) % 48}`);
  }
  const painted = expect(opts, script, 'linked');
  const file = path.join(opts.work, 'linked.map');
  fs.writeFileSync(file, painted);
  await ed.drop(file);
  const links = {};
  let seed = 1;
  for (const [name, bytes] of [['cleared', Buffer.alloc(4096, 176)], ['painted', painted],
    ['random', Buffer.from(Array.from({ length: 4096 }, () => (seed = (Math.imul(seed, 214013) + 2531011) >>> 0) >>> 16 & 255))]]) {
    links[name] = await page.evaluate(async (b64) => {
      const bytes = Uint8Array.from(atob(b64), (c) => c.charCodeAt(0));
      const packed = new Uint8Array(await new Response(new Blob([bytes]).stream().pipeThrough(new CompressionStream('deflate-raw'))).arrayBuffer());
      let text = '';
      for (const b of packed) text += String.fromCharCode(b);
      return btoa(text).replace(/\+/g, '-').replace(/\//g, '_').replace(/=+$/, '').length;
    }, bytes.toString('base64'));
  }
  log(`link after "#map=": ${links.cleared} characters for a cleared map, ${links.painted} painted by hand, ${links.random} fully random`);

  await page.click('#copyLink');
  await page.waitForFunction(() => vornPage.stats.lastLink, null, { timeout: 10000 });
  const link = await page.evaluate(() => navigator.clipboard.readText());
  if (!link.startsWith(url.split('#')[0]) || !link.includes('#map=')) throw new Failure('copied link: ' + link.slice(0, 80));

  const second = await context.newPage();
  const ed2 = new Editor(second, opts.work);
  await second.goto(link);
  await second.waitForFunction(() => vornPage.stats.frames > 0, null, { timeout: 60000 });
  await ed2.title('VornGroundEditor - shared map - view, kind 0 (sand), brush 1', 'the link opened');
  sameBytes(await ed2.quickSave('shared map'), painted, 'the link opened in a second page, Ctrl+S');
  await second.keyboard.press('Control+e');
  const offered = await second.locator('dialog.saveDialog[open] input').inputValue();
  if (offered !== 'shared map.png') throw new Failure(`Ctrl+E offered "${offered}"`);
  const png = fs.readFileSync(await ed2.save('shared map.png', 'shared map.png'));
  if (png.readUInt32BE(16) !== 2048 || png.readUInt32BE(20) !== 2048) throw new Failure('Ctrl+E: no 2048 x 2048 PNG');
  log('Ctrl+E in the browser: "shared map.png", 2048 x 2048');
  await second.close();

  for (const broken of ['#map=@@not-base64', '#map=' + 'A'.repeat(40), '#map=' + 'A'.repeat(16385)]) {
    const third = await context.newPage();
    const ed3 = new Editor(third, opts.work);
    await third.goto(url.split('#')[0] + broken);
    const said = await ed3.box();
    if (!said.text.includes('The map in this link cannot be opened')) throw new Failure('broken link: ' + JSON.stringify(said));
    await ed3.answer('OK');
    await ed3.title('VornGroundEditor - view, kind 0 (sand), brush 1', 'broken link: a cleared map, no file');
    await third.close();
  }
  log('broken links: the message, then a cleared map');
  const errors = ed.errors.filter((e) => !/favicon|404/.test(e));
  if (errors.length) throw new Failure('page errors: ' + errors.join('; '));
}

// Recovery after a closed tab: strokes (the last one held while the clear
// box opens and released over it), 3 s, the page closed without the
// leave-page question; the page again, with a map in its address, asks, Yes;
// Cancel at the question before the link's map keeps the recovered work
// ("untitled*"), S saves the strokes' bytes, and the page's button still
// opens the link's map, which Ctrl+S gives back.
async function recoveryAfterClose(opts, context, url) {
  let page = await context.newPage();
  let ed = new Editor(page, opts.work);
  await page.goto(url);
  await page.waitForFunction(() => vornPage.stats.frames > 0, null, { timeout: 60000 });
  const script = ['client 800 600', 'kind 1'];
  await ed.key('e', '1');
  await stroke(ed, script, [[3, 3], [4, 3], [5, 3], [6, 3], [7, 3], [8, 3]]);
  // A second stroke held while C opens the clear box, released over the box,
  // No: the stroke ends as the box opens, and reaches the copy with no click.
  const held = [[3, 6], [4, 6], [5, 6], [6, 6], [7, 6]].map(([x, y]) => lattice(x, y));
  await page.mouse.move(...held[0]);
  await page.mouse.down();
  for (const p of held.slice(1)) {
    await page.mouse.move(...p);
    script.push(`drag ${p[0]} ${p[1]}`);
  }
  await page.keyboard.press('c');
  await ed.box();
  await page.mouse.up();
  await ed.answer('No');
  await ed.key('e');
  const want = expect(opts, script, 'recovered');
  await sleep(3000);
  // A second tab while the first runs: the first one's copy is not offered.
  const other = await context.newPage();
  await other.goto(url);
  await other.waitForFunction(() => vornPage.stats.frames > 0, null, { timeout: 60000 });
  await sleep(500);
  if (await other.locator('dialog.messageBox[open]').count()) throw new Failure('a second tab was offered a running tab\'s copy');
  await other.close({ runBeforeUnload: false });
  await page.close({ runBeforeUnload: false });
  page = await context.newPage();
  ed = new Editor(page, opts.work);
  const linked = Buffer.from(Array.from({ length: 4096 }, (_, i) => (i * 7 + (i >> 6)) & 255));
  const fragment = require('zlib').deflateRawSync(linked).toString('base64')
    .replace(/\+/g, '-').replace(/\//g, '_').replace(/=+$/, '');
  await page.goto(url.split('#')[0] + '#map=' + fragment);
  const asked = await ed.box();
  if (!/^VornGroundEditor was not closed properly\. Recover the unsaved map from .* \(a map never saved\)\?$/.test(asked.text) ||
      asked.buttons.join('|') !== 'Yes|No')
    throw new Failure('recovery question: ' + JSON.stringify(asked));
  await page.screenshot({ path: path.join(opts.work, 'recovery-question.png') });
  // Yes; the next box, before the link's map replaces the recovered one, follows at once.
  await page.locator('dialog.messageBox[open] button', { hasText: 'Yes' }).click();
  try {
    await page.waitForFunction(() => {
      const p = document.querySelector('dialog.messageBox[open] p');
      return p && p.textContent === 'Do you want to save map?';
    }, null, { timeout: 10000 });
  } catch (e) {
    throw new Failure('before the link\'s map: ' + JSON.stringify(await ed.box().catch(() => null)));
  }
  await ed.answer('Cancel');
  await ed.title('VornGroundEditor - untitled* - view, kind 0 (sand), brush 1', 'recovered, the link\'s map declined');
  await page.locator('#openLinkMap').waitFor({ state: 'visible', timeout: 10000 });
  await page.keyboard.press('s');
  const got = await ed.save('recovered.map', '');
  sameBytes(got, want, 'recovered after the tab was closed, S by download');
  await page.click('#openLinkMap');
  await ed.settle(4);
  await ed.title('VornGroundEditor - shared map - view, kind 0 (sand), brush 1', 'the link\'s map offered after Cancel');
  if (await page.locator('#openLinkMap').isVisible()) throw new Failure('the link\'s map is still offered once opened');
  sameBytes(await ed.quickSave('shared map'), linked, 'the link\'s map opened after Cancel, Ctrl+S');
  log('recovery with a link: Cancel kept the recovered map, the page then opened the link\'s');
  await page.close({ runBeforeUnload: false });
}

// Stamps within the page: Ctrl + drag, Ctrl+C, then Ctrl+V, Z and a click
// place the copy; a stamp text the test puts on the page's clipboard is
// placed by Ctrl+V too; then a rectangle with the half turn. Saved by
// download against e2e_expect.
async function stamps(opts, context, url) {
  await context.grantPermissions(['clipboard-read', 'clipboard-write'], { origin: new URL(url).origin });
  const page = context.pages()[0] || await context.newPage();
  const ed = new Editor(page, opts.work);
  await page.goto(url);
  await page.waitForFunction(() => vornPage.stats.frames > 0, null, { timeout: 60000 });
  await page.click('#hideHelp');
  const script = ['client 800 600', 'kind 2'];
  await ed.key('e', '2');
  await stroke(ed, script, [[2, 2], [3, 3], [4, 3], [5, 3], [6, 3]]);
  await page.keyboard.down('Control');
  await ed.drag([lattice(1, 1), lattice(4, 3), lattice(7, 4)]);
  await page.keyboard.press('KeyC');
  await page.keyboard.up('Control');
  await ed.settle();
  const copied = path.join(opts.work, 'stamp-copied.txt');
  expect(opts, script.concat([`copy 1 1 7 4 ${copied}`]), 'stamp-copy');
  await ed.key('Control+KeyV', 'KeyZ');
  await page.mouse.click(...lattice(12, 6));
  await ed.settle();
  script.push('stamptext ' + copied, 'turn', `place ${lattice(12, 6).join(' ')}`);
  const other = path.join(opts.work, 'stamp-other.txt');
  fs.writeFileSync(other, 'VornGroundEditor stamp 1 3 2\r\n434\r\n040\r\n');
  await page.evaluate((text) => navigator.clipboard.writeText(text), fs.readFileSync(other, 'latin1'));
  await ed.key('Control+KeyV');
  await page.mouse.click(...lattice(3, 9));
  await ed.settle();
  script.push('stamptext ' + other, `place ${lattice(3, 9).join(' ')}`);
  // A rectangle with the half turn (V four times): its image lands across
  // the map's centre. Esc first: the stamp still floats and would take the press.
  await ed.key('Escape', 'v', 'v', 'v', 'v', 'a');
  await ed.title('VornGroundEditor - untitled* - corners, rectangle, kind 2 (rock), brush 1, half turn', 'V four times, A');
  const [a, b] = [lattice(20, 12), lattice(14, 16)];
  await ed.drag([a, lattice(17, 14), b]);
  script.push('symmetry 4', `rect ${a.join(' ')} ${b.join(' ')}`);
  await ed.key('Escape');
  await page.keyboard.press('KeyS');
  sameBytes(await ed.save('stamps.map'), expect(opts, script, 'stamps'),
    'stamps copied and pasted in the page, a rectangle with the half turn');
}

// The cache names of the page's origin and the files each holds.
async function offlineCopies(page) {
  return page.evaluate(async () => {
    const out = {};
    for (const name of await caches.keys())
      out[name] = (await (await caches.open(name)).keys()).map((r) => new URL(r.url).pathname.split('/').pop()).sort();
    return out;
  });
}

// The page as an app without a network, in a browser of its own against a
// server of its own, serving a copy of the page's folder. First visit: the
// service worker installs and keeps every file of the folder but itself in
// one cache named after the build; the manifest parses (Chromium's own
// reading, and installable) and names the map file handler; a map the
// installed app is launched with (the launch queue, played by the test)
// opens as a dropped one. A new build on the server (page.js changed, the
// worker written again as the build writes it): after the next visit only
// its cache is left, holding the new page.js. Then the server stops and the
// browser goes offline: the page reloads, draws, paints, saves by download
// (bytes checked), opens a map with O and saves it with Ctrl+S.
async function offlineApp(opts, context) {
  const folder = path.join(opts.work, 'served page');
  fs.rmSync(folder, { recursive: true, force: true });
  fs.cpSync(opts.web, folder, { recursive: true });
  const served = await serve(folder);
  let server = served.server;
  try {
    const page = context.pages()[0] || await context.newPage();
    const ed = new Editor(page, opts.work);
    const atlas = fs.readFileSync(path.join(opts.art, 'tex1.bmp'));
    // The launch queue of an app opened with files: its consumer is kept for the test to call.
    await page.addInitScript(() => {
      Object.defineProperty(window, 'launchQueue', {
        configurable: true, value: { setConsumer(consumer) { window.vornLaunchConsumer = consumer; } },
      });
    });
    await page.goto(served.url);
    await page.waitForFunction(() => vornPage.stats.frames > 0, null, { timeout: 60000 });
    await page.click('#hideHelp');

    const kept = await page.evaluate(async () => {
      const timeout = new Promise((resolve) => setTimeout(() => resolve(null), 30000));
      const controlled = navigator.serviceWorker.controller ? Promise.resolve(true)
        : new Promise((resolve) => navigator.serviceWorker.addEventListener('controllerchange', () => resolve(true)));
      if (!await Promise.race([controlled, timeout])) return null;
      return (await navigator.serviceWorker.getRegistration()).active.state;
    });
    if (!kept) throw new Failure('the service worker did not take the page within 30 s');
    const pageFiles = fs.readdirSync(folder).filter((f) => f !== 'service-worker.js').sort();
    const cacheOf = (worker) => (/const CACHE = '(vorngroundeditor-[0-9a-f]{16})';/.exec(worker) || [])[1];
    const copies = await offlineCopies(page);
    const names = Object.keys(copies);
    const worker = fs.readFileSync(path.join(folder, 'service-worker.js'), 'utf8');
    if (names.length !== 1 || names[0] !== cacheOf(worker) || JSON.stringify(copies[names[0]]) !== JSON.stringify(pageFiles) ||
        kept !== 'activated')
      throw new Failure(`service worker: expected one cache ${cacheOf(worker)} holding ${pageFiles.join(', ')}; ` +
        `got ${kept}, ${JSON.stringify(copies)}`);
    log(`service worker ${kept}: ${names[0]} holds ${pageFiles.length} files`);

    // The manifest as Chromium reads it: no complaint (it names a file
    // handler it ignores, e.g. one acting outside the scope or with an
    // extension lacking its dot) and installable; the DevTools protocol
    // leaves file handlers out of its parsed copy, so they are read from the
    // text Chromium fetched.
    const cdp = await context.newCDPSession(page);
    const manifest = await cdp.send('Page.getAppManifest');
    const installable = await cdp.send('Page.getInstallabilityErrors');
    const file = JSON.parse(manifest.data || '{}');
    const mapHandler = (file.file_handlers || []).find((h) =>
      ((file.file_handlers.length === 1 && h.accept && h.accept['application/x-vorngroundeditor-map']) || []).includes('.map'));
    if (manifest.errors.length || installable.installabilityErrors.length || !mapHandler ||
        file.display !== 'standalone' || file.start_url !== './index.html' ||
        !file.icons.every((i) => pageFiles.includes(i.src)))
      throw new Failure(`manifest: errors ${JSON.stringify(manifest.errors)}, installability ${JSON.stringify(installable)}, ` +
        `text ${manifest.data}`);
    log(`manifest: parsed, installable, the file handler opens .map at ${mapHandler.action}`);
    await cdp.detach();

    // The app launched with a map, as the file manager's double-click does.
    const launched = expect(opts, ['client 800 600', 'kind 3', 'brush 3',
      ...Array.from({ length: 12 }, (_, i) => `drag ${420 + 16 * i} ${320 + 8 * i}`)], 'launched');
    await page.waitForFunction(() => typeof window.vornLaunchConsumer === 'function', null, { timeout: 10000 });
    await page.evaluate((b64) => {
      const bytes = Uint8Array.from(atob(b64), (c) => c.charCodeAt(0));
      window.vornLaunchConsumer({ files: [{ kind: 'file', name: 'launched.map', getFile: async () => new File([bytes], 'launched.map') }] });
    }, launched.toString('base64'));
    await ed.title('VornGroundEditor - launched.map - view, kind 0 (sand), brush 1', 'a map the app was launched with');
    const cells = [];
    for (let y = 0; 300 + CELL * (y + 1) <= 600 - STRIP; y++) for (let x = 0; 400 + CELL * (x + 1) <= 800; x++) cells.push([x, y]);
    await ed.checkCells(atlas, launched, cells, 'a map the app was launched with');

    // A new build on the server, its worker written by the build's own script
    // over the files the first one names, in its order.
    fs.appendFileSync(path.join(folder, 'page.js'), '// the next build\n');
    const listed = Array.from(worker.matchAll(/^ {2}"([^"]+)": "[0-9a-f]{64}",$/gm), (m) => m[1]);
    execFileSync('cmake', [`-DDIR=${folder}`, `-DTEMPLATE=${path.join(E2E, '..', 'src', 'platform', 'web', 'service-worker.js.in')}`,
      `-DFILES=${listed.join(';')}`, '-P', path.join(E2E, '..', 'cmake', 'web_worker.cmake')]);
    const next = cacheOf(fs.readFileSync(path.join(folder, 'service-worker.js'), 'utf8'));
    if (!next || next === names[0]) throw new Failure(`the next build's worker names cache ${next}, the first ${names[0]}`);
    await page.reload();
    await page.waitForFunction(() => vornPage.stats.frames > 0, null, { timeout: 60000 });
    let now = {};
    for (const deadline = Date.now() + 30000; Date.now() < deadline; await sleep(200)) {
      now = await offlineCopies(page);
      if (Object.keys(now).join() === next) break;
    }
    const nextPage = await page.evaluate((name) => caches.match('page.js', { cacheName: name }).then((r) => r && r.text()), next);
    if (Object.keys(now).join() !== next || JSON.stringify(now[next]) !== JSON.stringify(pageFiles) ||
        !nextPage || !nextPage.endsWith('// the next build\n'))
      throw new Failure(`after a new build and a visit: expected only ${next} with the new page.js, got ${JSON.stringify(now)}`);
    log(`a new build: after one visit only its cache ${next} is left, with the new files`);

    // No network at all: the server gone, the browser offline.
    server.kill();
    await new Promise((resolve) => server.once('exit', resolve));
    server = null;
    await context.setOffline(true);
    try {
      await page.reload();
      await page.waitForFunction(() => vornPage.stats.frames > 0, null, { timeout: 60000 });
      await ed.title('VornGroundEditor - view, kind 0 (sand), brush 1', 'reloaded offline');
      await ed.checkCells(atlas, Buffer.alloc(4096, 176), cells, 'reloaded offline');
      const script = ['client 800 600'];
      await ed.key('e', '2');
      script.push('kind 2');
      await stroke(ed, script, [[2, 3], [3, 3], [4, 3], [5, 4], [6, 5]]);
      await ed.key('e');
      await page.keyboard.press('s');
      sameBytes(await ed.save('offline.map', ''), expect(opts, script, 'offline'), 'offline: a stroke saved by download');
      await ed.choose('o', path.join(opts.work, 'launched.want'));
      await ed.title('VornGroundEditor - launched.want - view, kind 2 (rock), brush 1', 'offline: O');
      const opened = ['client 800 600', 'load ' + path.join(opts.work, 'launched.want'), 'kind 4'];
      await ed.key('e', '4');
      await stroke(ed, opened, [[1, 1], [2, 1], [3, 1]]);
      await ed.key('e');
      sameBytes(await ed.quickSave('launched.want'), expect(opts, opened, 'offline-opened'), 'offline: O, a stroke, Ctrl+S');
    } finally {
      await context.setOffline(false);
    }
    const errors = ed.errors.filter((e) => !/favicon|404/.test(e));
    if (errors.length) throw new Failure('page errors: ' + errors.join('; '));
  } finally {
    if (server) server.kill();
  }
}

async function main() {
  const opts = args();
  fs.mkdirSync(opts.work, { recursive: true });
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'vorn-chromium-'));
  let server = null, context = null;
  const stop = () => {
    if (server) server.kill();
    fs.rmSync(profile, { recursive: true, force: true });
  };
  process.on('SIGTERM', () => { stop(); process.exit(1); });
  try {
    const served = await serve(opts.web);
    server = served.server;
    context = await launch(profile);
    if (opts.figures) await figures(opts, context, served.url);
    else {
      await session(opts, context, served.url);
      await context.close();
      context = null;
      fs.rmSync(profile, { recursive: true, force: true });
      context = await launch(profile, 2);
      await pixelRatio(opts, context, served.url);
      await context.close();
      context = null;
      fs.rmSync(profile, { recursive: true, force: true });
      context = await launch(profile);
      await openedFiles(opts, context, served.url);
      await context.close();
      context = null;
      fs.rmSync(profile, { recursive: true, force: true });
      context = await launch(profile);
      await mapLinks(opts, context, served.url);
      await context.close();
      context = null;
      fs.rmSync(profile, { recursive: true, force: true });
      context = await launch(profile);
      await recoveryAfterClose(opts, context, served.url);
      await context.close();
      context = null;
      fs.rmSync(profile, { recursive: true, force: true });
      context = await launch(profile);
      await stamps(opts, context, served.url);
      await context.close();
      context = null;
      fs.rmSync(profile, { recursive: true, force: true });
      context = await launch(profile);
      await offlineApp(opts, context);
    }
    log(opts.figures ? 'figures done' : 'all checks passed');
  } finally {
    if (context) await context.close().catch(() => {});
    stop();
  }
}

main().catch((e) => {
  console.error('web: FAILED:', e instanceof Failure ? e.message : e);
  process.exit(1);
});
