// What the browser tests share: the site served from 127.0.0.1 (with the
// folders of files the runs fetch beside it), Debian's Chromium, the desktop
// game run in a folder of its own, and the files a page's game wrote.
//
// Environment: BURRIK_BUILD_DIR (the native build, default build/),
// BURRIK_WEB_SITE (default build-web/site), BURRIK_WEB_TEST_OUTPUT.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';

const here = path.dirname(fileURLToPath(import.meta.url));
const repo = path.resolve(here, '../..');
export const nativeBuild = process.env.BURRIK_BUILD_DIR || path.join(repo, 'build');
export const site = process.env.BURRIK_WEB_SITE || path.join(repo, 'build-web', 'site');
export const fixtures = path.join(here, 'site');
export const output = process.env.BURRIK_WEB_TEST_OUTPUT || path.join(repo, 'build-web', 'test-output');

// A run that hangs is ended after this long (no pass or fail hangs on it).
export const kRunLimitMs = 240000;
const kBrowserArgs = ['--no-sandbox', '--use-gl=swiftshader', '--enable-unsafe-swiftshader', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync'];
const kContentTypes = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
  '.data': 'application/octet-stream', '.txt': 'text/plain' };
export const kHome = '/home/web_user';

// Serves the site, then each of the other folders, for the first that has
// the file asked for. Resolves to { origin, close }.
export async function serveSite(...otherRoots) {
  assert.ok(fs.existsSync(path.join(site, 'index.html')), `no site in ${site}: run scripts/web`);
  const roots = [site, fixtures, ...otherRoots];
  const server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, 'http://x').pathname).replace(/^\/+/, '');
    if (name.split('/').includes('..')) {
      response.writeHead(403).end();
      return;
    }
    for (const root of roots) {
      const file = path.join(root, name);
      if (fs.existsSync(file) && fs.statSync(file).isFile()) {
        response.writeHead(200, { 'Content-Type': kContentTypes[path.extname(file)] || 'application/octet-stream' });
        fs.createReadStream(file).pipe(response);
        return;
      }
    }
    response.writeHead(404).end();
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return { origin: `http://127.0.0.1:${server.address().port}`, close: () => server.close() };
}

// Each context of the browser has storage of its own, as a new player's browser.
export function launchBrowser() {
  return chromium.launch({ executablePath: '/usr/bin/chromium', headless: true, args: kBrowserArgs });
}

export function newContext(browser) {
  return browser.newContext({ viewport: { width: 1024, height: 768 }, acceptDownloads: true });
}

// [[name, value?], ...] as the command line's words and as the page's query.
export const commandLine = (list) => list.flatMap(([name, value]) => (value === undefined ? [`--${name}`] : [`--${name}`, value]));
export const query = (list) => list.map(([name, value]) => (value === undefined ? name : `${name}=${encodeURIComponent(value)}`)).join('&');

// The desktop game in folder, which holds its player's folders too.
export function runOnDesktop(args, folder) {
  assert.ok(fs.existsSync(path.join(nativeBuild, 'burrik')), `no desktop game in ${nativeBuild}`);
  const env = { ...process.env, HOME: folder, XDG_CONFIG_HOME: path.join(folder, 'config'),
    XDG_DATA_HOME: path.join(folder, 'share'), SDL_AUDIODRIVER: 'dummy', LIBGL_ALWAYS_SOFTWARE: '1' };
  const run = spawnSync('xvfb-run', ['-a', '-s', '-screen 0 1024x768x24 -noreset', path.join(nativeBuild, 'burrik'),
    ...args], { cwd: folder, env, encoding: 'utf8', timeout: kRunLimitMs });
  const file = (name) => (fs.existsSync(path.join(folder, name)) ? fs.readFileSync(path.join(folder, name)) : null);
  return { status: run.status, stderr: run.stderr, file };
}

export function waitForExit(page) {
  return page.waitForFunction(() => window.burrik && window.burrik.exitStatus !== null, null, { timeout: kRunLimitMs });
}

// The bytes of a file the page's game wrote, or null.
export async function readPageFile(page, name) {
  const base64 = await page.evaluate((file) => {
    const bytes = window.burrik.readFile(file);
    if (!bytes) return null;
    let text = '';
    for (let i = 0; i < bytes.length; i += 0x8000) text += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
    return btoa(text);
  }, name);
  return base64 === null ? null : Buffer.from(base64, 'base64');
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

// Fails unless the two traces (as text) have the same lines, naming the
// first line that differs and its fields.
export function assertSameTrace(expected, actual, what) {
  const expectedLines = expected.toString().split('\n');
  const actualLines = actual.toString().split('\n');
  const differing = expectedLines.map((line, i) => i).filter((i) => expectedLines[i] !== actualLines[i]);
  if (differing.length > 0 || actualLines.length !== expectedLines.length) {
    const first = differing.length > 0 ? differing[0] : Math.min(expectedLines.length, actualLines.length);
    const fields = differences(JSON.parse(expectedLines[first] || 'null'), JSON.parse(actualLines[first] || 'null'));
    assert.fail(`${what}: ${differing.length} of ${expectedLines.length - 1} trace lines differ (${actualLines.length - 1} ` +
      `lines against ${expectedLines.length - 1}), first at frame ${first + 1}:\n  ${fields.join('\n  ')}`);
  }
}
