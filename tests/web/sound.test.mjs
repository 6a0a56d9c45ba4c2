// The page's sound as it leaves the game: the samples SDL hands the audio
// context each time its processor node asks. The music the page downloads
// is MS ADPCM (the desktop's is PCM), so a broken decoder would be silence
// here (or noise) while every trace still matched the desktop's.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { kRunLimitMs, launchBrowser, newContext, output, query, serveSite, waitForExit } from './support.mjs';

const folder = path.join(output, 'sound');
// A round started and nothing else: no effect sounds, only the music.
// 600 frames at 60 a second: 10 s of the 35 s music.
const kFrames = 600;
const kStartOnly = '2 press space\n2 release space\n';
const kMusicOffEarly = `${kStartOnly}100 press f2\n100 release f2\n`;
const kSilent = 1e-4;

let site;
let browser;

before(async () => {
  fs.rmSync(folder, { recursive: true, force: true });
  fs.mkdirSync(folder, { recursive: true });
  fs.writeFileSync(path.join(folder, 'start.txt'), kStartOnly);
  fs.writeFileSync(path.join(folder, 'music-off.txt'), kMusicOffEarly);
  site = await serveSite(folder);
  browser = await launchBrowser();
});

after(async () => {
  if (browser) await browser.close();
  if (site) site.close();
});

// The loudest sample of each buffer the page's audio gave out, in order.
async function peaksOfRun(script) {
  const context = await newContext(browser);
  const page = await context.newPage();
  const errors = [];
  page.on('pageerror', (error) => errors.push(error.message));
  await page.addInitScript(() => {
    const peaks = window.burrikAudioPeaks = [];
    const handlerProperty = Object.getOwnPropertyDescriptor(ScriptProcessorNode.prototype, 'onaudioprocess');
    Object.defineProperty(ScriptProcessorNode.prototype, 'onaudioprocess', {
      get() { return handlerProperty.get.call(this); },
      set(handler) {
        handlerProperty.set.call(this, (event) => {
          handler(event);
          let peak = 0;
          for (let channel = 0; channel < event.outputBuffer.numberOfChannels; ++channel) {
            for (const sample of event.outputBuffer.getChannelData(channel)) peak = Math.max(peak, Math.abs(sample));
          }
          peaks.push(peak);
        });
      },
    });
  });
  await page.goto(`${site.origin}/index.html?${query([['windowed'], ['no-dialogs'], ['seed', '7'], ['script', script],
    ['frames', String(kFrames)]])}`);
  await waitForExit(page);
  const { exitStatus, failure } = await page.evaluate(() => window.burrik);
  const peaks = await page.evaluate(() => window.burrikAudioPeaks);
  await context.close();
  assert.equal(exitStatus, 0, `the run with ${script} ended with ${exitStatus}: ${failure}`);
  assert.deepEqual(errors, []);
  return peaks;
}

test('the page plays the music, and the music key silences it', { timeout: kRunLimitMs }, async () => {
  const withMusic = await peaksOfRun('start.txt');
  const heardFrom = withMusic.findIndex((peak) => peak > kSilent);
  assert.ok(heardFrom >= 0, `no sound at all in ${withMusic.length} buffers`);
  const afterStart = withMusic.slice(heardFrom);
  const quiet = afterStart.filter((peak) => peak <= kSilent).length;
  // 1024 frames at 44.1 or 48 kHz: about 20 ms a buffer, so 10 s of play
  // are near 500 of them; the music has no pauses.
  assert.ok(afterStart.length > 300, `only ${afterStart.length} buffers after the music began`);
  assert.ok(quiet === 0, `${quiet} of ${afterStart.length} buffers silent after the music began`);
  assert.ok(Math.max(...afterStart) > 0.05, `the music peaks at only ${Math.max(...afterStart)}`);

  const musicOff = await peaksOfRun('music-off.txt');
  const lastSecond = musicOff.slice(-50);
  assert.ok(lastSecond.length === 50 && lastSecond.every((peak) => peak <= kSilent),
    `sound after the music was switched off: ${lastSecond.map((peak) => peak.toFixed(4)).join(' ')}`);
});
