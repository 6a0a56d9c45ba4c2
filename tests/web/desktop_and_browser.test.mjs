// The same scripted games on the desktop and in the browser: the traces
// must match line for line, and the pictures nearly pixel for pixel.
// Debian's Chromium is driven by playwright-core; the site is served from
// 127.0.0.1 by this test. Both runs' traces and pictures are kept in
// build-web/test-output/ for a look.
//
// Environment: BURRIK_BUILD_DIR (the native build, default build/),
// BURRIK_WEB_SITE (default build-web/site), BURRIK_WEB_TEST_OUTPUT.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';

const here = path.dirname(fileURLToPath(import.meta.url));
const repo = path.resolve(here, '../..');
const nativeBuild = process.env.BURRIK_BUILD_DIR || path.join(repo, 'build');
const site = process.env.BURRIK_WEB_SITE || path.join(repo, 'build-web', 'site');
const fixtures = path.join(here, 'site');
const output = process.env.BURRIK_WEB_TEST_OUTPUT || path.join(repo, 'build-web', 'test-output');

const kSeed = 57;
const kScenarios = [
  { name: 'menus', script: 'menus.txt', fixedDt: '0.02', frames: 70, shots: [10, 30, 60] },
  { name: 'walk', script: 'walk.txt', fixedDt: '0.02', frames: 400, shots: [150, 300] },
  { name: 'render-options', script: 'render-options.txt', fixedDt: '0.02', frames: 280, shots: [100, 140, 170, 210] },
  { name: 'lost-round', script: 'lost-round.txt', fixedDt: '0.5', frames: 460, shots: [455] },
];
// The pictures may differ where the two GL implementations draw differently:
// the desktop smooths the edges of lines (1 to 1.4 % of the pixels of a
// frame with much text or a wireframe) and builds mipmaps and scaled
// textures with its own filters. At most this share of the pixels may
// differ by more than the fuzz; a fault is far above it (clouds that do not
// drift: 5.8 %).
const kMostDifferingPixels = 0.02;
const kFuzz = '10%';
// A run that hangs is ended after this long (no pass or fail hangs on it).
const kRunLimitMs = 240000;
const kBrowserArgs = ['--no-sandbox', '--use-gl=swiftshader', '--enable-unsafe-swiftshader', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync'];
const kContentTypes = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
  '.data': 'application/octet-stream', '.txt': 'text/plain' };

let server;
let origin;
let context;
let browserProfile;

// The site, and beside it the scripts the runs fetch.
function serve(request, response) {
  const name = decodeURIComponent(new URL(request.url, 'http://x').pathname).replace(/^\/+/, '');
  if (name.split('/').includes('..')) {
    response.writeHead(403).end();
    return;
  }
  for (const root of [site, fixtures]) {
    const file = path.join(root, name);
    if (fs.existsSync(file) && fs.statSync(file).isFile()) {
      response.writeHead(200, { 'Content-Type': kContentTypes[path.extname(file)] || 'application/octet-stream' });
      fs.createReadStream(file).pipe(response);
      return;
    }
  }
  response.writeHead(404).end();
}

before(async () => {
  assert.ok(fs.existsSync(path.join(site, 'index.html')), `no site in ${site}: run scripts/web`);
  assert.ok(fs.existsSync(path.join(nativeBuild, 'burrik')), `no desktop game in ${nativeBuild}`);
  server = http.createServer(serve);
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  origin = `http://127.0.0.1:${server.address().port}`;
  browserProfile = fs.mkdtempSync(path.join(os.tmpdir(), 'burrik-chromium-'));
  context = await chromium.launchPersistentContext(browserProfile, {
    executablePath: '/usr/bin/chromium', headless: true, args: kBrowserArgs,
    viewport: { width: 1024, height: 768 },
  });
});

after(async () => {
  if (context) await context.close();
  if (server) server.close();
  if (browserProfile) fs.rmSync(browserProfile, { recursive: true, force: true });
});

function options(scenario) {
  const list = [['windowed'], ['no-dialogs'], ['seed', String(kSeed)], ['fixed-dt', scenario.fixedDt],
    ['script', scenario.script], ['frames', String(scenario.frames)], ['trace', 'trace.jsonl']];
  for (const frame of scenario.shots) list.push(['screenshot', `${frame}:shot-${frame}.png`]);
  return list;
}

// In a folder of its own, with the player's files there too.
function runOnDesktop(scenario, folder) {
  fs.copyFileSync(path.join(fixtures, scenario.script), path.join(folder, scenario.script));
  const args = options(scenario).flatMap(([name, value]) => (value === undefined ? [`--${name}`] : [`--${name}`, value]));
  const env = { ...process.env, HOME: folder, XDG_CONFIG_HOME: path.join(folder, 'config'),
    XDG_DATA_HOME: path.join(folder, 'share'), SDL_AUDIODRIVER: 'dummy', LIBGL_ALWAYS_SOFTWARE: '1' };
  const run = spawnSync('xvfb-run', ['-a', '-s', '-screen 0 1024x768x24 -noreset', path.join(nativeBuild, 'burrik'),
    ...args], { cwd: folder, env, encoding: 'utf8', timeout: kRunLimitMs });
  const file = (name) => (fs.existsSync(path.join(folder, name)) ? fs.readFileSync(path.join(folder, name)) : null);
  return { status: run.status, stderr: run.stderr, file };
}

async function runInBrowser(scenario) {
  const query = options(scenario).map(([name, value]) => (value === undefined ? name : `${name}=${encodeURIComponent(value)}`));
  const page = await context.newPage();
  const errors = [];
  page.on('pageerror', (error) => errors.push(error.message));
  await page.goto(`${origin}/index.html?${query.join('&')}`);
  await page.waitForFunction(() => window.burrik && window.burrik.exitStatus !== null, null, { timeout: kRunLimitMs });
  const status = await page.evaluate(() => window.burrik.exitStatus);
  const failure = await page.evaluate(() => window.burrik.failure);
  const files = new Map();
  for (const name of ['trace.jsonl', ...scenario.shots.map((frame) => `shot-${frame}.png`)]) {
    const base64 = await page.evaluate((file) => {
      const bytes = window.burrik.readFile(file);
      if (!bytes) return null;
      let text = '';
      for (let i = 0; i < bytes.length; i += 0x8000) text += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
      return btoa(text);
    }, name);
    files.set(name, base64 === null ? null : Buffer.from(base64, 'base64'));
  }
  await page.close();
  return { status, failure, errors, file: (name) => files.get(name) };
}

// The fields of two trace lines that differ, as "path: desktop != browser".
function differences(a, b, where = '', found = []) {
  if (found.length >= 12) return found;
  if (a !== null && b !== null && typeof a === 'object' && typeof b === 'object') {
    for (const key of new Set([...Object.keys(a), ...Object.keys(b)])) differences(a[key], b[key], `${where}.${key}`, found);
  } else if (JSON.stringify(a) !== JSON.stringify(b)) {
    found.push(`${where}: ${JSON.stringify(a)} != ${JSON.stringify(b)}`);
  }
  return found;
}

function differingPixels(desktopPng, browserPng, diffPng) {
  const run = spawnSync('compare', ['-metric', 'AE', '-fuzz', kFuzz, desktopPng, browserPng, diffPng], { encoding: 'utf8' });
  const count = Number.parseFloat(run.stderr);
  assert.ok(Number.isFinite(count), `compare could not compare ${desktopPng} and ${browserPng}: ${run.stderr}`);
  return count;
}

// Bad input ends the game in the page as on the desktop: the same status
// and the same message on standard error.
const kBadInputs = [
  { name: 'a seed that is no number', options: [['seed', 'many']] },
  { name: 'a script the site does not have', options: [['no-dialogs'], ['script', 'missing.txt']] },
];

test('bad input ends the game with the desktop\'s status and message', async () => {
  for (const bad of kBadInputs) {
    const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'burrik-bad-'));
    const args = bad.options.flatMap(([name, value]) => (value === undefined ? [`--${name}`] : [`--${name}`, value]));
    const desktop = spawnSync('xvfb-run', ['-a', '-s', '-screen 0 1024x768x24 -noreset', path.join(nativeBuild, 'burrik'),
      ...args], { cwd: folder, env: { ...process.env, HOME: folder, SDL_AUDIODRIVER: 'dummy' }, encoding: 'utf8',
      timeout: kRunLimitMs });
    fs.rmSync(folder, { recursive: true, force: true });
    assert.notEqual(desktop.status, 0, `${bad.name}: the desktop game took it`);
    const query = bad.options.map(([name, value]) => (value === undefined ? name : `${name}=${encodeURIComponent(value)}`));
    const page = await context.newPage();
    await page.goto(`${origin}/index.html?${query.join('&')}`);
    // Without an automated option the game starts at the player's click.
    await page.waitForFunction(() => window.burrik.exitStatus !== null ||
      document.getElementById('message').textContent.startsWith('Click'), null, { timeout: kRunLimitMs });
    if (await page.evaluate(() => window.burrik.exitStatus === null)) await page.click('#cover');
    await page.waitForFunction(() => window.burrik.exitStatus !== null, null, { timeout: kRunLimitMs });
    const status = await page.evaluate(() => window.burrik.exitStatus);
    const stderr = await page.evaluate(() => window.burrik.stderr);
    await page.close();
    assert.equal(status, desktop.status, `${bad.name}: the exit status`);
    const message = desktop.stderr.split('\n').find((line) => line.startsWith('burrik'));
    assert.ok(message, `${bad.name}: the desktop game said nothing: ${desktop.stderr}`);
    assert.ok(stderr.includes(message), `${bad.name}: the page's game did not say "${message}": ${stderr.join(' | ')}`);
  }
});

for (const scenario of kScenarios) {
  test(`${scenario.name}: the browser's game is the desktop's, tick for tick`, async () => {
    const folder = path.join(output, scenario.name);
    fs.rmSync(folder, { recursive: true, force: true });
    const desktopFolder = path.join(folder, 'desktop');
    const browserFolder = path.join(folder, 'browser');
    fs.mkdirSync(desktopFolder, { recursive: true });
    fs.mkdirSync(browserFolder, { recursive: true });

    const desktop = runOnDesktop(scenario, desktopFolder);
    assert.equal(desktop.status, 0, `the desktop run failed: ${desktop.stderr}`);
    const browser = await runInBrowser(scenario);
    assert.deepEqual(browser.errors, [], 'errors thrown in the page');
    assert.equal(browser.status, 0, `the browser run ended with ${browser.status}: ${browser.failure}`);

    const browserTrace = browser.file('trace.jsonl');
    assert.ok(browserTrace, 'the browser run wrote no trace');
    fs.writeFileSync(path.join(browserFolder, 'trace.jsonl'), browserTrace);
    const desktopLines = desktop.file('trace.jsonl').toString().split('\n');
    const browserLines = browserTrace.toString().split('\n');
    assert.equal(desktopLines.length - 1, scenario.frames, 'a line for every frame on the desktop');
    const differing = desktopLines.map((line, i) => i).filter((i) => desktopLines[i] !== browserLines[i]);
    if (differing.length > 0) {
      const first = differing[0];
      const fields = differences(JSON.parse(desktopLines[first]), JSON.parse(browserLines[first] || 'null'));
      assert.fail(`${differing.length} of ${desktopLines.length - 1} trace lines differ, first at frame ${first + 1}:\n  ` +
        fields.join('\n  '));
    }

    for (const frame of scenario.shots) {
      const name = `shot-${frame}.png`;
      const picture = browser.file(name);
      assert.ok(picture, `the browser run wrote no ${name}`);
      fs.writeFileSync(path.join(browserFolder, name), picture);
      const count = differingPixels(path.join(desktopFolder, name), path.join(browserFolder, name),
        path.join(folder, `difference-${frame}.png`));
      const size = spawnSync('identify', ['-format', '%w %h', path.join(desktopFolder, name)], { encoding: 'utf8' });
      const [width, height] = size.stdout.split(' ').map(Number);
      assert.ok(count <= kMostDifferingPixels * width * height,
        `frame ${frame}: ${count} of ${width * height} pixels differ between desktop and browser`);
    }
  });
}
