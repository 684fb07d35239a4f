#!/usr/bin/env python3
"""The desktop torture test's driver: a seeded random sequence of what
users do to the globe on one desktop, with the globe's invariants checked
after every step from the screen and the settings. scripts/torture.sh
starts the desktops and runs this on each.

  torture.py run --desktop NAME --seed N --steps M --program PATH [--wine]
                 --work DIR --shots DIR [--load]
  torture.py background RRGGBB   the root's colour, as a root pixmap that
                                 compositors paint too
  torture.py composited          true once a compositor runs on the screen

After every step (polls wait up to 6 seconds for them to hold, 12 with --load):
  (a) the whole globe is drawn: inside the outline at the current size the
      screen shows the globe, glass and stand with its plaque, and outside
      it (in and around the window) the bare desktop
  (b) the window is 300x260 times the chosen Size, rounded as the globe does
  (c) at least half the outline's width and height lie on one monitor;
      after a Size change or a monitor switched off, the whole outline lies
      in that monitor's work area (for the Windows program: the work area
      Wine tells programs, when it differs from the panel's; see below)
  (d) the stored place is the window's top-left corner
  (e) a step that has nothing to do with the place (a menu choice but
      Size, a restart, a second start, iconify, show desktop, a monitor
      switched on) leaves the globe where it stood
  (f) a second start ends at once and brings the one globe to the front
  (h) a Size choice grows or shrinks the globe about its bottom-right
      corner, then moves it the shortest way back into the work area it
      stood wholly in (where it did; within 2 pixels of rounding)
  (g) halfway through a slow drag, held still, the globe is under the pointer
Wine reads the work areas once, as the monitors change; a panel that
drops its strut while the monitors change (tint2 under load does) leaves
every Windows program, also one started later, with the whole monitor as
its work area until the next change. A Windows program cannot see the
panel then, and a Size change may put the stand under it: (c) and (h) take
the work area Wine tells programs (the probe asks it) and the run notes
each such step.
xcompmgr sometimes leaves part of an earlier picture on the screen where
no window stands any more (seen with the Windows program under Wine:
part of a globe's glass from a drag before, a strip across the top after
the monitors changed), until something makes it paint there again. When
(a) still fails at the end of its wait, the screen is exposed once, which
makes the compositor paint it anew from the windows as they are; if (a)
holds then, the leftovers were the compositor's, and the run notes them.
The sequence goes on after a failure; every failed step prints its seed,
step, action and invariant and saves a screenshot of the whole screen."""

import argparse
import ctypes
import math
import os
import random
import re
import subprocess
import sys
import tempfile
import time
import traceback

import wine_process
from waiting import wait_for

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "wine"))
import screen  # noqa: E402  (the mask reader and PNG writer of the Wine checks)

SOURCE = os.path.abspath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
WIDTH, HEIGHT = 300, 260
SIZES = (75, 100, 150, 200)
# The artwork's rows (at 100 %): the glass above, the stand and its plaque below.
GLASS_END, STAND_START = 160, 172
MARGIN = 2  # artwork pixels either side of the outline that neither inside nor outside counts

# --- the X server --------------------------------------------------------------------

_x = ctypes.cdll.LoadLibrary("libX11.so.6")
c_ulong, c_long, c_int, c_uint, c_void_p = ctypes.c_ulong, ctypes.c_long, ctypes.c_int, ctypes.c_uint, ctypes.c_void_p


class _Attributes(ctypes.Structure):
    _fields_ = [("x", c_int), ("y", c_int), ("width", c_int), ("height", c_int), ("border_width", c_int),
                ("depth", c_int), ("visual", c_void_p), ("root", c_ulong), ("class_", c_int),
                ("bit_gravity", c_int), ("win_gravity", c_int), ("backing_store", c_int),
                ("backing_planes", c_ulong), ("backing_pixel", c_ulong), ("save_under", c_int),
                ("colormap", c_ulong), ("map_installed", c_int), ("map_state", c_int),
                ("all_event_masks", c_long), ("your_event_mask", c_long), ("do_not_propagate_mask", c_long),
                ("override_redirect", c_int), ("screen", c_void_p)]


class _Image(ctypes.Structure):
    _fields_ = [("width", c_int), ("height", c_int), ("xoffset", c_int), ("format", c_int),
                ("data", c_void_p), ("byte_order", c_int), ("bitmap_unit", c_int), ("bitmap_bit_order", c_int),
                ("bitmap_pad", c_int), ("depth", c_int), ("bytes_per_line", c_int), ("bits_per_pixel", c_int)]


for name, restype, argtypes in (
        ("XOpenDisplay", c_void_p, [ctypes.c_char_p]),
        ("XDefaultRootWindow", c_ulong, [c_void_p]),
        ("XInternAtom", c_ulong, [c_void_p, ctypes.c_char_p, c_int]),
        ("XQueryTree", c_int, [c_void_p, c_ulong, ctypes.POINTER(c_ulong), ctypes.POINTER(c_ulong),
                               ctypes.POINTER(ctypes.POINTER(c_ulong)), ctypes.POINTER(c_uint)]),
        ("XGetWindowAttributes", c_int, [c_void_p, c_ulong, ctypes.POINTER(_Attributes)]),
        ("XTranslateCoordinates", c_int, [c_void_p, c_ulong, c_ulong, c_int, c_int, ctypes.POINTER(c_int),
                                          ctypes.POINTER(c_int), ctypes.POINTER(c_ulong)]),
        ("XGetWindowProperty", c_int, [c_void_p, c_ulong, c_ulong, c_long, c_long, c_int, c_ulong,
                                       ctypes.POINTER(c_ulong), ctypes.POINTER(c_int), ctypes.POINTER(c_ulong),
                                       ctypes.POINTER(c_ulong), ctypes.POINTER(ctypes.POINTER(ctypes.c_ubyte))]),
        ("XGetImage", ctypes.POINTER(_Image), [c_void_p, c_ulong, c_int, c_int, c_uint, c_uint, c_ulong, c_int]),
        ("XFree", c_int, [c_void_p]),
        ("XCreatePixmap", c_ulong, [c_void_p, c_ulong, c_uint, c_uint, c_uint]),
        ("XDefaultDepth", c_int, [c_void_p, c_int]),
        ("XDefaultGC", c_void_p, [c_void_p, c_int]),
        ("XSetForeground", c_int, [c_void_p, c_void_p, c_ulong]),
        ("XFillRectangle", c_int, [c_void_p, c_ulong, c_void_p, c_int, c_int, c_uint, c_uint]),
        ("XSetWindowBackgroundPixmap", c_int, [c_void_p, c_ulong, c_ulong]),
        ("XChangeProperty", c_int, [c_void_p, c_ulong, c_ulong, c_ulong, c_int, c_int, c_void_p, c_int]),
        ("XClearWindow", c_int, [c_void_p, c_ulong]),
        ("XClearArea", c_int, [c_void_p, c_ulong, c_int, c_int, c_uint, c_uint, c_int]),
        ("XFlush", c_int, [c_void_p]),
        ("XSetCloseDownMode", c_int, [c_void_p, c_int]),
        ("XCloseDisplay", c_int, [c_void_p]),
        ("XGetSelectionOwner", c_ulong, [c_void_p, c_ulong])):
    getattr(_x, name).restype = restype
    getattr(_x, name).argtypes = argtypes
# Windows come and go between two requests: an error is an empty answer.
_IGNORE_ERRORS = ctypes.CFUNCTYPE(c_int, c_void_p, c_void_p)(lambda display, event: 0)
_x.XSetErrorHandler(_IGNORE_ERRORS)


class Rect:
    def __init__(self, left, top, width, height):
        self.left, self.top, self.width, self.height = left, top, width, height

    @property
    def right(self):
        return self.left + self.width

    @property
    def bottom(self):
        return self.top + self.height

    def overlap(self, other):
        return (max(0, min(self.right, other.right) - max(self.left, other.left)),
                max(0, min(self.bottom, other.bottom) - max(self.top, other.top)))

    def contains(self, x, y, inset=0):
        return self.left + inset <= x < self.right - inset and self.top + inset <= y < self.bottom - inset

    def meets(self, other):
        return all(self.overlap(other))

    def within(self, other):
        return self.overlap(other) == (self.width, self.height)

    def __eq__(self, other):
        return isinstance(other, Rect) and (self.left, self.top, self.width, self.height) == \
            (other.left, other.top, other.width, other.height)

    def __repr__(self):
        return f"{self.width}x{self.height}+{self.left}+{self.top}"


class Display:
    def __init__(self):
        self.d = _x.XOpenDisplay(None)
        if not self.d:
            raise RuntimeError("cannot open the display")
        self.root = _x.XDefaultRootWindow(self.d)
        self.atoms = {}

    def atom(self, name):
        if name not in self.atoms:
            self.atoms[name] = _x.XInternAtom(self.d, name.encode(), 0)
        return self.atoms[name]

    def children(self, window):
        """The window's children, bottom to top."""
        root, parent, kids, n = c_ulong(), c_ulong(), ctypes.POINTER(c_ulong)(), c_uint()
        if not _x.XQueryTree(self.d, window, ctypes.byref(root), ctypes.byref(parent), ctypes.byref(kids),
                             ctypes.byref(n)):
            return []
        found = [kids[i] for i in range(n.value)]
        if kids:
            _x.XFree(kids)
        return found

    def attributes(self, window):
        a = _Attributes()
        return a if _x.XGetWindowAttributes(self.d, window, ctypes.byref(a)) else None

    def rect(self, window, attributes):
        x, y, child = c_int(), c_int(), c_ulong()
        _x.XTranslateCoordinates(self.d, window, self.root, 0, 0, ctypes.byref(x), ctypes.byref(y), ctypes.byref(child))
        return Rect(x.value, y.value, attributes.width, attributes.height)

    def property(self, window, name):
        """A property's items (numbers for format 32, else bytes), or None."""
        kind, fmt, n, after = c_ulong(), c_int(), c_ulong(), c_ulong()
        data = ctypes.POINTER(ctypes.c_ubyte)()
        if _x.XGetWindowProperty(self.d, window, self.atom(name), 0, 4096, 0, 0, ctypes.byref(kind), ctypes.byref(fmt),
                                 ctypes.byref(n), ctypes.byref(after), ctypes.byref(data)) != 0 or not kind.value:
            return None
        if fmt.value == 32:
            items = list(ctypes.cast(data, ctypes.POINTER(c_long))[:n.value])
        else:
            items = bytes(data[:n.value * fmt.value // 8])
        _x.XFree(data)
        return items

    def grab(self, rect):
        """The screen's pixels in rect (inside the root) as 0xRRGGBB, row by
        row: what the X server shows, the composited picture where a
        compositor paints the root, without the pointer."""
        image = _x.XGetImage(self.d, self.root, rect.left, rect.top, rect.width, rect.height, 0xFFFFFFFF, 2)
        if not image:
            return None
        im = image.contents
        if im.bits_per_pixel != 32 or im.byte_order != 0:
            raise RuntimeError(f"unexpected screen format: {im.bits_per_pixel} bits, byte order {im.byte_order}")
        stride = im.bytes_per_line // 4
        words = memoryview(ctypes.string_at(im.data, im.bytes_per_line * rect.height)).cast("I")
        _x.XFree(im.data)
        _x.XFree(image)
        return [w & 0xFFFFFF for y in range(rect.height) for w in words[y * stride:y * stride + rect.width]]

    def repaint(self):
        """Asks for the whole screen to be painted again: the root's
        exposure reaches the compositor, which paints the area anew from
        the windows as they are now (without one it only clears the root
        where no window covers it)."""
        _x.XClearArea(self.d, self.root, 0, 0, 0, 0, 1)
        _x.XFlush(self.d)

    def screenshot(self, path):
        size = self.root_rect()
        pixels = self.grab(size)
        screen.Image(size.width, size.height, b"".join(p.to_bytes(3, "big") for p in pixels)).save_png(path)

    def root_rect(self):
        return self.rect(self.root, self.attributes(self.root))


def set_background(rgb):
    """The root shows rgb, also under a compositor: compositors paint the
    root pixmap they find in _XROOTPMAP_ID, not a background colour. The
    pixmap outlives this client."""
    display = Display()
    d, root = display.d, display.root
    pixmap = _x.XCreatePixmap(d, root, 16, 16, _x.XDefaultDepth(d, 0))
    gc = _x.XDefaultGC(d, 0)
    _x.XSetForeground(d, gc, rgb)
    _x.XFillRectangle(d, pixmap, gc, 0, 0, 16, 16)
    _x.XSetWindowBackgroundPixmap(d, root, pixmap)
    value = c_ulong(pixmap)
    for name in ("_XROOTPMAP_ID", "ESETROOT_PMAP_ID"):
        _x.XChangeProperty(d, root, display.atom(name), 20, 32, 0, ctypes.byref(value), 1)  # XA_PIXMAP
    _x.XClearWindow(d, root)
    _x.XSetCloseDownMode(d, 1)  # RetainPermanent
    _x.XCloseDisplay(d)


def run(args, timeout=30):
    """A command's exit code and output; the output goes through a file, as
    processes Wine starts on the way keep pipes open."""
    with tempfile.TemporaryFile("w+") as out:
        try:
            code = subprocess.run([str(a) for a in args], stdin=subprocess.DEVNULL, stdout=out,
                                  stderr=subprocess.STDOUT, timeout=timeout).returncode
        except subprocess.TimeoutExpired:
            code = None
        out.seek(0)
        return code, out.read()


# --- the desktop as it stands ----------------------------------------------------------

class Window:
    def __init__(self, frame, client, rect, viewable, override_redirect, wm_class):
        self.frame, self.client, self.rect = frame, client, rect
        self.viewable, self.override_redirect, self.wm_class = viewable, override_redirect, wm_class


class Desktop:
    """One look at the screen: monitors, work areas, and the top-level
    windows in stacking order with the client window each frames."""

    def __init__(self, x, program_class, one_work_area=False):
        self.x = x
        self.one_work_area = one_work_area
        self.screen = x.root_rect()
        self.monitors = monitors()
        self.windows = []
        for frame in x.children(x.root):
            a = x.attributes(frame)
            if a is None:
                continue
            client = self.client_of(frame) or frame
            ca = x.attributes(client) if client != frame else a
            if ca is None:
                continue
            wm_class = (x.property(client, "WM_CLASS") or b"").lower()
            # A managed client's own flag: some window managers' frames are override-redirect.
            self.windows.append(Window(frame, client, x.rect(client, ca), a.map_state == 2 and ca.map_state == 2,
                                       bool(ca.override_redirect), wm_class))
        # The program's managed windows (a menu is not managed, a message is small).
        self.globes = [w for w in self.windows if program_class in w.wm_class and not w.override_redirect and
                       w.rect.width >= 100 and w.rect.height >= 100 and
                       x.property(w.client, "WM_STATE") is not None]
        self.globe = max(self.globes, key=lambda w: w.rect.width * w.rect.height, default=None)
        self.work_areas = [self.work_area(m) for m in self.monitors]

    def client_of(self, window, depth=3):
        """The window manager's client in a frame: the window with WM_STATE."""
        if self.x.property(window, "WM_STATE") is not None:
            return window
        for child in reversed(self.x.children(window)) if depth else []:
            found = self.client_of(child, depth - 1)
            if found is not None:
                return found
        return None

    def work_area(self, monitor):
        """The monitor less what panels reserve along its edges (their
        struts), as far as they stand on it. Wine tells a program the part
        of each monitor inside the desktop's one _NET_WORKAREA instead, so
        a panel on one monitor trims them all alike."""
        area = Rect(monitor.left, monitor.top, monitor.width, monitor.height)
        if self.one_work_area:
            work = self.x.property(self.x.root, "_NET_WORKAREA")
            if work and len(work) >= 4:
                left, top = max(area.left, work[0]), max(area.top, work[1])
                right, bottom = min(area.right, work[0] + work[2]), min(area.bottom, work[1] + work[3])
                return Rect(left, top, max(0, right - left), max(0, bottom - top))
        for w in self.windows:
            strut = self.x.property(w.client, "_NET_WM_STRUT_PARTIAL") or self.x.property(w.client, "_NET_WM_STRUT")
            if not w.viewable or not strut or not w.rect.meets(monitor):
                continue
            left, right, top, bottom = strut[:4]
            r = w.rect
            if bottom:
                area = Rect(area.left, area.top, area.width, min(area.bottom, r.top) - area.top)
            elif top:
                area = Rect(area.left, max(area.top, r.bottom), area.width, area.bottom - max(area.top, r.bottom))
            elif left:
                area = Rect(max(area.left, r.right), area.top, area.right - max(area.left, r.right), area.height)
            elif right:
                area = Rect(area.left, area.top, min(area.right, r.left) - area.left, area.height)
        return area

    def others(self):
        """The viewable top-level windows besides the globe's (panels, menus, covers)."""
        skip = self.globe.frame if self.globe else None
        return [w for w in self.windows if w.viewable and w.frame != skip]

    def above_globe(self, window):
        order = [w.frame for w in self.windows]
        return self.globe is not None and order.index(self.globe.frame) > order.index(window.frame)


def monitors():
    _, text = run(["xrandr", "--listactivemonitors"])
    return [Rect(int(m[2]), int(m[3]), int(m[0]), int(m[1]))
            for m in re.findall(r"(\d+)/\d+x(\d+)/\d+\+(-?\d+)\+(-?\d+)", text)]


# --- the globe's outline ------------------------------------------------------------

def _erode(inside, margin):
    """Pixels whose every neighbour within margin (a square) is inside too."""
    h, w = len(inside), len(inside[0])
    rows = []
    for row in inside:
        prefix = [0]
        for v in row:
            prefix.append(prefix[-1] + v)
        rows.append([prefix[min(w, x + margin + 1)] - prefix[max(0, x - margin)] == min(w, x + margin + 1) -
                     max(0, x - margin) for x in range(w)])
    out = [[False] * w for _ in range(h)]
    for x in range(w):
        prefix = [0]
        for y in range(h):
            prefix.append(prefix[-1] + rows[y][x])
        for y in range(h):
            lo, hi = max(0, y - margin), min(h, y + margin + 1)
            out[y][x] = prefix[hi] - prefix[lo] == hi - lo
    return out


class Outline:
    """The globe a person sees at a scale: the mask's dark pixels. Per
    device pixel: 1 glass, 2 stand and plaque (inside, away from the edge),
    3 outside (away from the edge), 0 near the edge or between the bands."""

    _mask = None
    _cache = {}

    @classmethod
    def at(cls, percent):
        if percent not in cls._cache:
            cls._cache[percent] = cls(percent / 100)
        return cls._cache[percent]

    def __init__(self, scale):
        if Outline._mask is None:
            white = screen.read_mask(os.path.join(SOURCE, "assets", "art", "imgMask.bmp"))
            core = _erode([[not v for v in row] for row in white], MARGIN)
            far = _erode(white, MARGIN)
            ys = [y for y, row in enumerate(white) if not all(row)]
            xs = [x for x in range(WIDTH) if not all(row[x] for row in white)]
            Outline._mask = (core, far, (min(xs), min(ys), max(xs) + 1, max(ys) + 1))
        core, far, box = Outline._mask
        # The globe rounds a picture's extent to the nearest pixel (ScaledExtent).
        self.width, self.height = max(1, round(WIDTH * scale + 1e-9)), max(1, round(HEIGHT * scale + 1e-9))
        self.kind = []
        for y in range(self.height):
            v = min(HEIGHT - 1, int((y + 0.5) / scale))
            band = 1 if v < GLASS_END else 2 if v >= STAND_START else 0
            row = bytearray(self.width)
            for x in range(self.width):
                u = min(WIDTH - 1, int((x + 0.5) / scale))
                row[x] = band if core[v][u] else 3 if far[v][u] else 0
            self.kind.append(bytes(row))
        # The outline's bounding box in the window, rounded outwards.
        left, top = math.floor(box[0] * scale), math.floor(box[1] * scale)
        self.box = Rect(left, top, math.ceil(box[2] * scale) - left, math.ceil(box[3] * scale) - top)
        # Points on the glass to click or grab, every third pixel of its middle.
        self.glass = [(x, y) for y in range(self.height) for x in range(self.width)
                      if self.kind[y][x] == 1 and int((y + 0.5) / scale) >= 30 and
                      int((y + 0.5) / scale) < 140 and x % 3 == 0 and y % 3 == 0]


# --- the programs -------------------------------------------------------------------

class LinuxProgram:
    wm_class = b"nivarra"

    def __init__(self, path, work):
        self.path = path
        self.env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(work, "config"), HOME=os.path.join(work, "home"))
        os.makedirs(self.env["HOME"], exist_ok=True)
        self.settings = os.path.join(self.env["XDG_CONFIG_HOME"], "nivarra", "settings.ini")
        self.log = open(os.path.join(work, "program.log"), "a")

    def start(self):
        return subprocess.Popen([self.path], env=self.env, stdin=subprocess.DEVNULL, stdout=self.log,
                                stderr=subprocess.STDOUT)

    def gone(self, process):
        return process.poll() is not None

    def terminate(self, process):
        process.terminate()

    def stored(self):
        try:
            with open(self.settings, encoding="utf-8-sig") as f:
                return {k.strip(): v.strip() for k, _, v in (line.partition("=") for line in f) if _}
        except OSError:
            return {}


class WineProgram(LinuxProgram):
    wm_class = b"nivarra.exe"

    def __init__(self, path, work):
        super().__init__(path, work)
        self.env = dict(os.environ)

    def start(self):
        return subprocess.Popen(["wine", self.path], env=self.env, stdin=subprocess.DEVNULL, stdout=self.log,
                                stderr=subprocess.STDOUT)

    def gone(self, process):
        return process.poll() is not None and wine_process.program_pid() is None

    def terminate(self, process):
        run(["wine", "taskkill", "/im", "Nivarra.exe"])

    def stored(self):
        code, text = run(["wine", "reg", "query", r"HKCU\Software\Nivarra"])
        values = {}
        for name, data in re.findall(r"^\s+(\w+)\s+REG_DWORD\s+0x([0-9a-fA-F]+)", text, re.M):
            number = int(data, 16)
            values[name] = str(number - (1 << 32) if number >= 1 << 31 else number)
        return values


# --- the run ------------------------------------------------------------------------

class Torture:
    ACTIONS = ("size", "size", "size", "transparent", "transparent", "on_top", "snow", "drag", "drag", "drag",
               "shake", "monitor", "monitor", "restart", "restart", "second_start", "iconify", "show_desktop")
    # Steps that have nothing to do with the place: (e) holds after them.
    KEEP_PLACE = {"transparent", "on_top", "snow", "restart", "second_start", "iconify", "show_desktop"}
    DRAWN = "(a) the whole globe is drawn, nothing outside its outline"

    def __init__(self, args):
        self.args = args
        self.x = Display()
        self.random = random.Random(args.seed)
        self.program = (WineProgram if args.wine else LinuxProgram)(args.program, args.work)
        self.background = int(args.background, 16)
        self.size, self.on_top, self.snow = 100, True, True
        self.second_monitor = True
        self.process = None
        self.passed = self.failed = 0
        self.first_failure = None
        self.step = 0
        self.action = "start"
        self.place = None  # where the globe stood after the last step
        self.strict = False  # (c) asks for the whole outline in a work area
        self.resized = None  # (h): the Size, place and work area before a Size choice
        self.changed = False  # the globe has had something to save
        self.notes = []

    # --- looking ---------------------------------------------------------------

    def look(self):
        return Desktop(self.x, self.program.wm_class, isinstance(self.program, WineProgram))

    def work_areas(self, desktop):
        """The work areas the program is told of, one for each of the
        desktop's monitors: the panel's, or under Wine what Wine says."""
        if not self.args.probe:
            return desktop.work_areas
        _, text = run(["wine", self.args.probe, "monitors"])
        told = {}
        for m in re.findall(r"monitor=(-?\d+) (-?\d+) (-?\d+) (-?\d+) work (-?\d+) (-?\d+) (-?\d+) (-?\d+)", text):
            v = [int(n) for n in m]
            told[(v[0], v[1], v[2] - v[0], v[3] - v[1])] = Rect(v[4], v[5], v[6] - v[4], v[7] - v[5])
        areas = [told.get((m.left, m.top, m.width, m.height), a) for m, a in zip(desktop.monitors, desktop.work_areas)]
        note = f"step {self.step}: Wine tells programs the work areas {areas}, the panel leaves {desktop.work_areas}"
        if areas != desktop.work_areas and note not in self.notes:
            self.notes.append(note)
        return areas

    def glass_point(self, desktop):
        """A point of the globe's glass that a person can click: one that
        shows the globe, in a monitor's work area, under no other window."""
        g = desktop.globe
        if g is None or not g.viewable:
            return None
        region = Rect(max(g.rect.left, 0), max(g.rect.top, 0), *g.rect.overlap(desktop.screen))
        pixels = self.x.grab(region) if region.width and region.height else None
        if pixels is None:
            return None
        points = Outline.at(self.size).glass[:]
        self.random.shuffle(points)
        others = [w.rect for w in desktop.others()]
        for gx, gy in points:
            x, y = g.rect.left + gx, g.rect.top + gy
            if region.contains(x, y) and any(a.contains(x, y, 5) for a in desktop.work_areas) and \
                    not any(r.contains(x, y) for r in others) and \
                    pixels[(y - region.top) * region.width + x - region.left] not in (self.background, 0):
                return gx, gy
        return None

    def drawn(self, desktop):
        """(a): (ok, detail)."""
        g = desktop.globe
        if g is None:
            return False, "no globe window"
        if not g.viewable:
            return False, f"the globe's window {g.client:#x} is not shown (minimised or unmapped)"
        outline = Outline.at(self.size)
        w, h = max(g.rect.width, outline.width), max(g.rect.height, outline.height)
        region = Rect(g.rect.left - 3, g.rect.top - 3, w + 6, h + 6)
        ov = region.overlap(desktop.screen)
        region = Rect(max(region.left, 0), max(region.top, 0), *ov)
        if region.width == 0 or region.height == 0:
            return False, f"the globe's window {g.rect} is off the screen"
        pixels = self.x.grab(region)
        if pixels is None:
            return False, "the screen could not be read"
        visible = bytearray(region.width * region.height)
        for m in desktop.monitors:
            self.paint(visible, region, m, 1)
        for other in desktop.others():
            self.paint(visible, region, other.rect, 0)
        counts = {1: [0, 0], 2: [0, 0], 3: [0, 0]}  # kind -> [seen, differing from the desktop]
        first_outside = None
        beyond_box = 0  # where no program draws: a compositor's paint of what was there before
        bg = self.background
        for ry in range(region.height):
            y = region.top + ry - g.rect.top
            row = outline.kind[y] if 0 <= y < outline.height else b""
            base = ry * region.width
            for rx in range(region.width):
                if not visible[base + rx]:
                    continue
                x = region.left + rx - g.rect.left
                kind = row[x] if 0 <= x < len(row) else 3
                if kind == 0:
                    continue
                p = pixels[base + rx]
                c = counts[kind]
                c[0] += 1
                if kind == 3:
                    if p != bg:
                        c[1] += 1
                        first_outside = first_outside or (x, y, p)
                        if not (0 <= x < g.rect.width and 0 <= y < g.rect.height):
                            beyond_box += 1
                elif p != bg and p != 0:  # an undrawn part of a window shows black without a compositor
                    c[1] += 1
        problems = []
        for kind, name in ((1, "glass"), (2, "stand and plaque")):
            seen, shown = counts[kind]
            if seen >= 50 and shown < 0.97 * seen:
                problems.append(f"{name}: {seen - shown} of {seen} visible pixels show the bare desktop or nothing")
        if counts[3][1]:
            x, y, p = first_outside
            problems.append(f"outside the outline: {counts[3][1]} of {counts[3][0]} visible pixels drawn "
                            f"(first at {x},{y} of the window: #{p:06x}; {beyond_box} of them outside the "
                            "window, where only the compositor paints)")
        seen = counts[1][0] + counts[2][0]
        detail = (f"glass {counts[1][1]}/{counts[1][0]}, stand {counts[2][1]}/{counts[2][0]}, "
                  f"outside {counts[3][1]}/{counts[3][0]}")
        if seen < 50:
            return True, f"hardly visible ({detail})"
        return not problems, "; ".join(problems) or detail

    @staticmethod
    def paint(mask, region, rect, value):
        left, right = max(rect.left, region.left), min(rect.right, region.right)
        if left >= right:
            return
        for y in range(max(rect.top, region.top), min(rect.bottom, region.bottom)):
            start = (y - region.top) * region.width
            mask[start + left - region.left:start + right - region.left] = bytes([value]) * (right - left)

    def invariants(self, desktop, before, stored_place=True):
        """name -> (ok, detail) for (a) to (e)."""
        g = desktop.globe
        outline = Outline.at(self.size)
        results = {self.DRAWN: self.drawn(desktop)}
        if g is None:
            return results
        stored = self.program.stored()
        # The stored Size tells a choice the globe did not follow from one that was not made.
        results[f"(b) the window is {outline.width}x{outline.height} at Size {self.size} %"] = (
            (g.rect.width, g.rect.height) == (outline.width, outline.height),
            f"{g.rect.width}x{g.rect.height}, stored Size {stored.get('Size', 'none')}")
        box = self.outline_box(desktop)
        overlaps = [box.overlap(m) for m in desktop.monitors]
        best = max(range(len(overlaps)), key=lambda i: overlaps[i][0] * overlaps[i][1], default=None)
        half = best is not None and 2 * overlaps[best][0] >= box.width and 2 * overlaps[best][1] >= box.height
        ok = half and (not self.strict or box.within(desktop.work_areas[best]))
        if half and not ok and self.args.probe:
            ok = box.within(self.work_areas(desktop)[best])
        where = f"outline {box}, monitors {desktop.monitors}, work areas {desktop.work_areas}"
        results["(c) half the outline on one monitor" + (", all of it in its work area" if self.strict else "")] = (
            ok, where)
        # Nothing is stored before the first change (a menu choice, a drag, an Exit).
        if stored_place and (self.changed or "Left" in stored):
            results["(d) the stored place is where the globe stands"] = (
                (stored.get("Left"), stored.get("Top")) == (str(g.rect.left), str(g.rect.top)),
                f"stored {stored.get('Left', 'nothing')},{stored.get('Top', '')}, shown at {g.rect.left},{g.rect.top}")
        if before is not None:
            results["(e) the step leaves the globe where it stood"] = (
                (g.rect.left, g.rect.top) == before, f"{before[0]},{before[1]} -> {g.rect.left},{g.rect.top}")
        expected = self.resized_place()
        if expected is not None:
            results["(h) the globe grew or shrank about its base"] = (
                max(abs(g.rect.left - expected[0]), abs(g.rect.top - expected[1])) <= 2,
                f"from {self.resized[1][0]},{self.resized[1][1]} at {self.resized[0]} %: expected "
                f"{expected[0]},{expected[1]}, shown at {g.rect.left},{g.rect.top}")
        return results

    def resized_place(self):
        """Where a Size choice should leave the globe; nothing when the rule
        leaves it open (it did not stand wholly in one work area, or the new
        size does not fit there)."""
        if self.resized is None:
            return None
        size, (left, top), area = self.resized
        if area is None:
            return None
        old, new = Outline.at(size), Outline.at(self.size)
        x, y = left + old.width - new.width, top + old.height - new.height
        box = Rect(x + new.box.left, y + new.box.top, new.box.width, new.box.height)
        if box.width > area.width or box.height > area.height:
            return None
        x += max(area.left - box.left, 0) - max(box.right - area.right, 0)
        y += max(area.top - box.top, 0) - max(box.bottom - area.bottom, 0)
        return x, y

    # --- checking ---------------------------------------------------------------

    def check_step(self, keep_place=None, extra=None, started=None, stored_place=True):
        """Waits (polling) for the invariants to hold, then reports them."""
        end = time.monotonic() + self.args.patience
        while True:
            desktop = self.look()
            results = self.invariants(desktop, keep_place, stored_place)
            if extra:
                results.update(extra)
            if all(ok for ok, _ in results.values()) or time.monotonic() > end:
                break
            time.sleep(0.2)
        if not results[self.DRAWN][0]:
            # Pixels of an earlier picture that go once the compositor paints
            # the screen again were its own leftovers: nothing draws them now.
            self.x.repaint()
            time.sleep(0.5)
            desktop = self.look()
            again = self.drawn(desktop)
            if again[0]:
                self.notes.append(f"step {self.step}: the compositor showed what was no longer drawn until it "
                                  f"painted the screen again ({results[self.DRAWN][1]})")
                results[self.DRAWN] = again
        failed = [(name, detail) for name, (ok, detail) in results.items() if not ok]
        took = f", {time.monotonic() - started:.1f} s" if started else ""
        label = f"{self.args.desktop} seed {self.args.seed} step {self.step} ({self.action}{took})"
        if not failed:
            self.passed += 1
            print(f"PASS {label}: " + " ".join(sorted({name.split(" ", 1)[0] for name in results})), flush=True)
        else:
            self.failed += 1
            shot = os.path.join(self.args.shots, f"{self.args.desktop}{'-load' if self.args.load else ''}-seed"
                                f"{self.args.seed}-step{self.step:03d}.png")
            self.x.screenshot(shot)
            hold = int(os.environ.get("NIVARRA_TORTURE_HOLD", "0"))
            if hold:
                print(f"HOLD {hold} s for a look: DISPLAY={os.environ['DISPLAY']}, the globe's window "
                      f"{desktop.globe.client if desktop.globe else 'none'}", flush=True)
                time.sleep(hold)
            for name, detail in failed:
                print(f"FAIL {label}: {name}: {detail}; screenshot {shot}", flush=True)
                if self.first_failure is None:
                    self.first_failure = f"seed {self.args.seed}, step {self.step}, {self.action}: {name}: {detail}; " \
                                         f"screenshot {shot}"
        if desktop.globe is not None and desktop.globe.viewable:
            self.place = (desktop.globe.rect.left, desktop.globe.rect.top)
        self.strict = False
        self.resized = None
        return desktop

    # --- what users do ---------------------------------------------------------------

    def start(self):
        self.process = self.program.start()
        wait_for(lambda: (lambda g: g is not None and g.viewable)(self.look().globe), 30)

    def key(self, *names):
        run(["xdotool", "key", "--delay", 60, *names])

    def menus(self):
        """The menus open on the screen (unmanaged windows of some size, not
        the thin ones some window managers keep along the edges)."""
        return len([w for w in self.look().others()
                    if w.override_redirect and min(w.rect.width, w.rect.height) > 20])

    def menu(self, keys):
        """Right-clicks the glass and picks an item with the keyboard, each
        submenu's keys once it is open; False when there was no glass to
        click or no menu opened."""
        patience = self.args.patience
        if self.menus() and not wait_for(lambda: not self.menus(), patience):
            self.key("Escape", "Escape", "Escape")  # a menu left open by a step before
        point = self.glass_point(self.look())
        if point is None:
            return False
        base = self.menus()
        g = self.look().globe.rect
        run(["xdotool", "mousemove", g.left + point[0], g.top + point[1], "click", 3])
        if not wait_for(lambda: self.menus() > base, patience):
            self.notes.append(f"step {self.step}: no menu opened")
            return False
        time.sleep(0.1)  # the menu takes the keyboard once it shows
        depth = 1
        while keys:
            n = keys.index("Right") + 1 if "Right" in keys else len(keys)
            self.key(*keys[:n])
            keys = keys[n:]
            if keys:
                depth += 1
                if not wait_for(lambda: self.menus() >= base + depth, patience):
                    self.notes.append(f"step {self.step}: a submenu did not open; the menu was closed")
                    self.key("Escape", "Escape", "Escape")
                    return False
        wait_for(lambda: self.menus() <= base, patience)
        self.changed = True
        return True

    # Options is the fourth item of both programs' menus; Exit the last.
    OPTIONS = ["Down"] * 4 + ["Right"]

    @staticmethod
    def to_item(index, count):
        """Keys from a submenu's first item to its item index (menus wrap round)."""
        return ["Down"] * index if index <= count - index else ["Up"] * (count - index)

    def choose_size(self):
        percent = self.random.choice([s for s in SIZES if s != self.size])
        self.action = f"Size {percent} %"
        keys = self.OPTIONS + ["Down", "Down", "Right"] + self.to_item(SIZES.index(percent), len(SIZES)) + ["Return"]
        desktop = self.look()
        if desktop.globe is not None:
            box = self.outline_box(desktop)
            area = next((a for a in self.work_areas(desktop) if box.within(a)), None)
            before = (self.size, (desktop.globe.rect.left, desktop.globe.rect.top), area)
        if self.menu(keys):
            if desktop.globe is not None:
                self.resized = before
            self.size = percent
            self.strict = True

    def choose_transparency(self):
        level = self.random.randrange(10)
        self.action = f"Transparent {level * 10} %"
        self.menu(self.OPTIONS + ["Down", "Right"] + self.to_item(level, 10) + ["Return"])

    def toggle_on_top(self):
        self.action = "Always OnTop " + ("off" if self.on_top else "on")
        if self.menu(self.OPTIONS + ["Down", "Down", "Down", "Return"]):
            self.on_top = not self.on_top

    def toggle_snow(self):
        self.action = "Snow " + ("off" if self.snow else "on")
        if self.menu(self.OPTIONS + ["Return"]):
            self.snow = not self.snow

    def drag_target(self, desktop, grab):
        """Where the pointer ends: anywhere on the screen, or so that the
        outline hangs over an edge of the screen by up to half its extent
        (now and then by more: the globe must not stay there)."""
        s, box = desktop.screen, Outline.at(self.size).box
        x, y = self.random.randrange(s.width), self.random.randrange(s.height)
        edge = self.random.choice(["left", "right", "top", "bottom", None, None])
        beyond = edge is not None and self.random.random() < 0.15
        off = self.random.uniform(0.5, 0.8) if beyond else self.random.uniform(0.05, 0.5)
        if edge == "left":
            x = grab[0] - box.left - int(off * box.width)
        elif edge == "right":
            x = s.width + grab[0] - box.left - int((1 - off) * box.width)
        elif edge == "top":
            y = grab[1] - box.top - int(off * box.height)
        elif edge == "bottom":
            y = s.height + grab[1] - box.top - int((1 - off) * box.height)
        # The pointer stays on the screen, and so the globe less far off it.
        x, y = min(max(x, 0), s.width - 1), min(max(y, 0), s.height - 1)
        return x, y, f" ({'more than half' if beyond else 'partly'} over the {edge} edge)" if edge else ""

    def drag(self, quick=False):
        desktop = self.look()
        point = self.glass_point(desktop)
        button = 3 if self.random.random() < 0.25 else 1
        tx, ty, where = self.drag_target(desktop, point or (150, 120))
        kind = "quick drag (a shake)" if quick else "slow drag"
        self.action = f"{kind} with button {button} to {tx},{ty}{where}"
        if point is None:
            self.notes.append(f"step {self.step}: no glass to grab")
            return None
        g = desktop.globe.rect
        sx, sy = g.left + point[0], g.top + point[1]
        run(["xdotool", "mousemove", sx, sy, "mousedown", button])
        time.sleep(0.3)  # a person's pace: the press reaches the globe before the pointer moves
        following = None
        if quick:
            for i in range(self.random.randrange(6, 12)):
                dx = self.random.choice([-1, 1]) * self.random.randrange(20, 60)
                run(["xdotool", "mousemove", max(0, sx + dx), sy])
                time.sleep(0.02)
            run(["xdotool", "mousemove", tx, ty])
        else:
            steps = self.random.randrange(8, 16)
            for i in range(1, steps + 1):
                run(["xdotool", "mousemove", sx + (tx - sx) * i // steps, sy + (ty - sy) * i // steps])
                time.sleep(0.05)
                if i == steps // 2:
                    following = self.follows(sx, sy, sx + (tx - sx) * i // steps, sy + (ty - sy) * i // steps, point)
        time.sleep(0.2)
        run(["xdotool", "mouseup", button])
        self.changed = True
        return following

    def follows(self, sx, sy, px, py, point):
        """Halfway through a slow drag, held still: the globe is under the
        pointer (window managers hold a window back at edges by a few
        pixels; 40 pixels is more than any of them)."""
        if abs(px - sx) + abs(py - sy) < 60:
            return None

        def close():
            g = self.look().globe
            return g is not None and abs(g.rect.left + point[0] - px) <= 40 and abs(g.rect.top + point[1] - py) <= 40

        ok = wait_for(close, self.args.patience / 2)
        g = self.look().globe
        at = f"{g.rect.left},{g.rect.top}" if g else "nowhere"
        return {"(g) during a slow drag the globe follows the pointer": (
            bool(ok), f"pointer at {px},{py}, grabbed at {point[0]},{point[1]} of the window, which stands at {at}")}

    def switch_monitor(self):
        """Switches the second monitor off or on. A globe that the first
        monitor alone does not keep (less than half its outline's width or
        height on it) must then stand wholly in that monitor's work area;
        any other stays where it stood (the place before, for (e))."""
        before = self.place
        if self.second_monitor:
            self.action = "second monitor off"
            d = self.look()
            if d.globe is not None and len(d.monitors) > 1:
                box = self.outline_box(d)
                width, height = box.overlap(d.monitors[0])
                if 2 * width < box.width or 2 * height < box.height:
                    self.strict, before = True, None
            run(["xrandr", "--output", "DUMMY1", "--off"])
        else:
            self.action = "second monitor on"
            run(["xrandr", "--output", "DUMMY1", "--mode", "1280x1024", "--right-of", "DUMMY0"])
        self.second_monitor = not self.second_monitor
        wait_for(lambda: len(monitors()) == (2 if self.second_monitor else 1), 10)
        return before

    def outline_box(self, desktop):
        """The outline's bounding box on the screen."""
        g, box = desktop.globe.rect, Outline.at(self.size).box
        return Rect(g.left + box.left, g.top + box.top, box.width, box.height)

    def exit(self):
        """Exit from the menu; a program that cannot be reached (or will not
        end) is ended from outside, and the run says so."""
        if not self.menu(["Up", "Return"]):
            self.notes.append(f"step {self.step}: Exit could not be chosen, the program was ended from outside")
            self.program.terminate(self.process)
        if not wait_for(lambda: self.program.gone(self.process), 20):
            self.notes.append(f"step {self.step}: the program did not end after Exit")
            self.process.kill()
            self.process.wait()

    def restart(self):
        self.action = "restart (Exit, then start again)"
        self.exit()
        stored = self.program.stored()
        kept = (stored.get("Left"), stored.get("Top")) == tuple(str(v) for v in self.place or ("", ""))
        self.start()
        return {"(d) Exit stores the place where the globe stood": (
            kept, f"stood at {self.place}, stored {stored.get('Left')},{stored.get('Top')}")}

    def second_start(self, minimise=False):
        """A plain start while the globe runs: it ends at once and brings the
        globe to the front, over a window that was opened over it (or back
        from the taskbar, when it was minimised)."""
        desktop = self.look()
        g = desktop.globe
        cover = None
        if minimise:
            self.action = "iconify, then a second start"
            run(["xdotool", "windowminimize", g.client])
            wait_for(lambda: not (self.look().globe or g).viewable, 5)
        else:
            self.action = "a window over the globe, then a second start"
            cover = subprocess.Popen(["xmessage", "-geometry", f"200x120+{g.rect.left + g.rect.width // 3}+"
                                      f"{g.rect.top + g.rect.height // 4}", "over the globe"],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            wait_for(lambda: [w for w in self.look().others() if b"xmessage" in w.wm_class], 5)
        second = self.program.start()
        try:
            code = second.wait(30)
        except subprocess.TimeoutExpired:
            second.kill()
            code = second.wait()

        def in_front():
            d = self.look()
            covers = [w for w in d.others() if b"xmessage" in w.wm_class]
            return d.globe is not None and d.globe.viewable and all(d.above_globe(c) for c in covers) and \
                len([w for w in d.globes if w.viewable]) == 1

        front = wait_for(in_front, self.args.patience)
        d = self.look()
        extra = {"(f) a second start ends at once and brings the one globe to the front": (
            code == 0 and bool(front), f"exit code {code}; {len([w for w in d.globes if w.viewable])} globes shown; " +
            ("in front" if front else "not in front" if d.globe and d.globe.viewable else "the globe is not shown"))}
        if cover:
            cover.kill()
            cover.wait()
        return extra

    def show_desktop(self):
        self.action = "show desktop on, then off"
        run(["wmctrl", "-k", "on"])
        wait_for(lambda: not (lambda g: g is not None and g.viewable)(self.look().globe), 3)
        run(["wmctrl", "-k", "off"])

    def sequence(self):
        bag = []
        for self.step in range(1, self.args.steps + 1):
            if not bag:
                bag = list(self.ACTIONS)
                self.random.shuffle(bag)
            kind = bag.pop()
            started = time.monotonic()
            before = self.place if kind in self.KEEP_PLACE else None
            extra = None
            if kind == "size":
                self.choose_size()
            elif kind == "transparent":
                self.choose_transparency()
            elif kind == "on_top":
                self.toggle_on_top()
            elif kind == "snow":
                self.toggle_snow()
            elif kind in ("drag", "shake"):
                extra = self.drag(quick=kind == "shake")
            elif kind == "monitor":
                before = self.switch_monitor()
            elif kind == "restart":
                extra = self.restart()
            elif kind == "second_start":
                extra = self.second_start()
            elif kind == "iconify":
                extra = self.second_start(minimise=True)
            elif kind == "show_desktop":
                self.show_desktop()
            # After a restart, Exit's own check and (e) tell of the stored place.
            self.check_step(before, extra, started, stored_place=kind != "restart")
            if self.glass_point(self.look()) is None and not self.recover():
                self.failed += 1
                print(f"FAIL {self.args.desktop} seed {self.args.seed} step {self.step}: the globe cannot be "
                      "reached even after a new start; the sequence ends here", flush=True)
                break

    def recover(self):
        """A globe that no one can reach any more (gone, minimised for good,
        off every monitor): the run ends the program from outside and
        starts it again, so that the sequence can go on."""
        self.notes.append(f"step {self.step}: the globe could not be reached; the program was restarted")
        print(f"INFO step {self.step}: the globe cannot be reached; ending the program and starting it again",
              flush=True)
        if self.process is not None and not self.program.gone(self.process):
            self.program.terminate(self.process)
            if not wait_for(lambda: self.program.gone(self.process), 15):
                self.process.kill()
        self.start()
        desktop = self.look()
        if self.glass_point(desktop) is None and desktop.globe is not None:
            # Still out of reach (a stored place off the screen): put it back where a person could.
            run(["xdotool", "windowmove", desktop.globe.client, 100, 100])
            self.notes.append(f"step {self.step}: the globe was moved back to 100,100 from outside")
            time.sleep(1)
        d = self.look()
        if d.globe is not None and d.globe.viewable:
            self.place = (d.globe.rect.left, d.globe.rect.top)
        return self.glass_point(d) is not None

    def screen_reads_true(self):
        """Before the globe starts: every pixel of the bare desktop (on a
        monitor, under no window) reads as the colour it was given. Else
        the compositor paints something else, or the screen cannot be read."""
        d = self.look()
        pixels = self.x.grab(d.screen)
        visible = bytearray(d.screen.width * d.screen.height)
        for m in d.monitors:
            self.paint(visible, d.screen, m, 1)
        for other in d.others():
            self.paint(visible, d.screen, other.rect, 0)
        wrong = sum(1 for v, p in zip(visible, pixels) if v and p != self.background)
        print(f"{'PASS' if not wrong else 'FAIL'} {self.args.desktop}: the bare desktop reads as "
              f"#{self.background:06x} ({wrong} of {sum(visible)} pixels differ)", flush=True)
        return not wrong

    def main(self):
        print(f"== {self.args.desktop}: seed {self.args.seed}, {self.args.steps} steps", flush=True)
        if not self.screen_reads_true():
            return 1
        started = time.monotonic()
        self.step = 0
        self.action = "first start"
        self.start()
        self.check_step()
        try:
            self.sequence()
        except Exception:  # a fault of this driver, told as such; the desktops after it still run
            traceback.print_exc()
            self.failed += 1
            print(f"FAIL {self.args.desktop} seed {self.args.seed} step {self.step}: the run broke off", flush=True)
        finally:
            if self.process is not None and not self.program.gone(self.process):
                self.program.terminate(self.process)
                wait_for(lambda: self.program.gone(self.process), 15)
            if not self.second_monitor:
                run(["xrandr", "--output", "DUMMY1", "--mode", "1280x1024", "--right-of", "DUMMY0"])
        for note in self.notes:
            print(f"INFO {note}")
        took = time.monotonic() - started
        print(f"== {self.args.desktop}: {self.passed} steps passed, {self.failed} failed in {took:.0f} s" +
              (f"; first failure: {self.first_failure}" if self.first_failure else ""), flush=True)
        return 0 if self.failed == 0 else 1


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    commands = parser.add_subparsers(dest="command", required=True)
    background = commands.add_parser("background")
    background.add_argument("colour")
    torture = commands.add_parser("run")
    torture.add_argument("--desktop", required=True)
    torture.add_argument("--seed", type=int, required=True)
    torture.add_argument("--steps", type=int, required=True)
    torture.add_argument("--program", required=True)
    torture.add_argument("--wine", action="store_true")
    torture.add_argument("--probe", help="the Windows probe that asks Wine for the work areas")
    torture.add_argument("--work", required=True)
    torture.add_argument("--shots", required=True)
    torture.add_argument("--background", default="ff00ff")
    torture.add_argument("--load", action="store_true", help="busy processes run beside: twice the patience")
    commands.add_parser("composited")
    args = parser.parse_args()
    if args.command == "background":
        set_background(int(args.colour, 16))
        return 0
    if args.command == "composited":
        display = Display()
        return 0 if _x.XGetSelectionOwner(display.d, display.atom("_NET_WM_CM_S0")) else 1
    os.makedirs(args.shots, exist_ok=True)
    # How long a poll waits for what should come (generous: the machine may be busy).
    args.patience = 12 if args.load else 6
    return Torture(args).main()


if __name__ == "__main__":
    sys.exit(main())
