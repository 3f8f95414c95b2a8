#!/usr/bin/python3
"""Click-to-sound latency of Mivora, measured where a child hears it: at the sound server.

Starts a private PulseAudio server with a null sink, a virtual X server and the real program,
clicks through it with xdotool and records the sink's monitor with parec. Every figure is the
time from a click (or from the end of the sound that chains the next one) to the first sound
that reaches the sink, less the silence the recording itself has at that point.

Usage: bench/sound_latency.py [BUILD_OUT_DIR]   (default: build/out)
Needs: pulseaudio, pulseaudio-utils, xvfb, x11-utils, python3-xlib, ffmpeg (scripts/setup.sh
installs them). Clicks go through XTest from this process, so their time is known to the
millisecond; a click from a spawned xdotool lands some tens of milliseconds after it starts.
"""

import os
import shutil
import signal
import statistics
import struct
import subprocess
import sys
import tempfile
import threading
import time

from Xlib import X, display as xdisplay
from Xlib.ext import xtest

RATE = 48000
THRESHOLD = 300  # of 32767: well above dither, well below quiet speech
DISPLAY = ":37"
SCREEN = (1280, 1024)

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
BACK_FROM_WORDS = at(874 + 45, 572 + 18)
# Spread 1, "It's near the library.": rectangle 219,421-300,465, segment 8700-12100 ms.
SENTENCE = on_page(259, 443)
SENTENCE_SEGMENT = (8700, 12100)
# The next segment on the page starts 1 s after this one ends: a segment that is not
# stopped at its end is heard within that second.
AFTER_END_WINDOW = (0.25, 1.6)


class Recorder:
    """Reads the monitor as it arrives and time-stamps every sample on the monotonic clock."""

    def __init__(self, env):
        self.samples = bytearray()
        self.first_time = None
        self.lock = threading.Lock()
        self.proc = subprocess.Popen(
            ["parec", "-d", "S.monitor", "--raw", "--format=s16le", f"--rate={RATE}",
             "--channels=1", "--latency-msec=5"],
            stdout=subprocess.PIPE, env=env)
        self.thread = threading.Thread(target=self._read, daemon=True)
        self.thread.start()

    def _read(self):
        fd = self.proc.stdout.fileno()
        while True:
            chunk = os.read(fd, 960)
            if not chunk:
                return
            now = time.monotonic()
            with self.lock:
                self.samples += chunk
                count = len(self.samples) // 2
                # The newest sample arrived now; the first one RATE-paced before it.
                start = now - count / RATE
                if self.first_time is None or start < self.first_time:
                    self.first_time = start

    def first_sound(self, t_from, t_to):
        """Time of the first sample above the threshold in [t_from, t_to), or None."""
        with self.lock:
            data = bytes(self.samples)
            origin = self.first_time
        if origin is None:
            return None
        begin = max(0, int((t_from - origin) * RATE))
        end = min(len(data) // 2, int((t_to - origin) * RATE))
        for i in range(begin, end):
            value = struct.unpack_from("<h", data, 2 * i)[0]
            if abs(value) > THRESHOLD:
                return origin + i / RATE
        return None

    def stop(self):
        self.proc.terminate()
        self.proc.wait()
        dump = os.environ.get("MIVORA_BENCH_DUMP")
        if dump:
            with open(dump, "wb") as out:
                out.write(self.samples)


def lead_in(path, start_ms, end_ms):
    """Silence at the start of a segment of a recording: the part of a delay that is content."""
    pcm, rate = decode(path)
    begin = rate * start_ms // 1000
    end = min(len(pcm), rate * end_ms // 1000)
    for i in range(begin, end):
        if abs(pcm[i]) > THRESHOLD:
            return (i - begin) / rate
    return 0.0


def decode(path):
    raw = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-f", "s16le", "-ac", "1", "-ar",
                          str(RATE), "-"], check=True, stdout=subprocess.PIPE).stdout
    return struct.unpack(f"<{len(raw) // 2}h", raw), RATE


def sounding(path):
    """(lead-in, sounding length) of a whole short sound."""
    pcm, rate = decode(path)
    loud = [i for i, v in enumerate(pcm) if abs(v) > THRESHOLD]
    if not loud:
        return 0.0, 0.0
    return loud[0] / rate, (loud[-1] - loud[0]) / rate


class Session:
    def __init__(self, out_dir):
        self.out_dir = out_dir
        self.runtime = tempfile.mkdtemp(prefix="mivora-bench-")
        self.env = dict(os.environ, XDG_RUNTIME_DIR=self.runtime, DISPLAY=DISPLAY,
                        PULSE_SERVER=f"unix:{self.runtime}/pulse/native")
        self.env.pop("QT_QPA_PLATFORM", None)
        self.procs = []

    def start(self):
        subprocess.run(
            ["pulseaudio", "-D", "-n", "--exit-idle-time=-1", "--disallow-exit",
             "--load=module-native-protocol-unix", "--load=module-null-sink sink_name=S",
             "--load=module-always-sink"], env=self.env, check=True)
        wait_for(lambda: subprocess.run(["pactl", "info"], env=self.env,
                                        capture_output=True).returncode == 0, 10)
        subprocess.run(["pactl", "set-default-sink", "S"], env=self.env, check=True)
        # Without a stream of its own the null sink renders in bursts; this keeps it real-time.
        # Its small latency makes the sink render in small blocks, so the monitor's samples
        # carry their time to within a few milliseconds.
        self.spawn(["pacat", "--raw", "--format=s16le", f"--rate={RATE}", "--channels=1",
                    "--latency-msec=10", "-d", "S", "/dev/zero"])
        self.spawn(["Xvfb", DISPLAY, "-screen", "0", f"{SCREEN[0]}x{SCREEN[1]}x24"])
        wait_for(lambda: subprocess.run(["xdpyinfo"], env=self.env,
                                        capture_output=True).returncode == 0, 10)
        self.x = xdisplay.Display(DISPLAY)
        self.recorder = Recorder(self.env)
        # parec takes about a second before its first samples arrive.
        wait_for(lambda: self.recorder.first_time is not None, 10)
        self.program = self.spawn([os.path.join(self.out_dir, "mivora")], cwd=self.out_dir)
        # The splash stands for a while; the main window is the one of the program's size.
        wait_for(self.window_shown, 30)
        time.sleep(1.0)

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

    def mark(self, label, moment):
        if os.environ.get("MIVORA_BENCH_DUMP"):
            print(f"mark {label} at {moment - self.recorder.first_time:.3f} s", file=sys.stderr)

    def click(self, point):
        """Moves there (the page view finds its hotspot on the move), clicks; the click's time."""
        xtest.fake_input(self.x, X.MotionNotify, x=point[0], y=point[1])
        self.x.sync()
        time.sleep(0.05)
        xtest.fake_input(self.x, X.ButtonPress, 1)
        self.x.sync()
        pressed = time.monotonic()
        xtest.fake_input(self.x, X.ButtonRelease, 1)
        self.x.sync()
        self.mark(f"click {point}", pressed)
        return pressed

    def stop(self):
        self.recorder.stop()
        for proc in reversed(self.procs):
            proc.send_signal(signal.SIGTERM)
            try:
                proc.wait(5)
            except subprocess.TimeoutExpired:
                proc.kill()
        subprocess.run(["pulseaudio", "--kill"], env=self.env, capture_output=True)
        shutil.rmtree(self.runtime, ignore_errors=True)


def wait_for(condition, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if condition():
            return
        time.sleep(0.1)
    raise RuntimeError("timed out waiting for the bench set-up")


def delay(s, t_click, lead, limit=3.0):
    heard = s.recorder.first_sound(t_click, t_click + limit)
    return None if heard is None else heard - t_click - lead


def since(heard, moment):
    return None if heard is None else heard - moment


def fmt(value):
    return "never heard" if value is None else f"{value * 1000:7.0f} ms"


def main():
    out_dir = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build/out")
    recording = os.path.join(out_dir, "frequency", "frequency1.dll")
    sentence_lead = lead_in(recording, *SENTENCE_SEGMENT)
    segment_length = (SENTENCE_SEGMENT[1] - SENTENCE_SEGMENT[0]) / 1000

    s = Session(out_dir)
    rows = []
    try:
        s.start()

        def sentence(label):
            """Clicks the sentence; its delay and whether it sounded on after its end."""
            t = s.click(SENTENCE)
            time.sleep(segment_length + AFTER_END_WINDOW[1] + 0.3)
            ended = s.recorder.first_sound(t + segment_length + AFTER_END_WINDOW[0],
                                           t + segment_length + AFTER_END_WINDOW[1])
            rows.append((label, delay(s, t, sentence_lead), since(ended, t + segment_length)))

        # The program opens on spread 1: the very first click, then after page turns.
        sentence("sentence, first click after start")
        for wait in (0.5, 3, 8, 30):
            # Away to spread 2 and back, so the page's recording is set anew, then wait.
            s.click(NEXT_PAGE)
            time.sleep(0.3)
            s.click(PREVIOUS_PAGE)
            time.sleep(wait)
            sentence(f"sentence, {wait} s on the page")

        # Again, 5 s after the last segment ended (its end was ~1.9 s ago).
        time.sleep(5 - AFTER_END_WINDOW[1] - 0.3)
        sentence("sentence again, 5 s after its end")

        # The game: the prompt after the click, then the target's segment once the prompt
        # has played to its end (its own silence at the end included). The target is chosen at
        # random; less the shortest silence any segment of the spread starts with.
        prompt = os.path.join(os.path.dirname(__file__), "..", "resources", "audio", "Prompt.mp3")
        prompt_lead, _ = sounding(prompt)
        prompt_length = len(decode(prompt)[0]) / RATE
        target_lead = min(lead_in(recording, *segment) for segment in spread_segments(1))
        t = s.click(FIND)
        time.sleep(prompt_length + 2.5)
        prompt_heard = s.recorder.first_sound(t, t + 3)
        rows.append(("game prompt after 找一找", delay(s, t, prompt_lead), None))
        if prompt_heard is not None:
            prompt_end = prompt_heard - prompt_lead + prompt_length
            target = s.recorder.first_sound(prompt_end, prompt_end + 3)
            rows.append(("game target after the prompt's end",
                         None if target is None else target - prompt_end - target_lead, None))
        s.click(FIND)  # pause the game
        time.sleep(0.5)

        # Word practice: 出发 after 8 s in the view.
        words = os.path.join(out_dir, "frequency", "frequency36.dll")
        s.click(WORDS)
        time.sleep(8)
        t = s.click(START_WORDS)
        time.sleep(3)
        word_lead = first_word_lead(words)
        rows.append(("first word, 出发 after 8 s", delay(s, t, word_lead), None))
        s.click(BACK_FROM_WORDS)
        time.sleep(0.5)
    finally:
        s.stop()

    print(f"{'what':40} {'click to first sound':>22} {'sound after the end':>20}")
    for label, value, after in rows:
        tail = "" if label.startswith(("game", "first word")) else (
            "none" if after is None else f"{after * 1000:.0f} ms after")
        print(f"{label:40} {fmt(value):>22} {tail:>20}")
    figures = [v for _, v, _ in rows if v is not None]
    if figures:
        print(f"min {min(figures) * 1000:.0f} ms, median {statistics.median(figures) * 1000:.0f} ms,"
              f" max {max(figures) * 1000:.0f} ms; {sum(v is None for _, v, _ in rows)} never heard")


def spread_segments(k):
    import xml.etree.ElementTree as ElementTree
    with open(os.path.join(os.path.dirname(__file__), "..", "resources", "point.xml"),
              encoding="utf-8-sig") as source:
        root = ElementTree.fromstring(source.read())
    spread = root.find(f"P{2 * k}-{2 * k + 1}")
    return [(int(n.get("STARTTIME")), int(n.get("ENDTIME"))) for n in spread
            if n.tag.startswith("N_") and n.get("STARTTIME")]


def first_word_lead(path):
    """The first word of unit 1 starts the word recording's first segment at 0 ms."""
    import xml.etree.ElementTree as ElementTree
    root = ElementTree.parse(os.path.join(os.path.dirname(__file__), "..", "resources",
                                          "word.xml")).getroot()
    first = root.find("unit1").find("N_0")
    return lead_in(path, int(first.get("STARTTIME")), int(first.get("ENDTIME")))


if __name__ == "__main__":
    main()
