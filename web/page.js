// The page around the panel: runs the host core's 12 ms tick from the
// browser's frame callback, shows the panel in whole device pixels, turns the
// left mouse button or one finger into the panel's finger, and offers the
// plant controls, links, states, translation previews and captures.
//
// Address parameters (a link made with "Copy link" carries the state after #state=):
//   clock=YYYY-MM-DDTHH:MM:SS  pins the panel clock, as the runner's `clock`
//   manual[=1|0]               no ticks of its own: only kandorelle.tick(n)
//   lang=de|en|fr|it|es|nl|pl  the panel's language (or 0..6)
//   zoom=fit|1|2|3             page=NAME|N the page to open
//   script=LINES               runner commands to play, ; between them
'use strict';

(function () {
  const TICK_MS = 12;
  // A frame runs the ticks that fell due since the previous frame (one or two
  // at 60 frames a second). A page that falls further behind drops the missed
  // ticks, as the window's timer does when its thread was busy.
  const MAX_TICKS_PER_FRAME = 5;
  // A script or a long tick() runs in slices of this length, so the page
  // stays responsive however many ticks it asks for.
  const SLICE_MS = 40;
  const STEP_TICKS = 25;
  // A link is untrusted: its text and its unpacked state are both bounded.
  const LINK_MAX_CHARS = 16384;
  const STATE_MAX_BYTES = 65536;
  const SMALL_SCREEN = 700;
  const LANGUAGES = ['de', 'en', 'fr', 'it', 'es', 'nl', 'pl'];
  const PANEL_W = 320;
  const PANEL_H = 240;

  const params = new URLSearchParams(window.location.search);
  const byId = (id) => document.getElementById(id);
  const canvas = byId('panel');
  const context = canvas.getContext('2d', { alpha: false });
  // The panel's own pixels, 1:1; the visible canvas shows them scaled.
  const source = document.createElement('canvas');
  source.width = PANEL_W;
  source.height = PANEL_H;
  const sourceContext = source.getContext('2d', { alpha: false });
  const status = byId('status');
  const language = byId('language');
  const zoomButtons = Array.from(document.querySelectorAll('button.zoom'));
  const controls = Array.from(document.querySelectorAll('#controls button, #controls select'));

  let m = null;
  let k = null; // the module's functions
  let nextTick = null;
  let fingerPointer = null;
  let paused = false;
  let busy = false;
  let stopAsked = false;
  let zoomChoice = 1; // 0 = fit
  let stale = true; // the visible canvas needs drawing
  let plantLanguage = -1;
  let plantControls = [];
  let recorder = null;
  const notes = [];

  function say(text, problem) {
    status.textContent = text;
    status.classList.toggle('problem', Boolean(problem));
  }

  function enableControls(on) {
    for (const control of controls) control.disabled = !on;
    if (on) byId('step').disabled = !paused;
  }

  // ---- the module --------------------------------------------------------

  function bind(module) {
    m = module;
    const c = (name, result, args) => m.cwrap(name, result, args);
    k = {
      pinClock: c('KandoPinClock', 'number', ['string']),
      message: c('KandoMessage', 'string', []),
      start: c('KandoStart', null, []),
      tick: m._KandoTick,
      caption: c('KandoCaption', 'string', []),
      mouseDown: m._KandoMouseDown,
      mouseMove: m._KandoMouseMove,
      mouseUp: m._KandoMouseUp,
      liftFinger: m._KandoLiftFinger,
      language: m._KandoLanguage,
      setLanguage: m._KandoSetLanguage,
      rows: m._KandoRows,
      takeRows: m._KandoTakeChangedRows,
      parse: c('KandoParse', 'number', ['string', 'string']),
      step: m._KandoStep,
      failedChecks: m._KandoFailedChecks,
      takePrinted: c('KandoTakePrinted', 'string', []),
      takeZoom: m._KandoTakeZoom,
      pageOf: c('KandoPageOf', 'number', ['string']),
      goToPage: m._KandoGoToPage,
      pageSlug: c('KandoPageSlug', 'string', []),
      captureName: c('KandoCaptureName', 'string', []),
      listSize: m._KandoListSize,
      listItem: c('KandoListItem', 'string', ['number', 'number']),
      groupSize: m._KandoGroupSize,
      groupEntry: m._KandoGroupEntry,
      entryCount: m._KandoEntryCount,
      entryText: c('KandoEntryText', 'string', ['number', 'number']),
      entryNumber: m._KandoEntryNumber,
      plantWord: c('KandoPlantWord', 'string', ['string']),
      nowText: c('KandoNowText', 'string', ['number']),
      historySize: m._KandoHistorySize,
      historyEntry: c('KandoHistoryEntry', 'string', ['number']),
      plant: c('KandoPlant', 'string', ['string']),
      preset: c('KandoPreset', 'string', ['string']),
      setClock: c('KandoSetClock', 'string', ['string']),
      stateRecord: m._KandoStateRecord,
      stateRecordSize: m._KandoStateRecordSize,
      takeState: m._KandoTakeState,
      applyState: m._KandoApplyState,
      overrideBegin: c('KandoOverrideBegin', null, ['string', 'number']),
      overrideBytes: m._KandoOverrideBytes,
      overrideText: m._KandoOverrideText,
      overrideInstall: m._KandoOverrideInstall,
      previewClear: m._KandoPreviewClear,
    };
  }

  // ---- the checks module, loaded when first used -----------------------------
  //
  // Reading and writing state files and checking translations are in a
  // module of their own, which the page fetches the first time a state, a
  // link or a translation needs it; the PO parser likewise. A page opened
  // from a file loads the copies that carry their module inside the script.

  const FROM_FILE = window.location.protocol === 'file:';
  const CHECKS_SCRIPT = FROM_FILE ? 'kandorelle-checks-file.js' : 'kandorelle-checks.js';
  const scripts = new Map();

  function loadScript(src) {
    if (!scripts.has(src)) {
      scripts.set(src, new Promise(function (resolve, reject) {
        const script = document.createElement('script');
        script.src = src;
        script.onload = resolve;
        script.onerror = function () {
          scripts.delete(src);
          script.remove();
          reject(new Error('the page\'s part ' + src + ' could not be loaded'));
        };
        document.body.appendChild(script);
      }));
    }
    return scripts.get(src);
  }

  // A new instance of the checks module, with its functions.
  function newChecks() {
    return loadScript(CHECKS_SCRIPT).then(function () { return window.createKandorelleChecks(); }).then(function (module) {
      const c = (name, result, args) => module.cwrap(name, result, args);
      return {
        module: module,
        message: c('KandoMessage', 'string', []),
        stateRecord: module._KandoStateRecord,
        stateRecordSize: module._KandoStateRecordSize,
        stateBytes: module._KandoStateBytes,
        readState: c('KandoReadState', 'number', ['string']),
        stateText: c('KandoStateText', 'string', []),
        previewCheck: module._KandoPreviewCheck,
        textCount: module._KandoTextCount,
        checkedLanguage: module._KandoCheckedLanguage,
        checkedBytes: module._KandoCheckedBytes,
        checkedSize: module._KandoCheckedSize,
        checkedLine: module._KandoCheckedLine,
        checkedHeld: module._KandoCheckedHeld,
      };
    });
  }

  let checksInPage = null;

  // The page's one instance for states and translations.
  function checks() {
    if (checksInPage === null) {
      checksInPage = newChecks().then(function (c) {
        if (c.stateRecordSize() !== k.stateRecordSize()) throw new Error('the page\'s two modules are from different builds');
        return c;
      });
      checksInPage.catch(function () { checksInPage = null; });
    }
    return checksInPage;
  }

  // The state record from one module's memory to the other's.
  function copyState(fromModule, from, toModule, to) {
    const size = k.stateRecordSize();
    toModule.HEAPU8.set(fromModule.HEAPU8.subarray(from, from + size), to);
  }

  // The state as the runner saves it.
  async function stateText() {
    const c = await checks();
    k.takeState();
    copyState(m, k.stateRecord(), c.module, c.stateRecord());
    return c.stateText();
  }

  // Loads a state checked exactly as a state file is, from its bytes as they
  // are (a file's or a link's), so that bytes that are not UTF-8 are refused
  // as the runner refuses them; `name` stands for the file in the message.
  // Refused with the message, nothing changed then.
  async function loadState(bytes, name) {
    const c = await checks();
    c.module.HEAPU8.set(bytes, c.stateBytes(bytes.length));
    if (!c.readState(name)) throw new Error(c.message());
    copyState(c.module, c.stateRecord(), m, k.stateRecord());
    k.applyState();
  }

  // The plant controls in the panel's language: groups of values, the status
  // and fault lists, the presets and the controls' words.
  const WORDS = ['presets', 'faultHistory', 'clock', 'page', 'raise', 'clear', 'addToHistory', 'reset', 'current',
    'empty', 'setClock', 'computerClock', 'pinned', 'time', 'deleteEntry', 'emptyHistory'];
  let entryNames = null;
  let entryFlags = null; // whether each value is a flag

  function entries() {
    if (entryNames === null) {
      entryNames = [];
      entryFlags = [];
      for (let e = 0; e < k.entryCount(); ++e) {
        entryNames.push(k.entryText(e, 0));
        entryFlags.push(k.entryText(e, 3) === 'flag');
      }
    }
    return entryNames;
  }

  function list(which) {
    const items = [];
    for (let i = 0; i < k.listSize(which); ++i) items.push(k.listItem(which, i));
    return items;
  }

  function plantModel() {
    const names = entries();
    const titles = list(0);
    const groups = titles.map(function (title, g) {
      const values = [];
      for (let row = 0; row < k.groupSize(g); ++row) {
        const e = k.groupEntry(g, row);
        if (e < 0) continue;
        const value = { name: names[e], label: k.entryText(e, 1), type: k.entryText(e, 3),
          min: k.entryNumber(e, 0), max: k.entryNumber(e, 1), help: k.entryText(e, 2) };
        const flag = k.entryNumber(e, 2);
        if (flag >= 0) value.flag = { name: names[flag], inverted: k.entryNumber(e, 3) === 1, label: k.entryText(e, 4) };
        values.push(value);
      }
      return { title: title, values: values };
    });
    const keys = list(3);
    const presetNames = list(4);
    const words = {};
    for (const word of WORDS) words[word] = k.plantWord(word);
    return {
      groups: groups,
      statuses: list(1),
      faults: list(2),
      presets: keys.map(function (key, i) { return { key: key, name: presetNames[i] }; }),
      words: words,
    };
  }

  // The plant values, the page, the clock, the current fault and the history.
  function plantValues() {
    const values = {};
    entries().forEach(function (name, e) {
      const v = k.entryNumber(e, 4);
      values[name] = entryFlags[e] ? v !== 0 : v;
    });
    const history = [];
    for (let i = 0; i < k.historySize(); ++i) {
      const entry = k.historyEntry(i);
      history.push(entry === '' ? null : entry);
    }
    return {
      values: values,
      page: k.nowText(0),
      clock: k.nowText(1),
      pinned: k.nowText(3) === 'pinned',
      fault: k.nowText(2),
      language: k.language(),
      history: history,
    };
  }

  // ---- showing the panel ---------------------------------------------------

  function takeRows() {
    if (k === null) return;
    const rows = k.takeRows();
    if (rows === 0) return;
    const first = rows & 0xffff;
    const end = rows >>> 16;
    const bytes = new Uint8ClampedArray(m.HEAPU8.buffer, k.rows() + first * PANEL_W * 4, (end - first) * PANEL_W * 4);
    sourceContext.putImageData(new ImageData(bytes, PANEL_W, end - first), 0, first);
    stale = true;
  }

  function present() {
    takeRows();
    if (!stale) return;
    stale = false;
    context.imageSmoothingEnabled = false;
    context.drawImage(source, 0, 0, canvas.width, canvas.height);
  }

  function deviceScale() {
    return window.devicePixelRatio || 1;
  }

  // The room for the panel in CSS pixels, framed or from edge to edge: the
  // window's width less as much again right of the frame as stands left of
  // it, and its height below the frame's top.
  function room(edge) {
    const frame = byId('panel-frame');
    const was = frame.classList.contains('edge');
    frame.classList.toggle('edge', edge);
    const style = window.getComputedStyle(frame);
    const pad = parseFloat(style.paddingLeft) + parseFloat(style.paddingRight);
    const box = frame.getBoundingClientRect();
    frame.classList.toggle('edge', was);
    return {
      width: document.documentElement.clientWidth - 2 * (box.left + window.scrollX) - pad,
      height: window.innerHeight - (box.top + window.scrollY) - pad - 4,
    };
  }

  // Device pixels per panel pixel: always a whole number, so every panel
  // pixel is a square of whole device pixels at any device scale.
  function scaleIn(zoom, r) {
    const d = deviceScale();
    if (zoom === 0) return Math.max(1, Math.floor(Math.min((r.width * d) / PANEL_W, (r.height * d) / PANEL_H)));
    return Math.max(1, Math.round(zoom * d));
  }

  function whole(scale, r) {
    const size = scale / deviceScale();
    return PANEL_W * size <= r.width + 0.5 && PANEL_H * size <= r.height + 0.5;
  }

  // The room framed and from edge to edge, measured together.
  function rooms() {
    return { framed: room(false), edge: room(true) };
  }

  // How a zoom shows the panel: in its frame, or from edge to edge without
  // the frame and the page's margin (a phone, mostly) where the framed panel
  // would not be whole or where that lets Fit show it larger.
  function placing(zoom, r) {
    const framed = r.framed;
    const edge = r.edge;
    const inFrame = scaleIn(zoom, framed);
    const edgeToEdge = scaleIn(zoom, edge);
    if (whole(inFrame, framed) && edgeToEdge <= inFrame) return { edge: false, scale: inFrame, whole: true };
    return { edge: true, scale: edgeToEdge, whole: whole(edgeToEdge, edge) };
  }

  function fits(zoom, r) {
    return placing(zoom, r || rooms()).whole;
  }

  function layout() {
    const space = rooms();
    if (zoomChoice !== 0 && !fits(zoomChoice, space)) {
      zoomChoice = 0;
      say('That zoom does not fit this window: the panel is shown whole (Fit).');
    }
    const place = placing(zoomChoice, space);
    byId('panel-frame').classList.toggle('edge', place.edge);
    const scale = place.scale;
    const d = deviceScale();
    if (canvas.width !== PANEL_W * scale) {
      canvas.width = PANEL_W * scale;
      canvas.height = PANEL_H * scale;
      stale = true;
    }
    canvas.style.width = (PANEL_W * scale) / d + 'px';
    canvas.style.height = (PANEL_H * scale) / d + 'px';
    // The canvas starts on a whole device pixel, or the browser would spread
    // each panel pixel over parts of its neighbours'. Layout positions are
    // kept in 64ths of a CSS pixel, so the place must be one of those too.
    canvas.style.margin = '0';
    const r = canvas.getBoundingClientRect();
    const shift = function (v) {
      for (let device = Math.ceil(v * d - 0.001); ; ++device) {
        const css = device / d;
        if (Math.abs(css * 64 - Math.round(css * 64)) < 0.001 || device > v * d + 64) return css - v;
      }
    };
    canvas.style.marginLeft = shift(r.left + window.scrollX) + 'px';
    canvas.style.marginTop = shift(r.top + window.scrollY) + 'px';
    for (const button of zoomButtons) {
      const zoom = Number(button.dataset.zoom);
      button.setAttribute('aria-pressed', String(zoom === zoomChoice));
      if (k !== null) button.disabled = zoom !== 0 && !fits(zoom, space);
      button.title = button.disabled ? 'Does not fit this window' : button.title.replace('Does not fit this window', '');
    }
    present();
  }

  function setZoom(zoom) {
    if (zoom !== 0 && !fits(zoom)) {
      say(zoom * 100 + '% does not fit this window; Fit shows the panel whole.');
      return;
    }
    zoomChoice = zoom;
    layout();
  }

  // ---- ticking -------------------------------------------------------------

  function frame(now) {
    if (paused || busy || manual) {
      nextTick = null;
    } else {
      if (nextTick === null) nextTick = now;
      let ran = 0;
      while (now >= nextTick && ran < MAX_TICKS_PER_FRAME) {
        k.tick();
        nextTick += TICK_MS;
        ++ran;
      }
      if (now >= nextTick) nextTick = now + TICK_MS;
    }
    present();
    window.requestAnimationFrame(frame);
  }

  function setPaused(on) {
    paused = on;
    byId('pause').setAttribute('aria-pressed', String(on));
    byId('pause').textContent = on ? 'Run' : 'Pause';
    byId('step').disabled = !on;
  }

  function step() {
    if (!paused || busy) return;
    k.tick();
    present();
    refreshPlant();
  }

  // Runner lines as the runner's -e takes them: a ; outside double quotes
  // ends a line.
  function lines(text) {
    let out = '';
    let quoted = false;
    for (let i = 0; i < text.length; ++i) {
      const c = text[i];
      if (c === '"') quoted = !quoted;
      if (quoted && c === '\\' && i + 1 < text.length) {
        out += c + text[++i];
        continue;
      }
      out += !quoted && c === ';' ? '\n' : c;
    }
    return out;
  }

  // Plays runner commands a slice at a time; resolves with what `print`
  // wrote, rejects with the runner's message for a bad line or a failed check.
  function play(text, name) {
    if (k === null) return Promise.reject(new Error('the panel has not started'));
    if (busy) return Promise.reject(new Error('a script is still running'));
    if (k.parse(String(text), name) < 0) return Promise.reject(new Error(k.message()));
    busy = true;
    stopAsked = false;
    return new Promise(function (resolve, reject) {
      function slice() {
        const start = performance.now();
        let state;
        do state = stopAsked ? -2 : k.step(STEP_TICKS);
        while (state === 1 && performance.now() - start < SLICE_MS);
        const zoom = k.takeZoom();
        if (zoom !== 0) setZoom(zoom);
        present();
        if (state === 1) {
          window.setTimeout(slice, 0);
          return;
        }
        busy = false;
        const printed = k.takePrinted();
        refreshPlant();
        showLanguage();
        if (state === -2) reject(new Error(name + ': stopped'));
        else if (state < 0) reject(new Error(k.message()));
        else if (k.failedChecks() > 0) reject(new Error(printed.trim()));
        else resolve(printed);
      }
      slice();
    });
  }

  function tickBy(count) {
    return play('tick ' + (count === undefined ? 1 : count), 'tick');
  }

  // ---- the finger ----------------------------------------------------------

  function panelPoint(event) {
    const rect = canvas.getBoundingClientRect();
    return {
      x: Math.floor(((event.clientX - rect.left) * PANEL_W) / rect.width),
      y: Math.floor(((event.clientY - rect.top) * PANEL_H) / rect.height),
    };
  }

  function liftFinger() {
    if (fingerPointer === null) return;
    fingerPointer = null;
    k.mouseUp(0);
  }

  function onPointerDown(event) {
    // One finger is the panel's: a second one changes nothing.
    if (!event.isPrimary || fingerPointer !== null) return;
    const p = panelPoint(event);
    k.mouseDown(event.button, p.x, p.y);
    if (event.button === 0) {
      fingerPointer = event.pointerId;
      // The finger follows a drag out of the canvas and lifts where the
      // button is released, wherever that is.
      canvas.setPointerCapture(event.pointerId);
    }
    canvas.focus({ preventScroll: true });
    event.preventDefault();
  }

  function onPointerMove(event) {
    if (event.pointerId !== fingerPointer) return;
    const p = panelPoint(event);
    k.mouseMove(p.x, p.y);
  }

  function onPointerUp(event) {
    if (event.pointerId === fingerPointer && event.button === 0) liftFinger();
  }

  // Only the panel's own finger may be cancelled or lose its capture; a
  // second finger's lifting says nothing about the first.
  function onPointerGone(event) {
    if (event.pointerId === fingerPointer) liftFinger();
  }

  function onKey(event) {
    const target = event.target;
    if (event.altKey || event.ctrlKey || event.metaKey) return;
    if (target instanceof HTMLInputElement || target instanceof HTMLSelectElement || target instanceof HTMLTextAreaElement)
      return;
    const key = event.key.toLowerCase();
    if (key >= '0' && key <= '3') setZoom(Number(key));
    else if (key === 'p') setPaused(!paused);
    else if (key === 's') step();
    else return;
    event.preventDefault();
  }

  function showLanguage() {
    const shown = String(k.language());
    if (language.value !== shown && document.activeElement !== language) language.value = shown;
    if (Number(shown) !== plantLanguage) buildPlant();
  }

  // ---- captures --------------------------------------------------------------

  function download(blob, name) {
    const link = document.createElement('a');
    link.download = name;
    link.href = URL.createObjectURL(blob);
    link.click();
    window.setTimeout(function () { URL.revokeObjectURL(link.href); }, 1000);
  }

  function picture(scale) {
    present();
    const out = document.createElement('canvas');
    out.width = PANEL_W * scale;
    out.height = PANEL_H * scale;
    const c = out.getContext('2d', { alpha: false });
    c.imageSmoothingEnabled = false;
    c.drawImage(source, 0, 0, out.width, out.height);
    return new Promise(function (resolve) { out.toBlob(resolve, 'image/png'); });
  }

  function shownScale() {
    return canvas.width / PANEL_W;
  }

  function savePicture(scale) {
    const name = k.captureName() + (scale > 1 ? '-x' + scale : '') + '.png';
    picture(scale).then(function (blob) {
      download(blob, name);
      say('Saved ' + name + '.');
    });
  }

  function copyPicture() {
    if (!navigator.clipboard || !window.ClipboardItem) {
      say('This browser cannot copy pictures; use Save.', true);
      return;
    }
    navigator.clipboard.write([new window.ClipboardItem({ 'image/png': picture(shownScale()) })]).then(
      function () { say('The picture is on the clipboard.'); },
      function (error) { say('The picture could not be copied: ' + error.message, true); });
  }

  function toggleRecording() {
    const button = byId('record');
    if (recorder !== null) {
      recorder.stop();
      return;
    }
    if (!window.MediaRecorder || !canvas.captureStream) {
      say('This browser cannot record video.', true);
      return;
    }
    const chunks = [];
    const name = k.captureName() + '.webm';
    recorder = new window.MediaRecorder(canvas.captureStream(30), { mimeType: 'video/webm' });
    recorder.ondataavailable = function (event) { if (event.data.size > 0) chunks.push(event.data); };
    recorder.onstop = function () {
      recorder = null;
      button.setAttribute('aria-pressed', 'false');
      button.textContent = 'Record video';
      download(new Blob(chunks, { type: 'video/webm' }), name);
      say('Saved ' + name + '.');
    };
    recorder.start(1000);
    button.setAttribute('aria-pressed', 'true');
    button.textContent = '● Stop recording';
    say('Recording the panel…');
    stale = true;
  }

  // ---- states and links --------------------------------------------------------

  function bytesToBase64Url(bytes) {
    let binary = '';
    for (let i = 0; i < bytes.length; i += 0x8000) binary += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
    return btoa(binary).replace(/\+/g, '-').replace(/\//g, '_').replace(/=+$/, '');
  }

  function base64UrlToBytes(text) {
    if (!/^[A-Za-z0-9_-]*$/.test(text)) throw new Error('it holds characters that a state link never has');
    const binary = atob(text.replace(/-/g, '+').replace(/_/g, '/'));
    const bytes = new Uint8Array(binary.length);
    for (let i = 0; i < binary.length; ++i) bytes[i] = binary.charCodeAt(i);
    return bytes;
  }

  async function pack(text) {
    const stream = new Blob([text]).stream().pipeThrough(new CompressionStream('deflate-raw'));
    return bytesToBase64Url(new Uint8Array(await new Response(stream).arrayBuffer()));
  }

  // Unpacks at most STATE_MAX_BYTES: a link that unpacks to more is refused
  // before it is read whole.
  async function unpack(text) {
    const reader = new Blob([base64UrlToBytes(text)]).stream().pipeThrough(new DecompressionStream('deflate-raw')).getReader();
    const parts = [];
    let size = 0;
    for (;;) {
      const { done, value } = await reader.read();
      if (done) break;
      size += value.length;
      if (size > STATE_MAX_BYTES) {
        reader.cancel();
        throw new Error('it unpacks to more than ' + STATE_MAX_BYTES / 1024 + ' KB');
      }
      parts.push(value);
    }
    return new Uint8Array(await new Blob(parts).arrayBuffer());
  }

  async function makeLink() {
    const values = plantValues();
    const query = new URLSearchParams();
    if (values.pinned) query.set('clock', values.clock.replace(' ', 'T'));
    query.set('page', k.pageSlug());
    query.set('zoom', zoomChoice === 0 ? 'fit' : String(zoomChoice));
    const url = new URL(window.location.href);
    url.search = query.toString();
    url.hash = 'state=' + (await pack(await stateText()));
    return url.toString();
  }

  function copyLink() {
    makeLink().then(function (link) {
      const field = byId('link');
      field.value = link;
      field.hidden = false;
      field.select();
      const copied = navigator.clipboard ? navigator.clipboard.writeText(link) : Promise.reject(new Error('no clipboard'));
      copied.then(
        function () { say('The link is on the clipboard (' + link.length + ' characters).'); },
        function () { say('Copy the link from the field below the buttons.'); });
    }, function (error) {
      say('The link could not be made: ' + error.message, true);
    });
  }

  async function openLinkState(text) {
    if (text.length > LINK_MAX_CHARS) throw new Error('it is longer than ' + LINK_MAX_CHARS + ' characters');
    let state;
    try {
      state = await unpack(text);
    } catch (error) {
      throw new Error(error.message.startsWith('it ') ? error.message : 'its state is damaged (' + error.message + ')');
    }
    await loadState(state, 'link');
  }

  function loadStateFile(file) {
    if (file.size > STATE_MAX_BYTES) {
      say(file.name + ': a state file is at most ' + STATE_MAX_BYTES / 1024 + ' KB; nothing changed.', true);
      return;
    }
    file.arrayBuffer().then(function (bytes) { return loadState(new Uint8Array(bytes), file.name); }).then(function () {
      say('Opened ' + file.name + '.');
      refreshPlant();
      showLanguage();
    }, function (error) {
      say(error.message + ' (nothing changed)', true);
    });
  }

  function saveState() {
    const name = k.captureName() + '.json';
    stateText().then(function (text) {
      download(new Blob([text], { type: 'application/json' }), name);
      say('Saved ' + name + '.');
    }, function (error) {
      say('The state could not be saved: ' + error.message, true);
    });
  }

  // ---- translation preview -----------------------------------------------------

  // Where each entry stands in the file: the library gives the contents, the
  // lines of the header's fields and of each entry's msgctxt, flags, msgid,
  // msgid_plural and msgstr are looked up here, by msgctxt as written ('' for
  // none), in file order. Obsolete entries ("#~"), which the library drops,
  // are left out; CRLF line ends count as one.
  function entryLines(text) {
    const found = new Map();
    const header = { line: 1, language: 0, contentType: 0, open: false };
    let pending = { key: '', context: 0, flag: 0 };
    let open = null;
    let entries = 0;
    text.split(/\r?\n/).forEach(function (raw, index) {
      const n = index + 1;
      const line = raw.trimStart();
      if (line.startsWith('#,')) pending.flag = n;
      else if (line.startsWith('#')) return;
      else if (/^msgctxt[\s"]/.test(line)) {
        pending.key = line.slice(7).trim();
        pending.context = n;
      } else if (/^msgid_plural[\s"]/.test(line)) {
        if (open !== null) open.plural = n;
      } else if (/^msgid[\s"]/.test(line)) {
        header.open = entries++ === 0 && pending.context === 0 && line === 'msgid ""';
        if (header.open) header.line = n;
        open = { context: pending.context, flag: pending.flag, id: n, plural: 0, str: 0 };
        if (!header.open) {
          if (!found.has(pending.key)) found.set(pending.key, []);
          found.get(pending.key).push(open);
        }
        pending = { key: '', context: 0, flag: 0 };
      } else if (line.startsWith('msgstr') && open !== null) {
        open.str = n;
        open = null;
      } else if (header.open && line.startsWith('"Language:')) header.language = header.language || n;
      else if (header.open && line.startsWith('"Content-Type:')) header.contentType = header.contentType || n;
    });
    return { header: header, found: found };
  }

  function showFindings(file, problems) {
    const list = byId('findings');
    list.textContent = '';
    byId('preview').hidden = false;
    byId('preview-file').textContent = file;
    for (const problem of problems) {
      const item = document.createElement('li');
      item.textContent = problem;
      list.appendChild(item);
    }
  }

  // The fit check starts the firmware afresh for every state it shows, so it
  // runs on modules of their own, never on the live panel: in workers, a
  // share of the languages each, while the page goes on answering; where a
  // worker cannot load the module (a page opened from a file), on a second
  // instance in the page, a language at a time.
  const MAX_FIT_WORKERS = 4;
  let fitCheck = 0; // the number of the check whose findings are awaited
  let fitWorkers = [];

  function stopFitCheck() {
    ++fitCheck;
    for (const worker of fitWorkers) worker.terminate();
    fitWorkers = [];
  }

  function checkTexts(translation) {
    stopFitCheck();
    const mine = fitCheck;
    return new Promise(function (resolve, reject) {
      const onPage = function () {
        stopFitCheck();
        const now = fitCheck;
        newChecks().then(function (second) {
          feed(second.module, translation);
          const check = second.module.cwrap('KandoCheckTexts', 'string', ['number']);
          let findings = [];
          const next = function (language) {
            if (now !== fitCheck) return;
            if (language === LANGUAGES.length) {
              resolve(findings);
              return;
            }
            try {
              const found = JSON.parse(check(language));
              if (found.problems !== undefined) throw new Error(found.problems);
              findings = findings.concat(found);
            } catch (error) {
              reject(error);
              return;
            }
            window.setTimeout(next, 0, language + 1);
          };
          next(0);
        }).catch(reject);
      };
      const count = Math.max(1, Math.min(MAX_FIT_WORKERS, navigator.hardwareConcurrency || 1, LANGUAGES.length));
      if (FROM_FILE || !window.Worker) {
        onPage();
        return;
      }
      const found = [];
      let answers = 0;
      try {
        for (let i = 0; i < count; ++i) fitWorkers.push(new window.Worker('fit-worker.js'));
      } catch (error) {
        onPage();
        return;
      }
      fitWorkers.forEach(function (worker, i) {
        worker.onmessage = function (event) {
          if (mine !== fitCheck) return;
          if (event.data.failed !== undefined) {
            onPage();
            return;
          }
          found.push(...event.data);
          if (++answers < count) return;
          stopFitCheck();
          // In the order --check-texts prints them: by language first.
          resolve(found.sort(function (a, b) { return a.language - b.language; }));
        };
        worker.onerror = function (event) {
          event.preventDefault();
          if (mine === fitCheck) onPage();
        };
        const languages = LANGUAGES.map(function (_, n) { return n; }).filter(function (n) { return n % count === i; });
        worker.postMessage({ translation: translation, languages: languages });
      });
    });
  }

  // A translation goes to a module as calls of its functions, [name,
  // argument types, arguments] each: the page's own module shows it, the fit
  // check's modules check it.
  function feed(module, calls) {
    for (const [name, types, args] of calls) module.cwrap(name, null, types).apply(null, args);
  }

  const PREVIEW_BEGIN = ['string', 'number', 'string', 'string', 'number', 'number', 'number'];
  const PREVIEW_ENTRY = ['number', 'string', 'string', 'string', 'number', 'number', 'number', 'number', 'number',
    'number', 'number'];

  function readTranslation(name, text, table) {
    const headers = table.headers || {};
    const lines = entryLines(text);
    const calls = [['KandoPreviewBegin', PREVIEW_BEGIN, [name, table.headers ? 1 : 0, headers.Language || '',
      headers['Content-Type'] || '', lines.header.line, lines.header.language, lines.header.contentType]]];
    const send = function (context, entry, at) {
      const flags = (entry.comments && entry.comments.flag) || '';
      calls.push(['KandoPreviewEntry', PREVIEW_ENTRY, [entry.msgctxt !== undefined ? 1 : 0, context, entry.msgid || '',
        (entry.msgstr || [''])[0], /(^|,)\s*fuzzy\s*(,|$)/.test(flags) ? 1 : 0, entry.msgid_plural !== undefined ? 1 : 0,
        at.id, at.context, at.flag, at.plural, at.str]]);
    };
    for (const context of Object.keys(table.translations)) {
      const places = lines.found.get(context === '' ? '' : JSON.stringify(context)) || [];
      const msgids = Object.keys(table.translations[context]).filter(function (msgid) {
        return context !== '' || msgid !== ''; // the header
      });
      msgids.forEach(function (msgid, i) {
        send(context, table.translations[context][msgid], places[i] || { id: 1, context: 0, flag: 0, plural: 0, str: 0 });
      });
      // The library keeps one of two entries with the same msgctxt and
      // msgid: each further place is an entry of its own, so a text given
      // twice is reported as the runner reports it.
      for (let i = msgids.length; i < places.length && msgids.length > 0; ++i) {
        send(context, table.translations[context][msgids[msgids.length - 1]], places[i]);
      }
    }
    return calls;
  }

  // The texts of a translation that the checks module read and checked, to
  // the panel's module: panel bytes, a text at a time.
  function showChecked(c, name) {
    k.overrideBegin(name, c.checkedLanguage());
    for (let id = 0; id < c.textCount(); ++id) {
      const size = c.checkedSize(id);
      const from = c.checkedBytes(id);
      m.HEAPU8.set(c.module.HEAPU8.subarray(from, from + size), k.overrideBytes(size));
      k.overrideText(id, c.checkedLine(id), c.checkedHeld(id));
    }
    return k.overrideInstall() === 1;
  }

  // A PO file's text, or, when its bytes are not UTF-8, each sequence that is
  // not, at its line, as the runner's PO library reports them. (Read as
  // text, the browser would put U+FFFD in their place, which the panel
  // cannot show, and the file would be refused for the wrong reason.)
  function poText(name, bytes) {
    const strict = new TextDecoder('utf-8', { fatal: true });
    try {
      return { text: strict.decode(bytes) };
    } catch (error) {
      const lenient = new TextDecoder('utf-8');
      const data = new Uint8Array(bytes);
      const problems = [];
      for (let start = 0, line = 1; start <= data.length; ++line) {
        let end = data.indexOf(0x0A, start);
        if (end < 0) end = data.length;
        const piece = data.subarray(start, end);
        try {
          strict.decode(piece);
        } catch (notUtf8) {
          const count = (lenient.decode(piece).match(/\uFFFD/g) || []).length;
          for (let i = 0; i < count; ++i) problems.push(name + ':' + line + ': invalid multibyte sequence');
        }
        start = end + 1;
      }
      return { problems: problems };
    }
  }

  function previewPo(file) {
    say('Reading ' + file.name + '…');
    Promise.all([file.arrayBuffer(), checks(), loadScript('po-reader.js')]).then(function ([bytes, c]) {
      const read = poText(file.name, bytes);
      if (read.problems !== undefined) {
        showFindings(file.name + ': not shown, it is not UTF-8', read.problems);
        say(file.name + ' was refused: the panel reads PO files in UTF-8.', true);
        return;
      }
      const text = read.text;
      let table;
      try {
        table = window.KandorellePo.parse(text);
      } catch (error) {
        const line = error.lineNumber || 1;
        showFindings(file.name + ': not shown, the file cannot be read', [file.name + ':' + line + ': ' + error.message]);
        say(file.name + ' is not a PO file the panel can read.', true);
        return;
      }
      const translation = readTranslation(file.name, text, table);
      feed(c.module, translation);
      let problems = null;
      if (!c.previewCheck()) problems = c.message();
      else if (!showChecked(c, file.name)) problems = k.message();
      if (problems !== null) {
        showFindings(file.name + ': not shown, it has problems', problems.split('\n'));
        say(file.name + ' was refused; the panel shows what it showed before.', true);
        return;
      }
      // Texts held back (fuzzy, or their English changed) come first.
      const held = c.message() === '' ? [] : c.message().split('\n');
      say('The panel shows ' + file.name + '.');
      showLanguage();
      showFindings(file.name + ': checking that every text fits…', held);
      checkTexts(translation).then(function (findings) {
        const texts = held.concat(findings.map(function (f) { return f.text; }));
        showFindings(file.name + (texts.length === 0 ? ': every text fits' : ': texts to look at'), texts);
      }).catch(function (error) {
        showFindings(file.name + ': the fit check failed', held.concat([String(error.message || error)]));
      });
    }).catch(function (error) {
      say(file.name + ' could not be shown: ' + error.message, true);
    });
  }

  // ---- plant controls ---------------------------------------------------------------

  function element(tag, attributes, text) {
    const e = document.createElement(tag);
    for (const [name, value] of Object.entries(attributes || {})) e.setAttribute(name, value);
    if (text !== undefined) e.textContent = text;
    return e;
  }

  function plantChange(line) {
    const problem = k.plant(line);
    if (problem !== '') say(problem, true);
    refreshPlant();
  }

  function numberControl(value, step) {
    const input = element('input', { type: 'number', step: step, min: value.min, max: value.max, name: value.name });
    input.title = value.help;
    input.addEventListener('change', function () {
      const v = Number(input.value);
      plantChange('set ' + value.name + ' ' + (step === '0.1' ? v.toFixed(1) : String(Math.round(v))));
    });
    plantControls.push({ name: value.name, input: input, kind: 'number' });
    return input;
  }

  function flagControl(name, label, inverted, help) {
    const box = element('input', { type: 'checkbox', name: name });
    box.title = help || '';
    box.addEventListener('change', function () { plantChange('set ' + name + ' ' + (box.checked !== inverted ? 'on' : 'off')); });
    plantControls.push({ name: name, input: box, kind: 'flag', inverted: inverted });
    if (label === undefined) return box;
    const wrap = element('label');
    wrap.append(box, ' ' + label);
    return wrap;
  }

  function listControl(name, items, line) {
    const select = element('select', { name: name });
    items.forEach(function (text, i) { select.appendChild(element('option', { value: i }, text)); });
    if (line) select.addEventListener('change', function () { plantChange(line(select.value)); });
    plantControls.push({ name: name, input: select, kind: 'list' });
    return select;
  }

  // A label and its controls; the label names the first control.
  function row(label, ...content) {
    const r = element('div', { class: 'row' });
    const span = element('span');
    span.append(...content);
    const first = content[0];
    if (first instanceof HTMLInputElement || first instanceof HTMLSelectElement) {
      if (!first.id) first.id = 'plant-' + first.name;
      r.append(element('label', { for: first.id }, label), span);
    } else {
      r.append(element('span', {}, label), span);
    }
    return r;
  }

  // A datetime-local field's value as the runner's lines take a time; the
  // browser leaves out seconds that are zero.
  function timeText(value) {
    return value.replace('T', ' ') + (value.length === 16 ? ':00' : '');
  }

  function button(text, action) {
    const b = element('button', { type: 'button' }, text);
    b.addEventListener('click', action);
    return b;
  }

  function buildPlant() {
    const model = plantModel();
    const words = model.words;
    plantLanguage = k.language();
    plantControls = [];
    const root = byId('plant');
    root.textContent = '';

    const where = element('fieldset');
    where.appendChild(element('legend', {}, words.page + ' · ' + words.clock));
    const clockInput = element('input', { type: 'datetime-local', step: '1', id: 'clock-input' });
    clockInput.setAttribute('aria-label', words.clock);
    const clockRow = row('', clockInput,
        button(words.setClock, function () {
          const problem = k.setClock(timeText(clockInput.value));
          if (problem !== '') say('The clock: ' + problem, true);
          refreshPlant();
        }),
        button(words.computerClock, function () { k.setClock(''); refreshPlant(); }));
    // A date-and-time field is wider than the values' column on a phone.
    clockRow.classList.add('wide');
    where.append(
      row(words.page, element('span', { id: 'plant-page' })),
      row(words.clock, element('span', { id: 'plant-clock' })),
      clockRow);
    root.appendChild(where);

    const presets = element('fieldset');
    presets.appendChild(element('legend', {}, words.presets));
    for (const preset of model.presets) {
      presets.appendChild(button(preset.name, function () {
        const problem = k.preset(preset.key);
        if (problem !== '') say(problem, true);
        refreshPlant();
      }));
    }
    presets.appendChild(button(words.reset, function () { plantChange('reset plant'); }));
    root.appendChild(presets);

    let faultChoice = null;
    for (const group of model.groups) {
      const set = element('fieldset');
      set.appendChild(element('legend', {}, group.title));
      for (const value of group.values) {
        if (value.type === 'fault') {
          const list = listControl('fault-choice', model.faults);
          list.setAttribute('aria-label', value.label);
          faultChoice = list;
          set.append(
            row(words.current, element('span', { id: 'plant-fault' })),
            list,
            element('br'),
            button(words.raise, function () { plantChange('fault ' + list.value); }),
            button(words.clear, function () { plantChange('fault clear'); }));
          continue;
        }
        let control;
        if (value.type === 'temperature' || value.type === 'tenths') control = numberControl(value, '0.1');
        else if (value.type === 'flag') control = flagControl(value.name, undefined, false, value.help);
        else if (value.type === 'status') control = listControl(value.name, model.statuses, function (v) { return 'set status ' + v; });
        else control = numberControl(value, '1');
        const parts = [control];
        if (value.flag) parts.push(flagControl(value.flag.name, value.flag.label, value.flag.inverted, value.help));
        const r = row(value.label, ...parts);
        // The statuses are long: their list takes the whole width under its label.
        if (value.type === 'status') r.classList.add('wide');
        set.appendChild(r);
      }
      root.appendChild(set);
    }

    // The history as the window's Plant panel offers it: entry 1 the newest,
    // one of them chosen to delete; a new entry for the fault chosen above,
    // at the time given or else at the panel's time.
    const history = element('fieldset');
    const entryList = element('ol', { id: 'plant-history' });
    for (let i = 0; i < k.historySize(); ++i) {
      const choice = element('input', { type: 'radio', name: 'history-entry', value: String(i) });
      choice.addEventListener('change', showHistoryChoice);
      const label = element('label');
      label.append(choice, element('span'));
      entryList.appendChild(element('li')).appendChild(label);
    }
    const historyTime = element('input', { type: 'datetime-local', step: '1', name: 'history-time',
      min: '2000-01-01T00:00:00', max: '2099-12-31T23:59:59' });
    const deleteEntry = button(words.deleteEntry, function () {
      const chosen = chosenEntry();
      if (chosen >= 0) plantChange('history delete ' + (chosen + 1));
    });
    deleteEntry.id = 'history-delete';
    const buttons = element('div', { class: 'buttons' });
    buttons.append(
      button(words.addToHistory, function () {
        if (faultChoice === null || faultChoice.value === '0') return;
        // A time half filled in reads as none: it must not become the panel's.
        if (historyTime.validity.badInput) {
          say('The history entry\'s time is not complete: fill in every part, or clear it for the panel\'s time.', true);
          historyTime.focus();
          return;
        }
        plantChange('history add ' + faultChoice.value + (historyTime.value ? ' ' + timeText(historyTime.value) : ''));
      }),
      deleteEntry,
      button(words.emptyHistory, function () { plantChange('history clear'); }));
    const timeRow = row(words.time, historyTime);
    timeRow.classList.add('wide');
    history.append(element('legend', {}, words.faultHistory), entryList, timeRow, buttons);
    root.appendChild(history);
    root.dataset.empty = words.empty;
    root.dataset.pinned = words.pinned;
    refreshPlant();
  }

  function refreshPlant() {
    if (k === null || plantLanguage < 0) return;
    const now = plantValues();
    if (now.language !== plantLanguage) {
      // The panel's own language list changed it: the page's list follows.
      showLanguage();
      return;
    }
    byId('plant-page').textContent = now.page;
    byId('plant-clock').textContent = now.clock + (now.pinned ? ' (' + byId('plant').dataset.pinned + ')' : '');
    byId('plant-fault').textContent = now.fault;
    for (const c of plantControls) {
      if (c.input === document.activeElement) continue;
      const v = now.values[c.name];
      if (c.kind === 'flag') c.input.checked = v !== c.inverted;
      else if (c.kind === 'number') c.input.value = v;
      else if (c.name !== 'fault-choice') c.input.value = String(v);
    }
    const empty = byId('plant').dataset.empty;
    document.querySelectorAll('#plant-history li').forEach(function (item, i) {
      const text = now.history[i] === null ? empty : now.history[i];
      const choice = item.querySelector('input');
      const shown = item.querySelector('span');
      if (shown.textContent !== text) shown.textContent = text;
      // An empty slot has nothing to delete.
      choice.disabled = now.history[i] === null;
      if (choice.disabled) choice.checked = false;
    });
    showHistoryChoice();
  }

  // The history entry chosen to delete, or -1.
  function chosenEntry() {
    const chosen = document.querySelector('#plant-history input:checked');
    return chosen === null ? -1 : Number(chosen.value);
  }

  function showHistoryChoice() {
    const button = byId('history-delete');
    const off = chosenEntry() < 0;
    if (off && button === document.activeElement) {
      // The entry just deleted: the focus stays in the history.
      const next = document.querySelector('#plant-history input:enabled');
      (next || button.previousSibling).focus();
    }
    button.disabled = off;
  }

  // ---- the start -----------------------------------------------------------------

  function flag(name) {
    if (!params.has(name)) return false;
    const value = params.get(name).toLowerCase();
    if (['', '1', 'true', 'yes', 'on'].includes(value)) return true;
    if (['0', 'false', 'no', 'off'].includes(value)) return false;
    notes.push(name + '=' + params.get(name) + ' is not 1 or 0; taken as 0.');
    return false;
  }

  const manual = flag('manual');

  function applyParameters() {
    const lang = params.get('lang');
    if (lang !== null) {
      const n = /^[0-6]$/.test(lang) ? Number(lang) : LANGUAGES.indexOf(lang.toLowerCase());
      if (n < 0) notes.push('lang=' + lang + ' is not one of ' + LANGUAGES.join(', ') + '.');
      else k.setLanguage(n);
    }
    const zoom = params.get('zoom');
    if (zoom !== null) {
      const n = { fit: 0, 1: 1, 2: 2, 3: 3 }[zoom.toLowerCase()];
      if (n === undefined) notes.push('zoom=' + zoom + ' is not fit, 1, 2 or 3.');
      else if (n !== 0 && !fits(n)) notes.push('zoom=' + zoom + ' does not fit this window; the panel is shown whole.');
      else zoomChoice = n;
    }
    const page = params.get('page');
    if (page !== null) {
      const n = k.pageOf(page);
      if (n < 0) notes.push('page=' + page + ' is no page (0 to 45, or a name such as menu or start-page).');
      else k.goToPage(n);
    }
  }

  function wire() {
    canvas.addEventListener('pointerdown', onPointerDown);
    canvas.addEventListener('pointermove', onPointerMove);
    canvas.addEventListener('pointerup', onPointerUp);
    canvas.addEventListener('pointercancel', onPointerGone);
    canvas.addEventListener('lostpointercapture', onPointerGone);
    // Once the browser's menu or another window takes the mouse, the release
    // may never come: the finger lifts where it was last seen.
    canvas.addEventListener('contextmenu', liftFinger);
    window.addEventListener('blur', liftFinger);
    window.addEventListener('resize', layout);
    // A new link pasted into this tab differs only after the #: start afresh.
    window.addEventListener('hashchange', function () { window.location.reload(); });
    document.addEventListener('keydown', onKey);
    for (const b of zoomButtons) b.addEventListener('click', function () { setZoom(Number(b.dataset.zoom)); });
    language.addEventListener('change', function () {
      k.setLanguage(Number(language.value));
      showLanguage();
    });
    byId('pause').addEventListener('click', function () { setPaused(!paused); });
    byId('step').addEventListener('click', step);
    byId('save-1x').addEventListener('click', function () { savePicture(1); });
    byId('screenshot').addEventListener('click', function () { savePicture(shownScale()); });
    byId('copy-picture').addEventListener('click', copyPicture);
    byId('record').addEventListener('click', toggleRecording);
    byId('copy-link').addEventListener('click', copyLink);
    byId('open-state').addEventListener('click', function () { byId('state-file').click(); });
    byId('save-state').addEventListener('click', saveState);
    byId('open-po').addEventListener('click', function () { byId('po-file').click(); });
    byId('state-file').addEventListener('change', function (event) {
      if (event.target.files[0]) loadStateFile(event.target.files[0]);
      event.target.value = '';
    });
    byId('po-file').addEventListener('change', function (event) {
      if (event.target.files[0]) previewPo(event.target.files[0]);
      event.target.value = '';
    });
    byId('preview-clear').addEventListener('click', function () {
      stopFitCheck();
      k.previewClear();
      byId('preview').hidden = true;
      say('The panel shows its built-in texts.');
    });
    document.addEventListener('dragover', function (event) {
      event.preventDefault();
      document.body.classList.add('dropping');
    });
    document.addEventListener('dragleave', function () { document.body.classList.remove('dropping'); });
    document.addEventListener('drop', function (event) {
      event.preventDefault();
      document.body.classList.remove('dropping');
      const file = event.dataTransfer.files[0];
      if (!file) return;
      if (/\.json$/i.test(file.name)) loadStateFile(file);
      else if (/\.pot?$/i.test(file.name)) previewPo(file);
      else say(file.name + ': the page takes a translation (.po) or a state (.json); nothing changed.', true);
    });
    window.setInterval(function () { if (!document.hidden && !busy) refreshPlant(); }, 250);
  }

  async function start(module) {
    bind(module);
    const clockText = params.get('clock');
    let pinned = false;
    if (clockText !== null) {
      pinned = k.pinClock(clockText.replace('T', ' ')) === 1;
      if (!pinned) notes.push('clock=' + clockText + ': ' + k.message() + '; the panel follows the computer clock.');
    }
    k.start();
    const caption = k.caption();
    document.title = caption;
    byId('caption').textContent = caption;
    zoomChoice = document.documentElement.clientWidth < SMALL_SCREEN || !fits(1) ? 0 : 1;

    const hash = window.location.hash;
    if (hash.startsWith('#state=')) {
      try {
        await openLinkState(hash.slice(7));
      } catch (error) {
        notes.push('This link\'s state was refused: ' + error.message + '. The panel shows its start state.');
      }
    } else if (hash.length > 1) {
      notes.push('The link ends in something other than #state=…; it was ignored.');
    }
    applyParameters();
    wire();
    enableControls(true);
    showLanguage();
    layout();
    const script = params.get('script');
    if (script !== null) {
      try {
        await play(lines(script), 'script');
      } catch (error) {
        notes.push('script: ' + error.message);
      }
    }
    if (!manual) window.requestAnimationFrame(frame);
    else present();
    const readyMs = Math.round(performance.now());
    window.kandorelle = {
      readyMs: readyMs,
      tick: tickBy,
      run: function (text) { return play(lines(String(text)), 'run'); },
      link: makeLink,
      // Ends a script or a tick() still running, after the slice in hand.
      stop: function () { stopAsked = busy; },
      setZoom: setZoom,
      // The state as the runner saves it (a promise: the module that writes
      // states is loaded when first used).
      state: stateText,
      // The cost of a tick: `count` ticks in a row on the page as it stands,
      // in microseconds each. The panel's time runs on by as many ticks.
      benchmark: function (count) {
        const t0 = performance.now();
        for (let i = 0; i < count; ++i) k.tick();
        present();
        return ((performance.now() - t0) * 1000) / count;
      },
    };
    if (notes.length > 0) say(notes.join(' '), true);
    else say('Ready in ' + readyMs + ' ms' + (pinned ? ', clock pinned' : '') + (manual ? ', ticks by hand' : '') + '.');
  }

  function fail(why) {
    enableControls(false);
    say(why, true);
  }

  enableControls(false);
  layout();
  // A page opened from a file may not fetch its module; the copy that
  // carries the module inside its script loads anyway.
  const moduleScript = document.createElement('script');
  moduleScript.src = window.location.protocol === 'file:' ? 'kandorelle-file.js' : 'kandorelle.js';
  moduleScript.onload = function () {
    window.createKandorelle().then(start, function (error) { fail('The panel could not start: ' + error); })
      .catch(function (error) { fail('The panel could not start: ' + error); });
  };
  moduleScript.onerror = function () {
    fail('The panel\'s program (' + moduleScript.src + ') could not be loaded; build the page with ./dev.sh web.');
  };
  document.body.appendChild(moduleScript);
})();
