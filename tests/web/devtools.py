"""Headless Chromium for the web tests and the browser benchmark: its own HOME and profile, no
network features, and a DevTools client over --remote-debugging-pipe (fd 3 in, fd 4 out,
NUL-terminated JSON messages)."""
import fcntl
import json
import os
import shutil
import subprocess
import time

QUIET_FLAGS = [
    "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run", "--no-default-browser-check",
    "--disable-background-networking", "--disable-sync", "--disable-component-update",
    "--disable-default-apps", "--disable-extensions", "--disable-domain-reliability",
    "--disable-client-side-phishing-detection", "--disable-breakpad", "--metrics-recording-only",
    "--no-pings", "--password-store=basic", "--use-mock-keychain", "--mute-audio",
    "--disable-features=Translate,OptimizationHints,MediaRouter,AutofillServerCommunication",
    "--window-size=1280,800",
]


def chromium_path():
    """The browser's executable, or None when Debian's chromium is not installed."""
    return shutil.which("chromium")


def chromium_command(scratch, *flags):
    """A chromium command line with its own profile under scratch; the environment to run it in."""
    home = os.path.join(scratch, "home")
    os.makedirs(home, exist_ok=True)
    environment = dict(os.environ, HOME=home)
    environment.pop("DISPLAY", None)
    command = [chromium_path(), *QUIET_FLAGS, f"--user-data-dir={os.path.join(scratch, 'profile')}", *flags]
    return command, environment


class Browser:
    """One headless Chromium driven through the DevTools pipe, with one page attached."""

    def __init__(self, scratch):
        browser_in, self._writer = os.pipe()
        self._reader, browser_out = os.pipe()
        # Moved above 4, so that placing them at 3 and 4 in the child overwrites neither.
        to_browser, from_browser = (fcntl.fcntl(fd, fcntl.F_DUPFD_CLOEXEC, 10) for fd in (browser_in, browser_out))

        def give_pipes():
            os.dup2(to_browser, 3)
            os.dup2(from_browser, 4)

        command, environment = chromium_command(scratch, "--remote-debugging-pipe", "about:blank")
        self._log = open(os.path.join(scratch, "chromium.log"), "wb")
        self.process = subprocess.Popen(command, env=environment, preexec_fn=give_pipes, close_fds=False,
                                        stdin=subprocess.DEVNULL, stdout=self._log, stderr=self._log)
        for fd in (browser_in, browser_out, to_browser, from_browser):
            os.close(fd)
        self._buffer = b""
        self._next_id = 0
        self.events = []
        targets = self.call("Target.getTargets")["targetInfos"]
        page = next(t for t in targets if t["type"] == "page")
        self.session = self.call("Target.attachToTarget", targetId=page["targetId"], flatten=True)["sessionId"]
        self.call("Page.enable", session=True)
        self.call("Runtime.enable", session=True)

    def _receive(self, deadline):
        while b"\0" not in self._buffer:
            if time.monotonic() > deadline:
                raise TimeoutError("no answer from chromium")
            chunk = os.read(self._reader, 1 << 20)
            if not chunk:
                raise ConnectionError("chromium closed its pipe")
            self._buffer += chunk
        message, self._buffer = self._buffer.split(b"\0", 1)
        return json.loads(message)

    def call(self, method, session=False, timeout=60, **params):
        """Sends one command (to the page's session when session is true) and returns its result."""
        self._next_id += 1
        message = {"id": self._next_id, "method": method, "params": params}
        if session:
            message["sessionId"] = self.session
        os.write(self._writer, json.dumps(message).encode() + b"\0")
        deadline = time.monotonic() + timeout
        while True:
            answer = self._receive(deadline)
            if answer.get("id") == self._next_id:
                if "error" in answer:
                    raise RuntimeError(f"{method}: {answer['error']}")
                return answer["result"]
            self.events.append(answer)

    def evaluate(self, expression, timeout=60):
        """The value of a JavaScript expression in the page (promises awaited)."""
        result = self.call("Runtime.evaluate", session=True, timeout=timeout, expression=expression,
                           returnByValue=True, awaitPromise=True)
        if "exceptionDetails" in result:
            raise RuntimeError(f"{expression}: {result['exceptionDetails']}")
        return result["result"].get("value")

    def wait_for(self, expression, timeout=30):
        """Waits until expression is truthy in the page; returns its value."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            value = self.evaluate(expression)
            if value:
                return value
            time.sleep(0.05)
        raise TimeoutError(f"never true in the page: {expression}")

    def open(self, url):
        """Navigates the page and waits for its load event."""
        self.events.clear()
        self.call("Page.navigate", session=True, url=url)
        self.wait_for("document.readyState === 'complete'")

    def close(self):
        try:
            self.call("Browser.close", timeout=10)
        except (RuntimeError, TimeoutError, ConnectionError, OSError):
            pass
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        os.close(self._writer)
        os.close(self._reader)
        self._log.close()
