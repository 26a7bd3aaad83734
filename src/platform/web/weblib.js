// The browser's side of the web backend (webbackend.cpp), linked with --js-library: the frame
// onto the page's canvas, the page's keys as key codes (webbackend.cpp names them as the
// show's keys), the wait for the next animation frame, and the Web Audio output that pulls
// its buffers from the music layer.

mergeInto(LibraryManager.library, {
  $WEB: {
    context: null,     // the canvas's 2D context
    image: null,       // ImageData the frames are copied into
    keys: null,        // codes of keys released, oldest first; null until listening
    down: null,        // keys pressed since listening began (a key released must be one of them)
    waits: 0,          // frames waited for
    woke: 0,           // performance.now() when the show last resumed
    busiest: 0,        // the longest the show has held the page at once, in ms (start-up apart)

    // Codes of the keys a show can react to (other keys are left to the browser): ASCII for
    // printable characters (letters in lower case) and Escape, Enter, Tab, Backspace, Delete;
    // 0x100 + N for FN; 0x110 Print Screen, 0x111 Pause. webbackend.cpp names the show's keys
    // among them.
    symbol: function(event) {
      const named = { Escape: 27, Enter: 13, Tab: 9, Backspace: 8, Delete: 127, PrintScreen: 0x110, Pause: 0x111 };
      if (named[event.key] !== undefined) return named[event.key];
      const f = /^F([1-9]|1[0-5])$/.exec(event.key);
      if (f) return 0x100 + Number(f[1]);
      if (event.key.length === 1) {
        const code = event.key.toLowerCase().charCodeAt(0);
        if (code >= 32 && code < 127) return code;  // printable ASCII: the symbol is the character
      }
      return 0;
    },

    listen: function() {
      WEB.keys = [];
      WEB.down = new Set();
      document.addEventListener('keydown', function(event) {
        const symbol = WEB.symbol(event);
        if (!symbol) return;
        WEB.down.add(symbol);
        if (symbol === 32) event.preventDefault();  // Space would scroll the page
      });
      document.addEventListener('keyup', function(event) {
        const symbol = WEB.symbol(event);
        if (!symbol || !WEB.down.delete(symbol)) return;
        WEB.keys.push(symbol);
        if (symbol === 32) event.preventDefault();
      });
    },
  },

  WEB_Present__deps: ['$WEB'],
  WEB_Present: function(rgba, width, height) {
    const canvas = Module['canvas'];
    if (!WEB.context) WEB.context = canvas.getContext('2d');
    if (!WEB.image || WEB.image.width !== width || WEB.image.height !== height) {
      canvas.width = width;
      canvas.height = height;
      WEB.image = WEB.context.createImageData(width, height);
    }
    WEB.image.data.set(HEAPU8.subarray(rgba, rgba + width * height * 4));
    WEB.context.putImageData(WEB.image, 0, 0);
  },

  WEB_Report__deps: ['$WEB', '$WEB_Audio'],
  WEB_Report: function(order, row, tick) {
    const report = Module['onShowFrame'];
    if (report) report({ order: order, row: row, tick: tick, busiestMs: Math.round(WEB.busiest),
                         audio: WEB_Audio.stats() });
  },

  WEB_NextEvent__deps: ['$WEB'],
  WEB_NextEvent: function() {
    // Listening starts with the show's first frame, so the key that started it is not a
    // key released in the show.
    if (!WEB.keys) WEB.listen();
    return WEB.keys.length ? WEB.keys.shift() : 0;
  },

  WEB_WaitFrame__deps: ['$WEB', '$WEB_Audio'],
  WEB_WaitFrame: function() {
    return Asyncify.handleSleep(function(wakeUp) {
      WEB_Audio.fill();  // a long frame must not leave the output short of sound
      if (WEB.waits++ > 0) WEB.busiest = Math.max(WEB.busiest, performance.now() - WEB.woke);
      let resumed = false;
      const resume = function() {
        if (resumed) return;
        resumed = true;
        WEB.woke = performance.now();
        wakeUp();
      };
      requestAnimationFrame(resume);
      setTimeout(resume, 100);  // a hidden page gets no animation frames: the show goes on slowly
    });
  },

  // The sound device. Like SDL's on a desktop, it holds two buffers: it asks the music layer
  // for the next one when one buffer is left to play, so the music layer's estimate of what is
  // being heard (frames rendered, less two buffers, plus the time since it was last asked)
  // holds here too. The layer's callback runs on the page's one thread between the show's
  // frames, so a buffer is larger than on a desktop: a frame that takes long (an effect
  // building its tables) must not let the output run dry.
  $WEB_Audio__deps: ['$WEB'],
  $WEB_Audio: {
    FRAMES: 4096,      // frames of one buffer: 93 ms at 44,100 Hz
    RATE: 44100,
    context: null,
    pull: 0, buffer: 0, // the music layer's fill and the buffer it fills
    paused: true,
    queueEnd: 0,       // context time at which the audio queued so far ends
    timer: null,
    sources: [],       // buffers scheduled and not yet ended
    played: 0,         // frames handed to the context
    gaps: 0,           // times the output ran dry once the show's frames had begun
    slowest: 0,        // the longest the music layer took to fill one buffer, in ms

    close: function() {
      const a = WEB_Audio;
      if (!a.buffer) return;
      clearTimeout(a.timer);
      a.paused = true;
      for (const source of a.sources.slice()) source.stop();
      a.sources = [];
      _free(a.buffer);
      a.buffer = 0;
    },

    stats: function() {
      const a = WEB_Audio;
      return { state: a.context ? a.context.state : 'none', time: a.context ? a.context.currentTime : 0,
               frames: a.played, gaps: a.gaps, slowestMs: Math.round(a.slowest) };
    },

    // Hands the context buffers from the music layer until more than one is waiting to be
    // played, then sets a timer for when only one will be left.
    fill: function() {
      const a = WEB_Audio;
      if (!a.context || a.paused) return;
      const seconds = a.FRAMES / a.RATE;
      while (a.queueEnd - a.context.currentTime <= seconds + 0.001) {
        const began = performance.now();
        {{{ makeDynCall('vii', 'a.pull') }}}(a.buffer, a.FRAMES);
        a.slowest = Math.max(a.slowest, performance.now() - began);
        const sound = a.context.createBuffer(2, a.FRAMES, a.RATE);
        const left = sound.getChannelData(0), right = sound.getChannelData(1);
        const samples = HEAP16.subarray(a.buffer >> 1, (a.buffer >> 1) + 2 * a.FRAMES);
        for (let i = 0; i < a.FRAMES; i++) {
          left[i] = samples[2 * i] / 32768;
          right[i] = samples[2 * i + 1] / 32768;
        }
        const source = a.context.createBufferSource();
        source.buffer = sound;
        source.connect(a.context.destination);
        source.onended = function() {
          const i = a.sources.indexOf(source);
          if (i >= 0) a.sources.splice(i, 1);
        };
        a.sources.push(source);
        // The clock is read after rendering: a buffer started in the past would play late. The
        // output running dry before the show's first frame is its start-up: no gap in the music.
        const now = a.context.currentTime;
        if (a.queueEnd <= now && a.played > 0 && WEB.waits > 0) a.gaps++;
        const when = Math.max(a.queueEnd, now);
        source.start(when);
        a.queueEnd = when + seconds;
        a.played += a.FRAMES;
      }
      clearTimeout(a.timer);
      a.timer = setTimeout(a.fill, Math.max(0, (a.queueEnd - seconds - a.context.currentTime) * 1000));
    },
  },

  // Opens the output at 44,100 Hz, signed 16-bit stereo: the music layer's pull will be asked
  // for buffers of FRAMES frames (written to *bufferFrames) once it runs. 0, or 1 without Web
  // Audio.
  WEB_AudioOpen__deps: ['$WEB_Audio'],
  WEB_AudioOpen: function(pull, bufferFrames) {
    const a = WEB_Audio;
    if (a.buffer) WEB_Audio.close();
    // The page makes the context when the show is started by a click or a key, since a
    // browser lets sound start only then.
    let context = Module['audioContext'];
    if (!context) {
      const Context = window.AudioContext || window.webkitAudioContext;
      if (!Context) return 1;
      context = new Context();
    }
    a.context = context;
    a.pull = pull;
    a.buffer = _malloc(a.FRAMES * 4);
    a.paused = true;
    a.queueEnd = 0;
    a.played = 0;
    a.gaps = 0;
    a.slowest = 0;
    {{{ makeSetValue('bufferFrames', 0, 'a.FRAMES', 'i32') }}};
    return 0;
  },

  // Stopped, the output asks for nothing more; what it holds still plays out, as on a desktop.
  WEB_AudioRun__deps: ['$WEB_Audio'],
  WEB_AudioRun: function(on) {
    const a = WEB_Audio;
    if (!a.buffer) return;
    a.paused = !on;
    if (a.paused) clearTimeout(a.timer);
    else a.fill();
  },

  WEB_AudioClose__deps: ['$WEB_Audio'],
  WEB_AudioClose: function() {
    WEB_Audio.close();
  },
});
