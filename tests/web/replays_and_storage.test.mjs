// Replays cross between the desktop and the browser both ways, and the
// player's files outlive the page: a visit's settings, score and replay are
// there on the next visit, which lists the game, downloads its replay,
// watches it, and plays a replay file the player opens. One tab plays at a
// time. Everything is kept in build-web/test-output/replays-and-storage/.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { assertSameTrace, commandLine, kHome, kRunLimitMs, launchBrowser, newContext, output, query, readPageFile,
  runOnDesktop, serveSite, waitForExit } from './support.mjs';

const folder = path.join(output, 'replays-and-storage');
// The round clock runs out near tick 202 (a tick lasts a second); space
// leads back to the menu, a second game is left with escape, escape quits.
// First the music goes off and the volume three steps down; F12 takes a
// picture in the round.
const kKeys = '5 press f2\n6 press -\n7 press -\n8 press -\n20 press f12\n20 release f12\n' +
  '12 press space\n12 release space\n240 press space\n240 release space\n' +
  '244 press space\n244 release space\n250 press up\n254 release up\n' +
  '258 press escape\n258 release escape\n262 press escape\n';
const kPlay = [['windowed'], ['no-dialogs'], ['seed', '3'], ['fixed-dt', '1'], ['script', 'keys.txt']];
const kSettingsFile = `${kHome}/.config/burrik/settings.ini`;
const kScoresFolder = `${kHome}/.local/share/burrik`;

let site;
let browser;

before(async () => {
  fs.rmSync(folder, { recursive: true, force: true });
  fs.mkdirSync(folder, { recursive: true });
  fs.writeFileSync(path.join(folder, 'keys.txt'), kKeys);
  site = await serveSite(folder);
  browser = await launchBrowser();
});

after(async () => {
  if (browser) await browser.close();
  if (site) site.close();
});

function lines(trace) {
  return trace.toString().split('\n').filter((line) => line !== '');
}

// The trace's first count lines, as a trace.
function firstLines(trace, count) {
  return lines(trace).slice(0, count).join('\n') + '\n';
}

async function openPage(context, options) {
  const page = await context.newPage();
  const errors = [];
  page.on('pageerror', (error) => errors.push(error.message));
  await page.goto(`${site.origin}/index.html?${query(options)}`);
  return { page, errors };
}

async function finished(page, what) {
  await waitForExit(page);
  const { exitStatus, failure, stderr } = await page.evaluate(() => window.burrik);
  assert.equal(exitStatus, 0, `${what} ended with ${exitStatus}: ${failure} ${stderr.join(' | ')}`);
}

test('a game recorded on the desktop replays in the browser to the same trace', async () => {
  const desktopFolder = path.join(folder, 'desktop');
  fs.mkdirSync(desktopFolder, { recursive: true });
  fs.copyFileSync(path.join(folder, 'keys.txt'), path.join(desktopFolder, 'keys.txt'));
  const recorded = runOnDesktop(commandLine([...kPlay, ['record', 'game.replay'], ['trace', 'recorded.jsonl']]), desktopFolder);
  assert.equal(recorded.status, 0, recorded.stderr);
  fs.copyFileSync(path.join(desktopFolder, 'game.replay'), path.join(folder, 'desktop-game.replay'));

  const context = await newContext(browser);
  const { page, errors } = await openPage(context, [['windowed'], ['no-dialogs'], ['replay', 'desktop-game.replay'],
    ['trace', 'replayed.jsonl']]);
  await page.waitForFunction(() => window.burrik.exitStatus !== null, null, { timeout: kRunLimitMs });
  const status = await page.evaluate(() => window.burrik.exitStatus);
  const replayed = await readPageFile(page, 'replayed.jsonl');
  await context.close();
  assert.deepEqual(errors, []);
  assert.equal(status, 0);
  assert.ok(replayed, 'the replay wrote no trace');
  fs.writeFileSync(path.join(folder, 'browser-replayed.jsonl'), replayed);
  assert.ok(lines(recorded.file('recorded.jsonl')).some((line) => line.includes('"state":"RoundLost"')), 'the round was lost');
  assertSameTrace(recorded.file('recorded.jsonl'), replayed, 'the desktop game replayed in the browser');
});

test('a visit keeps its settings, score and replay for the next, which watches it and plays it on the desktop', async () => {
  const context = await newContext(browser);

  // The first visit: a game lost, a second one left, the sound changed.
  const first = await openPage(context, [...kPlay, ['trace', 'visit.jsonl'], ['screenshot', '20:shot-20.png']]);
  const picture = await first.page.waitForEvent('download', { timeout: kRunLimitMs });
  await finished(first.page, 'the first visit');
  // F12's picture is the player's as a download, the frame the run's own screenshot took.
  assert.match(picture.suggestedFilename(), /^burrik-\d{4}-\d\d-\d\d-\d{6}\.png$/);
  const picturePath = path.join(folder, 'f12.png');
  await picture.saveAs(picturePath);
  assert.deepEqual(fs.readFileSync(picturePath), await readPageFile(first.page, 'shot-20.png'));
  await first.page.evaluate(() => window.burrik.storageSettled());
  assert.equal(await first.page.evaluate(() => window.burrik.storageKept), true);
  const visit = await readPageFile(first.page, 'visit.jsonl');
  await first.page.close();
  assert.deepEqual(first.errors, []);
  fs.writeFileSync(path.join(folder, 'visit.jsonl'), visit);
  const lostAt = lines(visit).findIndex((line) => line.includes('"state":"RoundLost"'));
  assert.ok(lostAt > 0, 'the first visit lost its round');
  const lostScore = JSON.parse(lines(visit)[lostAt]).score;

  // The next visit, waiting for the player's click, has all of it.
  const next = await openPage(context, [['windowed'], ['no-dialogs'], ['trace', 'watched.jsonl']]);
  const { page } = next;
  await page.waitForFunction(() => window.burrik.storageKept !== null, null, { timeout: kRunLimitMs });
  const settings = (await readPageFile(page, kSettingsFile) || '').toString();
  assert.match(settings, /music=off\nsound-volume=7\n/, `the settings: ${settings}`);
  const table = (await readPageFile(page, `${kScoresFolder}/scores`) || '').toString().split('\n');
  assert.equal(table[0], 'burrik-scores 1');
  assert.ok(table[1].startsWith(`${lostScore} 0 `), `the lost game heads the table: ${table.join(' | ')}`);
  const keptReplay = table[1].split(' ')[3];
  assert.match(keptReplay, /^best-.*\.replay$/);

  // The list of best games: the lost one first, with its replay to download.
  await page.click('#scores-button');
  const rows = page.locator('#scores-list li');
  await page.screenshot({ path: path.join(folder, 'best-games.png') });  // for a look
  assert.equal(await rows.count(), 2, 'both games are listed');
  assert.match(await rows.first().innerText(), new RegExp(`^${lostScore} points, level 1, `));
  const [downloaded] = await Promise.all([page.waitForEvent('download'), rows.first().getByText('download').click()]);
  assert.equal(downloaded.suggestedFilename(), keptReplay);
  const downloadPath = path.join(folder, keptReplay);
  await downloaded.saveAs(downloadPath);
  assert.deepEqual(fs.readFileSync(downloadPath), await readPageFile(page, `${kScoresFolder}/${keptReplay}`));

  // Watched in the page: the game as it went, up to the lost round's screen.
  await rows.first().getByText('watch').click();
  await page.waitForFunction((name) => document.getElementById('message').textContent === `Click or press a key to watch ${name}.`,
    keptReplay, { timeout: kRunLimitMs });
  await page.click('#cover');
  await finished(page, 'watching the replay');
  const watched = await readPageFile(page, 'watched.jsonl');
  assertSameTrace(firstLines(visit, lostAt + 1), watched, 'the kept replay watched in the page');

  // Opened as a file the player chose: played the same way.
  await page.setInputFiles('#replay-file', downloadPath);
  await page.waitForFunction(() => document.getElementById('message').textContent.startsWith('Click or press a key to watch'),
    null, { timeout: kRunLimitMs });
  await page.click('#cover');
  await finished(page, 'the opened replay');
  assertSameTrace(firstLines(visit, lostAt + 1), await readPageFile(page, 'watched.jsonl'), 'the opened replay');
  // Another tab of the same browser waits while this one is open.
  const other = await openPage(context, [['windowed'], ['no-dialogs'], ['frames', '5']]);
  await other.page.waitForFunction(() => document.getElementById('message').textContent.includes('another tab'), null,
    { timeout: kRunLimitMs });
  await other.page.waitForTimeout(500);
  assert.equal(await other.page.evaluate(() => window.burrik.started), false, 'the other tab did not start');

  // Watching reloads this tab, which keeps its turn: the waiting tab, given
  // the lock for that moment, waits again.
  await page.click('#scores-button');
  await rows.first().getByText('watch').click();
  await page.waitForFunction((name) => document.getElementById('message').textContent === `Click or press a key to watch ${name}.`,
    keptReplay, { timeout: 30000 });
  await other.page.waitForFunction(() => document.getElementById('message').textContent.includes('another tab'), null,
    { timeout: kRunLimitMs });

  // Once this tab is gone, the waiting one plays.
  await page.close();
  await finished(other.page, 'the tab that waited');
  await context.close();
  assert.deepEqual(next.errors, []);

  // The browser's recording plays on the desktop to the same trace.
  const desktopFolder = path.join(folder, 'desktop-watch');
  fs.mkdirSync(desktopFolder, { recursive: true });
  const onDesktop = runOnDesktop(commandLine([['windowed'], ['no-dialogs'], ['replay', downloadPath],
    ['trace', 'watched.jsonl']]), desktopFolder);
  assert.equal(onDesktop.status, 0, onDesktop.stderr);
  assertSameTrace(firstLines(visit, lostAt + 1), onDesktop.file('watched.jsonl'), 'the browser\'s replay on the desktop');
});

// A standard-mapping gamepad as the browser's Gamepad API shows one; the
// test presses its buttons (SDL reads them on every frame).
function fakeGamepad() {
  const pad = { id: 'Burrik test pad', index: 0, connected: true, mapping: 'standard', timestamp: 1,
    axes: [0, 0, 0, 0], buttons: Array.from({ length: 17 }, () => ({ pressed: false, touched: false, value: 0 })) };
  navigator.getGamepads = () => [pad, null, null, null];
  window.burrikTestPad = {
    set(button, down) {
      pad.buttons[button] = { pressed: down, touched: down, value: down ? 1 : 0 };
      pad.timestamp = performance.now();
    },
  };
  window.addEventListener('load', () => {
    const event = new Event('gamepadconnected');
    event.gamepad = pad;
    window.dispatchEvent(event);
  });
}

test('a gamepad plays in the browser, and its game replays on the desktop to the same trace', async () => {
  const kStart = 9;
  const kDpadUp = 12;
  const context = await newContext(browser);
  await context.addInitScript(fakeGamepad);
  const { page, errors } = await openPage(context, [['windowed'], ['no-dialogs'], ['seed', '5'], ['fixed-dt', '0.02'],
    ['frames', '300'], ['record', 'pad.replay'], ['trace', 'pad.jsonl']]);
  const press = async (button, ms) => {
    await page.evaluate((b) => window.burrikTestPad.set(b, true), button);
    await page.waitForTimeout(ms);
    await page.evaluate((b) => window.burrikTestPad.set(b, false), button);
  };
  await page.waitForFunction(() => window.burrik.started, null, { timeout: kRunLimitMs });
  await page.waitForTimeout(800);
  await press(kStart, 200);
  await page.waitForTimeout(800);
  await press(kDpadUp, 1200);
  await finished(page, 'the pad\'s game');
  const trace = await readPageFile(page, 'pad.jsonl');
  const replay = await readPageFile(page, 'pad.replay');
  await context.close();
  assert.deepEqual(errors, []);
  fs.writeFileSync(path.join(folder, 'pad.jsonl'), trace);
  fs.writeFileSync(path.join(folder, 'pad.replay'), replay);
  const frames = lines(trace).map((line) => JSON.parse(line));
  const playing = frames.filter((frame) => frame.state === 'Playing');
  assert.ok(playing.length > 0, 'Start started a game');
  const [from, to] = [playing[0].gardener, playing[playing.length - 1].gardener];
  const moved = from.x !== to.x || from.z !== to.z;
  assert.ok(moved, 'the d-pad walked the gardener');

  const desktopFolder = path.join(folder, 'desktop-pad');
  fs.mkdirSync(desktopFolder, { recursive: true });
  const onDesktop = runOnDesktop(commandLine([['windowed'], ['no-dialogs'], ['replay', path.join(folder, 'pad.replay')],
    ['trace', 'pad.jsonl']]), desktopFolder);
  assert.equal(onDesktop.status, 0, onDesktop.stderr);
  assertSameTrace(trace, onDesktop.file('pad.jsonl'), 'the pad\'s game replayed on the desktop');
});

test('without the browser\'s storage the page says so and the game plays on with its files in memory', async () => {
  const context = await newContext(browser);
  await context.addInitScript(() => Object.defineProperty(window, 'indexedDB', { value: undefined }));
  const { page, errors } = await openPage(context, [...kPlay, ['frames', '30']]);
  await finished(page, 'the game without storage');
  const { storageKept, storageProblem } = await page.evaluate(() => window.burrik);
  const notice = await page.locator('#notice');
  assert.equal(storageKept, false);
  assert.match(storageProblem, /no storage \(IndexedDB\)/);
  assert.ok(await notice.isVisible(), 'the page shows why');
  assert.match(await notice.innerText(), /last only while this page is open/);
  assert.match((await readPageFile(page, kSettingsFile) || '').toString(), /music=off\nsound-volume=7\n/);
  await context.close();
  assert.deepEqual(errors, []);
});
