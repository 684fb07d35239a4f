"""Processes of this run's Wine (its WINEPREFIX): another run's Wine on the
same machine may run a globe of its own at the same time."""
import os


def _find(matches, first=None):
    prefix = b"WINEPREFIX=" + os.environ.get("WINEPREFIX", "").encode()
    pids = [p for p in os.listdir("/proc") if p.isdigit()]
    for pid in ([str(first)] if first else []) + pids:
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                if not matches(f.read().split(b"\0")):
                    continue
            with open(f"/proc/{pid}/environ", "rb") as f:
                if prefix in f.read().split(b"\0"):
                    return int(pid)
        except OSError:
            pass
    return None


def program_pid(first=None):
    """The process that runs Nivarra.exe, or None; first is a pid to look at
    before the others. Wine's loader becomes the program and takes the exe's
    path as its first argument, while scripts that merely name the exe have
    it later."""
    return _find(lambda argv: argv[0].endswith(b"Nivarra.exe"), first)


def wineserver_pid():
    return _find(lambda argv: b"wineserver" in b" ".join(argv))
