// The page around the show: loads it, starts it on a click or a key (a browser lets sound
// start only then), shows the music position and offers full screen. `?from=ORDER:ROW` in the
// address is passed to the program as `--from ORDER:ROW`.
'use strict';

(function () {
  const stage = document.getElementById('stage');
  const canvas = document.getElementById('screen');
  const overlay = document.getElementById('overlay');
  const startButton = document.getElementById('start');
  const message = document.getElementById('message');
  const controls = document.getElementById('controls');
  const position = document.getElementById('position');
  const fullscreen = document.getElementById('fullscreen');
  const progress = document.getElementById('progress');

  const args = [];
  const from = new URLSearchParams(location.search).get('from');
  if (from) args.push('--from', from);

  // What the page knows of the show, for people and for the browser test to read.
  const state = window.vantrel = {
    phase: 'loading',    // loading, ready, playing, ended, failed
    args: args,
    order: 0, row: 0,    // music position heard now, 1-based
    tick: 0,             // the show's 70 Hz tick
    frames: 0,           // frames presented
    busiestMs: 0,        // the longest the show has held the page between two frames
    audio: null,         // the sound output: state, clock, frames handed over, gaps, slowest fill
    exitStatus: null,
    errors: [],          // lines the program wrote to its error stream
    downloads: [],       // files the show wrote, offered as downloads
    progress: '',        // the program's status line (skipping ahead for ?from), as it stands
  };

  let program = null;

  function show(text, buttonText, enabled) {
    overlay.hidden = false;
    message.textContent = text;
    startButton.textContent = buttonText;
    startButton.disabled = !enabled;
    document.body.classList.remove('playing');
    if (enabled) startButton.focus();
  }

  // Files the show writes into its working directory (screenshots) live in the page's memory:
  // each new one is handed to the browser as a download and then removed. Files open for
  // writing wait for the next look; those there before the show started are its data.
  let dataFiles = null;
  function offerFiles() {
    const FS = program.FS;
    const dir = FS.cwd();
    for (const name of FS.readdir(dir)) {
      const file = (dir === '/' ? '' : dir) + '/' + name;
      if (dataFiles.has(name) || !FS.isFile(FS.stat(file).mode)) continue;
      if (FS.streams.some(function (stream) { return stream && stream.path === file; })) continue;
      const url = URL.createObjectURL(new Blob([FS.readFile(file)], { type: 'application/octet-stream' }));
      const link = document.createElement('a');
      link.href = url;
      link.download = name;
      link.click();
      setTimeout(function () { URL.revokeObjectURL(url); }, 60000);
      FS.unlink(file);
      state.downloads.push(name);
    }
  }

  function ended(status) {
    offerFiles();
    state.exitStatus = status;
    state.phase = status === 0 ? 'ended' : 'failed';
    if (status === 0) show('', 'Play again', true);
    else show(state.errors.join('\n') || 'The show stopped (status ' + status + ').', 'Reload', true);
  }

  function crashed(error) {
    state.phase = 'failed';
    console.error(error);
    show(String(error && error.message || error), 'Reload', true);
  }

  // Runs the program's main with the page's arguments; resolves with its exit status.
  function runMain() {
    const all = ['vantrel'].concat(args);
    const argv = program._malloc(4 * (all.length + 1));
    all.forEach(function (arg, i) {
      const size = program.lengthBytesUTF8(arg) + 1;
      const text = program._malloc(size);
      program.stringToUTF8(arg, text, size);
      program.HEAP32[(argv >> 2) + i] = text;
    });
    program.HEAP32[(argv >> 2) + all.length] = 0;
    try {
      return Promise.resolve(program.ccall('main', 'number', ['number', 'number'], [all.length, argv], { async: true }));
    } catch (error) {
      return Promise.reject(error);
    }
  }

  function start() {
    if (state.phase === 'ended' || state.phase === 'failed') {
      location.reload();  // the program's state is used up: a fresh page plays it again
      return;
    }
    if (state.phase !== 'ready') return;
    state.phase = 'playing';
    const Context = window.AudioContext || window.webkitAudioContext;
    if (Context) {
      let context;
      try {
        context = new Context({ sampleRate: 44100, latencyHint: 'interactive' });
      } catch (error) {
        context = new Context();  // a browser that cannot run at the music's rate resamples it
      }
      context.resume();
      program.audioContext = context;
    }
    overlay.hidden = true;
    document.body.classList.add('playing');
    canvas.focus();
    runMain().then(ended, function (error) {
      if (error && error.name === 'ExitStatus') ended(error.status);
      else crashed(error);
    });
  }

  overlay.addEventListener('click', start);
  startButton.addEventListener('click', function (event) {
    event.stopPropagation();
    start();
  });

  // The controls appear while the pointer moves and fade out when it rests.
  let restTimer = null;
  stage.addEventListener('pointermove', function () {
    controls.classList.add('shown');
    stage.classList.add('pointer');
    clearTimeout(restTimer);
    restTimer = setTimeout(function () {
      controls.classList.remove('shown');
      stage.classList.remove('pointer');
    }, 2500);
  });

  fullscreen.hidden = !document.fullscreenEnabled;
  fullscreen.addEventListener('click', function () {
    if (document.fullscreenElement) document.exitFullscreen();
    else stage.requestFullscreen().catch(function () {});
  });
  document.addEventListener('fullscreenchange', function () {
    fullscreen.textContent = document.fullscreenElement ? 'Leave full screen' : 'Full screen';
  });

  // The program's error stream, byte by byte, read as a terminal shows it: a carriage return
  // starts the line over. That is how the program writes a status line it keeps rewriting (its
  // progress while skipping ahead), so such a line is progress, shown on the page and logged as
  // information. The report of a screenshot written is information too; any other line is an
  // error.
  const decoder = new TextDecoder();
  let errBytes = [];
  let rewritten = false;
  function errLine() { return decoder.decode(new Uint8Array(errBytes)).trimEnd(); }
  function errorByte(byte) {
    if (byte === null || byte === undefined) return;
    if (byte === 13 || byte === 10) {
      const line = errLine();
      if (rewritten && line) {
        state.progress = progress.textContent = line;
        if (byte === 10) console.info(line);
      } else if (byte === 10 && line.startsWith('vantrel: screenshot ')) {
        console.info(line);
      } else if (byte === 10) {
        state.errors.push(line);
        console.error(line);
      }
      errBytes = [];
      rewritten = byte === 13;
    } else {
      errBytes.push(byte);
    }
  }

  function pad(n) { return (n < 10 ? '0' : '') + n; }

  createVantrel({
    canvas: canvas,
    noInitialRun: true,          // main runs when the show is started
    doNotCaptureKeyboard: true,  // the show's keys are taken by the web backend (weblib.js)
    print: function (line) { console.log(line); },
    stderr: errorByte,
    printErr: function (line) {  // the runtime's own complaints
      state.errors.push(line);
      console.error(line);
    },
    onShowFrame: function (report) {
      if (progress.textContent) progress.textContent = '';
      state.order = report.order;
      state.row = report.row;
      state.tick = report.tick;
      state.audio = report.audio;
      state.busiestMs = report.busiestMs;
      state.frames++;
      position.textContent = pad(report.order) + ':' + pad(report.row);
      offerFiles();
    },
  }).then(function (module) {
    program = module;
    dataFiles = new Set(module.FS.readdir(module.FS.cwd()));
    state.phase = 'ready';
    show('', 'Start the show', true);
  }, crashed);
})();
