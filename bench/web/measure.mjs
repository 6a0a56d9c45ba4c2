// The browser build measured, and against the desktop's:
//   (a) the download: each file of the site and all of them, plain and gzipped (zlib, level 9);
//   (b) the time from navigating to the page on 127.0.0.1 to the game's first frame (the start
//       menu), each load in a fresh browser context with nothing cached, the start click given
//       as soon as the page asks for it; the median of the loads;
//   (c) the playing frame's cost at 800 x 600: the same autopilot round (seed, fixed step,
//       muted) in the desktop game under Xvfb and in headless Chromium, frames uncapped, the two
//       taking turns; frames per second between two screenshots of the round, whose files'
//       times say when those frames were done.
//
//   node bench/web/measure.mjs [--loads N] [--turns N] [--from FRAME] [--to FRAME] [--seed N]
//
// Environment: BURRIK_BUILD_DIR (the native build, default build/), BURRIK_WEB_SITE (default
// build-web/site). playwright-core comes from tests/web (npm ci there); the browser is Debian's
// /usr/bin/chromium with the flags of tests/web, software GL (SwiftShader) as on the desktop
// (Mesa's llvmpipe).
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import zlib from 'node:zlib';
import { createRequire } from 'node:module';
import { fileURLToPath, pathToFileURL } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
const repo = path.resolve(here, '../..');
const nativeBuild = process.env.BURRIK_BUILD_DIR || path.join(repo, 'build');
const site = process.env.BURRIK_WEB_SITE || path.join(repo, 'build-web', 'site');

const requireFromTests = createRequire(path.join(repo, 'tests', 'web', 'package.json'));
let chromium;
try {
  const playwright = await import(pathToFileURL(requireFromTests.resolve('playwright-core')).href);
  chromium = playwright.chromium || playwright.default.chromium;
} catch (error) {
  console.error('bench/web/measure.mjs: no playwright-core in tests/web: run "npm ci" there first');
  process.exit(2);
}

function option(name, fallback) {
  const at = process.argv.indexOf(`--${name}`);
  if (at < 0) return fallback;
  const value = Number(process.argv[at + 1]);
  if (!Number.isInteger(value) || value < 1) {
    console.error(`bench/web/measure.mjs: --${name} needs a whole number of at least 1`);
    process.exit(2);
  }
  return value;
}
const kLoads = option('loads', 7);
const kTurns = option('turns', 3);
const kSeed = option('seed', 7);  // its level-0 round lasts past 30 s of play
const kFromFrame = option('from', 300);
const kToFrame = option('to', 1300);
const kFixedDt = '0.02';  // 50 ticks a second of play: frames 300 to 1300 are 6 to 26 s into the round
if (kToFrame <= kFromFrame) {
  console.error('bench/web/measure.mjs: --to must come after --from');
  process.exit(2);
}
const kRunLimitMs = 300000;
// tests/web's flags; uncapped frames add the two that free the animation frames from vsync.
const kBrowserArgs = ['--no-sandbox', '--use-gl=swiftshader', '--enable-unsafe-swiftshader', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync'];
const kUncappedArgs = ['--disable-gpu-vsync', '--disable-frame-rate-limit'];
const kViewport = { width: 1024, height: 768 };
const kContentTypes = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
  '.data': 'application/octet-stream' };

const median = (values) => {
  const sorted = [...values].sort((a, b) => a - b);
  const middle = Math.floor(sorted.length / 2);
  return sorted.length % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
};
const mb = (bytes) => (bytes / 1e6).toFixed(2).padStart(6) + ' MB';
const ms = (value) => `${Math.round(value)} ms`;

function check(condition, message) {
  if (!condition) {
    console.error(`bench/web/measure.mjs: ${message}`);
    process.exit(1);
  }
}
check(fs.existsSync(path.join(site, 'index.html')), `no site in ${site}: run scripts/web`);
check(fs.existsSync(path.join(nativeBuild, 'burrik')), `no desktop game in ${nativeBuild}`);

// --- (a) the download ------------------------------------------------------
console.log(`Site: ${site}`);
console.log('(a) download, plain and gzipped (zlib, level 9):');
let plainTotal = 0;
let gzippedTotal = 0;
for (const name of fs.readdirSync(site).sort()) {
  const bytes = fs.readFileSync(path.join(site, name));
  const gzipped = zlib.gzipSync(bytes, { level: 9 }).length;
  plainTotal += bytes.length;
  gzippedTotal += gzipped;
  console.log(`    ${name.padEnd(16)} ${mb(bytes.length)}  ${mb(gzipped)}`);
}
console.log(`    ${'all'.padEnd(16)} ${mb(plainTotal)}  ${mb(gzippedTotal)}`);

// The site as scripts/web serve gives it: plain, no caching headers.
function serve(request, response) {
  const name = decodeURIComponent(new URL(request.url, 'http://x').pathname).replace(/^\/+/, '');
  const file = path.join(site, name);
  if (name.split('/').includes('..') || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
    response.writeHead(404).end();
    return;
  }
  response.writeHead(200, { 'Content-Type': kContentTypes[path.extname(file)] || 'application/octet-stream',
    'Content-Length': fs.statSync(file).size });
  fs.createReadStream(file).pipe(response);
}
const server = http.createServer(serve);
await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
const origin = `http://127.0.0.1:${server.address().port}`;

// --- (b) navigation to the first menu frame ---------------------------------
// The page asks for a click (sound may start only after one) once the data
// and the program have arrived; the game's first frame comes after it.
async function timeOneLoad(browser) {
  const context = await browser.newContext({ viewport: kViewport });
  const page = await context.newPage();
  await page.addInitScript(() => {
    window.addEventListener('pointerdown', () => { window.burrikClickMs ??= performance.now(); }, true);
  });
  await page.goto(`${origin}/index.html?windowed`);
  await page.waitForFunction(() => document.getElementById('message').textContent.startsWith('Click'), null,
    { timeout: kRunLimitMs, polling: 5 });
  await page.click('#cover');
  await page.waitForFunction(() => window.Module && window.Module.firstFrameMs !== undefined, null,
    { timeout: kRunLimitMs, polling: 5 });
  const timing = await page.evaluate(() => {
    const arrived = (file) => performance.getEntriesByType('resource')
      .filter((entry) => entry.name.endsWith(file)).map((entry) => entry.responseEnd)[0];
    return { firstFrame: window.Module.firstFrameMs, click: window.burrikClickMs, data: arrived('/burrik.data'),
      wasm: arrived('/burrik.wasm') };
  });
  await context.close();
  return timing;
}

// --- (c) the playing frame ---------------------------------------------------
function frameOptions() {
  return [['windowed'], ['no-vsync'], ['no-dialogs'], ['mute'], ['seed', String(kSeed)], ['fixed-dt', kFixedDt],
    ['autopilot'], ['frames', String(kToFrame + 1)], ['screenshot', `${kFromFrame}:from.png`],
    ['screenshot', `${kToFrame}:to.png`]];
}

function desktopFramesPerSecond() {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'burrik-measure-'));
  try {
    const args = frameOptions().flatMap(([name, value]) => (value === undefined ? [`--${name}`] : [`--${name}`, value]));
    const env = { ...process.env, HOME: folder, XDG_CONFIG_HOME: path.join(folder, 'config'),
      XDG_DATA_HOME: path.join(folder, 'share'), SDL_AUDIODRIVER: 'dummy', LIBGL_ALWAYS_SOFTWARE: '1' };
    const run = spawnSync('xvfb-run', ['-a', '-s', '-screen 0 1024x768x24 -noreset', path.join(nativeBuild, 'burrik'),
      ...args], { cwd: folder, env, encoding: 'utf8', timeout: kRunLimitMs });
    check(run.status === 0, `the desktop run failed (${run.status}): ${run.stderr}`);
    const seconds = (fs.statSync(path.join(folder, 'to.png')).mtimeMs - fs.statSync(path.join(folder, 'from.png')).mtimeMs) / 1000;
    return (kToFrame - kFromFrame) / seconds;
  } finally {
    fs.rmSync(folder, { recursive: true, force: true });
  }
}

async function browserFramesPerSecond(browser) {
  const context = await browser.newContext({ viewport: kViewport });
  const page = await context.newPage();
  const errors = [];
  page.on('pageerror', (error) => errors.push(error.message));
  const query = frameOptions().map(([name, value]) => (value === undefined ? name : `${name}=${encodeURIComponent(value)}`));
  await page.goto(`${origin}/index.html?${query.join('&')}`);
  await page.waitForFunction(() => window.burrik && window.burrik.exitStatus !== null, null, { timeout: kRunLimitMs });
  const result = await page.evaluate(() => {
    const fs = window.Module.FS;
    const time = (file) => fs.stat(file).mtime.getTime();
    return { status: window.burrik.exitStatus, failure: window.burrik.failure,
      seconds: (time('/to.png') - time('/from.png')) / 1000 };
  });
  await context.close();
  check(errors.length === 0 && result.status === 0, `the browser run failed (${result.status}): ${result.failure} ${errors}`);
  return (kToFrame - kFromFrame) / result.seconds;
}

// How often the browser gives animation frames to a page that draws nothing.
async function emptyPageFramesPerSecond(browser) {
  const context = await browser.newContext({ viewport: kViewport });
  const page = await context.newPage();
  await page.goto('about:blank');
  const rate = await page.evaluate(() => new Promise((resolve) => {
    let count = 0;
    let first = null;
    const step = (now) => {
      if (first === null) first = now;
      if (now - first >= 1000) resolve(count / ((now - first) / 1000));
      else {
        ++count;
        requestAnimationFrame(step);
      }
    };
    requestAnimationFrame(step);
  }));
  await context.close();
  return rate;
}

const launch = (args) => chromium.launch({ executablePath: '/usr/bin/chromium', headless: true, args });
try {
  const player = await launch(kBrowserArgs);
  const loads = [];
  for (let i = 0; i < kLoads; ++i) loads.push(await timeOneLoad(player));
  await player.close();
  console.log(`(b) navigation to the first menu frame, ${kLoads} loads on loopback (plain, uncached), medians:`);
  console.log(`    first frame ${ms(median(loads.map((l) => l.firstFrame)))} (each: ${loads.map((l) => ms(l.firstFrame)).join(', ')})`);
  console.log(`    burrik.wasm arrived ${ms(median(loads.map((l) => l.wasm)))}, burrik.data ${ms(median(loads.map((l) => l.data)))}, ` +
    `start click ${ms(median(loads.map((l) => l.click)))}, ` +
    `first frame after the click ${ms(median(loads.map((l) => l.firstFrame - l.click)))}`);

  const uncapped = await launch([...kBrowserArgs, ...kUncappedArgs]);
  console.log(`(c) playing frame, 800 x 600, seed ${kSeed}, fixed step ${kFixedDt} s, autopilot, muted, ` +
    `frames ${kFromFrame} to ${kToFrame}; ${kTurns} turns each, desktop first:`);
  console.log(`    Chromium's animation frames on an empty page: ${(await emptyPageFramesPerSecond(uncapped)).toFixed(0)} a second uncapped`);
  const desktop = [];
  const browser = [];
  for (let turn = 0; turn < kTurns; ++turn) {
    desktop.push(desktopFramesPerSecond());
    browser.push(await browserFramesPerSecond(uncapped));
    console.log(`    turn ${turn + 1}: desktop ${desktop.at(-1).toFixed(1)} frames/s, browser ${browser.at(-1).toFixed(1)} frames/s`);
  }
  await uncapped.close();
  const desktopMedian = median(desktop);
  const browserMedian = median(browser);
  console.log(`    medians: desktop ${desktopMedian.toFixed(1)} frames/s (${(1000 / desktopMedian).toFixed(1)} ms a frame), ` +
    `browser ${browserMedian.toFixed(1)} frames/s (${(1000 / browserMedian).toFixed(1)} ms a frame)`);
  console.log(`    the browser's frame costs ${(desktopMedian / browserMedian).toFixed(2)} times the desktop's`);
  console.log(`    load average: ${os.loadavg().map((l) => l.toFixed(2)).join(' ')}`);
} finally {
  server.close();
}
