"""The browser page (build/web) in headless Chromium against quillomark-headless on the same sets:
    web_test.py frames|keys|files|panel PAGE HEADLESS DEMO_DIR KEY_SCRIPT SCRATCH [HELLO_DIR HELLO_ELF]
frames: the timer-driven test mode, from file://, shows the headless digest of pass 300.
keys:   served over HTTP; trusted key presses between stepped passes give the headless digests
        and keys.bin of the same script; a state saved in a slot and loaded goes on as before; the
        pacer runs 60 passes a second at 60, 120 and 144 Hz.
files:  sets chosen (files, a folder) and dropped (files, a folder) in Chromium: a short, a missing ROM
        file and a missing pal.bmp show the headless program's own message and the running game goes
        on; a dropped path that cannot be read is named; a whole set among 150 other files runs.
panel:  the debug panel on the starter program with a planted wrong sprite entry and map cell, its
        ELF dropped beside the set: the digests stay the headless program's with sprites hidden, the
        sprite table and a cell's hover name the planted faults, a breakpoint by name stops there, a
        step moves the PC by the instruction's bytes, and a palette byte edited changes the picture."""
import functools
import http.server
import os
import re
import shutil
import subprocess
import sys
import threading

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import devtools  # noqa: E402

FRAMES = 300
STATE_PASSES = 30
REWIND_PASSES = 5  # passes R takes back
PACED_RATES = (60, 120, 144)
PASSES_PER_SECOND = 60
WAYS = ("files", "folder", "drop files", "drop folder")
OTHER_FILES = 150
PANEL_PASSES = 60
PROGRAM_ROM = ("18b_d02.bin", "18c_d05.bin")  # the program ROM's even and odd bytes
FIRST_SPRITE = 0x180EF0                       # the entry of scan index 0; index 1's is 16 below
SPRITE_ENTRY_SIZE = 16
PLANTED_TEXT = (b"HELLO BOARD", b"HELLO XOARD")  # cell 16,4 shows tile 0x58 instead of 0x42
BACKDROP_BYTE = 0x090003  # palette entry 0's low colour byte: layer 0's pen 0

# Key names of the headless scripts -> (KeyboardEvent.code, key, Windows virtual-key code).
CDP_KEYS = {
    "LEFT": ("ArrowLeft", "ArrowLeft", 0x25), "UP": ("ArrowUp", "ArrowUp", 0x26),
    "RIGHT": ("ArrowRight", "ArrowRight", 0x27), "DOWN": ("ArrowDown", "ArrowDown", 0x28),
    "SPACE": ("Space", " ", 0x20), "ENTER": ("Enter", "Enter", 0x0D), "SHIFT": ("ShiftLeft", "Shift", 0x10),
    "CTRL": ("ControlLeft", "Control", 0x11), "ALT": ("AltLeft", "Alt", 0x12),
    "F2": ("F2", "F2", 0x71), "F3": ("F3", "F3", 0x72), "F8": ("F8", "F8", 0x77), "F9": ("F9", "F9", 0x78),
    "R": ("KeyR", "r", 0x52),
}
CDP_KEYS.update({str(d): (f"Digit{d}", str(d), 0x30 + d) for d in range(10)})


def fail(text):
    print(f"FAIL: {text}")
    sys.exit(1)


def headless_run(headless, rom_dir, scratch, frames, keys=None):
    """Runs quillomark-headless on a copy of rom_dir; its digest lines, keys.bin and last output line."""
    run = os.path.join(scratch, "headless")
    shutil.rmtree(run, ignore_errors=True)
    shutil.copytree(rom_dir, run)
    digests = os.path.join(scratch, "headless.digests")
    if os.path.exists(digests):
        os.remove(digests)
    command = [headless, "--frames", str(frames), "--digests", digests]
    if keys:
        command += ["--keys", keys]
    done = subprocess.run(command + [run], capture_output=True, text=True, timeout=120)
    lines = open(digests).read().split("\n")[:-1] if os.path.exists(digests) else []
    key_log = os.path.join(run, "keys.bin")
    key_bytes = open(key_log, "rb").read() if os.path.exists(key_log) else b""
    output = done.stdout.strip().split("\n")
    return lines, key_bytes, output[-1] if output else ""


def read_key_script(path):
    """The script's (pass, down, name) presses in order."""
    presses = []
    for line in open(path):
        words = line.split("#")[0].split()
        if words:
            presses.append((int(words[0]), words[1].lower() == "down", words[2].upper()))
    return presses


def press(browser, name, down):
    code, key, virtual = CDP_KEYS[name]
    browser.call("Input.dispatchKeyEvent", session=True, type="rawKeyDown" if down else "keyUp", code=code, key=key,
                 windowsVirtualKeyCode=virtual, nativeVirtualKeyCode=virtual)


def open_step_page(browser, url):
    browser.open(url + "?test=step")
    browser.wait_for("window.quillomarkTest && quillomarkTest.loaded()")


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def serve(folder):
    """An HTTP server on 127.0.0.1 for folder, on a thread; returns it and its URL."""
    handler = functools.partial(QuietHandler, directory=folder)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server, f"http://127.0.0.1:{server.server_address[1]}/index.html"


def test_frames(page, headless, demo, scratch, _keys):
    expected, _, _ = headless_run(headless, demo, scratch, FRAMES)
    browser = devtools.Browser(scratch)
    try:
        browser.open(f"file://{page}/index.html?test=frames:{FRAMES}")
        shown = browser.wait_for("document.getElementById('test-result').textContent", timeout=120)
    finally:
        browser.close()
    if shown != expected[FRAMES - 1]:
        fail(f"pass {FRAMES}: the page shows {shown!r}, the headless program {expected[FRAMES - 1]!r}")
    print(f"pass {FRAMES} digest {shown} as the headless program's")


def test_keys(page, headless, demo, scratch, keys):
    expected, expected_log, _ = headless_run(headless, demo, scratch, FRAMES, keys)
    presses = read_key_script(keys)
    server, url = serve(page)
    browser = devtools.Browser(scratch)
    try:
        open_step_page(browser, url)
        shown = []
        for number in range(1, FRAMES + 1):
            for at, down, name in presses:
                if at == number:
                    press(browser, name, down)
            shown += browser.evaluate("quillomarkTest.run(1)")
        for line, want in zip(shown, expected):
            if line != want:
                fail(f"with keys: the page shows {line!r} where the headless program shows {want!r}")
        if len(shown) != len(expected) or len(shown) != FRAMES:
            fail(f"{len(shown)} passes shown, the headless program {len(expected)}, {FRAMES} wanted")
        log = bytes(browser.evaluate("Array.from(quillomarkTest.keyLog())"))
        if log != expected_log:
            fail(f"keys.bin: {len(log)} bytes differ from the headless program's {len(expected_log)}")
        print(f"{FRAMES} digests and keys.bin as the headless program's with {len(presses)} key presses")

        # R held runs the game backwards: the pictures of the passes before, newest first.
        press(browser, "R", True)
        back = [line.split()[1] for line in browser.evaluate(f"quillomarkTest.run({REWIND_PASSES})")]
        press(browser, "R", False)
        want = [line.split()[1] for line in expected[FRAMES - 1 - REWIND_PASSES:FRAMES - 1][::-1]]
        if back != want:
            fail(f"R held shows {back}, the passes before were {want}")
        print(f"R held shows the {REWIND_PASSES} passes before, newest first")

        press(browser, "F2", True)
        press(browser, "F2", False)
        browser.wait_for("quillomarkTest.message() === 'State saved (slot 0)'")
        before = [line.split()[1] for line in browser.evaluate(f"quillomarkTest.run({STATE_PASSES})")]
        press(browser, "F3", True)
        press(browser, "F3", False)
        browser.wait_for("quillomarkTest.message() === 'State loaded (slot 0)'")
        after = [line.split()[1] for line in browser.evaluate(f"quillomarkTest.run({STATE_PASSES})")]
        if before != after or len(after) != STATE_PASSES:
            fail("the passes after a state loaded from slot 0 differ from those after it was saved")
        press(browser, "F8", True)
        press(browser, "F8", False)
        press(browser, "F3", True)
        press(browser, "F3", False)
        browser.wait_for("quillomarkTest.message() === 'No state to load (slot 1)'")
        print(f"a state saved and loaded goes on as before for {STATE_PASSES} passes; slot 1 is empty")

        for rate in PACED_RATES:
            passes = browser.evaluate(f"quillomarkTest.pace({rate}, 10000)")
            if abs(passes - 10 * PASSES_PER_SECOND) > 1:
                fail(f"at {rate} Hz the pacer ran {passes} passes in 10 s")
        print(f"{PASSES_PER_SECOND} passes a second at {', '.join(map(str, PACED_RATES))} Hz")
    finally:
        browser.close()
        server.shutdown()


def test_files(page, headless, demo, scratch, _keys):
    names = sorted(os.listdir(demo))
    bad_sets = {
        "short": lambda folder: open(os.path.join(folder, "17b_l.bin"), "r+b").truncate(1000),
        "missing": lambda folder: os.remove(os.path.join(folder, "18c_d05.bin")),
        "palette": lambda folder: os.remove(os.path.join(folder, "pal.bmp")),
        # Among OTHER_FILES others, past the first batch a folder's reader gives.
        "whole": lambda folder: [open(os.path.join(folder, f"other{n:03}.txt"), "w").close()
                                 for n in range(OTHER_FILES)],
    }
    folders, messages = {}, {}
    for kind, damage in bad_sets.items():
        folders[kind] = os.path.join(scratch, kind)
        os.makedirs(folders[kind])
        for name in names:
            shutil.copy(os.path.join(demo, name), folders[kind])
        damage(folders[kind])
        messages[kind] = "" if kind == "whole" else headless_run(headless, folders[kind], scratch, 1)[2]
    passes, _, _ = headless_run(headless, demo, scratch, len(WAYS) * len(bad_sets))
    server, url = serve(page)
    browser = devtools.Browser(scratch)
    try:
        open_step_page(browser, url)
        root = browser.call("DOM.getDocument", session=True)["root"]["nodeId"]
        chooser = {way: browser.call("DOM.querySelector", session=True, selector=selector, nodeId=root)["nodeId"]
                   for way, selector in (("files", "#set-files"), ("folder", "#set-folder"))}

        def give(way, folder):
            files = [os.path.join(folder, name) for name in sorted(os.listdir(folder))] if os.path.isdir(folder) else []
            given = [folder] if way.endswith("folder") else files or [folder]
            browser.evaluate("document.getElementById('message').textContent = '?'")
            if way.startswith("drop"):
                data = {"items": [], "files": given, "dragOperationsMask": 1}
                for kind in ("dragEnter", "dragOver", "drop"):
                    browser.call("Input.dispatchDragEvent", session=True, type=kind, x=100, y=100, data=data)
            else:
                browser.call("DOM.setFileInputFiles", session=True, nodeId=chooser[way], files=given)
            browser.wait_for("quillomarkTest.message() !== '?'")

        # Each way in: a refused set is named as the headless program names it, and the game that ran
        # goes on pass for pass; an unreadable drop is named; the whole set starts afresh.
        shown = 0
        for way in WAYS:
            for kind in bad_sets:
                give(way, folders[kind])
                message = browser.evaluate("quillomarkTest.message()")
                loaded = browser.evaluate("quillomarkTest.loaded()")
                if not message.startswith(messages[kind]) or (kind == "whole") != (message == "") or not loaded:
                    fail(f"{way}, {kind} set: the page says {message!r} (running {loaded}), wanted {messages[kind]!r}")
                shown = 0 if kind == "whole" else shown
                line = browser.evaluate("quillomarkTest.run(1)")
                shown += 1
                if line != passes[shown - 1:shown]:
                    fail(f"{way}, {kind} set: the page then shows {line}, not the running game's {passes[shown - 1]!r}")
                print(f"{way}, {kind} set: {message or 'runs'}")
        # Opened from disk, Chromium reads no dropped folder: the page names it with the browser's
        # reason, and the game goes on.
        open_step_page(browser, f"file://{page}/index.html")
        give("drop folder", folders["whole"])
        message = browser.evaluate("quillomarkTest.message()")
        if not message.startswith("Cannot read /whole: ") or browser.evaluate("quillomarkTest.run(1)") != passes[:1]:
            fail(f"a folder dropped on the page opened from disk: {message!r}")
        print(f"from disk, drop folder: {message}")
    finally:
        browser.close()
        server.shutdown()


def plant_faults(hello, folder):
    """A copy of the hello set whose program writes its ball into the entry of scan index 1 and one
    wrong letter into the text."""
    shutil.copytree(hello, folder)
    halves = [open(os.path.join(folder, name), "rb").read() for name in PROGRAM_ROM]
    image = bytearray(b for pair in zip(*halves) for b in pair)
    assert image.count(PLANTED_TEXT[0]) == 1, "the text to plant in"
    image = image.replace(*PLANTED_TEXT)
    moved = 0
    for at in range(0, len(image) - 3, 2):
        value = int.from_bytes(image[at:at + 4], "big")
        if FIRST_SPRITE <= value < FIRST_SPRITE + SPRITE_ENTRY_SIZE:
            image[at:at + 4] = (value - SPRITE_ENTRY_SIZE).to_bytes(4, "big")
            moved += 1
    assert moved, "the sprite entry's address in the program"
    for half, name in enumerate(PROGRAM_ROM):
        open(os.path.join(folder, name), "wb").write(bytes(image[half::2]))


def test_panel(page, headless, _demo, scratch, _keys, hello, elf):
    planted = os.path.join(scratch, "planted")
    plant_faults(hello, planted)
    expected, _, _ = headless_run(headless, planted, scratch, PANEL_PASSES)
    server, url = serve(page)
    browser = devtools.Browser(scratch)
    text = lambda selector: browser.evaluate(f"document.querySelector({selector!r}).textContent")
    click = lambda selector: browser.evaluate(f"document.querySelector({selector!r}).click()")
    def in_sight(view):
        """Scrolls to a view and waits until the panel draws it: views are drawn while in sight."""
        browser.evaluate(f"document.getElementById({view!r}).scrollIntoView()")
        browser.wait_for(f"debug.inSight.has({view!r})")

    pixels = lambda: browser.evaluate("Array.from(page.context.getImageData(0, 0, 256, 240).data).join()")
    try:
        open_step_page(browser, url)
        press(browser, "F9", True)
        press(browser, "F9", False)
        if browser.evaluate("document.getElementById('debug').hidden"):
            fail("F9 did not open the debug panel")
        click("#hide-sprites")
        files = [os.path.join(planted, name) for name in sorted(os.listdir(planted))] + [elf]
        browser.evaluate("document.getElementById('message').textContent = '?'")
        data = {"items": [], "files": files, "dragOperationsMask": 1}
        for kind in ("dragEnter", "dragOver", "drop"):
            browser.call("Input.dispatchDragEvent", session=True, type=kind, x=100, y=100, data=data)
        browser.wait_for("quillomarkTest.message() === '' && /Symbols of hello.elf/.test("
                         "document.getElementById('debug-message').textContent)")
        shown = browser.evaluate(f"quillomarkTest.run({PANEL_PASSES})")
        if shown != expected:
            fail("with the panel open and sprites hidden the digests differ from the headless program's")
        print(f"{PANEL_PASSES} digests as the headless program's with the panel open and sprites hidden")
        digest = "page.module.UTF8ToString(page.module._webDigest())"
        before, kept = pixels(), browser.evaluate(digest)
        click("#hide-layer0")
        if pixels() == before or browser.evaluate(digest) != kept:
            fail("hiding layer 0 left the picture shown as it was or changed the kept frame's digest")
        click("#hide-layer0")

        in_sight("map0")
        box = browser.evaluate("(({left, top}) => [left, top])(document.getElementById('map0').getBoundingClientRect())")
        browser.call("Input.dispatchMouseEvent", session=True, type="mouseMoved", x=box[0] + 16 * 8 + 3, y=box[1] + 4 * 8 + 3)
        hover = text("#map-hover")
        if not hover.startswith("layer 0 cell 16,4: tile 058, bank 1"):
            fail(f"hovering cell 16,4 of layer 0 shows {hover!r}")
        in_sight("sprite-scroll")
        verdicts = "[1, 2].map((n) => document.querySelector(`#sprites > div:nth-child(${n}) > span:last-child`).textContent)"
        browser.wait_for(f"{verdicts}.join() !== ','")
        if browser.evaluate(verdicts) != ["zero zoom", "not its index"]:
            fail(f"the sprite table shows entries 0 and 1 as {browser.evaluate(verdicts)}")
        print(f"the sprite table shows entry 1 as not its index; {hover}")
        in_sight("cpu")

        browser.evaluate("document.getElementById('breakpoint-entry').value = 'waitFrame'")
        click("#breakpoint-button")
        if browser.evaluate("quillomarkTest.run(1)") or not browser.evaluate("quillomarkTest.paused()"):
            fail("the breakpoint at waitFrame did not stop the pass")
        cpu, line = browser.evaluate("quillomarkTest.cpu()"), text("#cpu-line")
        if "<waitFrame>" not in line or not text("#debug-message").endswith("(waitFrame)"):
            fail(f"stopped at a breakpoint on waitFrame, the panel shows {line!r}")
        click("#debug-step")
        after = browser.evaluate("quillomarkTest.cpu()")
        if after["pc"] != cpu["pc"] + cpu["bytes"] or "<waitFrame+0x" not in text("#cpu-line"):
            fail(f"a step from {cpu} went to {after}")
        print(f"stopped at waitFrame ({cpu['pc']:06x}); a step went on to {after['pc']:06x}")

        before = pixels()
        in_sight("memory")
        browser.evaluate(f"document.getElementById('memory-address').value = '{BACKDROP_BYTE & ~0xF:x}';"
                         "document.getElementById('memory-address').dispatchEvent(new Event('change'))")
        click(f"#memory div:first-child span.byte:nth-of-type({(BACKDROP_BYTE & 0xF) + 2})")
        browser.evaluate("document.getElementById('memory-value').value = '1f';"
                         "document.getElementById('memory-value').dispatchEvent(new KeyboardEvent('keydown', {key: 'Enter'}))")
        if text("#memory div:first-child").split()[1 + (BACKDROP_BYTE & 0xF)] != "1f" or pixels() == before:
            fail(f"the backdrop's colour byte edited: the memory view shows {text('#memory div:first-child')!r}"
                 f" and the picture {'changed' if pixels() != before else 'did not change'}")
        print(f"a palette byte edited ({BACKDROP_BYTE:06x}) shows in the memory view and changes the picture")
    finally:
        browser.close()
        server.shutdown()


def main():
    case, page, headless, demo, keys, scratch = sys.argv[1:7]
    extra = [os.path.realpath(path) for path in sys.argv[7:9]]
    page, demo, scratch = (os.path.realpath(path) for path in (page, demo, os.path.join(scratch, case)))
    if not os.path.exists(os.path.join(page, "quillomark.js")):
        fail(f"{page}/quillomark.js missing: run scripts/build-web.sh first")
    if not devtools.chromium_path():
        fail("chromium is missing: apt-get install chromium")
    shutil.rmtree(scratch, ignore_errors=True)
    os.makedirs(scratch)
    cases = {"frames": test_frames, "keys": test_keys, "files": test_files, "panel": test_panel}
    cases[case](page, headless, demo, scratch, keys, *extra)


if __name__ == "__main__":
    main()
