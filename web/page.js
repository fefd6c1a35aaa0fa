// The page around the panel: runs the host core's 12 ms tick from the
// browser's frame callback, copies the rows that changed into the canvas,
// and turns the left mouse button or a finger into the panel's finger.
//
// URL parameters, for walkthroughs that must look the same every time and for
// the browser test:
//   clock=YYYY-MM-DDTHH:MM:SS  pins the panel clock, as the runner's `clock`
//   manual                     no ticks of its own: only kandorelle.tick(n)
'use strict';

(function () {
  const TICK_MS = 12;
  // A frame runs the ticks that fell due since the previous frame (one or two
  // at 60 frames a second). A page that falls further behind (a tab in the
  // background, a slow phone) drops the missed ticks and starts the schedule
  // again from now, as the window's timer does when its thread was busy: the
  // panel never races to catch up.
  const MAX_TICKS_PER_FRAME = 5;

  const params = new URLSearchParams(window.location.search);
  const canvas = document.getElementById('panel');
  const context = canvas.getContext('2d', { alpha: false });
  const status = document.getElementById('status');
  const language = document.getElementById('language');
  const zoomButtons = Array.from(document.querySelectorAll('button.zoom'));

  let m = null;
  let nextTick = null;
  let fingerPointer = null;

  function drawChangedRows() {
    const rows = m._KandoTakeChangedRows();
    if (rows === 0) return;
    const first = rows & 0xffff;
    const end = rows >>> 16;
    const width = m._KandoWidth();
    const height = m._KandoHeight();
    if (canvas.width !== width || canvas.height !== height) {
      canvas.width = width;
      canvas.height = height;
      canvas.style.width = width + 'px';
      canvas.style.height = height + 'px';
    }
    const bytes = new Uint8ClampedArray(m.HEAPU8.buffer, m._KandoRows() + first * width * 4, (end - first) * width * 4);
    context.putImageData(new ImageData(bytes, width, end - first), 0, first);
  }

  function showLanguage() {
    const shown = String(m._KandoLanguage());
    if (language.value !== shown && document.activeElement !== language) language.value = shown;
  }

  function runTicks(count) {
    for (let i = 0; i < count; ++i) m._KandoTick();
    drawChangedRows();
    showLanguage();
  }

  function frame(now) {
    if (nextTick === null) nextTick = now;
    let ran = 0;
    while (now >= nextTick && ran < MAX_TICKS_PER_FRAME) {
      m._KandoTick();
      nextTick += TICK_MS;
      ++ran;
    }
    if (now >= nextTick) nextTick = now + TICK_MS;
    drawChangedRows();
    showLanguage();
    window.requestAnimationFrame(frame);
  }

  function setZoom(zoom) {
    m._KandoSetZoom(zoom);
    for (const button of zoomButtons) button.setAttribute('aria-pressed', String(Number(button.dataset.zoom) === zoom));
    drawChangedRows();
  }

  // Canvas pixels, which at zoom 2 and 3 are what the host core calls client
  // coordinates; positions left of or above the canvas are negative.
  function clientPoint(event) {
    const rect = canvas.getBoundingClientRect();
    return {
      x: Math.floor(((event.clientX - rect.left) * canvas.width) / rect.width),
      y: Math.floor(((event.clientY - rect.top) * canvas.height) / rect.height),
    };
  }

  function liftFinger() {
    if (fingerPointer === null) return;
    fingerPointer = null;
    m._KandoMouseUp(0);
  }

  function onPointerDown(event) {
    if (!event.isPrimary) return;
    const p = clientPoint(event);
    m._KandoMouseDown(event.button, p.x, p.y);
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
    const p = clientPoint(event);
    m._KandoMouseMove(p.x, p.y);
  }

  function onPointerUp(event) {
    if (event.pointerId === fingerPointer && event.button === 0) liftFinger();
  }

  function onKey(event) {
    if (event.altKey || event.ctrlKey || event.metaKey || event.target === language) return;
    const zoom = { 1: 1, 2: 2, 3: 3 }[event.key];
    if (zoom !== undefined) setZoom(zoom);
  }

  function saveScreenshot() {
    canvas.toBlob(function (blob) {
      const link = document.createElement('a');
      const stamp = new Date().toISOString().replace(/[-:]/g, '').replace('T', '-').slice(0, 15);
      link.download = 'kandorelle-' + stamp + '.png';
      link.href = URL.createObjectURL(blob);
      link.click();
      window.setTimeout(function () { URL.revokeObjectURL(link.href); }, 1000);
    }, 'image/png');
  }

  // The idle cost of a tick: `count` ticks in a row on the page as it stands.
  // The panel's time runs on by as many ticks.
  function benchmark(count) {
    const start = performance.now();
    for (let i = 0; i < count; ++i) m._KandoTick();
    const microseconds = ((performance.now() - start) * 1000) / count;
    drawChangedRows();
    return microseconds;
  }

  function pinClock(text) {
    const match = /^(\d{4})-(\d{2})-(\d{2})[T ](\d{2}):(\d{2}):(\d{2})$/.exec(text);
    if (match && m._KandoPinClock(...match.slice(1).map(Number))) return true;
    status.textContent = 'The clock parameter wants YYYY-MM-DDTHH:MM:SS; the panel follows the computer clock.';
    return false;
  }

  function start(module) {
    m = module;
    const clockText = params.get('clock');
    const pinned = clockText !== null && pinClock(clockText);
    m._KandoStart();
    const caption = m.UTF8ToString(m._KandoCaption());
    document.title = caption;
    document.getElementById('caption').textContent = caption;
    setZoom(1);

    canvas.addEventListener('pointerdown', onPointerDown);
    canvas.addEventListener('pointermove', onPointerMove);
    canvas.addEventListener('pointerup', onPointerUp);
    canvas.addEventListener('pointercancel', liftFinger);
    canvas.addEventListener('lostpointercapture', liftFinger);
    // Once the browser's menu or another window takes the mouse, the release
    // may never come: the finger lifts where it was last seen.
    canvas.addEventListener('contextmenu', liftFinger);
    window.addEventListener('blur', liftFinger);
    document.addEventListener('keydown', onKey);
    for (const button of zoomButtons) button.addEventListener('click', function () { setZoom(Number(button.dataset.zoom)); });
    language.addEventListener('change', function () { m._KandoSetLanguage(Number(language.value)); });
    document.getElementById('screenshot').addEventListener('click', saveScreenshot);

    const manual = params.has('manual');
    if (!manual) window.requestAnimationFrame(frame);
    const readyMs = Math.round(performance.now());
    if (status.textContent.startsWith('Loading')) {
      status.textContent = 'Ready in ' + readyMs + ' ms' + (pinned ? ', clock pinned' : '') + (manual ? ', ticks by hand' : '') + '.';
    }
    window.kandorelle = { readyMs: readyMs, tick: runTicks, setZoom: setZoom, benchmark: benchmark };
  }

  createKandorelle().then(start, function (error) {
    status.textContent = 'The panel could not start: ' + error;
  });
})();
