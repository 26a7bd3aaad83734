// The web build in a real browser: build-web/ served on 127.0.0.1, opened in Debian's headless
// Chromium, started with a click. The canvas is compared with frames that the desktop
// program's offline renderer makes of the same stretches of the show.
//   node --test web/test/     environment: VANTREL_WEB_DIR (default build-web), BUILD (default build)
import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';

const repo = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..', '..');
const webDir = path.resolve(repo, process.env.VANTREL_WEB_DIR || 'build-web');
const desktop = path.resolve(repo, process.env.BUILD || 'build');
const outDir = path.join(webDir, 'test');  // screenshots and reference frames

// Stretches of the show with one steady palette each: the weave before the first flash
// (3:1), and the ripple once its fade from white is over and before the flash at 6:1.
const WEAVE = { first: [1, 40], last: [2, 56] };
const ROW_SECONDS = 2.5 * 6 / 130;  // the module's speed 6 and tempo 130 throughout
const RIPPLE = { first: [5, 24], last: [5, 60] };

const TYPES = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.wasm': 'application/wasm',
                '.data': 'application/octet-stream', '.png': 'image/png' };

// A static file server over webDir, as any web server would be.
function serve(root) {
  const server = http.createServer((req, res) => {
    const name = decodeURIComponent(new URL(req.url, 'http://x').pathname);
    const file = path.join(root, name.endsWith('/') ? name + 'index.html' : name);
    if (!file.startsWith(root + path.sep) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      res.writeHead(404).end();
      return;
    }
    res.writeHead(200, { 'Content-Type': TYPES[path.extname(file)] || 'application/octet-stream' });
    fs.createReadStream(file).pipe(res);
  });
  return new Promise(resolve => server.listen(0, '127.0.0.1', () => resolve(server)));
}

// Frames of the desktop program from the start to until (ORDER:ROW), one every 35 ticks.
function renderReference(name, until) {
  const dir = path.join(outDir, 'reference', name);
  fs.rmSync(dir, { recursive: true, force: true });
  execFileSync(path.join(desktop, 'vantrel'), ['--render', dir, '--until', until, '--every', '35'],
               { cwd: path.join(desktop, 'data'), stdio: ['ignore', 'ignore', 'pipe'] });
  return fs.readdirSync(dir).filter(f => f.endsWith('.png')).sort().map(f => `test/reference/${name}/${f}`);
}

const passed = (p, q) => p[0] > q[0] || (p[0] === q[0] && p[1] >= q[1]);

let server, browser, base;
const reference = {};

before(async () => {
  assert.ok(fs.existsSync(path.join(webDir, 'index.html')), `no web build in ${webDir} (make web)`);
  fs.mkdirSync(outDir, { recursive: true });
  reference.weave = renderReference('weave', `${WEAVE.last[0]}:${WEAVE.last[1]}`);
  reference.ripple = renderReference('ripple', `${RIPPLE.last[0]}:${RIPPLE.last[1]}`);
  server = await serve(webDir);
  base = `http://127.0.0.1:${server.address().port}/`;
  browser = await chromium.launch({
    executablePath: '/usr/bin/chromium',
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
           '--disable-component-update', '--disable-sync'],
  });
});

after(async () => {
  if (browser) await browser.close();
  if (server) server.close();
});

// A fresh page whose console errors, uncaught exceptions and failed requests are collected.
// It also notes, in the page, when each buffer of sound is due to play and where its first
// sound lies, and the sound output's clock whenever the reported music row changes.
async function openPage(query = '') {
  const page = await browser.newPage({ viewport: { width: 1024, height: 640 } });
  await page.addInitScript(() => {
    const buffers = window.soundBuffers = [];
    const start = AudioBufferSourceNode.prototype.start;
    AudioBufferSourceNode.prototype.start = function (when) {
      const left = this.buffer.getChannelData(0);
      buffers.push({ when, first: left.findIndex(v => v !== 0), rate: this.buffer.sampleRate,
                     scheduledAt: performance.now() });
      return start.apply(this, arguments);
    };
    const rows = window.rowsSeen = [];
    (function watch() {
      const s = window.vantrel;
      const last = rows[rows.length - 1];
      if (s && s.phase === 'playing' && s.audio && (!last || last.order !== s.order || last.row !== s.row))
        rows.push({ order: s.order, row: s.row, time: s.audio.time });
      requestAnimationFrame(watch);
    })();
  });
  const errors = [];
  page.on('console', m => { if (m.type() === 'error') errors.push(`console: ${m.text()}`); });
  page.on('pageerror', e => errors.push(`exception: ${e.message}`));
  page.on('requestfailed', r => errors.push(`request failed: ${r.url()}`));
  page.on('response', r => { if (r.status() >= 400) errors.push(`HTTP ${r.status()}: ${r.url()}`); });
  await page.goto(base + query);
  await page.waitForFunction(() => window.vantrel && window.vantrel.phase === 'ready', null, { timeout: 60000 });
  return { page, errors };
}

const state = page => page.evaluate(() => JSON.parse(JSON.stringify(window.vantrel)));

// Waits until the music has passed position, failing if the show stops first.
async function waitFor(page, position, timeout) {
  await page.waitForFunction(([o, r]) => {
    const s = window.vantrel;
    if (s.phase !== 'playing') throw new Error(`the show stopped: ${s.phase} ${s.exitStatus} ${s.errors.join(' ')}`);
    return s.order > o || (s.order === o && s.row >= r);
  }, position, { timeout, polling: 50 });
}

// The colours of the canvas (0xRRGGBB -> pixel count), read back from the page.
function canvasColours(page) {
  return page.evaluate(() => {
    const canvas = document.getElementById('screen');
    const data = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
    const counts = {};
    for (let i = 0; i < data.length; i += 4) {
      const c = (data[i] << 16) | (data[i + 1] << 8) | data[i + 2];
      counts[c] = (counts[c] || 0) + 1;
    }
    return counts;
  });
}

// Every colour of the reference frames, decoded by the browser.
function referenceColours(page, urls) {
  return page.evaluate(async urls => {
    const colours = new Set();
    for (const url of urls) {
      const bitmap = await createImageBitmap(await (await fetch(url)).blob(),
                                             { colorSpaceConversion: 'none', premultiplyAlpha: 'none' });
      const canvas = new OffscreenCanvas(bitmap.width, bitmap.height);
      const context = canvas.getContext('2d');
      context.drawImage(bitmap, 0, 0);
      const data = context.getImageData(0, 0, bitmap.width, bitmap.height).data;
      for (let i = 0; i < data.length; i += 4) colours.add((data[i] << 16) | (data[i + 1] << 8) | data[i + 2]);
    }
    return [...colours];
  }, urls);
}

// A picture's size and colours (0xRRGGBB -> pixel count), decoded by the browser.
function pictureColours(page, url) {
  return page.evaluate(async url => {
    const bitmap = await createImageBitmap(await (await fetch(url)).blob(),
                                           { colorSpaceConversion: 'none', premultiplyAlpha: 'none' });
    const canvas = new OffscreenCanvas(bitmap.width, bitmap.height);
    const context = canvas.getContext('2d');
    context.drawImage(bitmap, 0, 0);
    const data = context.getImageData(0, 0, bitmap.width, bitmap.height).data;
    const counts = {};
    for (let i = 0; i < data.length; i += 4) {
      const c = (data[i] << 16) | (data[i + 1] << 8) | data[i + 2];
      counts[c] = (counts[c] || 0) + 1;
    }
    return { width: bitmap.width, height: bitmap.height, counts };
  }, url);
}

// How the canvas's lit pixels (black is every section's background) fall into the colours
// of a section's reference frames and of another section's.
function compare(counts, own, other) {
  const ownSet = new Set(own), otherSet = new Set(other);
  let lit = 0, inOwn = 0, inOther = 0, distinct = 0;
  for (const [key, n] of Object.entries(counts)) {
    const c = Number(key);
    if (c === 0) continue;
    lit += n;
    distinct++;
    if (ownSet.has(c)) inOwn += n;
    if (otherSet.has(c)) inOther += n;
  }
  return { lit: lit / (640 * 480), own: lit ? inOwn / lit : 0, other: lit ? inOther / lit : 0, distinct };
}

// The canvas shows section (in its own palette, not the other's), then a screenshot.
async function checkSection(page, name, own, other, shot) {
  const m = compare(await canvasColours(page), own, other);
  await page.screenshot({ path: path.join(outDir, shot) });
  assert.ok(m.lit > 0.5 && m.distinct >= 16, `${name}: the canvas is mostly black (${JSON.stringify(m)})`);
  assert.ok(m.own > 0.98, `${name}: colours not in its palette (${JSON.stringify(m)})`);
  assert.ok(m.other < 0.5, `${name}: the colours are the other section's (${JSON.stringify(m)})`);
}

test('the page plays the show from its start, in step with its music, and Escape ends it', { timeout: 240000 },
  async () => {
    const { page, errors } = await openPage();
    const colours = {
      weave: await referenceColours(page, reference.weave.slice(1)),  // frame 0 is black
      ripple: await referenceColours(page, reference.ripple.slice(-4)),
    };
    await page.screenshot({ path: path.join(outDir, 'start.png') });
    await page.click('#start');

    await waitFor(page, WEAVE.first, 30000);
    const early = await state(page);
    await checkSection(page, 'weave', colours.weave, colours.ripple, 'weave.png');

    // Two seconds later: the music has moved on, and so has the sound output's clock.
    await page.waitForTimeout(2000);
    const later = await state(page);
    assert.ok(passed([later.order, later.row], [early.order, early.row + 8]),
              `the music position did not advance: ${early.order}:${early.row} then ${later.order}:${later.row}`);
    assert.equal(later.audio.state, 'running');
    assert.ok(later.audio.time > early.audio.time + 1.5, 'the sound output stands still');
    assert.ok(later.tick > early.tick + 100, 'the tick count stands still');

    // In step: each row is reported once its sound is heard, not before and not much later.
    // The song sounds from its first frame, so the first buffer with sound starts it.
    const { buffers, rows } = await page.evaluate(() => ({ buffers: window.soundBuffers, rows: window.rowsSeen }));
    const first = buffers.find(b => b.first >= 0);
    const songStart = first.when + first.first / first.rate;
    const lags = rows.slice(1).map(r => r.time - (songStart + ((r.order - 1) * 64 + r.row - 1) * ROW_SECONDS));
    lags.sort((a, b) => a - b);
    const median = lags[lags.length >> 1];
    assert.ok(lags.length >= 20 && median > -0.03 && median < 0.08,
              `rows reported ${Math.round(median * 1000)} ms after they are heard (median of ${lags.length})`);

    await page.keyboard.press('Escape');
    await page.waitForFunction(() => window.vantrel.phase !== 'playing', null, { timeout: 10000 });
    const end = await state(page);
    assert.equal(end.phase, 'ended');
    assert.equal(end.exitStatus, 0);
    assert.deepEqual(errors, []);
    await page.close();
  });

// The skip's progress line is the page's status, not an error; F12 offers the screenshot pair
// as downloads, its report lines are not errors either; Space pauses the music and the clock
// together and resumes them.
test('?from=5:1 starts the show at the ripple, F12 downloads a screenshot, and Space pauses it',
     { timeout: 120000 }, async () => {
  const { page, errors } = await openPage('?from=5:1');
  const colours = {
    weave: await referenceColours(page, reference.weave.slice(1)),
    ripple: await referenceColours(page, reference.ripple.slice(-4)),
  };
  await page.click('#start');
  await waitFor(page, RIPPLE.first, 60000);
  await checkSection(page, 'ripple', colours.ripple, colours.weave, 'ripple.png');
  const started = await state(page);
  assert.match(started.progress, /^skipping to 5:1: order:row 5:\d+,/);
  assert.deepEqual(started.errors, []);

  const shots = new Promise((resolve, reject) => {
    const got = [];
    const late = setTimeout(() => reject(new Error(`F12: ${got.length} of 2 downloads after 15 s`)), 15000);
    page.on('download', d => {
      if (got.push(d) === 2) {
        clearTimeout(late);
        resolve(got);
      }
    });
  });
  await page.keyboard.press('F12');
  const saved = {};
  for (const d of await shots) {
    saved[d.suggestedFilename()] = path.join(outDir, d.suggestedFilename());
    await d.saveAs(saved[d.suggestedFilename()]);
  }
  assert.deepEqual(Object.keys(saved).sort(), ['vantrl00.PCX', 'vantrl00.png']);
  const pcx = fs.readFileSync(saved['vantrl00.PCX']);
  // Version 5, run-length encoded, 8 bits in one plane, 320 x 200, the palette after a 0x0C.
  assert.deepEqual([...pcx.subarray(0, 4)], [10, 5, 1, 8]);
  assert.deepEqual([pcx.readUInt16LE(8) + 1, pcx.readUInt16LE(10) + 1, pcx[65]], [320, 200, 1]);
  assert.ok(pcx.length > 128 + 769 && pcx[pcx.length - 769] === 0x0c, 'the PCX has no 256-colour palette');
  const shot = await pictureColours(page, 'test/vantrl00.png');
  assert.deepEqual([shot.width, shot.height], [640, 480]);
  const m = compare(shot.counts, colours.ripple, colours.weave);
  assert.ok(m.lit > 0.5 && m.own > 0.98, `the PNG is not the ripple in its palette (${JSON.stringify(m)})`);

  await page.keyboard.press('Space');
  await page.waitForTimeout(500);  // the sound queued before the key plays out
  const paused = await state(page);
  const pausedAt = await page.evaluate(() => performance.now());
  await page.waitForTimeout(1500);
  const still = await state(page);
  assert.deepEqual([still.order, still.row, still.tick], [paused.order, paused.row, paused.tick],
                   'the show moved on while paused');
  assert.ok(still.frames > paused.frames + 10, 'the page stopped drawing while paused');
  // Sound handed to the output after the pause sets in is silence.
  const sounding = await page.evaluate(t0 => window.soundBuffers.filter(b => b.first >= 0 && b.scheduledAt > t0).length,
                                       pausedAt);
  assert.equal(sounding, 0, 'music was played while paused');

  await page.keyboard.press('Space');
  await page.waitForTimeout(1500);
  const resumed = await state(page);
  assert.ok(passed([resumed.order, resumed.row], [still.order, still.row + 4]) && resumed.tick > still.tick + 50,
            `the show did not resume: ${still.order}:${still.row} then ${resumed.order}:${resumed.row}`);
  assert.deepEqual(errors, []);
  await page.close();
});

test('Q ends the show', { timeout: 60000 }, async () => {
  const { page, errors } = await openPage();
  await page.click('#start');
  await waitFor(page, [1, 8], 30000);
  await page.keyboard.press('q');
  await page.waitForFunction(() => window.vantrel.phase !== 'playing', null, { timeout: 10000 });
  const end = await state(page);
  assert.equal(end.phase, 'ended');
  assert.equal(end.exitStatus, 0);
  assert.deepEqual(errors, []);
  await page.close();
});
