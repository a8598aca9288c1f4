"""The browser page against the native headless program, in one run:
    python3 bench/web_speed.py [BUILD]   (the native build, build/ by default, and the page in BUILD/web)
1. The CPU-bound test program (quillomark-test-rom busy) for PASSES passes, alternately natively
   (quillomark-headless --stats) and in headless Chromium (the page's step mode), ROUNDS times: the
   same instructions, in millions a second of wall time and of the process's CPU time, best round.
2. The demo at 60 passes a second in the page's normal loop for SECONDS: passes a second, the
   renderer's main-thread busy time (DevTools Performance metrics) and the CPU time of the renderer
   and of the whole browser, as shares of one core.
3. The same with the debug panel open (the views in sight updated every pass), at its top (the CPU
   and the tile maps) and scrolled to the sprite table, and what each adds."""
import functools
import http.server
import os
import re
import resource
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "web"))
import devtools  # noqa: E402

PASSES = 300
ROUNDS = 3
SECONDS = 10


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def native_round(headless, folder):
    """Instructions, wall seconds and CPU seconds of one native run."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    done = subprocess.run([headless, "--frames", str(PASSES), "--stats", folder], capture_output=True, text=True)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    stats = re.search(r"instructions: (\d+), seconds: ([\d.]+)", done.stderr)
    cpu = after.ru_utime + after.ru_stime - before.ru_utime - before.ru_stime
    return int(stats.group(1)), float(stats.group(2)), cpu


def process_times(browser):
    """CPU seconds of the renderer and of every browser process."""
    processes = browser.call("SystemInfo.getProcessInfo")["processInfo"]
    return (sum(p["cpuTime"] for p in processes if p["type"] == "renderer"), sum(p["cpuTime"] for p in processes))


def browser_round(browser):
    """Wall and renderer CPU seconds of PASSES passes in the page."""
    renderer_before, _ = process_times(browser)
    milliseconds = browser.evaluate(f"quillomarkTest.time({PASSES})")
    renderer_after, _ = process_times(browser)
    return milliseconds / 1000, renderer_after - renderer_before


def loop_round(browser, label):
    """Prints passes a second and CPU shares of the page's own loop for SECONDS; the renderer's share."""
    time.sleep(1)
    metrics = lambda: {m["name"]: m["value"] for m in browser.call("Performance.getMetrics", session=True)["metrics"]}
    start, pass_start, (renderer_start, all_start) = metrics(), browser.evaluate("page.module._webPass()"), process_times(browser)
    wall_start = time.monotonic()
    time.sleep(SECONDS)
    end, pass_end, (renderer_end, all_end) = metrics(), browser.evaluate("page.module._webPass()"), process_times(browser)
    wall = time.monotonic() - wall_start
    renderer = 100 * (renderer_end - renderer_start) / wall
    print(f"{label} for {wall:.1f} s: {(pass_end - pass_start) / wall:.1f} passes a second")
    print(f"  renderer main thread busy {100 * (end['TaskDuration'] - start['TaskDuration']) / wall:.1f}% "
          f"(script {100 * (end['ScriptDuration'] - start['ScriptDuration']) / wall:.1f}%)")
    print(f"  CPU time: renderer {renderer:.1f}% of a core, all browser processes {100 * (all_end - all_start) / wall:.1f}%")
    return renderer


def main():
    build = os.path.realpath(sys.argv[1] if len(sys.argv) > 1 else "build")
    page = os.path.join(build, "web")
    scratch = tempfile.mkdtemp(prefix="quillomark-web-speed-")
    busy = os.path.join(scratch, "busy")
    os.makedirs(busy)
    subprocess.run([os.path.join(build, "tests", "quillomark-test-rom"), "busy", busy], check=True)
    handler = functools.partial(QuietHandler, directory=page)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    url = f"http://127.0.0.1:{server.server_address[1]}/index.html"
    browser = devtools.Browser(scratch)
    try:
        browser.open(url + "?test=step")
        browser.wait_for("window.quillomarkTest && quillomarkTest.loaded()")
        chooser = browser.call("DOM.querySelector", session=True, selector="#set-files",
                               nodeId=browser.call("DOM.getDocument", session=True)["root"]["nodeId"])["nodeId"]
        files = [os.path.join(busy, name) for name in sorted(os.listdir(busy))]
        browser.call("DOM.setFileInputFiles", session=True, nodeId=chooser, files=files)
        browser.wait_for("quillomarkTest.loaded() && quillomarkTest.run(1).length === 1")
        native, web = [], []
        for _ in range(ROUNDS):
            native.append(native_round(os.path.join(build, "quillomark-headless"), busy))
            web.append(browser_round(browser))
        instructions = native[0][0]
        native_wall = instructions / min(r[1] for r in native) / 1e6
        native_cpu = instructions / min(r[2] for r in native) / 1e6
        web_wall = instructions / min(r[0] for r in web) / 1e6
        web_cpu = instructions / min(r[1] for r in web) / 1e6
        print(f"busy program, {PASSES} passes, {instructions} instructions, best of {ROUNDS}:")
        print(f"  native:   {native_wall:7.1f} M/s wall, {native_cpu:7.1f} M/s of CPU time")
        print(f"  Chromium: {web_wall:7.1f} M/s wall, {web_cpu:7.1f} M/s of CPU time "
              f"({100 * web_wall / native_wall:.0f}% and {100 * web_cpu / native_cpu:.0f}% of native)")

        browser.open(url)
        browser.wait_for("page.loaded")
        browser.call("Performance.enable", session=True)
        closed = loop_round(browser, "demo in the page's loop")
        browser.evaluate("toggleDebug()")
        top = loop_round(browser, "with the debug panel open at its top")
        browser.evaluate("document.getElementById('sprite-scroll').scrollIntoView()")
        sprites = loop_round(browser, "with the debug panel at its sprite table")
        print(f"the panel adds {top - closed:.1f}% of a core to the renderer at its top, "
              f"{sprites - closed:.1f}% at its sprite table")
    finally:
        browser.close()
        server.shutdown()


if __name__ == "__main__":
    main()
