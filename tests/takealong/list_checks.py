#!/usr/bin/env python3
"""Checks of an exported shopping list, each printing its findings as JSON on standard output.

  list_checks.py csv FILE SEPARATOR     the rows as Python's csv module reads them
  list_checks.py html FILE              the page read as HTML: balance of its tags, the items and shops in
                                        order, anything that refers outside the file
  list_checks.py browser FILE [PNG]     the page in headless Chromium, driven through the DevTools protocol
                                        over a pipe: what it shows, a tick kept over a reload, the requests it
                                        made, its contrast in light and dark mode; PNG gets a phone-size shot
"""
import base64
import csv
import json
import os
import pathlib
import select
import shutil
import subprocess
import sys
import tempfile
import time
from html.parser import HTMLParser

VOID = {"area", "base", "br", "col", "embed", "hr", "img", "input", "link", "meta", "source", "track", "wbr"}


def read_csv(path, separator):
    with open(path, newline="", encoding="utf-8") as f:
        return list(csv.reader(f, delimiter=separator, strict=True))


class Page(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.stack, self.problems, self.external = [], [], []
        self.items, self.shops, self.aisles = [], [], []
        self.capture = None
        self.text = ""

    def handle_starttag(self, tag, attrs):
        for name, value in attrs:
            if name in ("src", "href", "srcset", "action", "poster", "data") or (name or "").startswith("on"):
                self.external.append(f"{tag} {name}={value}")
        if tag in ("link", "iframe", "object", "embed", "img", "base"):
            self.external.append(tag)
        if tag not in VOID:
            self.stack.append(tag)
        if tag in ("h2", "h3") or (tag == "span" and ("class", "what") in attrs):
            self.capture, self.text = (tag, len(self.stack)), ""

    def handle_startendtag(self, tag, attrs):
        self.handle_starttag(tag, attrs)

    def handle_endtag(self, tag):
        if tag in VOID:
            return
        if not self.stack or self.stack[-1] != tag:
            self.problems.append(f"</{tag}> closes {self.stack[-1] if self.stack else 'nothing'}")
            return
        if self.capture and self.capture[1] == len(self.stack):
            kind = self.capture[0]
            {"h2": self.shops, "h3": self.aisles, "span": self.items}[kind].append(self.text)
            self.capture = None
        self.stack.pop()

    def handle_data(self, data):
        if self.capture:
            self.text += data
        if self.stack and self.stack[-1] == "style" and ("url(" in data or "@import" in data):
            self.external.append("style url")


def read_html(path):
    page = Page()
    page.feed(pathlib.Path(path).read_text(encoding="utf-8"))
    page.close()
    if page.stack:
        page.problems.append("unclosed " + " ".join(page.stack))
    return {"problems": page.problems, "external": page.external, "shops": page.shops, "aisles": page.aisles,
            "items": page.items}


class Browser:
    """Headless Chromium with its DevTools protocol on file descriptors 3 and 4."""

    def __init__(self):
        self.profile = tempfile.mkdtemp(prefix="grocelle-chromium-")
        to_browser_r, self.to_browser = os.pipe()
        self.from_browser, from_browser_w = os.pipe()
        chromium = shutil.which("chromium") or "chromium"
        args = [chromium, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                "--disable-background-networking", "--disable-component-update", "--disable-sync",
                "--disable-dev-shm-usage", "--remote-debugging-pipe", f"--user-data-dir={self.profile}",
                "about:blank"]

        def pipes():
            # Fresh numbers first, so that neither end lands on the other's place.
            read, write = os.dup(to_browser_r), os.dup(from_browser_w)
            os.dup2(read, 3)
            os.dup2(write, 4)
            os.set_inheritable(3, True)
            os.set_inheritable(4, True)

        self.process = subprocess.Popen(args, preexec_fn=pipes, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL, close_fds=False)
        os.close(to_browser_r)
        os.close(from_browser_w)
        self.buffer = b""
        self.next_id = 0
        self.events = []
        self.session = None

    def close(self):
        try:
            self.call("Browser.close", session=False, timeout=5)
        except Exception:
            pass
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        os.close(self.to_browser)
        os.close(self.from_browser)
        shutil.rmtree(self.profile, ignore_errors=True)

    def receive(self, deadline):
        while b"\0" not in self.buffer:
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([self.from_browser], [], [], left)[0]:
                raise TimeoutError("the browser did not answer")
            chunk = os.read(self.from_browser, 1 << 20)
            if not chunk:
                raise EOFError("the browser ended")
            self.buffer += chunk
        message, self.buffer = self.buffer.split(b"\0", 1)
        return json.loads(message)

    def call(self, method, params=None, session=True, timeout=20):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params or {}}
        if session and self.session:
            message["sessionId"] = self.session
        os.write(self.to_browser, json.dumps(message).encode() + b"\0")
        deadline = time.monotonic() + timeout
        while True:
            answer = self.receive(deadline)
            if answer.get("id") == self.next_id:
                if "error" in answer:
                    raise RuntimeError(f"{method}: {answer['error']}")
                return answer.get("result", {})
            self.events.append(answer)

    def wait_for(self, method, timeout=20):
        deadline = time.monotonic() + timeout
        while True:
            for i, event in enumerate(self.events):
                if event.get("method") == method:
                    del self.events[i]
                    return event
            self.events.append(self.receive(deadline))

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", {"expression": expression, "returnByValue": True})
        if "exceptionDetails" in result:
            raise RuntimeError(f"{expression}: {result['exceptionDetails']}")
        return result["result"].get("value")

    def load(self, url, reload=False):
        self.events = [e for e in self.events if e.get("method") != "Page.loadEventFired"]
        if reload:
            self.call("Page.reload", {"ignoreCache": True})
        else:
            self.call("Page.navigate", {"url": url})
        self.wait_for("Page.loadEventFired")


CONTRAST = """(() => {
  function rgb(c) { return c.match(/[\\d.]+/g).slice(0, 3).map(Number); }
  function lum(c) {
    const [r, g, b] = rgb(c).map(v => { v /= 255; return v <= 0.03928 ? v / 12.92 : Math.pow((v + 0.055) / 1.055, 2.4); });
    return 0.2126 * r + 0.7152 * g + 0.0722 * b;
  }
  const s = getComputedStyle(document.body);
  const a = lum(s.color), b = lum(s.backgroundColor);
  return (Math.max(a, b) + 0.05) / (Math.min(a, b) + 0.05);
})()"""


def wait_until_stored(browser, timeout=10):
    """Waits until the browser holds the page's ticks: the page's own copy of its storage is written at once,
    the browser's, which a reload reads, a moment later. A reload before that loses the tick in this test,
    never in use, where a person does not reload within milliseconds."""
    origin = browser.evaluate("location.origin")
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        entries = browser.call("DOMStorage.getDOMStorageItems",
                               {"storageId": {"securityOrigin": origin, "isLocalStorage": True}})["entries"]
        if any(value not in ("", "[]") for _, value in entries):
            return
        time.sleep(0.05)


def in_browser(path, shot):
    url = pathlib.Path(path).resolve().as_uri()
    browser = Browser()
    try:
        target = browser.call("Target.createTarget", {"url": "about:blank"}, session=False)["targetId"]
        browser.session = browser.call("Target.attachToTarget", {"targetId": target, "flatten": True},
                                       session=False)["sessionId"]
        for domain in ("Page", "Network", "Runtime", "DOMStorage"):
            browser.call(domain + ".enable")
        browser.call("Emulation.setDeviceMetricsOverride",
                     {"width": 390, "height": 844, "deviceScaleFactor": 2, "mobile": True})
        browser.load(url)
        found = {
            "items": browser.evaluate("[...document.querySelectorAll('li[data-item]')]"
                                      ".filter(li => li.getBoundingClientRect().height >= 44)"
                                      ".map(li => li.querySelector('.what').innerText)"),
            "left": browser.evaluate("document.getElementById('left').textContent"),
            "lightContrast": browser.evaluate(CONTRAST),
        }
        if shot:
            data = browser.call("Page.captureScreenshot", {"format": "png"})["data"]
            pathlib.Path(shot).write_bytes(base64.b64decode(data))
        # A tap on the first item's box, where a finger would touch it.
        box = browser.evaluate("(() => { const r = document.querySelector('li[data-item] input')"
                               ".getBoundingClientRect(); return [r.x + r.width / 2, r.y + r.height / 2]; })()")
        for kind in ("mousePressed", "mouseReleased"):
            browser.call("Input.dispatchMouseEvent",
                         {"type": kind, "x": box[0], "y": box[1], "button": "left", "clickCount": 1})
        found["leftAfterTick"] = browser.evaluate("document.getElementById('left').textContent")
        wait_until_stored(browser)
        browser.load(url, reload=True)
        found["tickedAfterReload"] = browser.evaluate(
            "[...document.querySelectorAll('li[data-item] input')].map(b => b.checked)")
        found["greyedAfterReload"] = browser.evaluate(
            "[...document.querySelectorAll('li[data-item]')].map(li => getComputedStyle(li.querySelector('label')).opacity < 1)")
        found["leftAfterReload"] = browser.evaluate("document.getElementById('left').textContent")
        browser.call("Emulation.setEmulatedMedia", {"features": [{"name": "prefers-color-scheme", "value": "dark"}]})
        found["darkContrast"] = browser.evaluate(CONTRAST)
        found["darkBackground"] = browser.evaluate("getComputedStyle(document.body).backgroundColor")
        found["requests"] = [e["params"]["request"]["url"] for e in browser.events
                             if e.get("method") == "Network.requestWillBeSent"]
        return found
    finally:
        browser.close()


def main():
    command, path = sys.argv[1], sys.argv[2]
    if command == "csv":
        result = read_csv(path, sys.argv[3])
    elif command == "html":
        result = read_html(path)
    else:
        result = in_browser(path, sys.argv[3] if len(sys.argv) > 3 else None)
    json.dump(result, sys.stdout, ensure_ascii=False)


if __name__ == "__main__":
    main()
