#!/usr/bin/env python3
"""The globe under Wine, checked from outside.

  e2e.py screen   one bare screen: where the globe appears, what it shows
                  and what it leaves alone, its menu, transparency,
                  dragging, a locked session, closing (Exit and the end
                  of the session) with the settings it writes, restarts,
                  the "add" argument, autostart and a stored value of
                  the wrong type
  e2e.py dpi      the bare screen at 192 DPI and a Size of 150 %: the
                  globe's window in device pixels, drawn at that size and
                  nowhere outside its outline
  e2e.py russian  the bare screen for a user whose desktop speaks Russian:
                  the menu's captions and the plaque's word in Russian
  e2e.py desktop  a desktop as users have it (a window manager, a panel,
                  two monitors): the start above the panel, staying on top,
                  one globe per plain start, a place on the second monitor
                  or on none, a killed program, the time Exit takes to
                  clear the screen, unusable and unwritable settings

Run by e2e.sh, which provides the X server, the Wine prefix and the probe.
Prints one line per check and exits non-zero when one fails."""

import datetime
import os
import re
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import screen  # noqa: E402

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "lib"))
import wine_process  # noqa: E402
from waiting import wait_for  # noqa: E402

EXE = os.environ["NIVARRA_EXE"]
PROBE = os.environ["NIVARRA_PROBE"]
FRAMEBUFFER = os.path.join(os.environ["NIVARRA_FBDIR"], "Xvfb_screen0")
OUT = os.environ["NIVARRA_E2E_OUT"]
WORK = os.environ["NIVARRA_E2E_WORK"]
SOURCE = os.environ["NIVARRA_SOURCE_DIR"]
CPU_SECONDS = int(os.environ.get("NIVARRA_E2E_CPU", "0") or 0)

SETTINGS_KEY = r"HKCU\Software\Nivarra"
RUN_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"
WIDTH, HEIGHT = 300, 260
SETTINGS = ["OnTop", "TrVal", "Top", "Left", "iCountdown", "iSpeed", "isSnowOn"]
FIFTY_PERCENT_ALPHA = 255 - 22 * 5
# The message about one unusable value, as the probe prints it.
UNUSABLE = (r"Invalid data type for '%s'\n\nThe default value is used instead and will be saved.\n"
            r"The settings are in HKEY_CURRENT_USER\Software\Nivarra.")
COVER_GREY = (64, 64, 64)  # the probe's cover window


# --- reporting ------------------------------------------------------------------

failures = []


def check(name, ok, detail=""):
    print(f"{'PASS' if ok else 'FAIL'} {name}{': ' + detail if detail else ''}", flush=True)
    if not ok:
        failures.append(name)
    return ok


def info(text):
    print(f"INFO {text}", flush=True)


# --- the desktop ----------------------------------------------------------------

class Result:
    def __init__(self, returncode, stdout):
        self.returncode = returncode
        self.stdout = stdout


def run(args, env=None, timeout=60):
    """Runs a command and returns its result; the output goes through a
    file, since processes Wine starts on the way (its services) inherit
    pipes and keep them open long after the command has ended."""
    with tempfile.TemporaryFile(mode="w+", encoding="utf-8", errors="replace") as out:
        try:
            code = subprocess.run(args, stdout=out, stderr=subprocess.DEVNULL, env=env, timeout=timeout).returncode
        except subprocess.TimeoutExpired:
            code = -1
        out.seek(0)
        return Result(code, out.read())


def xdotool(*args):
    run(["xdotool", *[str(a) for a in args]])


def keys(*names):
    xdotool("key", "--delay", 150, *names)


def grab():
    return screen.read_framebuffer(FRAMEBUFFER)


def save(image, name):
    path = os.path.join(OUT, name)
    image.save_png(path)
    return path


def visible_windows():
    """The program's mapped X windows: (id, left, top, width, height)."""
    ids = run(["xdotool", "search", "--onlyvisible", "--class", "nivarra"]).stdout.split()
    windows = []
    for wid in ids:
        text = run(["xwininfo", "-id", wid]).stdout
        values = {}
        for key in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"):
            m = re.search(re.escape(key) + r":\s+(-?\d+)", text)
            values[key] = int(m.group(1)) if m else 0
        windows.append((wid, values["Absolute upper-left X"], values["Absolute upper-left Y"], values["Width"],
                        values["Height"]))
    return windows


def globe_window(size=(WIDTH, HEIGHT)):
    for w in visible_windows():
        if w[3:] == size:
            return w
    return None


def wine(*args, env=None):
    return run(["wine", *args], env=env)


def probe(*args):
    values = {}
    for line in wine(PROBE, *[str(a) for a in args]).stdout.splitlines():
        key, _, value = line.partition("=")
        values.setdefault(key.strip(), value.strip())
    return values


def reg_query(key):
    """name -> (type, data) of the key's values; None when the key is missing."""
    # reg.exe fails now and then on a busy machine although the key is
    # there: a missing key fails every time.
    for _ in range(3):
        result = wine("reg", "query", key)
        if result.returncode == 0:
            break
    else:
        return None
    values = {}
    for line in result.stdout.splitlines():
        m = re.match(r"\s+(\S+)\s+(REG_\w+)\s*(.*)$", line)
        if m:
            values[m.group(1)] = (m.group(2), m.group(3).strip())
    return values


def windows_path(path):
    return wine("winepath", "-w", path).stdout.strip()


# --- the globe's outline ----------------------------------------------------

MASK = screen.read_mask(os.path.join(SOURCE, "assets", "art", "imgMask.bmp"))


def erode(outside, margin):
    """Pixels of the globe at least margin pixels away from any outside pixel."""
    h, w = len(outside), len(outside[0])
    near = [[False] * w for _ in range(h)]
    for y in range(h):
        for x in range(w):
            if outside[y][x]:
                for yy in range(max(0, y - margin), min(h, y + margin + 1)):
                    row = near[yy]
                    for xx in range(max(0, x - margin), min(w, x + margin + 1)):
                        row[xx] = True
    return [(x, y) for y in range(h) for x in range(w) if not near[y][x]]


OUTSIDE = [(x, y) for y in range(HEIGHT) for x in range(WIDTH) if MASK[y][x]]
INSIDE = erode(MASK, 3)
# Outside pixels a whole pixel away from the globe: at another scale the
# outline comes from finer artwork and may stand a device pixel off.
FAR_OUTSIDE = erode([[not outside for outside in row] for row in MASK], 1)


class Outline:
    """The globe as its window shows it at a scale (device pixels per pixel
    of the 100 % artwork): the window's size, the pixels outside the globe
    and inside it (away from its edge), and a few inside points to watch
    for the first frame."""

    def __init__(self, scale):
        self.size = (round(WIDTH * scale), round(HEIGHT * scale))
        self.outside = OUTSIDE if scale == 1 else self.scaled(FAR_OUTSIDE, scale)
        self.inside = INSIDE if scale == 1 else self.scaled(INSIDE, scale)
        self.sample = self.inside[::max(1, len(self.inside) // 40)]

    def scaled(self, points, scale):
        wanted = set(points)
        return [(x, y) for y in range(self.size[1]) for x in range(self.size[0])
                if (int(x / scale), int(y / scale)) in wanted]


AT_100 = Outline(1)
SAMPLE = AT_100.sample


def difference(image, background, left, top, points):
    """Mean colour distance between the screen and the empty desktop."""
    total = 0
    for x, y in points:
        a = image.pixel(left + x, top + y)
        b = background.pixel(left + x, top + y)
        total += abs(a[0] - b[0]) + abs(a[1] - b[1]) + abs(a[2] - b[2])
    return total / max(1, len(points))


# --- the program ----------------------------------------------------------------

class Globe:
    """One run of the program."""

    launch_times = []

    def __init__(self, *args, trace_menu=False, exe=EXE, env=None):
        self.log_path = os.path.join(WORK, f"run-{time.monotonic_ns()}.log")
        env = dict(env or os.environ)
        if trace_menu:
            env["WINEDEBUG"] = "trace+menu"  # Wine logs every menu item it is given
        self.log = open(self.log_path, "w")
        self.started = time.monotonic()
        self.process = subprocess.Popen(["wine", exe, *args], stdout=self.log, stderr=subprocess.STDOUT, env=env)

    def wait_shown(self, background, timeout=30, outline=AT_100):
        """Waits for the window and its first drawn frame; returns the window."""
        peek = screen.PixelPeek(FRAMEBUFFER)

        def drawn():
            window = globe_window(outline.size)
            if window is None:
                return None
            _, left, top, _, _ = window
            points = [(left + x, top + y) for x, y in outline.sample
                      if left + x < background.width and top + y < background.height]
            now = peek.pixels(points)
            before = [background.pixel(x, y) for x, y in points]
            changed = sum(1 for a, b in zip(now, before) if a != b)
            return window if changed >= len(points) * 0.8 else None

        window = wait_for(drawn, timeout, step=0.01)
        if window:
            Globe.launch_times.append(time.monotonic() - self.started)
        return window

    def linux_pid(self):
        """The process that runs the program (the loader becomes it)."""
        return wine_process.program_pid(self.process.pid)

    def wait_exit(self, timeout=15):
        try:
            self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            return False
        return wait_for(lambda: globe_window() is None and self.linux_pid() is None, 5)

    def kill(self):
        if self.process.poll() is None:
            wine("taskkill", "/f", "/im", "Nivarra.exe")
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
        self.log.close()

    def menu_log(self):
        self.log.flush()
        with open(self.log_path, errors="replace") as f:
            return f.read()


def point_in(window, x, y):
    return window[1] + x, window[2] + y


def open_menu(window, at=(150, 90)):
    """Right-clicks the globe; returns the menu's window."""
    before = {w[0] for w in visible_windows()}
    x, y = point_in(window, *at)
    xdotool("mousemove", x, y, "click", 3)
    return wait_for(lambda: next((w for w in visible_windows() if w[0] not in before), None), 5)


def close_menus():
    keys("Escape", "Escape", "Escape", "Escape")
    wait_for(lambda: all(w[3:] == (WIDTH, HEIGHT) for w in visible_windows()), 3)


def choose_exit(window):
    if not open_menu(window):
        return False
    keys("Up", "Return")  # from no selection, Up wraps to the last item
    return True


def seconds_until_gone(window, background, since, timeout=10):
    """How long after since the globe's pixels show the desktop again."""
    peek = screen.PixelPeek(FRAMEBUFFER)
    points = [(window[1] + x, window[2] + y) for x, y in SAMPLE]
    desktop = [background.pixel(x, y) for x, y in points]

    def gone():
        return sum(1 for a, b in zip(peek.pixels(points), desktop) if a == b) >= 0.9 * len(points)

    return time.monotonic() - since if wait_for(gone, timeout, step=0.01) else None


def drag(window, by, button=1, hold=0.0):
    """With hold, a person's pace: a window manager takes the move over from
    Wine only once the press has reached the program, and a pointer already
    at the end by then is no drag."""
    x, y = point_in(window, 150, 120)
    xdotool("mousemove", x, y, "mousedown", button)
    time.sleep(hold)
    steps = 20 if hold else 10
    for i in range(1, steps + 1):
        time.sleep(0.05 if hold else 0.03)
        xdotool("mousemove", x + by[0] * i // steps, y + by[1] * i // steps)
    time.sleep(max(hold / 2, 0.1))
    xdotool("mouseup", button)


# --- the menu as Wine was given it -----------------------------------------------

# Wine cuts a long line of its log short, inside the caption (a long date
# in Cyrillic letters): such a caption ends where the line does.
ITEM = re.compile(r"set_menu_item_info to: \{ (.*?)\s*\}?$")


def menu_items(log, first="More Christmas stuff..."):
    """The last popup menu built, from its first caption on: (caption, type
    flags, state flags) per item."""
    items = []
    for line in log.splitlines():
        m = ITEM.search(line)
        if not m:
            continue
        fields = dict(re.findall(r'(\w+)=(L"(?:[^"\\]|\\.)*(?:"|\\?$)|\S+?)(?:,|$)', m.group(1)))
        text = fields.get("Text", "")
        text = wine_string(text[2:].removesuffix('"').rstrip("\\")) if text.startswith('L"') else text
        kinds = set(fields.get("fType", "").split("+")) - {""}
        states = set(fields.get("State", "").split("+")) - {""}
        items.append((text, kinds, states))
    starts = [i for i, item in enumerate(items) if item[0] == first]
    return items[starts[-1]:] if starts else []


def wine_string(text):
    """A string as Wine's log writes it, with every letter beyond ASCII as a
    backslash and four hex digits of UTF-16."""
    units = re.sub(r"\\([0-9a-fA-F]{4})", lambda m: chr(int(m.group(1), 16)), text)
    return units.encode("utf-16-le", "surrogatepass").decode("utf-16-le", "replace")


def expected_menu():
    radio, sub, sep = {"radio"}, {"pop"}, {"sep"}
    items = [("More Christmas stuff...", set(), {"default"}), ("", sep, set()),
             ("Speed of animation", sub, set()), ("Slow", radio, set()), ("Normal", radio, {"check"}),
             ("Fast", radio, set()), ("Quickly", radio, set()), ("Real time", radio, set()),
             ("Countdown", sub, set()), ("Christmas - *", radio, {"check"}), ("New Year - *", radio, set()),
             ("Julian Christmas - *", radio, set()),
             ("Options", sub, set()), ("Snow (for slow PC)", set(), {"check"}), ("Transparent", sub, set())]
    items += [(f"{n}%", radio, {"check"} if n == 0 else set()) for n in range(0, 100, 10)]
    items += [("Size", sub, set())] + [(f"{n}%", radio, {"check"} if n == 100 else set()) for n in (75, 100, 150, 200)]
    items += [("Always OnTop", set(), {"check"}), ("Shake the snow when moved", set(), {"check"}),
              ("Start Nivarra when I start Windows", set(), {"check"}),
              ("", sep, set()), ("Exit", set(), set())]
    return items


def check_menu_items(items, wanted, name):
    """The items as wanted; a caption ending in * is a prefix."""
    mismatches = []
    for i, want in enumerate(wanted):
        got = items[i] if i < len(items) else None
        if got is None:
            mismatches.append(f"#{i} missing ({want[0]!r})")
            continue
        caption_ok = got[0] == want[0] or (want[0].endswith("*") and got[0].startswith(want[0][:-1]))
        if not caption_ok or not want[1] <= got[1] or got[2] != want[2]:
            mismatches.append(f"#{i} {got} instead of {want}")
    if len(items) > len(wanted):
        mismatches.append(f"{len(items) - len(wanted)} more items")
    return check(name, not mismatches, "; ".join(mismatches[:4]) if mismatches else f"{len(items)} items")


def check_holiday_date(caption, prefix, month, day):
    """The caption's date: the right day of the month, a true weekday, and
    at most a year ahead."""
    text = caption[len(prefix):]
    try:
        date = datetime.datetime.strptime(text, "%A, %B %d, %Y").date()
    except ValueError:
        return False, f"{caption!r} has no long date"
    today = datetime.date.today()
    ok = (date.month, date.day) == (month, day) and date.strftime("%A") == text.split(",")[0] and \
        today - datetime.timedelta(days=1) <= date <= today + datetime.timedelta(days=366)
    return ok, caption


# --- the checks ---------------------------------------------------------------------

def check_drawn(shot, background, window, outline, where=""):
    """The globe is drawn within its outline, nowhere else, and fills it."""
    _, left, top, width, height = window

    def drawn(x, y):  # off the screen counts as not drawn
        x, y = left + x, top + y
        return 0 <= x < shot.width and 0 <= y < shot.height and shot.pixel(x, y) != background.pixel(x, y)

    outside_drawn = [(x, y) for x, y in outline.outside if drawn(x, y)]
    check(f"nothing drawn outside the outline{where}", not outside_drawn,
          f"{len(outside_drawn)} of {len(outline.outside)} outside pixels differ from the desktop" +
          (f", first at {outside_drawn[0]}" if outside_drawn else ""))
    ring = [(x, y) for x in range(-3, width + 3) for y in (-3, -2, -1, height, height + 1, height + 2)
            if 0 <= left + x < shot.width and 0 <= top + y < shot.height]
    ring += [(x, y) for y in range(height) for x in (-3, -2, -1, width, width + 1, width + 2)
             if 0 <= left + x < shot.width]
    ring_drawn = sum(1 for x, y in ring if drawn(x, y))
    check(f"nothing drawn around the window{where}", ring_drawn == 0,
          f"{ring_drawn} of {len(ring)} pixels around it differ")
    inside_drawn = sum(1 for x, y in outline.inside if drawn(x, y))
    check(f"the scene fills the outline{where}", inside_drawn >= 0.97 * len(outline.inside),
          f"{inside_drawn} of {len(outline.inside)} inside pixels drawn")


def bare_screen():
    background = grab()
    exe_windows_path = windows_path(EXE)

    # First start: no settings yet.
    globe = Globe(trace_menu=True)
    window = globe.wait_shown(background)
    if not check("first start shows the globe", window is not None, f"{Globe.launch_times[-1]:.2f} s to the first frame"
                 if window else "no window with a drawn frame within 30 s"):
        globe.kill()
        return
    info_globe = probe("globe")
    work_w, work_h = (int(v) for v in info_globe.get("workarea", "0 0").split())
    expected = (work_w - 305, work_h - 260)
    check("placed at the bottom right of the work area", window[1:3] == expected,
          f"at {window[1:3]}, expected {expected} for a work area of {work_w}x{work_h}")
    exstyle = int(info_globe.get("exstyle", "0"), 16)
    check("layered, topmost, owned by the desktop, no visible application window",
          exstyle & 0x80000 and exstyle & 0x8 and info_globe.get("owner_is_desktop") == "1" and
          info_globe.get("application_visible") == "0",
          f"exstyle {exstyle:08x}, owner is desktop {info_globe.get('owner_is_desktop')}, application window "
          f"visible {info_globe.get('application_visible')}")

    no_box = probe("message")
    check("no message at the first start", no_box.get("boxes") == "0", f"{no_box.get('text', '')!r}")

    time.sleep(0.5)
    shot = grab()
    save(shot, "desktop.png")
    _, left, top, _, _ = window
    save(shot.crop(left - 300, top - 160, WIDTH + 305, HEIGHT + 160), "wine-globe.png")
    check_drawn(shot, background, window, AT_100)
    opaque = difference(shot, background, left, top, INSIDE)
    time.sleep(1.0)
    later = grab()
    moving = sum(1 for x, y in INSIDE if later.pixel(left + x, top + y) != shot.pixel(left + x, top + y))
    check("the scene animates", moving > 50, f"{moving} inside pixels changed within a second")
    check_session_lock(window)
    check_uncover(window)

    # The menu on a right click.
    menu = open_menu(window)
    if check("a right click opens the menu", menu is not None,
             f"menu window {menu[3]}x{menu[4]} at ({menu[1]}, {menu[2]})" if menu else "no menu window"):
        check("menu size plausible", 120 <= menu[3] <= 500 and 100 <= menu[4] <= 300, f"{menu[3]}x{menu[4]}")
        time.sleep(0.3)
        items = menu_items(globe.menu_log())
        check_menu_items(items, expected_menu(), "menu items: captions, submenus, separators, radio items, checks, "
                         "default")
        for prefix, month, day in (("Christmas - ", 12, 25), ("New Year - ", 1, 1), ("Julian Christmas - ", 1, 7)):
            caption = next((c for c, _, _ in items if c.startswith(prefix)), "")
            ok, detail = check_holiday_date(caption, prefix, month, day) if caption else (False, "missing")
            check(f"menu shows the date of {prefix.split(' -')[0]}", ok, detail)
        keys("Down", "Down", "Down", "Right")  # the countdown submenu, with the dates
        dates = wait_for(lambda: [w for w in visible_windows() if w[3:] != (WIDTH, HEIGHT) and w != menu], 3)
        time.sleep(0.3)
        shot_menu = grab()
        save(shot_menu.crop(max(0, left - 420), max(0, top - 160), WIDTH + 440, HEIGHT + 180), "wine-menu.png")
        check("the countdown submenu is wide enough for its dates", bool(dates) and dates[0][3] >= 220,
              f"{dates[0][3]}x{dates[0][4]}" if dates else "no submenu window")
        close_menus()

    # The menu key, once the globe has the focus (after a click), opens the
    # menu at the window's top-left corner.
    xdotool("mousemove", *point_in(window, 150, 120), "click", 1)
    time.sleep(0.3)
    before = {w[0] for w in visible_windows()}
    keys("Menu")
    menu = wait_for(lambda: next((w for w in visible_windows() if w[0] not in before), None), 3)
    check("the menu key opens the menu at the window's corner", menu is not None and menu[1:3] == window[1:3],
          f"menu at {menu[1:3]}, globe at {window[1:3]}" if menu else "no menu window")
    close_menus()

    # 50% transparency through the keyboard.
    if open_menu(window):
        keys("Down", "Down", "Down", "Down", "Right", "Down", "Right", "Down", "Down", "Down", "Down", "Down")
        time.sleep(0.3)
        save(grab().crop(max(0, left - 420), max(0, top - 160), WIDTH + 440, HEIGHT + 180), "menu-transparent.png")
        keys("Return")
    time.sleep(0.8)
    faint_shot = grab()
    save(faint_shot.crop(left - 20, top - 20, WIDTH + 40, HEIGHT + 40), "globe-50.png")
    faint = difference(faint_shot, background, left, top, INSIDE)
    ratio = faint / opaque if opaque else 0
    check("50% makes the globe fainter", abs(ratio - FIFTY_PERCENT_ALPHA / 255) < 0.08,
          f"distance from the desktop {opaque:.1f} -> {faint:.1f}, ratio {ratio:.3f} "
          f"(constant alpha {FIFTY_PERCENT_ALPHA}/255 = {FIFTY_PERCENT_ALPHA / 255:.3f})")

    # Drags: the left button through the system's move loop, the right one
    # held back until it moves (then no menu opens).
    target = (left - 300, top - 200)
    drag(window, (-300, -200))
    moved = wait_for(lambda: (lambda w: w if w and w[1:3] == target else None)(globe_window()), 3)
    check("a drag moves the globe", moved is not None,
          f"now at {(globe_window() or window)[1:3]}, expected {target}")
    window = globe_window() or window
    target = (window[1] + 100, window[2] + 50)
    drag(window, (100, 50), button=3)
    moved = wait_for(lambda: (lambda w: w if w and w[1:3] == target else None)(globe_window()), 3)
    time.sleep(0.3)
    others = [w for w in visible_windows() if w[3:] != (WIDTH, HEIGHT)]
    check("a drag with the right button moves it and opens no menu", moved is not None and not others,
          f"now at {(globe_window() or window)[1:3]}, expected {target}; {len(others)} other windows")
    close_menus()
    window = globe_window() or window

    # Exit from the menu writes everything.
    choose_exit(window)
    gone = seconds_until_gone(window, background, time.monotonic())
    check("Exit ends the program", globe.wait_exit(), "")
    info(f"Exit to the globe gone from the screen: {gone:.2f} s" if gone is not None else "Exit: the globe stayed")
    globe.kill()
    values = reg_query(SETTINGS_KEY) or {}
    typed = {name: values.get(name, ("missing", ""))[0] for name in SETTINGS}
    check("Exit writes every setting as REG_DWORD", all(t == "REG_DWORD" for t in typed.values()),
          ", ".join(f"{k} {v}" for k, v in typed.items()))
    numbers = {name: int(values[name][1], 16) for name in SETTINGS if name in values and values[name][0] == "REG_DWORD"}
    want = {"OnTop": 1, "TrVal": 5, "Left": target[0], "Top": target[1], "iCountdown": 0, "iSpeed": 1, "isSnowOn": 1}
    check("the written values are the globe's state", numbers == want, f"{numbers}")
    run_value = (reg_query(RUN_KEY) or {}).get("Nivarra")
    check("autostart is written as REG_SZ with the program's path in quotes",
          run_value is not None and run_value[0] == "REG_SZ" and run_value[1] == f'"{exe_windows_path}"',
          f"{run_value}, expected {exe_windows_path!r} in quotes")

    # A restart restores the place and the transparency.
    globe = Globe()
    window = globe.wait_shown(background)
    restored = window is not None and window[1:3] == target
    check("a restart restores the position", restored, f"at {window[1:3] if window else None}, expected {target}")
    if window:
        time.sleep(0.5)
        again = difference(grab(), background, window[1], window[2], INSIDE) / opaque
        check("a restart restores the transparency", abs(again - FIFTY_PERCENT_ALPHA / 255) < 0.08,
              f"ratio {again:.3f}")

    # The end of the session saves as Exit does.
    wine("reg", "delete", SETTINGS_KEY, "/f")
    # Without --shutdown wineboot would go on to start the Run key's programs.
    wine("wineboot", "--end-session", "--shutdown")
    check("the end of the session ends the program", globe.wait_exit(), "")
    globe.kill()
    values = reg_query(SETTINGS_KEY) or {}
    typed = {name: values.get(name, ("missing", ""))[0] for name in SETTINGS}
    check("the end of the session writes every setting", all(t == "REG_DWORD" for t in typed.values()),
          ", ".join(f"{k} {v}" for k, v in typed.items()))

    unicode_folder(background)

    # "add" puts the globe somewhere at random. It reads the settings and
    # never writes them: moved, with the snow switched off and closed, it
    # leaves the user's globe its place, its choices and its Run value.
    settings_before, run_before = reg_query(SETTINGS_KEY), reg_query(RUN_KEY)
    globe = Globe("add")
    window = globe.wait_shown(background)
    if check("started with add", window is not None):
        x, y = window[1:3]
        check("add places it elsewhere within the work area",
              (x, y) != target and 0 <= x < work_w - 305 and 0 <= y < work_h - 260, f"at {(x, y)}")
        drag(window, (40, 30))
        moved = wait_for(lambda: (lambda w: w if w and w[1:3] == (x + 40, y + 30) else None)(globe_window()), 3)
        check("the added globe moves", moved is not None, f"at {(globe_window() or window)[1:3]}")
        window = moved or window
        if open_menu(window):
            keys("Down", "Down", "Down", "Down", "Right", "Return")  # Options, Snow
            time.sleep(0.3)
        choose_exit(window)
        check("Exit after add", globe.wait_exit())
    globe.kill()
    check("and closed, it leaves the stored settings and the Run value as they were",
          reg_query(SETTINGS_KEY) == settings_before and reg_query(RUN_KEY) == run_before,
          f"settings {reg_query(SETTINGS_KEY)}, Run key {reg_query(RUN_KEY)}")

    # A stored value of the wrong type.
    wine("reg", "add", SETTINGS_KEY, "/v", "iSpeed", "/t", "REG_SZ", "/d", "x", "/f")
    globe = Globe()
    box = wait_for(lambda: (lambda p: p if p.get("boxes", "0") != "0" else None)(probe("message")), 30, step=0.2)
    check("a value of the wrong type is reported", box is not None and box.get("text") == UNUSABLE % "iSpeed",
          f"box titled {box.get('title')!r}: {box.get('text')!r}" if box else "no message box")
    if box:
        shot = grab()
        save(shot, "wrong-type.png")
        ok = [int(v) for v in box.get("ok", "0 0 0 0").split()]
        xdotool("mousemove", ok[0] + ok[2] // 2, ok[1] + ok[3] // 2, "click", 1)
    window = globe.wait_shown(background)
    check("the globe still appears after the error", window is not None,
          f"at {window[1:3]}" if window else "no globe")
    if window:
        if open_menu(window):
            keys("Down", "Down", "Down", "Down", "Down", "Return")  # "Start Nivarra when I start Windows"
            time.sleep(0.3)
        choose_exit(window)
        check("Exit after the error", globe.wait_exit())
    globe.kill()
    values = reg_query(SETTINGS_KEY) or {}
    check("the close repairs the value's type", values.get("iSpeed", ("missing",))[0] == "REG_DWORD",
          f"iSpeed {values.get('iSpeed')}")
    run_values = reg_query(RUN_KEY) or {}
    check("unchecking autostart deletes the Run value", "Nivarra" not in run_values,
          f"Run key holds {sorted(run_values)}")

    check_shake(background)

    times = Globe.launch_times
    if times:
        info("launch to first frame (warm wineserver): " + ", ".join(f"{t:.2f}" for t in times) + " s")
    if CPU_SECONDS:
        measure_cpu(background)


# Letters of several scripts, beyond any one ANSI code page, and beyond
# UTF-16's first plane.
UNICODE_FOLDER = "Schneekugel Ünïcødé Снег Χιόνι ❄ 🎄"
UNICODE_DATE_WORD = "Снег"


def without_utf8_code_page(program):
    """The program as Windows 7 to 10 1809 run it: they ignore the
    manifest's UTF-8 code page, which Wine 8 honours. The setting is
    commented out in place, the file's layout unchanged."""
    m = re.search(rb"<activeCodePage[^>]*>UTF-8</activeCodePage>", program)
    if not m:
        return None
    length = m.end() - m.start()
    return program[:m.start()] + b"<!--" + b" " * (length - 7) + b"-->" + program[m.end():]


def inside_changes(window, seconds):
    """How many of the globe's inside pixels change over the seconds."""
    _, left, top, _, _ = window
    before = grab()
    time.sleep(seconds)
    after = grab()
    return sum(1 for x, y in INSIDE if after.pixel(left + x, top + y) != before.pixel(left + x, top + y))


def flake_pixels(calm, shot, window):
    """Inside pixels whose darkest channel rose by 60 or more: flakes (the
    sky's slow changes move colours a little)."""
    _, left, top, _, _ = window
    return sum(1 for x, y in INSIDE if min(shot.pixel(left + x, top + y)) - min(calm.pixel(left + x, top + y)) >= 60)


def check_shake(background):
    """A quick back-and-forth drag with the snow off throws up a flurry that
    settles away completely. Without a window manager the move loop draws
    an outline and moves the window only at the end."""
    for name, value in (("isSnowOn", 0), ("iSpeed", 0), ("Left", 400), ("Top", 300)):
        set_value(name, "REG_DWORD", value)
    globe = Globe()
    window = globe.wait_shown(background)
    if not check("a globe with the snow off", window is not None):
        globe.kill()
        return
    # Xvfb draws the pointer into the screen: it stays off the globe in the shots.
    xdotool("mousemove", 5, 5)
    time.sleep(0.5)
    calm = grab()
    x, y = point_in(window, 150, 120)
    xdotool("mousemove", x, y, "mousedown", 1)
    time.sleep(0.5)
    for _ in range(6):
        for step in (1, 2, 3, 4, 3, 2, 1, 0):
            xdotool("mousemove", x + 20 * step, y)
            time.sleep(0.02)
    xdotool("mouseup", 1)
    xdotool("mousemove", 5, 5)
    time.sleep(0.3)
    stirred = flake_pixels(calm, grab(), window)
    time.sleep(8)
    settled_shot = grab()
    settled = flake_pixels(calm, settled_shot, window)
    save(settled_shot.crop(window[1], window[2], WIDTH, HEIGHT), "shake-settled.png")
    check("a shake with the snow off throws up a flurry that settles away", stirred >= 40 and settled <= 3,
          f"{stirred} flake pixels just after, {settled} 8 s later")
    if choose_exit(window):
        globe.wait_exit()
    globe.kill()


def check_uncover(window):
    """The moment the window over a covered globe goes, the snow falls on
    at every frame. The window closes itself; from the moment it is seen
    gone, the framebuffer is copied every 40 ms and looked at afterwards."""
    blocker = cover(window, seconds=3, topmost=True)
    wait_for(lambda: covered(window) < 0.5, 10, step=0.005)
    copies = []
    for _ in range(8):
        with open(FRAMEBUFFER, "rb") as f:
            copies.append(f.read())
        time.sleep(0.04)
    blocker.wait()
    _, left, top, _, _ = window
    shots = []
    for i, data in enumerate(copies):
        path = os.path.join(WORK, f"uncovered-{i}.xwd")
        with open(path, "wb") as f:
            f.write(data)
        shots.append(screen.read_framebuffer(path))
    moves = [sum(1 for x, y in INSIDE if b.pixel(left + x, top + y) != a.pixel(left + x, top + y))
             for a, b in zip(shots, shots[1:])]
    check("uncovered, the snow falls on at once", min(moves) > 20,
          f"inside pixels changed between copies 40 ms apart: {moves}")


def check_session_lock(window):
    """A locked session (the probe posts the globe Windows' session messages)
    leaves the globe's last frame standing until it is unlocked."""
    probe("session", "lock")
    time.sleep(0.3)  # a frame already under way
    still = inside_changes(window, 1.5)
    probe("session", "unlock")
    moving = inside_changes(window, 1.0)
    check("a locked session shows no new frame, unlocking brings them back", still == 0 and moving > 50,
          f"{still} inside pixels changed in 1.5 s locked, {moving} in 1 s after unlocking")


def unicode_folder(background):
    """Started from a folder whose name no ANSI code page holds, with a long
    date format that writes such letters too: the Run value holds the whole
    path, the menu the whole dates. Autostart is on when this starts."""
    with open(EXE, "rb") as f:
        program = without_utf8_code_page(f.read())
    if not check("the manifest asks for the UTF-8 code page", program is not None):
        return
    folder = os.path.join(os.environ["WINEPREFIX"], "drive_c", "Programme", UNICODE_FOLDER)
    os.makedirs(folder, exist_ok=True)
    copy = os.path.join(folder, "Nivarra.exe")
    with open(copy, "wb") as f:
        f.write(program)
    # Wine maps file names beyond ASCII, and arguments, only in a UTF-8 locale.
    env = dict(os.environ, LC_ALL="C.UTF-8")
    international = r"HKCU\Control Panel\International"
    long_date = (reg_query(international) or {}).get("sLongDate", ("", "dddd, MMMM d, yyyy"))[1]
    wine("reg", "add", international, "/v", "sLongDate", "/t", "REG_SZ", "/d", f"'{UNICODE_DATE_WORD}' {long_date}",
         "/f", env=env)
    globe = Globe(trace_menu=True, exe=copy, env=env)
    window = globe.wait_shown(background)
    if check("started from a folder named in several scripts", window is not None) and open_menu(window):
        time.sleep(0.3)
        items = menu_items(globe.menu_log())
        for prefix, month, day in (("Christmas - ", 12, 25), ("New Year - ", 1, 1), ("Julian Christmas - ", 1, 7)):
            caption = next((c for c, _, _ in items if c.startswith(prefix)), "")
            date_prefix = f"{prefix}{UNICODE_DATE_WORD} "
            ok, detail = check_holiday_date(caption, date_prefix, month, day) if caption.startswith(date_prefix) \
                else (False, repr(caption) if caption else "missing")
            check(f"a long date in Cyrillic reaches the menu whole: {prefix.split(' -')[0]}", ok, detail)
        close_menus()
        choose_exit(window)
    check("Exit from that folder", globe.wait_exit())
    globe.kill()
    wine("reg", "add", international, "/v", "sLongDate", "/t", "REG_SZ", "/d", long_date, "/f")
    run_value = probe("value", RUN_KEY.split("\\", 1)[1], "Nivarra")
    expected = f'"C:\\Programme\\{UNICODE_FOLDER}\\Nivarra.exe"'
    check("the Run value holds that folder's path whole, in quotes",
          run_value.get("type") == "1" and run_value.get("data") == expected,
          f"type {run_value.get('type')}, {run_value.get('data')!r}, expected {expected!r}")


# --- the desktop's scale and the globe's size ----------------------------------------

def set_dpi(dpi):
    """The desktop's DPI: Wine reads it when its server starts."""
    wine("reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels", "/t", "REG_DWORD", "/d", str(dpi), "/f")
    for step in ("-k", "-w", "-p"):
        run(["wineserver", step])


def scaled_globe(background, scale, dpi, where):
    """Starts the globe and checks its size in device pixels, the DPI its
    window runs at and what it draws; returns the globe and its window."""
    outline = Outline(scale)
    globe = Globe()
    window = globe.wait_shown(background, timeout=10, outline=outline)
    seen = probe("globe")
    width, height = outline.size
    check(f"a {width}x{height} globe{where}", window is not None,
          f"at {window[1:3]}" if window else f"windows {[w[3:] for w in visible_windows()]}, probe {seen.get('rect')}")
    check(f"the globe's window is per-monitor DPI aware{where}", seen.get("dpi") == str(dpi),
          f"it runs at {seen.get('dpi')} DPI, the desktop at {dpi}")
    if window:
        work_w, work_h = (int(v) for v in seen.get("workarea", "0 0").split())
        check(f"Windows sees the window where X has it, within the work area{where}",
              seen.get("rect") == " ".join(str(v) for v in window[1:]) and
              window[1] >= 0 and window[2] >= 0 and window[1] + width <= work_w and window[2] + height <= work_h,
              f"probe {seen.get('rect')}, X {window[1:]}, work area {work_w}x{work_h}")
        look_at(background, window, outline, where)
    return globe, window


def look_at(background, window, outline, where):
    time.sleep(0.5)
    shot = grab()
    width, height = outline.size
    save(shot.crop(window[1] - 20, window[2] - 20, width + 40, height + 40), f"globe{where.replace(' ', '-')}.png")
    check_drawn(shot, background, window, outline, where)


def scales():
    # The pointer away from where the globes will stand: Xvfb draws it into
    # the screen, and over the globe's window it takes another shape.
    xdotool("mousemove", 5, 5)
    background = grab()
    wine("reg", "delete", SETTINGS_KEY, "/f")
    set_dpi(192)
    try:
        globe, _ = scaled_globe(background, 2, 192, " at 192 DPI")
        wine("taskkill", "/im", "Nivarra.exe")
        globe.wait_exit()
        globe.kill()
    finally:
        set_dpi(96)

    # A stored Size, then another chosen from the menu: the window takes
    # the new size at once, about its bottom-right corner.
    wine("reg", "delete", SETTINGS_KEY, "/f")
    set_value("Size", "REG_DWORD", 150)
    globe, window = scaled_globe(background, 1.5, 96, " at Size 150")
    if window and open_menu(window):
        keys("Down", "Down", "Down", "Down", "Right", "Down", "Down", "Right", "Down", "Down", "Down", "Return")
        outline = Outline(2)
        grown = wait_for(lambda: globe_window(outline.size), 3)
        corner = (window[1] + window[3], window[2] + window[4])
        check("Size 200 from the menu grows the globe about its bottom-right corner",
              grown is not None and (grown[1] + grown[3], grown[2] + grown[4]) == corner,
              f"{grown[1:]}, its corner {corner} before" if grown else f"windows {visible_windows()}")
        if grown:
            look_at(background, grown, outline, " at Size 200")
        choose_exit(grown or window)
    globe.wait_exit()
    globe.kill()
    check("Exit stores the Size chosen", stored().get("Size") == 200, f"{stored()}")
    wine("reg", "delete", SETTINGS_KEY, "/f")


# --- a Russian desktop --------------------------------------------------------------

RUSSIAN = {"LOCPATH": os.environ.get("NIVARRA_LOCPATH", ""), "LC_ALL": "ru_RU.UTF-8"}
# The plaque's face, where the count is written, in the window.
PLAQUE = (86, 183, 124, 29)


def catalog(language):
    """msgid -> msgstr of the language's catalog (its one-form entries)."""
    entries, key, field = {}, None, None
    with open(os.path.join(SOURCE, "po", f"{language}.po"), encoding="utf-8") as f:
        for line in f:
            m = re.match(r'(msgid|msgstr) "(.*)"$', line.strip())
            if m:
                field = m.group(1)
                if field == "msgid":
                    key = m.group(2)
                else:
                    entries[key] = m.group(2)
            elif line.startswith('"') and field == "msgid":
                key += line.strip()[1:-1]
            elif line.startswith('"') and field == "msgstr":
                entries[key] += line.strip()[1:-1]
    return entries


def rendered_plaque(language):
    """The plaque as globe-render draws it today in the language, as rows of
    (red, green, blue)."""
    folder = tempfile.mkdtemp(dir=WORK)
    now = datetime.datetime.now().strftime("%Y-%m-%dT%H:%M")
    run([os.environ["NIVARRA_GLOBE_RENDER"], "--now", now, "--language", language, "--snow", "off", "--out", folder])
    frames = sorted(os.listdir(folder))
    if not frames:
        return None
    left, top, width, height = PLAQUE
    raw = subprocess.run(["/usr/bin/convert", os.path.join(folder, frames[0]), "-crop",
                          f"{width}x{height}+{left}+{top}", "+repage", "-alpha", "off", "rgb:-"],
                         capture_output=True, check=True).stdout
    return [[tuple(raw[(y * width + x) * 3:(y * width + x) * 3 + 3]) for x in range(width)] for y in range(height)]


def russian():
    """The globe of a user whose desktop speaks Russian (a ru_RU.UTF-8 locale
    that e2e.sh makes): Wine gives the program Russian as the UI language,
    and the menu and the plaque are in Russian."""
    xdotool("mousemove", 5, 5)
    background = grab()
    wine("reg", "delete", SETTINGS_KEY, "/f")
    globe = Globe(trace_menu=True, env=dict(os.environ, **RUSSIAN))
    window = globe.wait_shown(background)
    if not check("a globe on a Russian desktop", window is not None):
        globe.kill()
        return
    time.sleep(0.5)
    shot = grab()
    save(shot.crop(window[1], window[2], WIDTH, HEIGHT), "wine-russian.png")
    left, top, width, height = PLAQUE
    seen = [[shot.pixel(window[1] + left + x, window[2] + top + y) for x in range(width)] for y in range(height)]
    russian_plaque, english_plaque = rendered_plaque("ru"), rendered_plaque("en")
    pixels = width * height
    alike = sum(a == b for ra, rb in zip(seen, russian_plaque or []) for a, b in zip(ra, rb))
    words_differ = sum(a != b for ra, rb in zip(russian_plaque or [], english_plaque or []) for a, b in zip(ra, rb))
    check("the plaque writes today's count with the Russian word, as globe-render --language ru draws it",
          alike == pixels and words_differ > 100,
          f"{alike} of {pixels} pixels as drawn in Russian; the Russian and English plaques differ in {words_differ}")

    words = catalog("ru")
    menu = open_menu(window)
    if check("a right click opens the Russian menu", menu is not None):
        time.sleep(0.3)
        wanted = [(caption if not caption or caption.endswith("%") else
                   words[caption[:-1]] + "*" if caption.endswith("*") else words[caption], kinds, states)
                  for caption, kinds, states in expected_menu()]
        check_menu_items(menu_items(globe.menu_log(), first=wanted[0][0]), wanted, "the menu's captions in Russian")
        keys("Down", "Down", "Down", "Right")  # the countdown submenu, with Russian dates
        time.sleep(0.5)
        save(grab().crop(max(0, window[1] - 420), max(0, window[2] - 160), WIDTH + 440, HEIGHT + 180),
             "wine-russian-menu.png")
        close_menus()
    choose_exit(window)
    check("Exit on the Russian desktop", globe.wait_exit())
    globe.kill()


# --- a desktop as users have it ---------------------------------------------------

def monitors():
    """Wine's monitors, the primary first: ((left, top, right, bottom), work area)."""
    found = []
    for line in wine(PROBE, "monitors").stdout.splitlines():
        m = re.match(r"monitor=(-?\d+) (-?\d+) (-?\d+) (-?\d+) work (-?\d+) (-?\d+) (-?\d+) (-?\d+)", line)
        if m:
            v = [int(g) for g in m.groups()]
            found.append((tuple(v[:4]), tuple(v[4:])))
    return found


def set_value(name, kind, data):
    wine("reg", "add", SETTINGS_KEY, "/v", name, "/t", kind, "/d", str(data), "/f")


def stored(key=SETTINGS_KEY):
    """name -> value of the key's values, numbers as ints."""
    values = reg_query(key) or {}
    return {name: int(data, 16) if kind == "REG_DWORD" else (kind, data) for name, (kind, data) in values.items()}


def cover(window, seconds=30, topmost=False):
    """A plain, managed window over the globe (with topmost, one that stays
    above a topmost globe also in Wine's order of windows); returns its process."""
    rect = [window[1] - 10, window[2] - 10, WIDTH + 20, HEIGHT + 20, seconds]
    process = subprocess.Popen(["wine", PROBE, "cover", *[str(v) for v in rect], *([] if topmost else ["normal"])],
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wait_for(lambda: covered(window) > 0.9, 5)
    return process


def covered(window):
    """The share of the globe's inside that shows the cover."""
    peek = screen.PixelPeek(FRAMEBUFFER)
    colours = peek.pixels([(window[1] + x, window[2] + y) for x, y in SAMPLE])
    return sum(1 for c in colours if c == COVER_GREY) / len(colours)


def wait_box():
    return wait_for(lambda: (lambda p: p if p.get("boxes", "0") != "0" else None)(probe("message")), 20, step=0.2)


def press_ok(box):
    ok = [int(v) for v in box.get("ok", "0 0 0 0").split()]
    xdotool("mousemove", ok[0] + ok[2] // 2, ok[1] + ok[3] // 2, "click", 1)


def full_desktop():
    background = grab()
    found = monitors()
    info(f"Wine's monitors (rectangle, work area): {found}")
    if not check("Wine sees two monitors side by side", len(found) == 2 and found[1][0][0] == found[0][0][2]):
        return
    (_, _, screen_w, screen_h), (_, _, work_w, work_h) = found[0]
    second = found[1][0]
    wine("reg", "delete", SETTINGS_KEY, "/f")

    # The first start stands on the primary monitor, above the panel.
    globe = Globe()
    window = globe.wait_shown(background)
    if not check("first start on a desktop with a panel", window is not None):
        globe.kill()
        return
    expected = (work_w - 305, work_h - 260)
    check("placed at the bottom right of the work area, above the panel",
          window[1:3] == expected and work_h < screen_h, f"at {window[1:3]}, expected {expected}, "
          f"work area {work_w}x{work_h} of {screen_w}x{screen_h}")
    save(grab().crop(window[1] - 200, window[2] - 100, WIDTH + 220, HEIGHT + 130), "desktop-start.png")

    # Always on top, also with a window manager: a window opened over it
    # stays behind it.
    blocker = cover(window, seconds=3)
    time.sleep(0.5)
    share = covered(window)
    blocker.kill()
    blocker.wait()
    check("always on top keeps the globe above a newer window", share < 0.05,
          f"{share:.0%} of the globe shows the window opened over it")

    # A second plain start shows nothing and leaves the running globe.
    started = time.monotonic()
    second_run = run(["wine", EXE], timeout=30)
    took = time.monotonic() - started
    check("a second plain start ends at once without a second globe",
          second_run.returncode == 0 and took < 5 and len([w for w in visible_windows() if w[3:] == (WIDTH, HEIGHT)]) == 1
          and globe.process.poll() is None, f"exit code {second_run.returncode} after {took:.2f} s")

    # The globe that was asked to come to the front is activated by the
    # window manager; a drag begun while that is under way is cancelled by
    # it (as a person's would be, who starts dragging within a tenth of a
    # second of the second start). On a loaded machine the activation takes
    # longer, so the drag waits for two seconds.
    time.sleep(2.0)

    # A drag onto the second monitor is saved soon: a program killed a
    # second later keeps it.
    target = (second[0] + 600, 200)
    drag(window, (target[0] - window[1], target[1] - window[2]), hold=1.0)
    moved = wait_for(lambda: (lambda w: w if w and w[1:3] == target else None)(globe_window()), 3)
    check("a drag onto the second monitor", moved is not None,
          f"at {(globe_window() or window)[1:3]}, expected {target}")
    time.sleep(1.0)
    pid = globe.linux_pid()
    if pid:  # never 0: that would kill this whole run's process group
        os.kill(pid, signal.SIGKILL)
    globe.wait_exit()
    globe.kill()
    values = stored()
    check("a program killed a second after a drag has saved the place",
          (values.get("Left"), values.get("Top")) == target, f"stored {values.get('Left')}, {values.get('Top')}")

    # Two plain starts at once give one globe, where it was.
    starts = [Globe(), Globe()]
    window = starts[0].wait_shown(background, timeout=15) or starts[1].wait_shown(background, timeout=15)
    ended = wait_for(lambda: [g for g in starts if g.process.poll() is not None], 10)
    time.sleep(0.5)
    globes = [w for w in visible_windows() if w[3:] == (WIDTH, HEIGHT)]
    check("two plain starts at once give one globe",
          len(globes) == 1 and len(ended) == 1 and ended[0].process.returncode == 0,
          f"{len(globes)} globes, {len(ended)} of 2 starts ended")
    check("a place on the second monitor is kept across a restart", window is not None and window[1:3] == target,
          f"at {window[1:3] if window else None}, expected {target}")
    for start in ended:
        start.kill()
    globe = next((g for g in starts if g.process.poll() is None), starts[0])
    window = window or globe_window()

    # Without always on top, a plain start brings the running globe to the front.
    if window and open_menu(window):
        keys("Down", "Down", "Down", "Down", "Right", "Down", "Down", "Down", "Return")  # Options, Always OnTop
        time.sleep(0.3)
    blocker = cover(window)
    hidden = covered(window)
    run(["wine", EXE], timeout=30)
    wait_for(lambda: covered(window) < 0.05, 3)
    share = covered(window)
    blocker.kill()
    blocker.wait()
    check("a plain start brings the running globe to the front", hidden > 0.9 and share < 0.05,
          f"{hidden:.0%} covered before, {share:.0%} after")

    # The same over a desktop program's window, asked by a start whose own
    # windows are already gone: Wine's order of windows knows neither.
    rect = f"{WIDTH + 20}x{HEIGHT + 20}+{window[1] - 10}+{window[2] - 10}"
    blocker = subprocess.Popen(["xmessage", "-geometry", rect, "-bg", "#404040", "-fg", "#404040", "cover"],
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    hidden = wait_for(lambda: covered(window) > 0.9, 5) and covered(window)
    asked = probe("front").get("posted") == "1"
    wait_for(lambda: covered(window) < 0.05, 3)
    share = covered(window)
    blocker.kill()
    blocker.wait()
    exstyle = int(probe("globe").get("exstyle", "0"), 16)
    check("a start brings the running globe over a desktop program's window, and not always on top",
          asked and hidden > 0.9 and share < 0.05 and not exstyle & 0x8,
          f"{hidden:.0%} covered before, {share:.0%} after; exstyle {exstyle:08x}")

    # Exit clears the screen at once.
    choose_exit(window)
    started = time.monotonic()
    gone = seconds_until_gone(window, background, started)
    exited = globe.wait_exit()
    ended_after = time.monotonic() - started
    check("Exit takes the globe off the screen at once", gone is not None and gone < 0.5,
          f"gone after {gone:.2f} s, the program ended after {ended_after:.2f} s" if gone is not None else "it stayed")
    check("Exit ends the program and saves", exited and stored().get("OnTop") == 0, f"{stored()}")
    globe.kill()

    # One unusable coordinate takes only its own default; nothing is
    # written until the user has seen the message, and the Run value the
    # user removed stays removed.
    set_value("Left", "REG_DWORD", target[0])
    set_value("Top", "REG_SZ", "x")
    wine("reg", "delete", RUN_KEY, "/v", "Nivarra", "/f")
    globe = Globe()
    box = wait_box()
    check("an unusable Top is reported once the globe shows",
          box is not None and box.get("text") == UNUSABLE % "Top", f"{box.get('text')!r}" if box else "no message")
    place = probe("globe").get("rect", "").split()[:2]
    check("Left is kept and Top takes the default place's", place == [str(target[0]), str(work_h - 260)],
          f"at {place}, expected {[target[0], work_h - 260]}")
    before = stored()
    check("nothing is written before the message is answered",
          before.get("Left") == target[0] and before.get("Top") == ("REG_SZ", "x"), f"{before}")
    if box:
        press_ok(box)
    repaired = wait_for(lambda: (lambda v: v if v.get("Top") == work_h - 260 else None)(stored()), 3)
    check("the unusable value is repaired at once after the message",
          repaired is not None and repaired.get("Left") == target[0], f"{stored()}")
    run_values = reg_query(RUN_KEY) or {}
    check("the Run value the user removed stays removed", "Nivarra" not in run_values, f"{run_values}")

    # Exit with the settings unwritable: the globe goes, says so, and ends.
    window = globe_window()
    locked = probe("readonly", r"Software\Nivarra").get("access") == "0"
    check("the settings key is made read-only", locked)
    if window:
        choose_exit(window)
    box = wait_box()
    shown = globe_window()
    text = box.get("text", "") if box else ""
    check("Exit with unwritable settings says so, why and where, the globe already gone",
          text.startswith(r"Failed to set data for 'OnTop'\n\nThe settings in HKEY_CURRENT_USER\Software\Nivarra "
                          "cannot be saved: ") and
          text.endswith(r".\nThe change will not be there at the next start.") and shown is None,
          f"{text!r}, globe {'still shown' if shown else 'gone'}" if box else "no message")
    if box:
        press_ok(box)
    check("then the program ends", globe.wait_exit())
    globe.kill()
    probe("writable", r"Software\Nivarra")

    # A place off every monitor brings the whole globe (39 to 251 pixels
    # into its window) onto the nearest one, the shortest way.
    set_value("Left", "REG_DWORD", second[2] + 500)
    set_value("Top", "REG_DWORD", 300)
    globe = Globe()
    window = globe.wait_shown(background)
    # The globe asks for the outline's edge on the monitor's (x = right - 251);
    # the window manager may pull the whole window box on as well.
    work = found[1][1]
    check("a place off every monitor brings the whole globe onto the nearest",
          window is not None and work[2] - WIDTH <= window[1] <= work[2] - 251 and window[2] == 300,
          f"at {window[1:3] if window else None}, expected x from {work[2] - WIDTH} to {work[2] - 251}, y 300")

    # Closing from outside (a task list) clears the screen first too.
    started = time.monotonic()
    wine("taskkill", "/im", "Nivarra.exe")
    gone = seconds_until_gone(window, background, started) if window else None
    check("a close from outside ends the program", globe.wait_exit())
    info(f"taskkill to the globe gone from the screen: {gone:.2f} s (taskkill itself included)" if gone is not None
         else "taskkill: the globe stayed")
    globe.kill()


# --- optional: what the program costs ---------------------------------------------------

def cpu_ticks(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])  # utime + stime


def measure(globe, seconds):
    """CPU use in % of one core: the program, wineserver, the X server and
    the compositor."""
    pids = {"program": globe.linux_pid(), "wineserver": wine_process.wineserver_pid(),
            "Xvfb": int(os.environ.get("NIVARRA_XVFB_PID", "0")) or None,
            "xcompmgr": int(os.environ.get("NIVARRA_XCOMPMGR_PID", "0")) or None}
    pids = {name: pid for name, pid in pids.items() if pid}
    start = {name: cpu_ticks(pid) for name, pid in pids.items()}
    time.sleep(seconds)
    return {name: 100.0 * (cpu_ticks(pid) - start[name]) / os.sysconf("SC_CLK_TCK") / seconds
            for name, pid in pids.items()}


def measure_cpu(background):
    place = (400, 300)
    for name, snow, cover, locked in (("Normal speed, full snow", 1, False, False), ("snow off", 0, False, False),
                                      ("covered by another window", 1, True, False),
                                      ("session locked", 1, False, True)):
        for value_name, value in (("iSpeed", 1), ("isSnowOn", snow), ("TrVal", 0), ("Left", place[0]),
                                  ("Top", place[1])):
            wine("reg", "add", SETTINGS_KEY, "/v", value_name, "/t", "REG_DWORD", "/d", str(value), "/f")
        globe = Globe()
        window = globe.wait_shown(background)
        cover_process = None
        if cover:
            cover = [place[0] - 10, place[1] - 10, WIDTH + 20, HEIGHT + 20, CPU_SECONDS + 10]
            cover_process = subprocess.Popen(["wine", PROBE, "cover", *[str(v) for v in cover]],
                                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if locked:
            probe("session", "lock")
        time.sleep(3)
        if window:
            use = measure(globe, CPU_SECONDS)
            info(f"CPU over {CPU_SECONDS} s, {name}: " +
                 ", ".join(f"{who} {percent:.1f} %" for who, percent in use.items()) + " of one core")
        if cover_process:
            cover_process.kill()
            cover_process.wait()
        wine("wineboot", "--end-session", "--shutdown")
        globe.wait_exit()
        globe.kill()


if __name__ == "__main__":
    try:
        {"screen": bare_screen, "dpi": scales, "russian": russian, "desktop": full_desktop}[sys.argv[1]]()
    finally:
        if failures:
            print(f"{len(failures)} check(s) failed: {', '.join(failures)}")
    sys.exit(1 if failures else 0)
