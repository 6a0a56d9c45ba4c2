// The page around the game: the game's command line from the query string,
// the files it reads fetched from the site, the loading bar, the start on a
// click or key (sound may only start after one), the game's output on the
// console, and window.burrik for whoever drives the page (the tests).
//
// index.html?windowed&seed=57&script=keys.txt is `burrik --windowed --seed 57
// --script keys.txt`: each parameter is an option without its dashes, in
// order, its value (if any) the option's value.
//
// Steps that must be done before the game starts (files fetched, the
// player's folders read back from the browser's storage) are promises in
// `beforeStart`; the game starts when all of them are done.
//
// The player's folders (~/.config: settings.ini, burrik.ini; ~/.local/share:
// the score table and its replays) live in the browser's storage
// (IndexedDB) from visit to visit. The game writes them as on the desktop (a
// temporary file renamed over the old one) and then tells the page, which
// copies the changed files into the storage in one transaction per folder:
// the storage holds the old files or the new ones, never half of a write.
// One tab at a time plays, so that two games never write over each other's
// table. The page lists the best games kept there ("watch", "download") and
// takes a replay file the player opens or drops on it.
'use strict';

(function () {
  // Options naming a file the game reads: fetched relative to the page.
  const kFileOptions = ['script', 'replay'];
  // Options that make an automated run, which starts without a click.
  const kAutomatedOptions = ['script', 'replay', 'frames', 'screenshot', 'autopilot'];
  // The exit status of a game that crashed (as a shell reports an abort).
  const kCrashStatus = 134;
  // The emscripten runtime's home folder, and the player's folders in it.
  const kHome = '/home/web_user';
  const kPlayerFolders = [`${kHome}/.config`, `${kHome}/.local/share`];
  const kScoreTable = `${kHome}/.local/share/burrik/scores`;
  const kScoreTableMagic = 'burrik-scores 1';
  // Where a replay the player opened or dropped waits for the reload that
  // plays it (a database of the page's own), and where the game reads it.
  const kPageDatabase = 'burrik-page';
  const kOpenedReplayStore = 'opened-replay';
  const kOpenedReplayFolder = '/opened';
  // Every game in the page is recorded here (in memory), so that the games
  // that make the table keep their replays beside it.
  const kRecordingFolder = '/recording';
  const kRecording = `${kRecordingFolder}/this-visit.replay`;
  const kOptionsThatRecordOrReplay = ['record', 'replay', 'autopilot'];
  // sessionStorage: the replay to watch once the page has loaded again.
  const kWatchKey = 'burrik-watch';
  // Only one tab of this site plays at a time.
  const kPlayLock = 'burrik-player-files';
  // sessionStorage: this tab reloads holding the play lock (to watch a
  // replay), and takes it back from a tab that was given it meanwhile.
  const kReloadHoldingKey = 'burrik-reload-holding';
  // Keys the page itself would act on (scrolling); the game wants them all.
  const kGameKeys = new Set(['ArrowUp', 'ArrowDown', 'ArrowLeft', 'ArrowRight', ' ', 'PageUp', 'PageDown',
    'Home', 'End', 'F1', 'F2', 'F12']);

  const canvas = document.getElementById('canvas');
  const cover = document.getElementById('cover');
  const bar = document.querySelector('#bar div');
  const message = document.getElementById('message');
  const fullscreenButton = document.getElementById('fullscreen');
  const scoresButton = document.getElementById('scores-button');
  const openButton = document.getElementById('open-button');
  const replayInput = document.getElementById('replay-file');
  const scoresPanel = document.getElementById('scores');
  const scoresList = document.getElementById('scores-list');
  const notice = document.getElementById('notice');

  // The game's files live in the browser's memory while the page is open:
  // the start folder is '/', the content is in /data.
  const burrik = window.burrik = {
    exitStatus: null,  // null while the game runs (or has not started), then its exit status
    failure: null,     // what went wrong, when the game could not run or crashed
    started: false,
    stdout: [],
    stderr: [],
    // Whether the player's folders are kept in the browser's storage; null
    // until they have been read back from it.
    storageKept: null,
    storageProblem: null,  // why they are not, in words
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

  // The promise of the moment when every change the game made so far is in
  // the browser's storage (or could not be put there).
  burrik.storageSettled = () => (storage.busy || storage.again
    ? new Promise((resolve) => storage.settled.push(resolve)) : Promise.resolve());

  const storage = { busy: false, again: false, settled: [] };

  function noteStorageProblem(text) {
    burrik.storageKept = false;
    if (burrik.storageProblem === null) burrik.storageProblem = text;
    console.error(`burrik page: ${text}`);
    notice.textContent = `${text} Settings, scores and replays last only while this page is open.`;
    notice.hidden = false;
  }

  // The player's folders in the browser's storage, read back before the game starts.
  function mountPlayerFolders(FS) {
    if (!window.indexedDB) {
      noteStorageProblem('This browser keeps no storage (IndexedDB) for pages.');
      return Promise.resolve();
    }
    try {
      for (const folder of kPlayerFolders) {
        FS.mkdirTree(folder);
        FS.mount(FS.filesystems.IDBFS, {}, folder);
      }
    } catch (error) {
      noteStorageProblem(`The browser's storage cannot be used: ${error.message || error}.`);
      return Promise.resolve();
    }
    return new Promise((resolve) => {
      FS.syncfs(true, (error) => {
        if (error) noteStorageProblem(`The browser's storage cannot be read: ${error.message || error}.`);
        else burrik.storageKept = true;
        resolve();
      });
    });
  }

  // After the game changed a player's file: one copy at a time, and one
  // more after it when the game changed something during it.
  function copyPlayerFilesToStorage() {
    if (!burrik.storageKept) return;
    if (storage.busy) {
      storage.again = true;
      return;
    }
    storage.busy = true;
    window.Module.FS.syncfs(false, (error) => {
      storage.busy = false;
      if (error) noteStorageProblem(`The browser's storage cannot be written: ${error.message || error}.`);
      if (storage.again) {
        storage.again = false;
        copyPlayerFilesToStorage();
      } else {
        for (const resolve of storage.settled.splice(0)) resolve();
      }
      refreshScores();
    });
  }

  function readText(path) {
    try {
      return new TextDecoder().decode(window.Module.FS.readFile(path));
    } catch (error) {
      return null;
    }
  }

  // The entries of the score table: "SCORE LEVEL DATE [REPLAY]" under its
  // first line. A damaged table lists nothing (the game keeps it aside).
  function scoreEntries() {
    const text = window.Module && window.Module.FS ? readText(kScoreTable) : null;
    if (text === null) return [];
    const lines = text.split('\n');
    if (lines[0] !== kScoreTableMagic) return [];
    const entries = [];
    for (const line of lines.slice(1)) {
      const fields = line.split(' ');
      if (fields.length < 3 || fields.length > 4) continue;
      const replay = fields[3] && /^[A-Za-z0-9_-][A-Za-z0-9._-]*$/.test(fields[3]) ? fields[3] : null;
      entries.push({ score: fields[0], level: Number(fields[1]) + 1, date: fields[2], replay });
    }
    return entries;
  }

  function replayPath(name) {
    return kScoreTable.slice(0, kScoreTable.lastIndexOf('/') + 1) + name;
  }

  function download(name, bytes) {
    const link = document.createElement('a');
    link.href = URL.createObjectURL(new Blob([bytes], { type: 'application/octet-stream' }));
    link.download = name;
    document.body.appendChild(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(link.href), 60000);
  }

  function button(text, action) {
    const element = document.createElement('button');
    element.type = 'button';
    element.tabIndex = -1;
    element.textContent = text;
    element.addEventListener('click', (event) => {
      event.currentTarget.blur();  // space and enter are the game's
      action();
    });
    return element;
  }

  // The best games, as the table in the browser's storage has them.
  function refreshScores() {
    const entries = scoreEntries();
    scoresList.replaceChildren();
    if (entries.length === 0) {
      const row = document.createElement('li');
      row.textContent = 'No games yet: the ten best are kept here, with their replays.';
      scoresList.appendChild(row);
    }
    for (const entry of entries) {
      const row = document.createElement('li');
      const what = document.createElement('span');
      what.textContent = `${entry.score} points, level ${entry.level}, ${entry.date}`;
      row.appendChild(what);
      if (entry.replay) {
        row.appendChild(button('watch', () => watchAfterReload(replayPath(entry.replay))));
        row.appendChild(button('download', () => {
          try {
            download(entry.replay, window.Module.FS.readFile(replayPath(entry.replay)));
          } catch (error) {
            noteStorageProblem(`The replay ${entry.replay} cannot be read.`);
          }
        }));
      }
      scoresList.appendChild(row);
    }
  }

  // A game cannot be started twice in one page: watching starts the page anew.
  function watchAfterReload(path) {
    sessionStorage.setItem(kWatchKey, path);
    if (holdingPlayLock) sessionStorage.setItem(kReloadHoldingKey, '1');
    window.location.reload();
  }

  function pageDatabase() {
    return new Promise((resolve, reject) => {
      const request = indexedDB.open(kPageDatabase, 1);
      request.onupgradeneeded = () => request.result.createObjectStore(kOpenedReplayStore);
      request.onsuccess = () => resolve(request.result);
      request.onerror = () => reject(request.error);
    });
  }

  async function keepOpenedReplay(name, bytes) {
    const db = await pageDatabase();
    await new Promise((resolve, reject) => {
      const transaction = db.transaction(kOpenedReplayStore, 'readwrite');
      transaction.objectStore(kOpenedReplayStore).put({ name, bytes }, 'replay');
      transaction.oncomplete = resolve;
      transaction.onerror = () => reject(transaction.error);
    });
    db.close();
  }

  // The replay opened before the reload, taken out of the page's database.
  async function takeOpenedReplay() {
    const db = await pageDatabase();
    const replay = await new Promise((resolve, reject) => {
      const transaction = db.transaction(kOpenedReplayStore, 'readwrite');
      const store = transaction.objectStore(kOpenedReplayStore);
      const request = store.get('replay');
      request.onsuccess = () => {
        store.delete('replay');
        resolve(request.result || null);
      };
      transaction.onerror = () => reject(transaction.error);
    });
    db.close();
    return replay;
  }

  // A replay file the player opened or dropped: played after a reload.
  async function openReplayFile(file) {
    if (!file) return;
    const name = file.name.replace(/[^A-Za-z0-9._-]/g, '_').replace(/^\.+/, '') || 'opened.replay';
    try {
      await keepOpenedReplay(name, new Uint8Array(await file.arrayBuffer()));
    } catch (error) {
      noteStorageProblem(`The replay ${file.name} cannot be opened: ${error.message || error}.`);
      return;
    }
    watchAfterReload(`${kOpenedReplayFolder}/${name}`);
  }

  function setUpReplayButtons() {
    scoresButton.addEventListener('click', () => {
      scoresButton.blur();
      refreshScores();
      scoresPanel.hidden = !scoresPanel.hidden;
    });
    document.getElementById('scores-close').addEventListener('click', () => { scoresPanel.hidden = true; });
    openButton.addEventListener('click', () => {
      openButton.blur();
      replayInput.click();
    });
    replayInput.addEventListener('change', () => openReplayFile(replayInput.files[0]));
    window.addEventListener('dragover', (event) => event.preventDefault());
    window.addEventListener('drop', (event) => {
      event.preventDefault();
      openReplayFile(event.dataTransfer.files[0]);
    });
  }

  // Resolves once this tab holds the play lock (at once when the browser
  // has no locks); it is held until the tab closes. While another tab holds
  // it the page says so, and goes on when that tab closes. A tab that
  // reloaded to watch a replay takes the lock back from a waiting tab that
  // was given it during the reload; that tab starts over and waits again.
  let holdingPlayLock = false;
  function takePlayLock() {
    if (!navigator.locks) return Promise.resolve();
    const reloadedHolding = sessionStorage.getItem(kReloadHoldingKey) !== null;
    sessionStorage.removeItem(kReloadHoldingKey);
    const holdUntilClosed = () => new Promise(() => {});
    return new Promise((resolve) => {
      const hold = () => {
        holdingPlayLock = true;
        resolve();
        return holdUntilClosed();
      };
      // Taken away, the tab starts over; without locks that work (a
      // sandboxed frame) it plays as if alone.
      const failed = () => (holdingPlayLock ? window.location.reload() : resolve());
      if (reloadedHolding) {
        navigator.locks.request(kPlayLock, { steal: true }, hold).catch(failed);
        return;
      }
      navigator.locks.request(kPlayLock, { ifAvailable: true }, (lock) => {
        if (lock !== null) return hold();
        show('Burrik is already open in another tab of this browser; it starts here once that tab is closed.', true);
        navigator.locks.request(kPlayLock, hold).catch(failed);
        return undefined;
      }).catch(failed);
    });
  }

  // What to watch, when the page was reloaded for it: a kept replay's path,
  // or an opened replay to be written where the game reads it.
  async function replayToWatch() {
    const path = sessionStorage.getItem(kWatchKey);
    if (path === null) return null;
    sessionStorage.removeItem(kWatchKey);
    if (!path.startsWith(`${kOpenedReplayFolder}/`)) return { path, bytes: null };
    try {
      const opened = await takeOpenedReplay();
      if (opened) return { path: `${kOpenedReplayFolder}/${opened.name}`, bytes: opened.bytes };
    } catch (error) {
      noteStorageProblem(`The opened replay cannot be read back: ${error.message || error}.`);
    }
    return null;
  }

  function absolute(path) {
    return path.startsWith('/') ? path : '/' + path.replace(/^(\.\/)+/, '');
  }

  function optionsFromQuery(search) {
    const args = [];
    const files = [];
    let automated = false;
    let recorded = false;
    for (const [name, value] of new URLSearchParams(search)) {
      if (kOptionsThatRecordOrReplay.includes(name)) recorded = true;
      args.push('--' + name);
      if (value !== '') args.push(value);
      if (kFileOptions.includes(name) && value !== '') files.push(value);
      if (kAutomatedOptions.includes(name)) automated = true;
    }
    return { args, files, automated, recorded };
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

  // The last thing the game said on standard error, for the page's message.
  function lastComplaint() {
    const said = burrik.stderr.filter((line) => line.startsWith('burrik'));
    return said.length > 0 ? ` ${said[said.length - 1]}` : ' The console says why.';
  }

  async function start() {
    keepKeysFromThePage();
    setUpFullscreenButton();
    setUpReplayButtons();
    if (!webglAvailable()) {
      fail('Burrik needs WebGL, which this browser lacks or has switched off.');
      return;
    }
    await takePlayLock();
    cover.classList.remove('failed');
    message.textContent = 'Loading…';
    const options = optionsFromQuery(window.location.search);
    const watching = await replayToWatch();
    if (watching) options.args.push('--replay', watching.path);
    else if (!options.recorded) options.args.push('--record', kRecording);
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
      burrikPlayerFilesChanged: copyPlayerFilesToStorage,
      // A picture F12 saved: the player gets it as a download.
      burrikOfferDownload(path) {
        try {
          download(path.slice(path.lastIndexOf('/') + 1), Module.FS.readFile(path));
        } catch (error) {
          console.error(`burrik page: the picture ${path} cannot be offered: ${error.message || error}`);
        }
      },
      preRun: [() => {
        Module.addRunDependency('burrik-start');
        beforeStart.push(mountPlayerFolders(Module.FS).then(refreshScores));
        for (const path of options.files) beforeStart.push(fetchFile(path));
        Module.FS.mkdirTree(kRecordingFolder);
        if (watching && watching.bytes) {
          Module.FS.mkdirTree(kOpenedReplayFolder);
          Module.FS.writeFile(watching.path, watching.bytes);
        }
        if (watching) {
          // Sound may start only after a gesture, even for a replay.
          show(`Click or press a key to watch ${watching.path.slice(watching.path.lastIndexOf('/') + 1)}.`);
          beforeStart.push(waitForGesture());
        } else if (!options.automated) {
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
                          : `Burrik has ended with status ${status}.${lastComplaint()}`, status !== 0);
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
