#!/usr/bin/python3
"""What a child hears from Mivora over a long session, measured where it arrives: at the sound
server.

Starts a private PulseAudio server with a null sink, a virtual X server and the real program
(the build's output, with the recordings of spreads 1 and 2 and the word recording replaced by
test recordings), clicks through it with XTest and records the sink's monitor with parec.

The test recordings are a 1 kHz tone that is quiet inside every hotspot's and word's segment
and loud everywhere else, so that what a click sounds shows its onset, its length, any gap
inside it and anything from outside the segment. A click's place in the recording is the
recording's own length at the moment of the click.

200 clicks in a row: sentences on spreads 1 and 2 with page turns between them, game rounds
(prompt, target, a judged click, the target again), practice words (the first word, a wrong
answer's sound, the next word). Then the sound server is killed and started again 10 s later,
and the first click after it must be heard.

Usage: bench/sound_latency.py [--pipewire] [BUILD_OUT_DIR] [CLICKS]   (default: build/out 200)
Needs: pulseaudio, pulseaudio-utils, xvfb, x11-utils, python3-xlib, ffmpeg (scripts/setup.sh
installs them). About 14 minutes for 200 clicks. With --pipewire the server is PipeWire with
its PulseAudio layer and WirePlumber (packages pipewire-pulse and wireplumber), as a desktop
has it, in a D-Bus session of its own.
"""

import array
import math
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time
import wave
import xml.etree.ElementTree as ElementTree

from Xlib import X, XK, display as xdisplay
from Xlib.ext import xtest

RATE = 48000
STEP = RATE // 1000  # 1 ms of recording
SILENCE = 600
QUIET = 3000
LOUD = 24000
DISPLAY = ":37"
SCREEN = (1280, 1024)
HERE = os.path.dirname(os.path.abspath(__file__))
RESOURCES = os.path.join(HERE, "..", "resources")

# The goal: onset within 50 ms, span within 10 ms, no gap of 5 ms, nothing from outside for
# 10 ms or more.
ONSET_MS, SPAN_MS, GAP_MS, LEAK_MS = 50, 10, 5, 10

# Where things stand on a 1280 x 1024 screen: the 1100 x 723 window is centred 10 pixels
# above the middle, the page view sits at (130, 95) in it and shows the 910 x 580 frame 1:1.
WINDOW = ((SCREEN[0] - 1100) // 2, (SCREEN[1] - 723) // 2 - 10)


def at(x, y):
    return WINDOW[0] + x, WINDOW[1] + y


def on_page(x, y):
    return at(130 + x, 95 + y)


NEXT_PAGE = at(9 + 44, 524 + 16)
PREVIOUS_PAGE = at(6 + 39, 470 + 15)
FIND = at(635 + 45, 676 + 18)
WORDS = at(350 + 45, 677 + 18)
START_WORDS = at(818 + 45, 204 + 18)
ANSWER = at(404 + 190, 201 + 22)
BACK_FROM_WORDS = at(874 + 45, 572 + 18)


def spread_hotspots(k):
    """(rectangle, segment) of every hotspot of spread k, in the map's order."""
    with open(os.path.join(RESOURCES, "point.xml"), encoding="utf-8-sig") as source:
        root = ElementTree.fromstring(source.read())
    spread = root.find(f"P{2 * k}-{2 * k + 1}")
    hotspots = []
    for n in spread:
        if n.tag.startswith("N_") and n.get("STARTTIME"):
            rect = tuple(int(n.get(side)) for side in ("LEFT", "TOP", "RIGHT", "BOTTOM"))
            hotspots.append((rect, (int(n.get("STARTTIME")), int(n.get("ENDTIME")))))
    return hotspots


def clickable(hotspots):
    """A point for each hotspot that the hit test gives to it (the first rectangle that holds a
    point wins), well inside its rectangle, with its segment."""
    def first_at(x, y):
        return next(j for j, (r, _) in enumerate(hotspots)
                    if r[0] <= x <= r[2] and r[1] <= y <= r[3])

    points = []
    for i, (rect, segment) in enumerate(hotspots):
        middle = ((rect[0] + rect[2]) // 2, (rect[1] + rect[3]) // 2)
        inside = [middle] + [(x, y) for x in range(rect[0] + 5, rect[2] - 4, 3)
                             for y in range(rect[1] + 5, rect[3] - 4, 3)]
        point = next((p for p in inside if first_at(*p) == i), None)
        if point and segment[1] > segment[0]:
            points.append((point, segment))
    return points


def words_of_unit1():
    root = ElementTree.parse(os.path.join(RESOURCES, "word.xml")).getroot()
    return [(int(n.get("STARTTIME")), int(n.get("ENDTIME")))
            for n in root.find("unit1") if n.tag.startswith("N_")]


def write_tone_recording(path, like, segments):
    """A recording as long as `like`, at its rate: quiet tone inside `segments`, loud outside."""
    with wave.open(like) as source:
        rate, frames = source.getframerate(), source.getnframes()
    inside = bytearray(frames)
    for start, end in segments:
        for i in range(rate * start // 1000, min(frames, rate * end // 1000)):
            inside[i] = 1
    samples = array.array("h", (int((QUIET if inside[i] else LOUD) *
                                     math.sin(2 * math.pi * 1000 * i / rate))
                                 for i in range(frames)))
    with wave.open(path, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(rate)
        out.writeframes(samples.tobytes())


class Recorder:
    """Reads the monitor as it arrives."""

    def __init__(self, env):
        self.samples = bytearray()
        self.lock = threading.Lock()
        self.proc = subprocess.Popen(
            ["parec", "-d", "S.monitor", "--raw", "--format=s16le", f"--rate={RATE}",
             "--channels=1", "--latency-msec=5"], stdout=subprocess.PIPE, env=env)
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        fd = self.proc.stdout.fileno()
        while True:
            chunk = os.read(fd, 960)
            if not chunk:
                return
            with self.lock:
                self.samples += chunk

    def length(self):
        """The recording's length now, in samples."""
        with self.lock:
            return len(self.samples) // 2

    def steps(self, begin, ms):
        """Peaks of `ms` 1 ms steps from sample `begin` on."""
        with self.lock:
            data = memoryview(bytes(self.samples[2 * begin:2 * (begin + ms * STEP)])).cast("h")
        return [max(abs(v) for v in data[i:i + STEP]) for i in range(0, len(data) - STEP + 1, STEP)]

    def stop(self):
        self.proc.terminate()
        self.proc.wait()


def heard(peaks):
    """onset, span, longest gap inside, loud steps (all ms) of a stretch of 1 ms peaks."""
    sounding = [i for i, p in enumerate(peaks) if p >= SILENCE]
    if not sounding:
        return None, 0, 0, 0
    onset, last = sounding[0], sounding[-1]
    gap = longest = 0
    for p in peaks[onset:last + 1]:
        gap = gap + 1 if p < SILENCE else 0
        longest = max(longest, gap)
    loud = sum(1 for p in peaks[onset:last + 1] if p > QUIET * 3 // 2)
    return onset, last - onset + 1, longest, loud


class Session:
    def __init__(self, out_dir, pipewire=False):
        self.pipewire = pipewire
        self.runtime = tempfile.mkdtemp(prefix="mivora-bench-")
        # A home of its own: the program opens on spread 1, not where the last user left it.
        self.env = dict(os.environ, XDG_RUNTIME_DIR=self.runtime, DISPLAY=DISPLAY,
                        PULSE_SERVER=f"unix:{self.runtime}/pulse/native",
                        XDG_CONFIG_HOME=os.path.join(self.runtime, "config"),
                        XDG_DATA_HOME=os.path.join(self.runtime, "data"))
        self.env.pop("QT_QPA_PLATFORM", None)
        self.out_dir = out_dir
        self.procs = []
        self.server = []

    def start_server(self):
        if self.pipewire:
            self.start_pipewire()
            return
        subprocess.run(
            ["pulseaudio", "-D", "-n", "--exit-idle-time=-1", "--disallow-exit",
             "--load=module-native-protocol-unix", "--load=module-null-sink sink_name=S",
             "--load=module-always-sink"], env=self.env, check=True)
        wait_for(lambda: subprocess.run(["pactl", "info"], env=self.env,
                                        capture_output=True).returncode == 0, 10)
        subprocess.run(["pactl", "set-default-sink", "S"], env=self.env, check=True)
        # Without a stream of its own the null sink renders in bursts; this keeps it real-time.
        self.server = [subprocess.Popen(
            ["pacat", "--raw", "--format=s16le", f"--rate={RATE}", "--channels=1",
             "--latency-msec=10", "-d", "S", "/dev/zero"], env=self.env,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)]
        self.recorder = Recorder(self.env)
        wait_for(lambda: self.recorder.length() > 0, 10)

    def start_pipewire(self):
        self.server = [subprocess.Popen([program], env=self.env, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
                       for program in ("pipewire", "wireplumber", "pipewire-pulse")]
        wait_for(lambda: subprocess.run(["pactl", "info"], env=self.env,
                                        capture_output=True).returncode == 0, 10)
        subprocess.run(["pactl", "load-module", "module-null-sink", "sink_name=S"], env=self.env,
                       check=True, capture_output=True)
        wait_for(lambda: subprocess.run(["pactl", "set-default-sink", "S"], env=self.env,
                                        capture_output=True).returncode == 0, 10)
        self.recorder = Recorder(self.env)
        wait_for(lambda: self.recorder.length() > 0, 10)

    def kill_server(self):
        self.recorder.stop()
        for proc in reversed(self.server):
            proc.kill()
            proc.wait()
        if not self.pipewire:
            subprocess.run(["pulseaudio", "--kill"], env=self.env, capture_output=True)

    def start(self):
        self.start_server()
        self.spawn(["Xvfb", DISPLAY, "-screen", "0", f"{SCREEN[0]}x{SCREEN[1]}x24"])
        wait_for(lambda: subprocess.run(["xdpyinfo"], env=self.env,
                                        capture_output=True).returncode == 0, 10)
        self.x = xdisplay.Display(DISPLAY)
        self.spawn(self.program(), cwd=self.out_dir)
        wait_for(self.window_shown, 30)
        time.sleep(1.0)

    def program(self):
        return [os.path.join(self.out_dir, "mivora")]

    def window_shown(self):
        def windows(window):
            yield window
            for child in window.query_tree().children:
                yield from windows(child)
        for window in windows(self.x.screen().root):
            try:
                attributes = window.get_attributes()
                geometry = window.get_geometry()
            except Exception:  # gone meanwhile
                continue
            if attributes.map_state == X.IsViewable and (geometry.width, geometry.height) == (
                    1100, 723):
                return True
        return False

    def spawn(self, argv, cwd=None):
        proc = subprocess.Popen(argv, env=self.env, cwd=cwd, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        self.procs.append(proc)
        return proc

    def click(self, point):
        """Moves there (the page view finds its hotspot on the move), clicks; the recording's
        length at the press."""
        xtest.fake_input(self.x, X.MotionNotify, x=point[0], y=point[1])
        self.x.sync()
        time.sleep(0.05)
        xtest.fake_input(self.x, X.ButtonPress, 1)
        self.x.sync()
        mark = self.recorder.length()
        xtest.fake_input(self.x, X.ButtonRelease, 1)
        self.x.sync()
        return mark

    def key(self, name):
        code = self.x.keysym_to_keycode(XK.string_to_keysym(name))
        xtest.fake_input(self.x, X.KeyPress, code)
        self.x.sync()
        mark = self.recorder.length()
        xtest.fake_input(self.x, X.KeyRelease, code)
        self.x.sync()
        return mark

    def stop(self):
        self.kill_server()
        for proc in reversed(self.procs):
            proc.send_signal(signal.SIGTERM)
            try:
                proc.wait(5)
            except subprocess.TimeoutExpired:
                proc.kill()
        shutil.rmtree(self.runtime, ignore_errors=True)


def wait_for(condition, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if condition():
            return
        time.sleep(0.1)
    raise RuntimeError("timed out waiting for the bench set-up")


def prepare_output(build_out):
    """The build's output with test recordings for spreads 1 and 2 and the words."""
    out = tempfile.mkdtemp(prefix="mivora-bench-out-")
    for name in os.listdir(build_out):
        if name not in ("frequency", "mivora"):
            os.symlink(os.path.join(build_out, name), os.path.join(out, name))
    # The recordings are found beside the executable.
    shutil.copy2(os.path.join(build_out, "mivora"), os.path.join(out, "mivora"))
    os.mkdir(os.path.join(out, "frequency"))
    source = os.path.join(build_out, "frequency")
    for k in (1, 2):
        write_tone_recording(os.path.join(out, "frequency", f"frequency{k}.dll"),
                             os.path.join(source, f"frequency{k}.dll"),
                             [s for _, s in spread_hotspots(k)])
    write_tone_recording(os.path.join(out, "frequency", "frequency36.dll"),
                         os.path.join(source, "frequency36.dll"), words_of_unit1())
    return out


def effect_sound(resource):
    """(lead-in, length) in ms of a compiled-in sound."""
    raw = subprocess.run(["ffmpeg", "-v", "error", "-i", os.path.join(RESOURCES, resource), "-f",
                          "s16le", "-ac", "1", "-ar", str(RATE), "-"], check=True,
                         stdout=subprocess.PIPE).stdout
    samples = memoryview(raw).cast("h")
    lead = next((i for i, v in enumerate(samples) if abs(v) >= SILENCE), 0)
    return lead * 1000 // RATE, len(samples) * 1000 // RATE


def main():
    args = sys.argv[1:]
    pipewire = "--pipewire" in args
    if pipewire and not os.environ.get("DBUS_SESSION_BUS_ADDRESS"):
        # WirePlumber wants a session bus; a private one goes with the run.
        os.execvp("dbus-run-session", ["dbus-run-session", "--", sys.executable] + sys.argv)
    args = [a for a in args if a != "--pipewire"]
    build_out = os.path.abspath(args[0] if args else "build/out")
    total = int(args[1]) if len(args) > 1 else 200
    out = prepare_output(build_out)
    spreads = {k: clickable(spread_hotspots(k)) for k in (1, 2)}
    lengths = {k: sorted({e - s for _, (s, e) in spreads[k]}) for k in (1, 2)}
    words = words_of_unit1()
    prompt = effect_sound(os.path.join("audio", "Prompt.mp3"))
    wrong = effect_sound(os.path.join("audio", "worderr.wav"))

    rows = []  # (kind, onset, span error, gap, loud)
    s = Session(out, pipewire)

    def segment(kind, mark, length, spread=None):
        """Listens to a segment that began at `mark`; records how it sounded. A game target is
        chosen at random: its length is the nearest of the spread's segments."""
        listen = length if spread is None else max(lengths[spread])
        time.sleep(max(0, mark + (listen + 450) * STEP - s.recorder.length()) / RATE)
        onset, span, gap, loud = heard(s.recorder.steps(mark, listen + 400))
        if onset is None:
            rows.append((kind, None, None, None, None))
            return
        expected = length if spread is None else min(lengths[spread], key=lambda n: abs(n - span))
        rows.append((kind, onset, span - expected, gap, loud))

    def effect(kind, mark, sound):
        """Listens to a compiled-in sound that began at `mark`; where it ends."""
        lead, length = sound
        time.sleep(max(0, mark + (length + 300) * STEP - s.recorder.length()) / RATE)
        onset = heard(s.recorder.steps(mark, length + 300))[0]
        rows.append((kind, None if onset is None else onset - lead, None, None, None))
        return mark + ((onset or lead) - lead + length) * STEP

    try:
        s.start()
        spread, turn, clicks = 1, 0, 0
        while clicks < total:
            if clicks % 20 == 19:
                s.click(NEXT_PAGE if spread == 1 else PREVIOUS_PAGE)
                spread = 3 - spread
                time.sleep(0.4)
            if clicks % 40 == 29:
                # A game round: the prompt, then the target; paused again.
                end = effect("game prompt", s.click(FIND), prompt)
                segment("game target after the prompt", end, 0, spread)
                s.click(FIND)
                time.sleep(0.3)
                clicks += 2
                continue
            if clicks % 50 == 39:
                # Practice: the first word, a wrong answer's sound, the next word.
                s.click(WORDS)
                time.sleep(0.5)
                segment("practice word", s.click(START_WORDS), words[0][1] - words[0][0])
                s.click(ANSWER)
                s.key("x")
                end = effect("wrong answer sound", s.key("Return"), wrong)
                segment("practice word after the sound", end, words[1][1] - words[1][0])
                s.click(BACK_FROM_WORDS)
                time.sleep(0.5)
                clicks += 3
                continue
            point, (start, end) = spreads[spread][turn % len(spreads[spread])]
            turn += 1
            mark = s.click(on_page(*point))
            segment(f"sentence, spread {spread}", mark, end - start)
            clicks += 1

        # The server goes away for 10 s and comes back; the next click must be heard.
        s.kill_server()
        time.sleep(10)
        s.start_server()
        time.sleep(2)
        point, (start, end) = spreads[spread][0]
        mark = s.click(on_page(*point))
        segment("sentence after the server came back", mark, end - start)
    finally:
        s.stop()
        shutil.rmtree(out, ignore_errors=True)

    report(rows)


def figures(values):
    """min, median and max of the values that are there."""
    values = [v for v in values if v is not None]
    if not values:
        return "-"
    return f"{min(values):5d} {statistics.median(values):7.1f} {max(values):5d}"


def report(rows):
    print(f"{'what':38} {'n':>4} {'never':>5}  {'onset ms min/med/max':>21}  "
          f"{'span error ms':>19}  {'longest gap ms':>19}  {'loud ms':>19}")
    for kind in dict.fromkeys(k for k, *_ in rows):
        mine = [r for r in rows if r[0] == kind]
        never = sum(r[1] is None for r in mine)
        print(f"{kind:38} {len(mine):4d} {never:5d}  {figures(r[1] for r in mine):>21}  "
              f"{figures(r[2] for r in mine):>19}  {figures(r[3] for r in mine):>19}  "
              f"{figures(r[4] for r in mine):>19}")
    heard_rows = [r for r in rows if r[1] is not None]
    late = sum(r[1] > ONSET_MS for r in heard_rows)
    inexact = sum(r[2] is not None and abs(r[2]) > SPAN_MS for r in heard_rows)
    gaps = sum(r[3] is not None and r[3] >= GAP_MS for r in heard_rows)
    leaks = sum(r[4] is not None and r[4] >= LEAK_MS for r in heard_rows)
    print(f"\n{len(rows)} sounds: {len(rows) - len(heard_rows)} never heard, {late} later than "
          f"{ONSET_MS} ms, {inexact} off by more than {SPAN_MS} ms, {gaps} with a gap of "
          f"{GAP_MS} ms or more, {leaks} with {LEAK_MS} ms or more from outside")
    first = [r for r in rows if r[0].startswith("sentence") and r[1] is not None]
    if len(first) >= 20:
        print("first 10 sentences vs last 10: onset median "
              f"{statistics.median(r[1] for r in first[:10]):.0f} / "
              f"{statistics.median(r[1] for r in first[-10:]):.0f} ms, span error median "
              f"{statistics.median(r[2] for r in first[:10]):.0f} / "
              f"{statistics.median(r[2] for r in first[-10:]):.0f} ms")


if __name__ == "__main__":
    main()
