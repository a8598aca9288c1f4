'use strict';
// Quillomark's page: the browser owns the loop. Each display tick runs the passes that are due at
// 60 a second and draws the last picture; keys, gamepads, files and states go to the module
// (src/web/web_main.cpp) between passes.

const PASSES_PER_SECOND = 60;
const PASS_MS = 1000 / PASSES_PER_SECOND;
const PASS_EARLY_MS = 2;          // a tick this much early still runs its pass (display jitter)
const CATCH_UP_PASSES = 4;        // passes one late tick may run; later than that is dropped
const LONGEST_TICK_MS = 250;      // a longer gap (a stalled tab) counts as this long
const FAST_FORWARD_MS = 12;       // work per tick while fast-forwarding
const HANG_MS = 1000;             // no frame end for this long is reported
const SLOT_COUNT = 10;
const PICTURE_WIDTH = 256;
const PICTURE_HEIGHT = 240;
const STICK_DEAD_ZONE = 0.5;
const SCREEN_MARGIN = 16;         // CSS pixels around the picture
const STATUS_ROOM = 80;           // CSS pixels below it for the status lines
const LOG_LINES = 100;
const TEST_PASSES_PER_TIMER = 20;
const STATE_DATABASE = 'quillomark';
const STATE_STORE = 'states';

// Virtual-key codes of src/host/key_codes.h (Windows values) the board's keys send.
const VKEY = {
  RETURN: 0x0D, SHIFT: 0x10, CONTROL: 0x11, MENU: 0x12, SPACE: 0x20,
  LEFT: 0x25, UP: 0x26, RIGHT: 0x27, DOWN: 0x28, DIGIT0: 0x30,
};

// Keys by position (KeyboardEvent.code), as the desktop reads them: the board's keys...
const BOARD_KEYS = new Map([
  ['ArrowLeft', VKEY.LEFT], ['ArrowUp', VKEY.UP], ['ArrowRight', VKEY.RIGHT], ['ArrowDown', VKEY.DOWN],
  ['Enter', VKEY.RETURN], ['NumpadEnter', VKEY.RETURN], ['ShiftLeft', VKEY.SHIFT], ['ShiftRight', VKEY.SHIFT],
  ['Space', VKEY.SPACE], ['ControlLeft', VKEY.CONTROL], ['ControlRight', VKEY.CONTROL], ['KeyA', VKEY.CONTROL],
  ['AltLeft', VKEY.MENU], ['AltRight', VKEY.MENU],
  ...[1, 2, 3, 4, 5, 6, 7].map((digit) => [`Digit${digit}`, VKEY.DIGIT0 + digit]),
]);
// ...and the emulator's, with free keys beside those the browser keeps.
const HOST_KEYS = new Map([
  ['KeyP', 'pause'], ['Pause', 'pause'], ['KeyN', 'step'], ['Period', 'step'], ['Backspace', 'fastForward'],
  ['F1', 'reset'], ['KeyR', 'rewind'], ['F2', 'save'], ['F3', 'load'], ['F7', 'slotDown'], ['F8', 'slotUp'],
  ['BracketLeft', 'slotDown'], ['BracketRight', 'slotUp'], ['F12', 'screenshot'], ['KeyS', 'screenshot'],
]);

const page = {
  module: null,
  context: null,
  image: null,
  loaded: false,
  paused: false,
  hidden: false,         // the tab is hidden: paused until it shows again
  stepWanted: false,
  fastForward: false,
  rewinding: false,      // R held: passes run backwards through the kept ones
  pacer: { accumulated: 0, lastTime: null },
  lastFrameTime: 0,
  hangReported: false,
  slot: 0,
  heldKeys: new Map(),   // key code -> virtual-key code, for letting go on blur
  padKeys: new Set(),
  padStart: false,
  logLines: [],
  logChanged: false,
};

const element = (id) => document.getElementById(id);

// Passes due after elapsed milliseconds at 60 a second, whatever the display's rate.
function pacePasses(pacer, elapsed) {
  pacer.accumulated += Math.min(elapsed, LONGEST_TICK_MS);
  let passes = 0;
  while (pacer.accumulated >= PASS_MS - PASS_EARLY_MS && passes < CATCH_UP_PASSES) {
    pacer.accumulated -= PASS_MS;
    passes += 1;
  }
  if (pacer.accumulated > PASS_MS) pacer.accumulated = 0;
  return passes;
}

function showMessage(text) {
  element('message').textContent = text;
}

function showStatus() {
  let mode = 'Running';
  if (!page.loaded) mode = 'Stopped';
  else if (page.hidden) mode = 'Paused while the tab is hidden';
  else if (page.paused) mode = 'Paused';
  else if (page.rewinding) mode = 'Rewind';
  else if (page.fastForward) mode = 'Fast forward';
  element('status').textContent = mode;
  element('picture').classList.toggle('stopped', !page.loaded);
  element('slot').textContent = `slot ${page.slot}`;
  element('pause-button').textContent = page.paused ? 'Resume' : 'Pause';
}

function addLogLine(line) {
  page.logLines.push(line);
  if (page.logLines.length > LOG_LINES) page.logLines.shift();
  page.logChanged = true;
}

function draw() {
  const memory = page.module.HEAPU8;
  if (!page.image || page.image.data.buffer !== memory.buffer) {
    const pixels = new Uint8ClampedArray(memory.buffer, page.module._webPicture(), PICTURE_WIDTH * PICTURE_HEIGHT * 4);
    page.image = new ImageData(pixels, PICTURE_WIDTH, PICTURE_HEIGHT);
  }
  page.context.putImageData(page.image, 0, 0);
}

// One pass backwards, as the desktop's R does; true when it showed an older pass.
function rewindPass() {
  const back = page.module._webRewindPass();
  if (!back) showMessage(page.module.UTF8ToString(page.module._webRewindEmptyText()));
  return back;
}

// One pass of the board (backwards while R is held); true when it showed a new picture.
function runPass() {
  if (page.rewinding) return rewindPass();
  const ended = page.module._webRunPass();
  const now = performance.now();
  if (ended) {
    page.lastFrameTime = now;
    page.hangReported = false;
  } else if (!page.hangReported && now - page.lastFrameTime > HANG_MS) {
    page.hangReported = true;
    const pc = page.module._webProgramCounter().toString(16).padStart(8, '0');
    showMessage(`No frame for 1 s: the program at PC ${pc} is not reaching its idle loop`);
  }
  return ended;
}

function tick(now) {
  requestAnimationFrame(tick);
  pollGamepads();
  const elapsed = page.pacer.lastTime === null ? 0 : now - page.pacer.lastTime;
  page.pacer.lastTime = now;
  if (page.logChanged) {
    element('log').textContent = page.logLines.join('\n');
    page.logChanged = false;
  }
  if (!page.loaded) return;
  let shown = false;
  if (page.paused || page.hidden) {
    page.pacer.accumulated = 0;
    page.lastFrameTime = now; // waiting is no hang
    if (page.stepWanted && !page.hidden) shown = runPass();
    page.stepWanted = false;
  } else if (page.fastForward) {
    const until = now + FAST_FORWARD_MS;
    do shown = runPass() || shown; while (performance.now() < until);
    page.pacer.accumulated = 0;
  } else {
    for (let passes = pacePasses(page.pacer, elapsed); passes > 0; passes -= 1) shown = runPass() || shown;
  }
  if (shown) draw();
}

// Sizes the canvas to the largest whole number of device pixels per board pixel that fits.
function fitPicture() {
  const ratio = window.devicePixelRatio || 1;
  const width = (element('screen').clientWidth - SCREEN_MARGIN) * ratio;
  const height = (window.innerHeight - STATUS_ROOM) * ratio;
  const scale = Math.max(1, Math.floor(Math.min(width / PICTURE_WIDTH, height / PICTURE_HEIGHT)));
  const canvas = element('picture');
  canvas.style.width = `${PICTURE_WIDTH * scale / ratio}px`;
  canvas.style.height = `${PICTURE_HEIGHT * scale / ratio}px`;
}

// Files ------------------------------------------------------------------------------------------

function fileName(index) {
  return page.module.UTF8ToString(page.module._webFileName(index));
}

function giveFile(index, bytes) {
  const room = bytes.subarray(0, page.module._webFileLimit(index));
  const at = page.module._webFileBuffer(index, room.length);
  page.module.HEAPU8.set(room, at);
}

// Starts the board on the files given; the program's own message when one is missing or short, and
// the game that was running goes on.
function startSet(label) {
  if (page.module._webLoad()) {
    page.loaded = true;
    page.image = null;
    element('set-name').textContent = label;
    showMessage('');
    page.lastFrameTime = performance.now();
    page.hangReported = false;
    draw();
  } else {
    showMessage(page.module.UTF8ToString(page.module._webMessage()));
  }
  showStatus();
}

// A read of name that fails gives an error whose message names it.
function naming(name, promise) {
  return promise.catch((error) => { throw new Error(`Cannot read ${name}: ${error.message}`); });
}

function loadDemo() {
  page.module._webClearFiles();
  for (let index = 0; index < page.module._webFileCount(); index += 1) {
    giveFile(index, page.module.FS.readFile(`/demo/${fileName(index)}`));
  }
  startSet('The demo');
}

// A set from files the person chose or dropped, matched by name in any case.
async function loadFiles(files) {
  const byName = new Map([...files].map((file) => [file.name.toLowerCase(), file]));
  const count = page.module._webFileCount();
  const chosen = [];
  for (let index = 0; index < count; index += 1) {
    const file = byName.get(fileName(index).toLowerCase());
    const limit = page.module._webFileLimit(index);
    chosen.push(file ? new Uint8Array(await naming(file.name, file.slice(0, limit).arrayBuffer())) : null);
  }
  page.module._webClearFiles();
  chosen.forEach((bytes, index) => { if (bytes) giveFile(index, bytes); });
  startSet('The chosen set');
}

// The files of a drop: those dropped (as the drop gives them: a page opened from disk cannot have
// them through their entries) and those in dropped folders. A folder's reader gives its entries a
// batch at a time (100 in Chromium) until it gives none.
async function droppedFiles(transfer) {
  const items = [...transfer.items].map((item) => ({ entry: item.webkitGetAsEntry(), file: item.getAsFile() }));
  const fileOf = (entry) => naming(entry.fullPath, new Promise((resolve, reject) => entry.file(resolve, reject)));
  const files = [];
  for (const { entry, file } of items.filter((item) => item.entry)) {
    if (entry.isFile) files.push(file);
    if (entry.isDirectory) {
      const reader = entry.createReader();
      const batch = () => naming(entry.fullPath, new Promise((resolve, reject) => reader.readEntries(resolve, reject)));
      for (let children = await batch(); children.length > 0; children = await batch()) {
        for (const child of children.filter((c) => c.isFile)) files.push(await fileOf(child));
      }
    }
  }
  return files;
}

// Loads the set of a choice or a drop; a file or folder that cannot be read is named in the page.
function loadGiven(files) {
  files.then(loadFiles).catch((error) => showMessage(error.message));
}

function download(name, blob) {
  const link = document.createElement('a');
  link.href = URL.createObjectURL(blob);
  link.download = name;
  link.click();
  setTimeout(() => URL.revokeObjectURL(link.href), 1000);
}

function saveScreenshot() {
  if (!page.loaded) return;
  element('picture').toBlob((blob) => download('vortane.png', blob), 'image/png');
  showMessage('Screenshot saved as vortane.png');
}

function saveKeyLog() {
  const at = page.module._webKeyLog();
  const bytes = page.module.HEAPU8.slice(at, at + page.module._webKeyLogSize());
  download('keys.bin', new Blob([bytes], { type: 'application/octet-stream' }));
}

// States in the browser's storage (IndexedDB), one per slot -------------------------------------

const slotFile = (slot) => (slot === 0 ? 'state.qms' : `state${slot}.qms`);
let stateDatabase = null;

function openStates() {
  if (!stateDatabase) {
    stateDatabase = new Promise((resolve, reject) => {
      const request = indexedDB.open(STATE_DATABASE, 1);
      request.onupgradeneeded = () => request.result.createObjectStore(STATE_STORE);
      request.onsuccess = () => resolve(request.result);
      request.onerror = () => reject(request.error);
    });
    stateDatabase.catch(() => { stateDatabase = null; });
  }
  return stateDatabase;
}

async function stateRequest(mode, act) {
  const database = await openStates();
  return new Promise((resolve, reject) => {
    const request = act(database.transaction(STATE_STORE, mode).objectStore(STATE_STORE));
    request.onsuccess = () => resolve(request.result);
    request.onerror = () => reject(request.error);
  });
}

async function saveState() {
  if (!page.loaded) return;
  const slot = page.slot;
  const at = page.module._webSaveState();
  const bytes = page.module.HEAPU8.slice(at, at + page.module._webStateSize());
  try {
    await stateRequest('readwrite', (store) => store.put(bytes, slotFile(slot)));
    showMessage(`State saved (slot ${slot})`);
  } catch (error) {
    showMessage(`State not saved (slot ${slot}): ${error.message}`);
  }
}

async function loadState() {
  if (!page.loaded) return;
  const slot = page.slot;
  let bytes;
  try {
    bytes = await stateRequest('readonly', (store) => store.get(slotFile(slot)));
  } catch (error) {
    showMessage(`No state to load (slot ${slot}): ${error.message}`);
    return;
  }
  if (!bytes) {
    showMessage(`No state to load (slot ${slot})`);
    return;
  }
  const at = page.module._webStateBuffer(bytes.length);
  page.module.HEAPU8.set(bytes, at);
  page.module._webLoadState();
  showMessage(`${page.module.UTF8ToString(page.module._webMessage())} (slot ${slot})`);
}

// Keys and gamepads -------------------------------------------------------------------------------

function runHostKey(action, down, repeat) {
  if (action === 'fastForward') page.fastForward = down;
  else if (action === 'rewind') page.rewinding = down;
  else if (action === 'step') page.stepWanted = page.stepWanted || (down && page.paused);
  else if (down && !repeat) {
    if (action === 'pause') page.paused = !page.paused;
    else if (action === 'reset' && page.loaded) page.module._webReset();
    else if (action === 'save') saveState();
    else if (action === 'load') loadState();
    else if (action === 'slotDown') page.slot = (page.slot + SLOT_COUNT - 1) % SLOT_COUNT;
    else if (action === 'slotUp') page.slot = (page.slot + 1) % SLOT_COUNT;
    else if (action === 'screenshot') saveScreenshot();
  }
  showStatus();
}

function onKey(event, down) {
  const boardKey = BOARD_KEYS.get(event.code);
  const hostAction = HOST_KEYS.get(event.code);
  if (boardKey === undefined && hostAction === undefined) return;
  event.preventDefault();
  if (hostAction !== undefined) {
    runHostKey(hostAction, down, event.repeat);
    return;
  }
  if (down) page.heldKeys.set(event.code, boardKey);
  else page.heldKeys.delete(event.code);
  page.module._webQueueKey(boardKey, down);
}

// Keys still held when the page loses the keyboard are let go, as their key-ups never come.
function releaseKeys() {
  for (const keyCode of page.heldKeys.values()) page.module._webQueueKey(keyCode, false);
  page.heldKeys.clear();
  page.fastForward = false;
  page.rewinding = false;
  showStatus();
}

// Gamepads play as the keyboard: the keys held by any pad, sent as they change.
function pollGamepads() {
  if (!navigator.getGamepads) return;
  const held = new Set();
  let start = false;
  for (const pad of navigator.getGamepads()) {
    if (!pad) continue;
    const pressed = (index) => Boolean(pad.buttons[index] && pad.buttons[index].pressed);
    const x = pad.axes[0] || 0;
    const y = pad.axes[1] || 0;
    if (pressed(14) || x < -STICK_DEAD_ZONE) held.add(VKEY.LEFT);
    if (pressed(15) || x > STICK_DEAD_ZONE) held.add(VKEY.RIGHT);
    if (pressed(12) || y < -STICK_DEAD_ZONE) held.add(VKEY.UP);
    if (pressed(13) || y > STICK_DEAD_ZONE) held.add(VKEY.DOWN);
    if (pressed(0)) held.add(VKEY.SPACE);
    if (pressed(1)) held.add(VKEY.MENU);
    if (pressed(2)) held.add(VKEY.CONTROL);
    start = start || pressed(9);
  }
  if (page.loaded) {
    for (const keyCode of held) if (!page.padKeys.has(keyCode)) page.module._webQueueKey(keyCode, true);
    for (const keyCode of page.padKeys) if (!held.has(keyCode)) page.module._webQueueKey(keyCode, false);
  }
  page.padKeys = held;
  if (start && !page.padStart) runHostKey('pause', true, false);
  page.padStart = start;
}

// Start-up ----------------------------------------------------------------------------------------

function connectPage() {
  window.addEventListener('keydown', (event) => onKey(event, true));
  window.addEventListener('keyup', (event) => onKey(event, false));
  window.addEventListener('blur', releaseKeys);
  window.addEventListener('resize', fitPicture);
  document.addEventListener('visibilitychange', () => {
    page.hidden = document.visibilityState === 'hidden';
    if (page.hidden) releaseKeys();
    page.pacer.lastTime = null;
    showStatus();
  });
  const buttons = {
    'pause-button': () => runHostKey('pause', true, false),
    'step-button': () => runHostKey('step', true, false),
    'reset-button': () => runHostKey('reset', true, false),
    'save-button': () => runHostKey('save', true, false),
    'load-button': () => runHostKey('load', true, false),
    'slot-down': () => runHostKey('slotDown', true, false),
    'slot-up': () => runHostKey('slotUp', true, false),
    'screenshot-button': saveScreenshot,
    'keys-button': saveKeyLog,
  };
  for (const [id, act] of Object.entries(buttons)) {
    element(id).addEventListener('click', (event) => {
      act();
      event.currentTarget.blur(); // keys go to the board, not to the button
    });
  }
  for (const id of ['set-files', 'set-folder']) {
    element(id).addEventListener('change', (event) => {
      loadGiven(Promise.resolve(event.target.files));
      event.target.blur();
    });
  }
  document.addEventListener('dragover', (event) => {
    event.preventDefault();
    document.body.classList.add('dragging');
  });
  document.addEventListener('dragleave', () => document.body.classList.remove('dragging'));
  document.addEventListener('drop', (event) => {
    event.preventDefault();
    document.body.classList.remove('dragging');
    loadGiven(droppedFiles(event.dataTransfer));
  });
  const names = [];
  for (let index = 0; index < page.module._webFileCount(); index += 1) names.push(fileName(index));
  element('file-names').textContent = names.join(', ');
}

// The test modes (index.html?test=...): frames:N runs N passes on timers
// and writes "N DIGEST" into #test-result; step runs nothing by itself
// and lets a DevTools client step passes between trusted key presses.
function startTest(mode) {
  const frames = /^frames:(\d+)$/.exec(mode);
  if (frames) {
    const total = Number(frames[1]);
    const runSome = () => {
      for (let i = 0; i < TEST_PASSES_PER_TIMER && page.module._webPass() < total; i += 1) page.module._webRunPass();
      if (page.module._webPass() < total && page.loaded) {
        setTimeout(runSome, 0);
        return;
      }
      draw();
      element('test-result').textContent = `${page.module._webPass()} ${page.module.UTF8ToString(page.module._webDigest())}`;
    };
    runSome();
    return;
  }
  window.quillomarkTest = {
    // Runs count passes; the "PASS DIGEST" line of each that ended a frame.
    run(count) {
      const lines = [];
      for (let i = 0; i < count; i += 1) {
        if (runPass()) {
          lines.push(`${page.module._webPass()} ${page.module.UTF8ToString(page.module._webDigest())}`);
        }
      }
      draw();
      return lines;
    },
    // Milliseconds count passes take, drawing none.
    time(count) {
      const start = performance.now();
      for (let i = 0; i < count; i += 1) page.module._webRunPass();
      return performance.now() - start;
    },
    // Passes the pacer runs in the given milliseconds of ticks at rate a second.
    pace(rate, milliseconds) {
      const pacer = { accumulated: 0, lastTime: null };
      let passes = 0;
      for (let time = 0; time < milliseconds; time += 1000 / rate) passes += pacePasses(pacer, 1000 / rate);
      return passes;
    },
    keyLog: () => page.module.HEAPU8.slice(page.module._webKeyLog(), page.module._webKeyLog() + page.module._webKeyLogSize()),
    loaded: () => page.loaded,
    message: () => element('message').textContent,
  };
}

createQuillomark({ print: addLogLine, printErr: addLogLine }).then((module) => {
  page.module = module;
  page.context = element('picture').getContext('2d');
  connectPage();
  fitPicture();
  loadDemo();
  const test = new URLSearchParams(location.search).get('test');
  if (test) startTest(test);
  else requestAnimationFrame(tick);
});
