// The page around the game: the game's command line from the query string,
// the files it reads fetched from the site, the loading bar, the start on a
// click or key (sound may only start after one), the game's output on the
// console, and window.burrik for whoever drives the page (the tests).
//
// index.html?windowed&seed=57&script=keys.txt is `burrik --windowed --seed 57
// --script keys.txt`: each parameter is an option without its dashes, in
// order, its value (if any) the option's value.
//
// Steps that must be done before the game starts (files fetched now; the
// player's files from the browser's storage, later) are promises in
// `beforeStart`; the game starts when all of them are done.
'use strict';

(function () {
  // Options naming a file the game reads: fetched relative to the page.
  const kFileOptions = ['script', 'replay'];
  // Options that make an automated run, which starts without a click.
  const kAutomatedOptions = ['script', 'replay', 'frames', 'screenshot', 'autopilot'];
  // The exit status of a game that crashed (as a shell reports an abort).
  const kCrashStatus = 134;
  // Keys the page itself would act on (scrolling); the game wants them all.
  const kGameKeys = new Set(['ArrowUp', 'ArrowDown', 'ArrowLeft', 'ArrowRight', ' ', 'PageUp', 'PageDown',
    'Home', 'End', 'F1', 'F2']);

  const canvas = document.getElementById('canvas');
  const cover = document.getElementById('cover');
  const bar = document.querySelector('#bar div');
  const message = document.getElementById('message');
  const fullscreenButton = document.getElementById('fullscreen');

  // The game's files live in the browser's memory while the page is open:
  // the start folder is '/', the content is in /data.
  const burrik = window.burrik = {
    exitStatus: null,  // null while the game runs (or has not started), then its exit status
    failure: null,     // what went wrong, when the game could not run or crashed
    started: false,
    stdout: [],
    stderr: [],
    // The bytes of a file the game wrote (a path relative to the start
    // folder, or absolute), or null.
    readFile(path) {
      const fs = window.Module && window.Module.FS;
      if (!fs) return null;
      try {
        return fs.readFile(absolute(path));
      } catch (error) {
        return null;
      }
    },
  };

  function absolute(path) {
    return path.startsWith('/') ? path : '/' + path.replace(/^(\.\/)+/, '');
  }

  function optionsFromQuery(search) {
    const args = [];
    const files = [];
    let automated = false;
    for (const [name, value] of new URLSearchParams(search)) {
      args.push('--' + name);
      if (value !== '') args.push(value);
      if (kFileOptions.includes(name) && value !== '') files.push(value);
      if (kAutomatedOptions.includes(name)) automated = true;
    }
    return { args, files, automated };
  }

  function show(text, failed) {
    message.textContent = text;
    cover.classList.toggle('failed', !!failed);
    cover.hidden = false;
  }

  function fail(text) {
    if (burrik.failure === null) burrik.failure = text;
    show(text, true);
  }

  function webglAvailable() {
    try {
      const probe = document.createElement('canvas');
      return !!(window.WebGLRenderingContext && (probe.getContext('webgl') || probe.getContext('experimental-webgl')));
    } catch (error) {
      return false;
    }
  }

  // Emscripten's loader reports "... (loaded/total)" while the data arrives.
  function showProgress(status) {
    const parts = /\((\d+(?:\.\d+)?)\/(\d+)\)/.exec(status || '');
    if (parts) bar.style.width = Math.min(100, 100 * Number(parts[1]) / Number(parts[2])) + '%';
  }

  // A file that cannot be fetched is left out: the game then says what is
  // missing and ends as it does on the desktop.
  async function fetchFile(path) {
    let response;
    try {
      response = await fetch(new URL(path, document.baseURI));
    } catch (error) {
      console.error(`burrik page: cannot fetch ${path}: ${error.message}`);
      return;
    }
    if (!response.ok) {
      console.error(`burrik page: cannot fetch ${path}: ${response.status} ${response.statusText}`);
      return;
    }
    const bytes = new Uint8Array(await response.arrayBuffer());
    const target = absolute(path);
    const folder = target.slice(0, target.lastIndexOf('/'));
    if (folder) window.Module.FS.mkdirTree(folder);
    window.Module.FS.writeFile(target, bytes);
  }

  function waitForGesture() {
    return new Promise((resolve) => {
      const go = (event) => {
        event.preventDefault();
        window.removeEventListener('keydown', go, true);
        cover.removeEventListener('pointerdown', go);
        resolve();
      };
      window.addEventListener('keydown', go, true);
      cover.addEventListener('pointerdown', go);
    });
  }

  function setUpFullscreenButton() {
    fullscreenButton.addEventListener('click', () => {
      fullscreenButton.blur();  // space and enter are the game's
      if (document.fullscreenElement) document.exitFullscreen();
      else document.documentElement.requestFullscreen().catch(() => {});
    });
  }

  function keepKeysFromThePage() {
    window.addEventListener('keydown', (event) => {
      if (kGameKeys.has(event.key)) event.preventDefault();
    });
  }

  function start() {
    keepKeysFromThePage();
    setUpFullscreenButton();
    if (!webglAvailable()) {
      fail('Burrik needs WebGL, which this browser lacks or has switched off.');
      return;
    }
    const options = optionsFromQuery(window.location.search);
    const beforeStart = [];
    const Module = window.Module = {
      canvas,
      arguments: options.args,
      print(line) {
        burrik.stdout.push(line);
        console.log(line);
      },
      printErr(line) {
        burrik.stderr.push(line);
        console.error(line);
      },
      setStatus: showProgress,
      preRun: [() => {
        Module.addRunDependency('burrik-start');
        for (const path of options.files) beforeStart.push(fetchFile(path));
        if (!options.automated) {
          show('Click or press a key to start.');
          beforeStart.push(waitForGesture());
        }
        Promise.all(beforeStart).then(
          () => Module.removeRunDependency('burrik-start'),
          (error) => fail(String(error.message || error)));
      }],
      onRuntimeInitialized() {
        bar.style.width = '100%';
        cover.hidden = true;
        burrik.started = true;
      },
      onExit(status) {
        burrik.exitStatus = status;
        show(status === 0 ? 'Burrik has ended. Reload the page to play again.'
                          : `Burrik has ended with status ${status}; the console says why.`, status !== 0);
      },
      onAbort(what) {
        if (burrik.exitStatus === null) burrik.exitStatus = kCrashStatus;
        fail(`Burrik has crashed: ${what}`);
      },
    };
    // An error thrown out of the game (not an exit) stops it too.
    window.addEventListener('error', (event) => {
      if (!burrik.started || burrik.exitStatus !== null) return;
      burrik.exitStatus = kCrashStatus;
      fail(`Burrik has crashed: ${event.message}`);
    });
    const script = document.createElement('script');
    script.src = 'burrik.js';
    script.onerror = () => fail('The game could not be loaded from the site.');
    document.body.appendChild(script);
  }

  start();
})();
