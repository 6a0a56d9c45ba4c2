// The same scripted games on the desktop and in the browser: the traces
// must match line for line, and the pictures nearly pixel for pixel.
// Debian's Chromium is driven by playwright-core; the site is served from
// 127.0.0.1 by this test. Both runs' traces and pictures are kept in
// build-web/test-output/ for a look.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { assertSameTrace, commandLine, fixtures, kRunLimitMs, launchBrowser, newContext, output, query, readPageFile,
  runOnDesktop, serveSite, waitForExit } from './support.mjs';

const kSeed = 57;
const kScenarios = [
  { name: 'menus', script: 'menus.txt', fixedDt: '0.02', frames: 70, shots: [10, 30, 60] },
  // In frame 150 a flower on the right is seen from below: the backs of its
  // petals are lit as back faces (two-sided lighting), darker than their
  // fronts; lit as fronts, 161 of the box's pixels differ.
  { name: 'walk', script: 'walk.txt', fixedDt: '0.02', frames: 400, shots: [150, 300],
    boxes: [{ frame: 150, x: 610, y: 200, width: 120, height: 60, most: 40, what: 'the backs of a flower\'s petals' }] },
  { name: 'render-options', script: 'render-options.txt', fixedDt: '0.02', frames: 280, shots: [100, 140, 170, 210] },
  { name: 'lost-round', script: 'lost-round.txt', fixedDt: '0.5', frames: 460, shots: [455] },
];
// The pictures may differ where the two GL implementations draw differently:
// where the segments of a smooth line meet, and in the mipmaps and scaled
// textures each builds with its own filters (at most 0.34 % of the pixels
// of these frames). At most this share of the pixels may differ by more
// than the fuzz; a fault is far above it (smooth lines drawn without their
// fading edges: 1 to 1.4 %; clouds that do not drift: 5.8 %).
const kMostDifferingPixels = 0.006;
const kFuzz = '10%';
let site;
let browser;

before(async () => {
  site = await serveSite();
  browser = await launchBrowser();
});

after(async () => {
  if (browser) await browser.close();
  if (site) site.close();
});

function options(scenario) {
  const list = [['windowed'], ['no-dialogs'], ['seed', String(kSeed)], ['fixed-dt', scenario.fixedDt],
    ['script', scenario.script], ['frames', String(scenario.frames)], ['trace', 'trace.jsonl']];
  for (const frame of scenario.shots) list.push(['screenshot', `${frame}:shot-${frame}.png`]);
  return list;
}

// In a folder of its own, with the player's files there too.
function runScenarioOnDesktop(scenario, folder) {
  fs.copyFileSync(path.join(fixtures, scenario.script), path.join(folder, scenario.script));
  return runOnDesktop(commandLine(options(scenario)), folder);
}

// In a browser context of its own: a new player's storage.
async function runInBrowser(scenario) {
  const context = await newContext(browser);
  const page = await context.newPage();
  const errors = [];
  page.on('pageerror', (error) => errors.push(error.message));
  await page.goto(`${site.origin}/index.html?${query(options(scenario))}`);
  await waitForExit(page);
  const status = await page.evaluate(() => window.burrik.exitStatus);
  const failure = await page.evaluate(() => window.burrik.failure);
  const files = new Map();
  for (const name of ['trace.jsonl', ...scenario.shots.map((frame) => `shot-${frame}.png`)]) {
    files.set(name, await readPageFile(page, name));
  }
  await context.close();
  return { status, failure, errors, file: (name) => files.get(name) };
}

// The pixels that differ by more than the fuzz, in the whole picture or in a
// box of it ({ x, y, width, height }, from the top left).
function differingPixels(desktopPng, browserPng, diffPng, box = null) {
  const crop = box ? ['-extract', `${box.width}x${box.height}+${box.x}+${box.y}`] : [];
  const run = spawnSync('compare', ['-metric', 'AE', '-fuzz', kFuzz, ...crop, desktopPng, browserPng, diffPng], { encoding: 'utf8' });
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
    const args = commandLine(bad.options);
    const desktop = runOnDesktop(args, folder);
    fs.rmSync(folder, { recursive: true, force: true });
    assert.notEqual(desktop.status, 0, `${bad.name}: the desktop game took it`);
    const context = await newContext(browser);
    const page = await context.newPage();
    await page.goto(`${site.origin}/index.html?${query(bad.options)}`);
    // Without an automated option the game starts at the player's click.
    await page.waitForFunction(() => window.burrik.exitStatus !== null ||
      document.getElementById('message').textContent.startsWith('Click'), null, { timeout: kRunLimitMs });
    if (await page.evaluate(() => window.burrik.exitStatus === null)) await page.click('#cover');
    await waitForExit(page);
    const status = await page.evaluate(() => window.burrik.exitStatus);
    const stderr = await page.evaluate(() => window.burrik.stderr);
    await context.close();
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

    const desktop = runScenarioOnDesktop(scenario, desktopFolder);
    assert.equal(desktop.status, 0, `the desktop run failed: ${desktop.stderr}`);
    const browser = await runInBrowser(scenario);
    assert.deepEqual(browser.errors, [], 'errors thrown in the page');
    assert.equal(browser.status, 0, `the browser run ended with ${browser.status}: ${browser.failure}`);

    const browserTrace = browser.file('trace.jsonl');
    assert.ok(browserTrace, 'the browser run wrote no trace');
    fs.writeFileSync(path.join(browserFolder, 'trace.jsonl'), browserTrace);
    const desktopTrace = desktop.file('trace.jsonl');
    assert.equal(desktopTrace.toString().split('\n').length - 1, scenario.frames, 'a line for every frame on the desktop');
    assertSameTrace(desktopTrace, browserTrace, 'desktop against browser');

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
    for (const box of scenario.boxes || []) {
      const name = `shot-${box.frame}.png`;
      const count = differingPixels(path.join(desktopFolder, name), path.join(browserFolder, name), 'null:', box);
      assert.ok(count <= box.most, `frame ${box.frame}, ${box.what}: ${count} of ${box.width * box.height} pixels differ`);
    }
  });
}
