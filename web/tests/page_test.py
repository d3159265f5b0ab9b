"""The page as a class meets it, in a real headless Chromium, opened from
file://: seeded runs whose traces (the downloaded CSV included) are the
command line's, Start, Stop, Step and the keyboard, a link that carries the
settings, many runs and a sweep in workers, and a screenshot read at a few
pixels.
  page_test.py PAGE.html VELMORA-BATCH [SCREENSHOT-DIR]
"""
import csv
import functools
import http.server
import io
import threading
import pathlib
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import WebDriverWait

PAGE, BATCH = pathlib.Path(sys.argv[1]).resolve(), sys.argv[2]
SHOTS = pathlib.Path(sys.argv[3]) if len(sys.argv) > 3 else None


def command_line(seed, *factors, runs=1, trace=True):
    args = [BATCH, "--runs", str(runs), "--seed", str(seed), *factors]
    args += ["--trace", "-"] if trace else ["--format", "csv", "--quiet"]
    return subprocess.run(args, check=True, capture_output=True, text=True).stdout


class Page(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.profile = tempfile.mkdtemp(prefix="velmora-chromium-")
        cls.downloads = tempfile.mkdtemp(prefix="velmora-downloads-")
        options = webdriver.ChromeOptions()
        options.binary_location = shutil.which("chromium") or "/usr/bin/chromium"
        for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--no-first-run",
                         "--disable-background-networking", "--disable-component-update",
                         "--disable-sync", "--force-device-scale-factor=1",
                         f"--user-data-dir={cls.profile}"):
            options.add_argument(argument)
        options.add_experimental_option("prefs", {"download.default_directory": cls.downloads,
                                                  "download.prompt_for_download": False})
        driver = shutil.which("chromedriver") or "/usr/bin/chromedriver"
        cls.browser = webdriver.Chrome(service=Service(driver), options=options)
        cls.browser.execute_cdp_cmd("Page.setDownloadBehavior",
                                    {"behavior": "allow", "downloadPath": cls.downloads})
        cls.size(1024, 768)

    @classmethod
    def tearDownClass(cls):
        cls.browser.quit()
        shutil.rmtree(cls.profile, ignore_errors=True)
        shutil.rmtree(cls.downloads, ignore_errors=True)

    @classmethod
    def size(cls, width, height):
        """Makes the page's own viewport width x height."""
        b = cls.browser
        b.set_window_size(width, height)
        inner = b.execute_script("return [innerWidth, innerHeight]")
        b.set_window_size(2 * width - inner[0], 2 * height - inner[1])

    def open(self, query=""):
        self.browser.get(PAGE.as_uri() + query)
        self.wait(lambda b: b.execute_script("return document.body.dataset.ready === 'true'"), 30)

    def wait(self, condition, seconds=60):
        return WebDriverWait(self.browser, seconds, poll_frequency=0.05).until(condition)

    def js(self, script, *args):
        return self.browser.execute_script(script, *args)

    def el(self, element_id):
        return self.browser.find_element(By.ID, element_id)

    def text(self, element_id):
        return self.js("return document.getElementById(arguments[0]).textContent", element_id)

    def period(self):
        return int(self.text("period").split()[-1])

    def keys(self, *keys):
        ActionChains(self.browser).send_keys(*keys).perform()

    def play_to_end(self):
        self.el("speed").send_keys(Keys.END)  # as fast as the page can draw
        self.el("start").click()
        self.wait(lambda b: "Finished" in self.text("status") or "Ended" in self.text("status"))

    def played(self, kind):
        status = self.el(f"{kind}-status")
        self.wait(lambda b: status.get_attribute("data-state") in ("done", "failed", "stopped"), 120)
        self.assertEqual(status.get_attribute("data-state"), "done", status.text)

    def downloaded(self, name):
        path = pathlib.Path(self.downloads, name)
        self.wait(lambda b: path.exists() and path.stat().st_size > 0, 20)
        time.sleep(0.2)
        return path.read_bytes()

    def test_interface_names_the_factor_table_and_version(self):
        self.open("?seed=1")
        factors = self.js("return velmora.factors()")
        names = [f["name"] for f in factors]
        help_text = subprocess.run([BATCH, "--help"], capture_output=True, text=True).stdout
        for name in names:
            self.assertIn(f"--{name}", help_text)
        self.assertIn("bias-points", names)
        version = subprocess.run([BATCH, "--version"], capture_output=True, text=True).stdout
        self.assertIn(self.js("return velmora.version"), version)
        trace = self.js("return velmora.trace({seed: 99, levels: '40,30,20,10', 'bias-points': 2})")
        self.assertEqual(trace, command_line(99, "--levels", "40,30,20,10", "--bias-points", "2"))
        refused = self.js("return velmora.trace({seed: 1, 'bias-points': 'x'}).then(() => '', e => e.message)")
        self.assertIn("Bias in score points must be", refused)

    def test_a_seeded_run_and_its_downloaded_trace_are_the_command_lines(self):
        self.open("?seed=4242&form=pyramid&bias-points=6")
        self.play_to_end()
        expected = command_line(4242, "--form", "pyramid", "--bias-points", "6")
        self.assertEqual(self.js("return velmora.trace({seed: 4242, form: 'pyramid', 'bias-points': 6})"),
                         expected)
        self.el("download-trace").click()
        self.assertEqual(self.downloaded("velmora-seed-4242.csv").decode(), expected)
        rows = list(csv.reader(io.StringIO(expected)))
        self.assertEqual(self.period(), int(rows[-1][2]))
        self.screenshot("page-1024x768.png")
        self.check_pixels()
        self.el("download-png").click()
        self.assertEqual(self.downloaded("velmora-charts.png")[:8], b"\x89PNG\r\n\x1a\n")

    def test_start_stop_step_and_keyboard(self):
        self.open("?seed=77")
        self.assertEqual(self.period(), 0)
        self.js("document.activeElement.blur()")
        self.keys("n")
        self.wait(lambda b: self.period() == 1)
        self.el("step").click()
        self.wait(lambda b: self.period() == 2)
        self.assertIn("Stepped to period 2", self.text("status"))
        # Start by keyboard alone: Tab to the button, Enter; the focus shows.
        self.js("document.getElementById('reset').focus()")
        for _ in range(2):  # past Step; Stop is disabled
            ActionChains(self.browser).key_down(Keys.SHIFT).send_keys(Keys.TAB).key_up(Keys.SHIFT).perform()
        self.assertEqual(self.js("return document.activeElement.id"), "start")
        self.assertEqual(self.js("return getComputedStyle(document.activeElement).outlineStyle"), "solid")
        self.keys(Keys.ENTER)
        self.wait(lambda b: self.period() >= 4, 10)
        self.assertFalse(self.el("stop").get_property("disabled"))
        self.keys("s")  # stops
        self.wait(lambda b: "Stopped at period" in self.text("status"), 5)
        stopped = self.period()
        time.sleep(1.2)
        self.assertEqual(self.period(), stopped)
        self.assertIn(f"Stopped at period {stopped}", self.text("status"))
        self.keys("r")
        self.wait(lambda b: self.period() == 0, 5)
        self.keys("s")
        self.wait(lambda b: self.period() >= 1, 5)
        self.el("stop").click()
        self.wait(lambda b: "Stopped" in self.text("status"), 5)

    def test_a_link_carries_every_setting_and_reproduces_the_run(self):
        self.open("?seed=31")
        field = self.el("factor-turnover-women")
        field.clear()
        field.send_keys("0.2", Keys.TAB)
        self.el("seed").clear()
        self.el("seed").send_keys("123456", Keys.TAB)
        self.js("document.querySelector('input[name=form][value=custom]').click()")
        levels = self.el("factor-levels")
        levels.clear()
        levels.send_keys("60,30,10", Keys.TAB)
        link = self.js("return location.href")
        for part in ("seed=123456", "turnover-women=0.2", "levels=60,30,10"):
            self.assertIn(part, link)
        self.browser.get("about:blank")
        self.browser.get(link)
        self.wait(lambda b: self.js("return document.body.dataset.ready === 'true'"), 30)
        self.assertEqual(self.el("seed").get_property("value"), "123456")
        self.assertEqual(self.el("factor-turnover-women").get_property("value"), "0.2")
        self.play_to_end()
        expected = command_line(123456, "--levels", "60,30,10", "--turnover-women", "0.2")
        self.assertEqual(self.js("return velmora.trace(arguments[0])",
                                 {"seed": 123456, "levels": "60,30,10", "turnover-women": 0.2}), expected)
        self.el("download-trace").click()
        self.assertEqual(self.downloaded("velmora-seed-123456.csv").decode(), expected)

    def test_many_runs_in_workers_give_the_command_lines_intervals(self):
        self.open("?seed=20&women-hired=0.45&runs=120")
        self.el("play-runs").click()
        self.played("runs")
        summary = self.js("return velmora.lastRuns")
        rows = list(csv.DictReader(io.StringIO(command_line(20, "--women-hired", "0.45", runs=120,
                                                            trace=False))))
        self.assertEqual(summary["runs"], 120)
        for level, row in zip(summary["levels"], rows):
            self.assertEqual(repr(level["share"]), repr(float(row["women_mean"])))
            self.assertEqual(repr(level["share"] - level["shareHalf"]), repr(float(row["women_ci95_low"])))
        self.assertEqual(len(self.browser.find_elements(By.CSS_SELECTOR, "#runs-table tbody tr")), 8)
        # Stop ends a batch at once and the page plays again afterwards.
        self.el("runs").clear()
        self.el("runs").send_keys("10000")
        self.el("play-runs").click()
        self.wait(lambda b: self.el("runs-progress").get_property("value") > 0, 30)
        self.el("stop-runs").click()
        self.wait(lambda b: self.el("runs-status").get_attribute("data-state") == "stopped", 10)
        self.assertFalse(self.el("play-runs").get_property("disabled"))

    def test_a_sweep_draws_a_share_with_bands_at_each_point(self):
        self.open("?seed=5")  # the bias from 0 to 10 in 13 points, 200 runs each
        self.el("play-sweep").click()
        self.played("sweep")
        sweep = self.js("return velmora.lastSweep")
        self.assertEqual(len(sweep["values"]), 13)
        self.assertEqual((sweep["values"][0], sweep["values"][-1]), (0, 10))
        top = [s["levels"][7] for s in sweep["summaries"]]
        self.assertTrue(all(level["shareHalf"] > 0 for level in top))
        self.assertLess(top[-1]["share"], top[0]["share"])  # the bias keeps women from the top
        self.screenshot("sweep-1024x768.png", "sweep-title")

    def test_a_refused_factor_is_shown_at_its_field(self):
        self.open("?seed=3&turnover-women=1.7")
        self.assertEqual(self.el("factor-turnover-women").get_attribute("aria-invalid"), "true")
        self.assertIn("Not started", self.text("status"))
        self.open("?seed=3")
        field = self.el("factor-women-hired")
        field.clear()
        field.send_keys("1.5", Keys.TAB)
        self.wait(lambda b: field.get_attribute("aria-invalid") == "true", 5)
        problem = self.el("factor-women-hired-problem")
        self.assertTrue(problem.is_displayed())
        self.assertIn("Women among hires must be a probability from 0 to 1, got '1.5'", problem.text)
        self.assertIn("Not started", self.text("status"))
        field.clear()
        field.send_keys("0.25", Keys.TAB)
        self.wait(lambda b: field.get_attribute("aria-invalid") is None, 5)
        self.assertFalse(problem.is_displayed())

    def test_the_folder_for_a_web_host_plays_the_same_runs(self):
        folder = PAGE.parent / "velmora"
        handler = functools.partial(QuietHandler, directory=str(folder))
        server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        threading.Thread(target=server.serve_forever, daemon=True).start()
        try:
            self.browser.get(f"http://127.0.0.1:{server.server_port}/index.html?seed=20&women-hired=0.45&runs=30")
            self.wait(lambda b: self.js("return document.body.dataset.ready === 'true'"), 30)
            self.assertEqual(self.js("return velmora.trace({seed: 8, form: 'rectangle'})"),
                             command_line(8, "--form", "rectangle"))
            self.el("play-runs").click()
            self.played("runs")
            rows = list(csv.DictReader(io.StringIO(command_line(20, "--women-hired", "0.45", runs=30,
                                                                trace=False))))
            shares = [level["share"] for level in self.js("return velmora.lastRuns")["levels"]]
            self.assertEqual(shares, [float(row["women_mean"]) for row in rows])
        finally:
            server.shutdown()
            server.server_close()

    def test_readable_at_phone_width(self):
        self.size(390, 844)
        try:
            self.open("?seed=4242")
            self.assertLessEqual(self.js("return document.documentElement.scrollWidth"), 390)
            self.el("speed").send_keys(Keys.END)
            self.el("start").click()
            self.wait(lambda b: "Finished" in self.text("status"))
            self.screenshot("page-phone.png")
        finally:
            self.size(1024, 768)

    def screenshot(self, name, element_id=None):
        if not SHOTS:
            return
        SHOTS.mkdir(parents=True, exist_ok=True)
        self.js("document.activeElement.blur(); scrollTo(0, 0)")
        if element_id:
            self.js("document.getElementById(arguments[0]).scrollIntoView()", element_id)
        self.browser.save_screenshot(str(SHOTS / name))
        self.js("scrollTo(0, 0)")

    def check_pixels(self):
        """The bottom bar blue on the men's side and orange on the women's,
        white beside it, read off a screenshot at their places on the screen."""
        self.js("scrollTo(0, 0)")
        box = self.js("const r = document.getElementById('organisation').getBoundingClientRect();"
                      "return [r.left, r.top, r.width, r.height]")
        shot = self.browser.get_screenshot_as_png()
        pixels = png_pixels(shot)
        row = int(box[1] + box[3] - 30 - 15)  # the middle of the bottom bar
        line = [pixels(x, row) for x in range(int(box[0]), int(box[0] + box[2]))]
        blue, orange = (0x00, 0x72, 0xB2), (0xE6, 0x9F, 0x00)
        self.assertIn(blue, line)
        self.assertIn(orange, line)
        first_blue = line.index(blue)
        last_orange = len(line) - 1 - line[::-1].index(orange)
        self.assertLess(first_blue, last_orange)
        self.assertEqual(pixels(int(box[0]) + 70, int(box[1]) + 2), (255, 255, 255))


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def png_pixels(data):
    """A reader of an RGB(A) PNG's pixels, with the standard library only."""
    import struct
    import zlib
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    at, chunks, header = 8, [], None
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            chunks.append(body)
        at += 12 + length
    width, height, depth, colour = header[:4]
    assert depth == 8 and colour in (2, 6)
    step = 3 if colour == 2 else 4
    raw = zlib.decompress(b"".join(chunks))
    stride = width * step
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - step] if i >= step else 0
            up = previous[i]
            corner = previous[i - step] if i >= step else 0
            if kind == 1:
                line[i] = (line[i] + left) & 255
            elif kind == 2:
                line[i] = (line[i] + up) & 255
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                line[i] = (line[i] + (left if pa <= pb and pa <= pc else up if pb <= pc else corner)) & 255
        rows.append(line)
        previous = line
    return lambda x, y: tuple(rows[y][x * step:x * step + 3])


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"])
