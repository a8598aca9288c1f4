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
// What the module's webRunPass and webStepInstruction say (web_main.cpp).
const WEB_FRAME_ENDED = 1;
const WEB_STOPPED = 2;

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
  ['F9', 'debug'],
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
  element('debug-pause').textContent = page.paused ? 'Resume' : 'Pause';
}

function addLogLine(line) {
  page.logLines.push(line);
  if (page.logLines.length > LOG_LINES) page.logLines.shift();
  page.logChanged = true;
}

// RGBA pixels of the module at address as an image (a view, not a copy).
function moduleImage(address, width, height) {
  return new ImageData(new Uint8ClampedArray(page.module.HEAPU8.buffer, address, width * height * 4), width, height);
}

// Shows the last picture, or with the debug panel's hidden parts left out or its edits; the panel's
// outline of a sprite on top.
function draw() {
  const at = page.module._webShownPicture(shownParts());
  if (!page.image || page.image.data.buffer !== page.module.HEAPU8.buffer || page.imageAt !== at) {
    page.image = moduleImage(at, PICTURE_WIDTH, PICTURE_HEIGHT);
    page.imageAt = at;
  }
  page.context.putImageData(page.image, 0, 0);
  outlineSprite();
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
  const result = page.module._webRunPass();
  if (result === WEB_STOPPED) {
    stopAtBreakpoint();
    return false;
  }
  const ended = result === WEB_FRAME_ENDED;
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
    do shown = runPass() || shown; while (performance.now() < until && !page.paused);
    page.pacer.accumulated = 0;
  } else {
    for (let passes = pacePasses(page.pacer, elapsed); passes > 0 && !page.paused; passes -= 1) {
      shown = runPass() || shown;
    }
  }
  if (shown) {
    draw();
    updatePanel();
  }
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
  const elf = [...files].find((file) => /\.elf$/i.test(file.name));
  if (elf) loadElf(elf.name, new Uint8Array(await naming(elf.name, elf.arrayBuffer())));
  const byName = new Map([...files].map((file) => [file.name.toLowerCase(), file]));
  const count = page.module._webFileCount();
  const chosen = [];
  for (let index = 0; index < count; index += 1) {
    const file = byName.get(fileName(index).toLowerCase());
    const limit = page.module._webFileLimit(index);
    chosen.push(file ? new Uint8Array(await naming(file.name, file.slice(0, limit).arrayBuffer())) : null);
  }
  if (elf && chosen.every((bytes) => !bytes)) return; // the ELF alone: the game goes on
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
    else if (action === 'debug') toggleDebug();
  }
  showStatus();
}

function onKey(event, down) {
  const target = event.target;
  if (target instanceof HTMLInputElement && target.type !== 'checkbox' && target.type !== 'file') return;
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
    'debug-button': toggleDebug,
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
  connectDebug();
}

// The debug panel (F9): the board's views every pass, steps, breakpoints, edits --------------------

const COMPOSE_LAYER0 = 1;          // ComposePart bits of src/video/compose.h
const COMPOSE_LAYER1 = 2;
const COMPOSE_SPRITES = 4;
const COMPOSE_ALL = COMPOSE_LAYER0 | COMPOSE_LAYER1 | COMPOSE_SPRITES;
const CELL_PIXELS = 8;             // tiles and map cells are 8x8
const SPRITE_FIELDS = 13;          // numbers of a sprite row in webViewSprites' table, of which:
const SPRITE_X = 1;
const SPRITE_Y = 2;
const SPRITE_WIDTH = 3;
const SPRITE_HEIGHT = 4;
const SPRITE_SHOWN_WIDTH = 5;
const SPRITE_SHOWN_HEIGHT = 6;
const SPRITE_VERDICT = 12;
const FIRST_SHOWN_LINE = 8;        // the frame line at the top of the picture (sprite y counts lines)
const SPRITE_COUNT = 256;
const CPU_FIELDS = 22;             // D0-D7, A0-A7, USP, SSP, PC, SR, stopped, instruction bytes
const CPU_USP = 16;
const CPU_PC = 18;
const CPU_SR = 19;
const CPU_STOPPED = 20;
const CPU_INSTRUCTION_BYTES = 21;
const REGISTER_PC = 16;            // webSetRegister's numbers after D0-D7 and A0-A7
const REGISTER_SR = 17;
const MEMORY_ROWS = 16;
const FIRST_MEMORY_SHOWN = 0x100000; // layer 0's map
const MEMORY_COLUMNS = 16;
const VERDICTS = ['drawn', 'not its index', 'hidden', 'zero zoom', 'off screen', 'no size'];
const VERDICT_CLASSES = ['drawn', 'wrong', 'quiet', 'quiet', 'wrong', 'wrong'];
// A map cell as webMapCell packs it.
const CELL_TILE_MASK = 0x7FF;
const CELL_BANK_SHIFT = 11;
const CELL_BANK_MASK = 0x7F;
const CELL_PRIORITY = 1 << 18;
const CELL_HORIZONTAL_FLIP = 1 << 19;
const CELL_VERTICAL_FLIP = 1 << 20;
// Status register bits.
const SR_TRACE = 0x8000;
const SR_SUPERVISOR = 0x2000;
const SR_MASK_SHIFT = 8;
const SR_MASK_BITS = 7;
const SR_FLAGS = [['X', 0x10], ['N', 0x08], ['Z', 0x04], ['V', 0x02], ['C', 0x01]];

const debug = {
  open: false,
  sheetBank: 0,
  memoryBase: FIRST_MEMORY_SHOWN,
  selectedByte: null,      // address of the byte the memory view edits
  hoveredSprite: null,     // scan index outlined on the picture
  sprites: null,           // the last sprite table (an Int32Array view)
  spriteRows: [],          // text last shown in each row
  rowsInSight: null,       // [first, end) of the sprite rows the table shows
  inSight: new Set(),      // ids of the views on screen
  breakpoints: new Map(),  // address -> the name or hex it was given as
  runTo: null,             // the address Run to stops at
  registerInputs: [],
  memoryBytes: [],
  memoryLines: [],
};

const hex = (value, digits) => (value >>> 0).toString(16).padStart(digits, '0');

function shownParts() {
  if (!debug.open) return COMPOSE_ALL;
  let parts = COMPOSE_ALL;
  if (element('hide-layer0').checked) parts &= ~COMPOSE_LAYER0;
  if (element('hide-layer1').checked) parts &= ~COMPOSE_LAYER1;
  if (element('hide-sprites').checked) parts &= ~COMPOSE_SPRITES;
  return parts;
}

function debugMessage(text) {
  element('debug-message').textContent = text;
}

// "name+0x12" of a code address, or "".
function addressName(address) {
  return page.module.UTF8ToString(page.module._webAddressName(address));
}

// An address given as a symbol's name or in hex; null when it is neither.
function parseAddress(text) {
  const name = text.trim();
  const module = page.module;
  const bytes = new TextEncoder().encode(name).slice(0, module._webNameSize() - 1);
  const buffer = module._webNameBuffer();
  module.HEAPU8.set(bytes, buffer);
  module.HEAPU8[buffer + bytes.length] = 0;
  if (name && module._webFindSymbol()) return module._webFoundAddress() >>> 0;
  const digits = /^(?:0x|\$)?([0-9a-f]{1,8})$/i.exec(name);
  return digits ? parseInt(digits[1], 16) : null;
}

function loadElf(name, bytes) {
  const at = page.module._webElfBuffer(bytes.length);
  page.module.HEAPU8.set(bytes, at);
  const said = page.module._webLoadSymbols() ? `Symbols of ${name} loaded`
    : page.module.UTF8ToString(page.module._webMessage());
  debugMessage(said);
  showMessage(said); // seen with the panel closed too; a set loaded with it says its own
  showBreakpoints();
  updatePanel();
}

function toggleDebug() {
  debug.open = !debug.open;
  element('debug').hidden = !debug.open;
  document.body.classList.toggle('debugging', debug.open);
  fitPicture();
  debug.rowsInSight = null;
  if (page.loaded) {
    updatePanel();
    draw();
  }
}

// The picture and the views after a step or an edit while paused.
function refreshPaused() {
  draw();
  updatePanel();
  showStatus();
}

function stopAtBreakpoint() {
  page.paused = true;
  const pc = page.module._webProgramCounter();
  if (debug.runTo !== null) {
    if (!debug.breakpoints.has(debug.runTo)) page.module._webSetBreakpoint(debug.runTo, false);
    debug.runTo = null;
  }
  const name = addressName(pc);
  debugMessage(`Stopped at ${hex(pc, 8)}${name ? ` (${name})` : ''}`);
  refreshPaused();
}

function stepInstruction() {
  if (!page.loaded) return;
  page.paused = true;
  if (page.module._webStepInstruction() === WEB_FRAME_ENDED) page.lastFrameTime = performance.now();
  debugMessage('');
  refreshPaused();
}

function stepPass() {
  if (!page.loaded) return;
  page.paused = true;
  runPass();
  refreshPaused();
}

function runTo() {
  const address = parseAddress(element('run-to').value);
  if (address === null) {
    debugMessage(`No function or hex address: ${element('run-to').value}`);
    return;
  }
  if (debug.runTo !== null && !debug.breakpoints.has(debug.runTo)) page.module._webSetBreakpoint(debug.runTo, false);
  debug.runTo = address;
  page.module._webSetBreakpoint(address, true);
  page.paused = false;
  debugMessage(`Running to ${hex(address, 8)}`);
  showStatus();
}

function toggleBreakpoint(text) {
  const address = parseAddress(text);
  if (address === null) {
    debugMessage(`No function or hex address: ${text}`);
    return;
  }
  const on = !debug.breakpoints.has(address);
  if (!page.module._webSetBreakpoint(address, on)) {
    debugMessage('No room for another breakpoint');
    return;
  }
  if (on) debug.breakpoints.set(address, text.trim());
  else debug.breakpoints.delete(address);
  showBreakpoints();
}

function showBreakpoints() {
  const list = element('breakpoints');
  list.textContent = debug.breakpoints.size ? 'Breakpoints (click one to clear it): ' : '';
  for (const address of debug.breakpoints.keys()) {
    const item = document.createElement('button');
    item.type = 'button';
    const name = addressName(address);
    item.textContent = `${hex(address, 6)}${name ? ` ${name}` : ''}`;
    item.addEventListener('click', () => toggleBreakpoint(hex(address, 8)));
    list.append(item, ' ');
  }
}

// The panel's views ---------------------------------------------------------------------------------

function putView(id, address) {
  const canvas = element(id);
  canvas.getContext('2d').putImageData(moduleImage(address, canvas.width, canvas.height), 0, 0);
}

const cpuFields = () => new Uint32Array(page.module.HEAPU8.buffer, page.module._webViewCpu(), CPU_FIELDS);

function showCpu() {
  const fields = cpuFields();
  debug.registerInputs.forEach(({ input, field }) => {
    // Only what changed is written: every write to an input costs the renderer a layout.
    const value = hex(fields[field], field === CPU_SR ? 4 : 8);
    if (document.activeElement !== input && input.value !== value) input.value = value;
  });
  const sr = fields[CPU_SR];
  const flags = SR_FLAGS.map(([name, bit]) => `${name}=${sr & bit ? 1 : 0}`).join(' ');
  const pc = fields[CPU_PC];
  const name = addressName(pc);
  const instruction = page.module.UTF8ToString(page.module._webCpuInstruction());
  setText(element('cpu-line'),
    `SR ${hex(sr, 4)}: ${sr & SR_TRACE ? 'trace, ' : ''}${sr & SR_SUPERVISOR ? 'supervisor' : 'user'}, `
    + `interrupt mask ${(sr >> SR_MASK_SHIFT) & SR_MASK_BITS}, ${flags}${fields[CPU_STOPPED] ? ', stopped' : ''}\n`
    + `${hex(pc, 8)}${name ? ` <${name}>` : ''}  ${instruction}`);
}

// Writes an element's text only when it differs: an unchanged view costs no layout.
function setText(node, text) {
  if (node.textContent !== text) node.textContent = text;
}

function spriteRowText(fields, i) {
  const f = fields.subarray(i * SPRITE_FIELDS, (i + 1) * SPRITE_FIELDS);
  const [address, x, y, width, height, shownWidth, shownHeight, zoom, hflip, vflip, bank, pattern, verdict] = f;
  return [i, hex(address, 6), x, y, `${width}x${height}`, shownWidth ? `${shownWidth}x${shownHeight}` : '-',
    hex(zoom, 2), `${hflip ? 'h' : '-'}${vflip ? 'v' : '-'}`, bank, hex(pattern, 3), VERDICTS[verdict] || verdict];
}

// The sprite table's rows in sight: only those are written each pass (the others when scrolled to).
// Each row is laid out on its own (CSS containment): a table would lay out all 256 at every change.
function showSprites() {
  debug.sprites = new Int32Array(page.module.HEAPU8.buffer, page.module._webViewSprites(), SPRITE_COUNT * SPRITE_FIELDS);
  const rows = element('sprites').children;
  if (!debug.rowsInSight) measureSpriteRows();
  const [first, last] = debug.rowsInSight;
  for (let i = first; i < last; i += 1) {
    const cells = spriteRowText(debug.sprites, i);
    const text = cells.join(' ');
    if (debug.spriteRows[i] === text) continue;
    debug.spriteRows[i] = text;
    const row = rows[i];
    cells.forEach((cell, k) => { row.children[k].textContent = cell; });
    row.className = `sprite-row ${VERDICT_CLASSES[debug.sprites[i * SPRITE_FIELDS + SPRITE_VERDICT]] || ''}`;
  }
  if (debug.hoveredSprite !== null) showSpriteHover(debug.hoveredSprite);
}

// The rows in sight, measured when the table scrolls or the panel opens: a measure after the pass's
// other writes would lay the page out once more every pass.
function measureSpriteRows() {
  const scroller = element('sprite-scroll');
  const rowHeight = element('sprites').children[0].offsetHeight || 1;
  const first = Math.max(0, Math.floor(scroller.scrollTop / rowHeight) - 1);
  debug.rowsInSight = [first, Math.min(SPRITE_COUNT, first + Math.ceil(scroller.clientHeight / rowHeight) + 2)];
}

function showSpriteHover(i) {
  const [index, address, x, y, size, shown, zoom, flips, bank, pattern, verdict] = spriteRowText(debug.sprites, i);
  element('sprite-hover').textContent = `sprite ${index} at ${address}: x ${x}, y ${y}, size ${size}, shown ${shown}, `
    + `zoom ${zoom}, flips ${flips}, bank ${bank}, pattern ${pattern}: ${verdict}`;
  putView('sprite-picture', page.module._webViewSpritePicture(i));
}

// The hovered sprite's outline on the shown picture (line 8 of the frame is its top row).
function outlineSprite() {
  if (!debug.open || debug.hoveredSprite === null || !debug.sprites) return;
  const f = debug.sprites.subarray(debug.hoveredSprite * SPRITE_FIELDS);
  // A sprite not drawn is outlined at its pattern's size.
  const width = Math.max(f[SPRITE_SHOWN_WIDTH] || f[SPRITE_WIDTH], 1);
  const height = Math.max(f[SPRITE_SHOWN_HEIGHT] || f[SPRITE_HEIGHT], 1);
  const context = page.context;
  context.strokeStyle = '#ff0';
  context.lineWidth = 1;
  // Half-pixel places put the one-pixel line on whole pixels.
  context.strokeRect(f[SPRITE_X] + 0.5, f[SPRITE_Y] - FIRST_SHOWN_LINE + 0.5, width - 1, height - 1);
}

function showMemory() {
  const bytes = page.module.HEAPU8.subarray(page.module._webViewMemory(debug.memoryBase, MEMORY_ROWS * MEMORY_COLUMNS));
  for (let row = 0; row < MEMORY_ROWS; row += 1) {
    const line = debug.memoryLines[row];
    setText(line.address, `${hex(debug.memoryBase + row * MEMORY_COLUMNS, 6)} `);
    let text = ' ';
    for (let column = 0; column < MEMORY_COLUMNS; column += 1) {
      const n = row * MEMORY_COLUMNS + column;
      const value = hex(bytes[n], 2);
      const span = debug.memoryBytes[n];
      setText(span, value);
      const selected = debug.selectedByte === debug.memoryBase + n;
      if (span.classList.contains('selected') !== selected) span.classList.toggle('selected', selected);
      text += bytes[n] >= 0x20 && bytes[n] < 0x7F ? String.fromCharCode(bytes[n]) : '.';
    }
    setText(line.text, text);
  }
}

// Every view of the open panel, from the machine as it stands.
// Every view of the open panel in sight, from the machine as it stands. A view scrolled out of sight
// is brought up to date as it comes back: painting what nobody sees would cost the renderer as much
// as the game.
function updatePanel() {
  if (!debug.open || !page.loaded) return;
  const inSight = (id) => debug.inSight.has(id);
  if (inSight('cpu')) showCpu();
  if (inSight('map0')) putView('map0', page.module._webViewTileMap(0));
  if (inSight('map1')) putView('map1', page.module._webViewTileMap(1));
  if (inSight('sheet')) putView('sheet', page.module._webViewTileSheet(debug.sheetBank));
  if (inSight('palette')) putView('palette', page.module._webViewPalette());
  if (inSight('sprite-scroll')) showSprites();
  if (inSight('memory')) showMemory();
}

// Follows which views are in sight, and shows each as it comes into sight.
function watchSight() {
  const watcher = new IntersectionObserver((entries) => {
    for (const entry of entries) {
      if (entry.isIntersecting) debug.inSight.add(entry.target.id);
      else debug.inSight.delete(entry.target.id);
    }
    updatePanel();
  });
  for (const id of ['cpu', 'map0', 'map1', 'sheet', 'palette', 'sprite-scroll', 'memory']) watcher.observe(element(id));
}

// The cell or tile under the pointer on a map or sheet canvas: [column, row].
function cellUnder(canvas, event) {
  const box = canvas.getBoundingClientRect();
  const x = (event.clientX - box.left) * canvas.width / box.width;
  const y = (event.clientY - box.top) * canvas.height / box.height;
  return [Math.floor(x / CELL_PIXELS), Math.floor(y / CELL_PIXELS)];
}

function showCellHover(layer, event) {
  const canvas = element(`map${layer}`);
  const [column, row] = cellUnder(canvas, event);
  const cell = page.module._webMapCell(layer, row * (canvas.width / CELL_PIXELS) + column);
  const flips = `${cell & CELL_HORIZONTAL_FLIP ? 'h' : '-'}${cell & CELL_VERTICAL_FLIP ? 'v' : '-'}`;
  element('map-hover').textContent = `layer ${layer} cell ${column},${row}: tile ${hex(cell & CELL_TILE_MASK, 3)}, `
    + `bank ${(cell >> CELL_BANK_SHIFT) & CELL_BANK_MASK}, flips ${flips}, priority ${cell & CELL_PRIORITY ? 'yes' : 'no'}`;
}

function showTileHover(event) {
  const canvas = element('sheet');
  const [column, row] = cellUnder(canvas, event);
  element('sheet-hover').textContent =
    `tile ${hex(row * (canvas.width / CELL_PIXELS) + column, 3)} at ${column},${row}, bank ${debug.sheetBank}`;
}

function editByte() {
  const value = /^[0-9a-f]{1,2}$/i.exec(element('memory-value').value.trim());
  if (debug.selectedByte === null || !value) {
    debugMessage('Click a byte, then type its value in hex');
    return;
  }
  if (!page.module._webPokeByte(debug.selectedByte, parseInt(value[0], 16))) {
    debugMessage(`No memory at ${hex(debug.selectedByte, 6)}`);
    return;
  }
  debugMessage(`${hex(debug.selectedByte, 6)} set to ${value[0]}`);
  selectByte(debug.selectedByte + 1);
  refreshPaused();
}

function selectByte(address) {
  debug.selectedByte = address >>> 0;
  element('memory-selected').textContent = hex(address, 6);
  const input = element('memory-value');
  const offset = address - debug.memoryBase;
  if (offset >= 0 && offset < MEMORY_ROWS * MEMORY_COLUMNS) input.value = debug.memoryBytes[offset].textContent;
  input.focus();
  input.select();
  showMemory();
}

function buildDebugElements() {
  const registers = element('registers');
  const names = [...[0, 1, 2, 3, 4, 5, 6, 7].map((r) => `D${r}`), ...[0, 1, 2, 3, 4, 5, 6, 7].map((r) => `A${r}`),
    'USP', 'SSP', 'PC', 'SR'];
  names.forEach((name, field) => {
    const label = document.createElement('span');
    label.textContent = name;
    const input = document.createElement('input');
    input.id = `register-${name.toLowerCase()}`;
    input.setAttribute('aria-label', name);
    const number = field < CPU_USP ? field : { PC: REGISTER_PC, SR: REGISTER_SR }[name];
    if (number === undefined) input.readOnly = true;
    input.addEventListener('change', () => {
      const value = /^(?:0x|\$)?([0-9a-f]{1,8})$/i.exec(input.value.trim());
      if (value && page.module._webSetRegister(number, parseInt(value[1], 16))) debugMessage(`${name} set`);
      else debugMessage(`${name}: not a hex value`);
      input.blur();
      refreshPaused();
    });
    registers.append(label, input);
    debug.registerInputs.push({ input, field });
  });
  const body = element('sprites');
  const columns = element('sprite-head').children.length;
  for (let i = 0; i < SPRITE_COUNT; i += 1) {
    const row = document.createElement('div');
    row.className = 'sprite-row';
    for (let k = 0; k < columns; k += 1) row.append(document.createElement('span'));
    body.append(row);
    row.addEventListener('mouseenter', () => {
      debug.hoveredSprite = i;
      showSpriteHover(i);
      draw();
    });
  }
  body.addEventListener('mouseleave', () => {
    debug.hoveredSprite = null;
    if (page.loaded) draw();
  });
  const memory = element('memory');
  for (let row = 0; row < MEMORY_ROWS; row += 1) {
    const line = document.createElement('div');
    const address = document.createElement('span');
    line.append(address);
    for (let column = 0; column < MEMORY_COLUMNS; column += 1) {
      const span = document.createElement('span');
      span.className = 'byte';
      const n = row * MEMORY_COLUMNS + column;
      span.addEventListener('click', () => selectByte(debug.memoryBase + n));
      line.append(span, column === MEMORY_COLUMNS - 1 ? '' : ' ');
      debug.memoryBytes.push(span);
    }
    const text = document.createElement('span');
    line.append(text);
    memory.append(line);
    debug.memoryLines.push({ address, text });
  }
}

function connectDebug() {
  buildDebugElements();
  watchSight();
  element('memory-address').value = hex(FIRST_MEMORY_SHOWN, 6);
  const buttons = {
    'debug-pause': () => runHostKey('pause', true, false),
    'debug-step': stepInstruction,
    'debug-step-pass': stepPass,
    'run-to-button': runTo,
    'breakpoint-button': () => toggleBreakpoint(element('breakpoint-entry').value),
  };
  for (const [id, act] of Object.entries(buttons)) {
    element(id).addEventListener('click', (event) => {
      act();
      event.currentTarget.blur();
    });
  }
  const onEnter = (id, act) => element(id).addEventListener('keydown', (event) => {
    if (event.key === 'Enter') act();
  });
  onEnter('run-to', runTo);
  onEnter('breakpoint-entry', () => toggleBreakpoint(element('breakpoint-entry').value));
  onEnter('memory-value', editByte);
  element('memory-address').addEventListener('change', (event) => {
    const address = parseAddress(event.target.value);
    if (address === null) debugMessage(`No function or hex address: ${event.target.value}`);
    else debug.memoryBase = address;
    updatePanel();
  });
  element('sheet-bank').addEventListener('change', (event) => {
    debug.sheetBank = Math.min(CELL_BANK_MASK, Math.max(0, Number(event.target.value) | 0));
    updatePanel();
  });
  for (const id of ['hide-layer0', 'hide-layer1', 'hide-sprites']) {
    element(id).addEventListener('change', (event) => {
      event.target.blur();
      if (page.loaded) draw();
    });
  }
  element('elf-file').addEventListener('change', (event) => {
    const file = event.target.files[0];
    event.target.blur();
    if (file) file.arrayBuffer().then((bytes) => loadElf(file.name, new Uint8Array(bytes)));
  });
  for (const layer of [0, 1]) element(`map${layer}`).addEventListener('mousemove', (event) => showCellHover(layer, event));
  element('sheet').addEventListener('mousemove', showTileHover);
  element('sprite-scroll').addEventListener('scroll', () => {
    measureSpriteRows();
    if (page.loaded && debug.sprites) showSprites();
  });
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
      updatePanel();
      return lines;
    },
    // The PC and the bytes of the instruction there, as the CPU view reads them.
    cpu() {
      const fields = cpuFields();
      return { pc: fields[CPU_PC], bytes: fields[CPU_INSTRUCTION_BYTES] };
    },
    paused: () => page.paused,
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
