#!/usr/bin/python3
"""What a child sees and hears of an animation, run after run, measured on the screen and at
the sound server.

Starts the program's window as sound_latency.py starts the program (private PulseAudio server
with a null sink, a virtual X server, with or without openbox), through bench_movie_window:
the demo book's map gives no spread an animation, so it is given one in which spread 2 has two
and spread 3 one. Spread 2's animations are test movies, MP4 (H.264, AAC) and AVI (MPEG-4,
MP3), spread 3's a GIF without sound; the movies are a moving test picture with a steady tone
after 400 ms of silence.

Every run: turn to the spread, click the animation button, watch the player's window and
listen for 5 s, press Escape. It reports per run when the first picture showed and when the
tone was heard (less the movie's own 400 ms of silence), both from the click; whether the
picture still moved and the tone still sounded at 5 s; and whether both stopped on Escape.
The last run of each movie is left to play past its end instead, and must be heard to the
end of its tone. Also printed: when the window system showed the player's window at all.

Usage: bench/movie_check.py [--openbox] [BUILD_DIR] [RUNS]   (default: build 20)
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

from Xlib import X, display as xdisplay

import sound_latency as bench
from sound_latency import SILENCE, STEP, Session, at, figures, wait_for

LEAD_MS = 400
TONE_MS = 6600
MOVIE_MS = LEAD_MS + TONE_MS
NEXT_PAGE = at(9 + 44, 524 + 16)
FLASH = at(770 + 45, 677 + 18)
FLASH2 = at(900 + 45, 677 + 18)
GOAL_MS = 100
PLAYER = (1232, 924)  # the player's size on the benchmark's 1280 x 1024 screen


def make_map(out):
    """The demo book's map with animations on spreads 2 (two) and 3 (one)."""
    with open(os.path.join(bench.RESOURCES, "point.xml"), encoding="utf-8") as source:
        text = source.read()
    counts = iter(["0", "0", "2", "1"])
    text = re.sub(r'FLASH = "0"', lambda m: f'FLASH = "{next(counts, "0")}"', text)
    path = os.path.join(out, "map.xml")
    with open(path, "w", encoding="utf-8") as made:
        made.write(text)
    return path


def make_movies(out):
    """The build's output with test movies in place of spread 2's and 3's animations."""
    data = os.path.join(out, "data")
    os.unlink(data)
    os.mkdir(data)
    picture = ["-f", "lavfi", "-i", f"testsrc=size=640x480:rate=25:duration={MOVIE_MS / 1000}"]
    tone = ["-f", "lavfi", "-i",
            f"sine=frequency=1000:sample_rate=44100:duration={TONE_MS / 1000},"
            f"adelay={LEAD_MS},volume=0.5,apad=whole_dur={MOVIE_MS / 1000}"]
    made = {
        "information2.dll": picture + tone + ["-c:v", "libx264", "-pix_fmt", "yuv420p",
                                              "-c:a", "aac", "-f", "mp4"],
        "information2b.dll": picture + tone + ["-c:v", "mpeg4", "-c:a", "libmp3lame",
                                               "-f", "avi"],
        "information3.dll": ["-f", "lavfi", "-i",
                             f"testsrc=size=320x240:rate=10:duration={MOVIE_MS / 1000}",
                             "-f", "gif"],
    }
    for name, argv in made.items():
        subprocess.run(["ffmpeg", "-v", "error", "-y"] + argv + [os.path.join(data, name)],
                       check=True)


class MovieSession(Session):
    def __init__(self, out_dir, window, openbox):
        super().__init__(out_dir)
        self.window = window
        self.openbox = openbox

    def program(self):
        return [self.window, make_map(self.out_dir), self.out_dir]

    def spawn(self, argv, cwd=None):
        proc = super().spawn(argv, cwd)
        if argv[0] == "Xvfb" and self.openbox:
            wait_for(lambda: subprocess.run(["xdpyinfo"], env=self.env,
                                            capture_output=True).returncode == 0, 10)
            super().spawn(["openbox"])
            time.sleep(1)
        return proc

    def start(self):
        super().start()
        # The player's window is followed from its creation: walking the window tree on every
        # look costs a round trip per window, tens of milliseconds under a window manager,
        # which would be counted as the player's.
        self.watch = xdisplay.Display(bench.DISPLAY)
        self.watch.screen().root.change_attributes(event_mask=X.SubstructureNotifyMask)
        self.watch.sync()
        self.player_window = None
        # Where a dialog of the player's size is centred on the screen, until it has shown.
        self.last_area = ((bench.SCREEN[0] - PLAYER[0]) // 2, (bench.SCREEN[1] - PLAYER[1]) // 2,
                          PLAYER[0], PLAYER[1])

    def player(self):
        """(x, y, width, height) of the animation player's picture on the screen, if shown."""
        while self.watch.pending_events():
            event = self.watch.next_event()
            if event.type == X.CreateNotify and (event.width, event.height) == PLAYER:
                self.player_window = event.window
        if self.player_window is None:
            return None
        try:
            if self.player_window.get_attributes().map_state != X.IsViewable:
                return None
            origin = self.watch.screen().root.translate_coords(self.player_window, 0, 0)
        except Exception:  # closed
            return None
        return origin.x, origin.y, PLAYER[0], PLAYER[1]

    def middle(self, area=None):
        """A patch of the screen in the middle of the player (where it shows, or will)."""
        x, y, w, h = area or self.last_area
        self.last_area = (x, y, w, h)
        return self.x.screen().root.get_image(x + w // 2 - 16, y + h // 2 - 16, 32, 32,
                                              X.ZPixmap, 0xFFFFFFFF).data

    def shows_movie(self, area, before):
        """Whether the player shows a picture: lit, and not what was on the screen before it
        (a window the program has not painted yet still shows what lay under it)."""
        patch = self.middle(area)
        return patch != before and any(b > 40 for b in patch)

    def picture(self, area):
        """A grey sample of the middle of the player: bytes, and whether any of it is lit."""
        x, y, w, h = area
        image = self.x.screen().root.get_image(x + w // 4, y + h // 4, w // 2, h // 2,
                                               X.ZPixmap, 0xFFFFFFFF)
        data = image.data
        return data, any(b > 40 for b in data[::97])


def tone_span(peaks):
    """Onset and end (ms) of the sounding part of 1 ms peaks, and its longest gap."""
    sounding = [i for i, p in enumerate(peaks) if p >= SILENCE]
    if not sounding:
        return None, None, None
    gap = longest = 0
    for p in peaks[sounding[0]:sounding[-1] + 1]:
        gap = gap + 1 if p < SILENCE else 0
        longest = max(longest, gap)
    return sounding[0], sounding[-1] + 1, longest


def run(s, button, to_end, silent):
    """One animation; a row of what was seen and heard."""
    before = s.middle()
    mark = s.click(button)
    # A button acts on its release, which click() has just sent.
    start = time.monotonic()
    area = None
    shown = None
    found = None
    while time.monotonic() - start < 3 and shown is None:
        area = area or s.player()
        if area and found is None:
            found = round((time.monotonic() - start) * 1000)
        if area and s.shows_movie(area, before):
            shown = round((time.monotonic() - start) * 1000)
        time.sleep(0.002)
    watch = (MOVIE_MS + 1500) if to_end else 5000
    time.sleep(max(0, start + watch / 1000 - time.monotonic()))
    moving = None
    if area:
        first = s.picture(area)[0]
        time.sleep(0.2)
        later, lit = s.picture(area)
        moving = lit and first != later
    s.key("Escape")
    escaped = s.recorder.length()
    time.sleep(0.6)
    closed = s.player() is None
    onset, end, gap = tone_span(s.recorder.steps(mark, (escaped - mark) // STEP))
    after = tone_span(s.recorder.steps(escaped + 200 * STEP, 300))[0]
    if silent:
        heard = None
    else:
        heard = None if onset is None else onset - LEAD_MS
    return {"found": found, "shown": shown, "heard": heard, "end": end, "gap": gap, "moving": moving,
            "closed": closed and after is None, "to_end": to_end}


def main():
    args = sys.argv[1:]
    openbox = "--openbox" in args
    args = [a for a in args if a != "--openbox"]
    build = os.path.abspath(args[0] if args else "build")
    runs = int(args[1]) if len(args) > 1 else 20
    out = bench.prepare_output(os.path.join(build, "out"))
    make_movies(out)
    s = MovieSession(out, os.path.join(build, "bench", "bench_movie_window"), openbox)
    rows = {"MP4": [], "AVI": [], "GIF": []}
    try:
        s.start()
        s.click(NEXT_PAGE)
        time.sleep(0.5)
        for i in range(runs):
            last = i == runs - 1
            rows["MP4"].append(run(s, FLASH, last, False))
            rows["AVI"].append(run(s, FLASH2, last, False))
        s.click(NEXT_PAGE)
        time.sleep(0.5)
        for i in range(max(1, runs // 4)):
            rows["GIF"].append(run(s, FLASH, i == max(1, runs // 4) - 1, True))
    finally:
        s.stop()
        shutil.rmtree(out, ignore_errors=True)
    report(rows, openbox)


def report(rows, openbox):
    print(f"animations {'with' if openbox else 'without'} a window manager")

    print(f"{'movie':6} {'runs':>4}  {'picture ms min/med/max':>22}  {'sound ms min/med/max':>22}"
          f"  {'no picture':>10} {'no sound':>8} {'stalled':>7} {'gap>50':>6} {'not closed':>10}"
          f"  {'heard to the end':>16}")
    good = total = 0
    for movie, mine in rows.items():
        silent = movie == "GIF"
        no_picture = sum(r["shown"] is None for r in mine)
        no_sound = 0 if silent else sum(r["heard"] is None for r in mine)
        stalled = sum(not r["moving"] for r in mine if not r["to_end"])
        gaps = 0 if silent else sum((r["gap"] or 0) > 50 for r in mine)
        unclosed = sum(not r["closed"] for r in mine)
        ends = [r["end"] for r in mine if r["to_end"]]
        to_end = "-" if silent else " ".join(
            "no" if e is None else f"{e - LEAD_MS - TONE_MS:+d} ms" for e in ends)
        print(f"{movie:6} {len(mine):4d}  {figures(r['shown'] for r in mine):>22}  "
              f"{'-' if silent else figures(r['heard'] for r in mine):>22}  {no_picture:10d} "
              f"{no_sound:8d} {stalled:7d} {gaps:6d} {unclosed:10d}  {to_end:>16}")
        for r in mine:
            total += 1
            ok = (r["shown"] is not None and r["shown"] <= GOAL_MS and r["closed"] and
                  (r["to_end"] or r["moving"]))
            if not silent:
                ok = ok and r["heard"] is not None and r["heard"] <= GOAL_MS and \
                    (r["gap"] or 0) <= 50
            good += ok
    # Nothing can be drawn before the window system shows the window.
    print("player window shown by the window system, ms min/med/max: " +
          figures(r["found"] for mine in rows.values() for r in mine))
    print(f"\n{good} of {total} runs with picture and sound within {GOAL_MS} ms, still playing "
          "at 5 s, and silent after Escape")


if __name__ == "__main__":
    main()
