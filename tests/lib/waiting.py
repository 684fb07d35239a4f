"""Waiting for what should come on a desktop, without fixed sleeps."""
import time


def wait_for(condition, seconds, step=0.05):
    """Asks condition until it gives something true or the seconds are up;
    returns its last answer."""
    end = time.monotonic() + seconds
    while True:
        value = condition()
        if value or time.monotonic() > end:
            return value
        time.sleep(step)
