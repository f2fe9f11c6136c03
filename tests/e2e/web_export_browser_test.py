#!/usr/bin/python3
"""velmora --export-html checked in a real browser: Debian's chromium, headless, through
chromium-driver and python3-selenium. Exports the demo catalogue and a small hostile one, follows
the links and keys a reader would use, opens a sign preview and looks at its caption and picture
size, and checks that a hostile caption stays text. Leaves screenshots in the folder it is given.

Arguments: PROGRAM DEMO_DIR WORK_DIR. Exit 77 (skipped) only where the browser or its driver is
missing."""
import os
import shutil
import functools
import http.server
import struct
import subprocess
import sys
import threading
import time

SKIP = 77
CHROMIUM, DRIVER = "/usr/bin/chromium", "/usr/bin/chromedriver"

try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
    from selenium.webdriver.common.keys import Keys
except ImportError:
    print("SKIPPED: python3-selenium is not installed (apt-get install python3-selenium)")
    sys.exit(SKIP)
for path, package in ((CHROMIUM, "chromium"), (DRIVER, "chromium-driver")):
    if not os.path.exists(path):
        print(f"SKIPPED: {path} is missing (apt-get install {package})")
        sys.exit(SKIP)

program, demo, work = sys.argv[1:4]
shutil.rmtree(work, ignore_errors=True)
os.makedirs(work)


def jpeg_size(path):
    data = open(path, "rb").read()
    i = 2
    while i < len(data):
        marker, length = data[i + 1], struct.unpack(">H", data[i + 2:i + 4])[0]
        if marker in (0xC0, 0xC1, 0xC2):
            height, width = struct.unpack(">HH", data[i + 5:i + 9])
            return width, height
        i += 2 + length
    raise ValueError(path)


def f32(x):
    return struct.unpack("f", struct.pack("f", x))[0]


def fitted(width, height):
    """What the preview shows: its own size inside 804 x 591, else shrunk keeping proportions."""
    if width <= 804 and height <= 591:
        return width, height
    sx, sy = f32(804 / width), f32(591 / height)
    return (round(width * sy), 591) if sx >= sy else (804, round(height * sx))


def caption(dane, name):
    for line in open(os.path.join(dane, "znaki.txt"), "rb").read().decode("cp1250").splitlines():
        if name + ".jpg" in line:
            return line.split("\t", 1)[1] if "\t" in line else line
    return ""


def export(dane, out):
    result = subprocess.run([program, "--export-html", out, "--data", dane], capture_output=True, text=True)
    assert result.returncode == 0, result.stderr
    return result


def check(condition, message):
    if not condition:
        raise AssertionError(message)


# A hostile catalogue: pictures of the demo, a caption that is markup, signs outside the sign folder.
hostile = os.path.join(work, "hostile")
os.makedirs(os.path.join(hostile, "znaki"))
for name in ("p_menu.jpg", "p_spis.jpg", "p_1.jpg", "p_1_1.jpg"):
    shutil.copy(os.path.join(demo, name), hostile)
shutil.copy(os.path.join(demo, "znaki", "A-1.jpg"), os.path.join(hostile, "znaki", "H.jpg"))
evil = "<img src=x onerror=\"window.pwned=1\"><script>window.pwned=2</script> \"Żółw\" & 'x'"
open(os.path.join(hostile, "znaki.txt"), "wb").write(("H.jpg\t" + evil + "\r\n").encode("cp1250"))
open(os.path.join(hostile, "info.ini"), "wb").write(b"[1]\r\nItems=1\r\n")
spots = [("H", 20), ("../p_menu", 250), ("/etc/passwd", 480)]
ini = "[info]\r\ncount=%d\r\n" % len(spots)
for n, (opis, left) in enumerate(spots, 1):
    ini += "[%d]\r\nleft=%d\r\ntop=40\r\nwidth=200\r\nheight=200\r\nopis=%s\r\n" % (n, left, opis)
open(os.path.join(hostile, "1_1.ini"), "wb").write(ini.encode("cp1250"))

site, hostile_site = os.path.join(work, "site"), os.path.join(work, "hostile_site")
export(demo, site)
warnings = export(hostile, hostile_site).stderr
check("[sign-outside]" in warnings and "[sign-missing]" in warnings, warnings)

options = webdriver.ChromeOptions()
for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage"):
    options.add_argument(argument)
options.binary_location = CHROMIUM
browser = webdriver.Chrome(service=Service(DRIVER), options=options)
started = time.time()


def viewport(width, height):
    browser.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                            {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": False})


def wait(condition, what, seconds=5):
    end = time.time() + seconds
    while time.time() < end:
        if condition():
            return
        time.sleep(0.05)
    raise AssertionError("timed out waiting for " + what)


def page(name):
    return lambda: browser.current_url.endswith("/" + name)


def unit():
    """One stage pixel in CSS pixels."""
    return browser.execute_script("return document.querySelector('.stage').getBoundingClientRect().width") / 1024


def counter():
    return browser.find_element(By.CSS_SELECTOR, ".counter").text


def press(key):
    browser.find_element(By.TAG_NAME, "body").send_keys(key)


def dialog_open():
    return browser.execute_script("return document.querySelector('dialog.preview').open")


try:
    viewport(1280, 1024)
    browser.get("file://" + os.path.join(site, "index.html"))
    check(abs(unit() - 1.25) < 1e-3, "the stage fills the window's width keeping its aspect: %f" % unit())
    check("Polskie znaki drogowe" in browser.find_element(By.CSS_SELECTOR, ".opis").text, "the introduction shows")
    browser.save_screenshot(os.path.join(work, "menu.png"))

    browser.find_element(By.CSS_SELECTOR, "a[data-chapter='1']").click()
    wait(page("p_1_1.html"), "chapter 1")
    check(counter() == "1 / 3", counter())
    browser.find_element(By.ID, "next").click()
    wait(page("p_1_2.html"), "the next item by its link")
    check(counter() == "2 / 3", counter())
    press(Keys.ARROW_RIGHT)
    wait(page("p_1_3.html"), "the next item by Right")
    press(Keys.ARROW_RIGHT)
    wait(page("p_1_1.html"), "item 1 again: the items wrap round")
    press(Keys.ARROW_LEFT)
    wait(page("p_1_3.html"), "the previous item by Left, wrapping")
    press(Keys.ARROW_RIGHT)
    wait(page("p_1_1.html"), "item 1")

    # The hotspot whose sign is largest, so the preview has to shrink it.
    spots = browser.find_elements(By.CSS_SELECTOR, "a.hotspot")
    check(len(spots) > 0, "item 1 has hotspots")

    def sign_of(spot):
        return os.path.join(site, spot.get_attribute("href").split("/site/", 1)[1])

    spot = max(spots, key=lambda s: jpeg_size(sign_of(s))[0] * jpeg_size(sign_of(s))[1])
    name = os.path.basename(sign_of(spot))[:-4]
    expected = fitted(*jpeg_size(sign_of(spot)))
    check(jpeg_size(sign_of(spot)) != expected, "a sign larger than the preview")
    check(spot.value_of_css_property("cursor") == "pointer", "the hand over a hotspot")
    check(spot.get_attribute("title") == caption(demo, name), "the caption as tooltip")
    browser.save_screenshot(os.path.join(work, "page.png"))
    spot.click()
    wait(dialog_open, "the preview")
    wait(lambda: browser.execute_script("return document.querySelector('dialog.preview img').naturalWidth > 0"),
         "the sign picture")
    shown = browser.find_element(By.CSS_SELECTOR, ".preview-caption").text
    check(shown == caption(demo, name), "caption %r, expected %r" % (shown, caption(demo, name)))
    rect = browser.execute_script("return document.querySelector('dialog.preview img').getBoundingClientRect().toJSON()")
    size = (round(rect["width"] / unit()), round(rect["height"] / unit()))
    check(size == expected, "sign shown at %s, expected %s" % (size, expected))
    band = browser.find_element(By.CSS_SELECTOR, ".preview-band").value_of_css_property("background-color")
    check(band in ("rgba(80, 99, 139, 1)", "rgb(80, 99, 139)"), band)
    browser.save_screenshot(os.path.join(work, "preview.png"))
    press(Keys.ESCAPE)
    wait(lambda: not dialog_open(), "Escape to close the preview")
    check(page("p_1_1.html")(), "Escape in the preview leaves the page where it is")

    spot.click()
    wait(dialog_open, "the preview again")
    browser.find_element(By.CSS_SELECTOR, ".preview-caption").click()
    check(dialog_open(), "a click on the caption band leaves the preview open")
    # Right flips to the item's next sign, as in the desktop preview.
    following = spots[(spots.index(spot) + 1) % len(spots)]
    browser.switch_to.active_element.send_keys(Keys.ARROW_RIGHT)
    wait(lambda: browser.find_element(By.CSS_SELECTOR, ".preview-caption").text == following.get_attribute("title"),
         "Right: the next sign of the item")
    browser.find_element(By.CSS_SELECTOR, ".preview-close").click()
    wait(lambda: not dialog_open(), "the close button")
    spot.click()
    wait(dialog_open, "the preview once more")
    browser.find_element(By.CSS_SELECTOR, ".preview-picture").click()
    wait(lambda: not dialog_open(), "a click on the picture")

    press(Keys.ESCAPE)
    wait(page("spis.html"), "Escape on a page: the index")
    browser.save_screenshot(os.path.join(work, "index.png"))
    press("4")
    wait(page("p_4_1.html"), "the digit 4: chapter 4")
    press(Keys.HOME)
    wait(page("spis.html"), "Home: the index")

    # The same site from a plain web server.
    class Quiet(http.server.SimpleHTTPRequestHandler):
        def log_message(self, *args):
            pass

    handler = functools.partial(Quiet, directory=site)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    try:
        browser.get("http://127.0.0.1:%d/p_1_1.html" % server.server_address[1])
        browser.find_elements(By.CSS_SELECTOR, "a.hotspot")[0].click()
        wait(dialog_open, "the preview served over HTTP")
        press(Keys.ESCAPE)
        wait(lambda: not dialog_open(), "Escape over HTTP")
        browser.find_element(By.ID, "next").click()
        wait(page("p_1_2.html"), "the next item over HTTP")
    finally:
        server.shutdown()

    viewport(400, 300)
    check(abs(unit() - 400 / 1024) < 1e-3, "the stage shrinks with the window: %f" % unit())
    browser.save_screenshot(os.path.join(work, "small.png"))

    # The hostile caption: text in the tooltip and the preview, and no script of it ran.
    viewport(1024, 768)
    browser.get("file://" + os.path.join(hostile_site, "p_1_1.html"))
    spots = browser.find_elements(By.CSS_SELECTOR, "a.hotspot")
    check(len(spots) == 1, "only the hotspot whose sign lies in the sign folder: %d" % len(spots))
    check(spots[0].get_attribute("title") == evil, spots[0].get_attribute("title"))
    spots[0].click()
    wait(dialog_open, "the hostile preview")
    shown = browser.find_element(By.CSS_SELECTOR, ".preview-caption").text
    check(shown == evil, "hostile caption shown as %r" % shown)
    check(browser.execute_script("return window.pwned === undefined && document.scripts.length === 1 && "
                                 "document.querySelectorAll('.preview-caption *, a.hotspot *').length === 0"),
          "no script of the caption ran, no element of it was made")
    browser.save_screenshot(os.path.join(work, "hostile.png"))
    leaked = [n for n in os.listdir(hostile_site) if n not in ("znaki",) and not n.endswith((".html", ".jpg", ".css", ".js", ".txt"))]
    check(not leaked and os.listdir(os.path.join(hostile_site, "znaki")) == ["H.jpg"], os.listdir(hostile_site))
finally:
    browser.quit()
print("browser checks passed in %.1f s; screenshots in %s" % (time.time() - started, work))
