#!/usr/bin/env python3
"""Draws the timeline pictures of the help pages of the advanced options with ImageMagick.

    scripts/help_timelines.py [OUT_DIR]     (default: docs/help)

Each picture shows packets as dots on one lane per variable (or per station), the pending row
as a bar, and what the filter puts out: complete rows (green), incomplete rows released with
their reason (orange) and rows discarded (red cross). The PNGs are committed beside the pages;
run this again after changing a timeline here.
"""
import os
import subprocess
import sys

FONT = "DejaVu-Sans"
BOLD = "DejaVu-Sans-Bold"
LEFT, RIGHT = 128, 700
WIDTH = RIGHT + 40
LANE = 34
GREEN, ORANGE, RED, BLUE, GREY = "#3c9a3c", "#e08a1e", "#c83a2a", "#1f3f6f", "#9fb3cf"


class Picture:
    def __init__(self, title, end_ms, lanes):
        self.title, self.end_ms, self.lanes = title, end_ms, lanes
        self.ops = []
        self.top = 40
        self.output_lane = len(lanes)
        self.height = self.top + (len(lanes) + 2) * LANE + 40

    def x(self, ms):
        return LEFT + (RIGHT - LEFT) * ms / self.end_ms

    def y(self, lane):
        return self.top + lane * LANE + LANE // 2

    def text(self, x, y, text, colour="black", size=11, font=FONT):
        self.ops += ["-font", font, "-pointsize", str(size), "-fill", colour, "-annotate",
                     "+%d+%d" % (x, y), text]

    def draw(self, primitive, fill="none", stroke="black", width=1):
        self.ops += ["-fill", fill, "-stroke", stroke, "-strokewidth", str(width), "-draw",
                     primitive, "-stroke", "none"]

    def packet(self, ms, lane, label):
        x, y = self.x(ms), self.y(lane)
        self.draw("circle %d,%d %d,%d" % (x, y, x + 5, y), fill=BLUE, stroke=BLUE)
        self.text(int(x - len(label) * 3.2), y - 19, label, size=10)

    def pending(self, lane, start, end, colour=GREY, label=""):
        y = self.y(lane)
        self.draw("rectangle %d,%d %d,%d" % (self.x(start), y - 3, self.x(end), y + 3),
                  fill=colour, stroke=colour)
        if label:
            self.text(int(self.x(start)) + 2, y + 5, label, colour="#505050", size=9)

    def row(self, ms, label, kind="complete", before=False):
        x, y = self.x(ms), self.y(self.output_lane)
        if kind == "discarded":
            self.draw("line %d,%d %d,%d" % (x - 6, y - 6, x + 6, y + 6), stroke=RED, width=3)
            self.draw("line %d,%d %d,%d" % (x - 6, y + 6, x + 6, y - 6), stroke=RED, width=3)
            colour = RED
        else:
            colour = GREEN if kind == "complete" else ORANGE
            self.draw("rectangle %d,%d %d,%d" % (x - 6, y - 6, x + 6, y + 6), fill=colour,
                      stroke=colour)
        # A label that would run into the next row's ends at its own marker instead.
        left = int(x) + 6 - int(len(label) * 5.6) if before else int(x) - 8
        self.text(left, y + 9, label, colour=colour, size=9, font=BOLD)

    def value(self, ms, lane, label, colour="black", font=FONT):
        """A value held at MS, written on its lane over a white patch."""
        x, y = self.x(ms), self.y(lane)
        half = int(len(label) * 3.2) + 4
        self.draw("rectangle %d,%d %d,%d" % (x - half, y - 8, x + half, y + 8), fill="white",
                  stroke="white")
        self.text(int(x) - half + 4, y - 7, label, colour=colour, size=10, font=font)

    def mark(self, ms, label, colour=RED):
        x = self.x(ms)
        self.draw("line %d,%d %d,%d" % (x, self.top, x, self.y(self.output_lane) + 14),
                  stroke=colour)
        self.text(int(x) + 3, self.top - 14, label, colour=colour, size=9)

    def note(self, line, text):
        self.text(12, self.height - 36 + 14 * line, text, size=10)

    def save(self, path, step_ms):
        frame = ["-size", "%dx%d" % (WIDTH, self.height), "xc:white"]
        head = ["-gravity", "NorthWest"]
        head += ["-font", BOLD, "-pointsize", "12", "-fill", BLUE, "-annotate", "+12+8",
                 self.title]
        for i, name in enumerate(self.lanes + ["Output"]):
            y = self.y(i)
            head += ["-font", BOLD if name == "Output" else FONT, "-pointsize", "11", "-fill",
                     "black", "-annotate", "+12+%d" % (y - 7), name]
            head += ["-stroke", "#e0e6ee", "-draw", "line %d,%d %d,%d" % (LEFT, y, RIGHT, y),
                     "-stroke", "none"]
        axis = self.y(self.output_lane) + 34
        head += ["-stroke", "black", "-draw", "line %d,%d %d,%d" % (LEFT, axis, RIGHT, axis),
                 "-stroke", "none"]
        for ms in range(0, self.end_ms + 1, step_ms):
            x = self.x(ms)
            head += ["-stroke", "black", "-draw", "line %d,%d %d,%d" % (x, axis, x, axis + 4),
                     "-stroke", "none", "-font", FONT, "-pointsize", "9", "-fill", "#404040",
                     "-annotate", "+%d+%d" % (x - 10, axis + 5), "%d ms" % ms]
        subprocess.run(["convert"] + frame + head + self.ops + ["-depth", "8", "-strip", path], check=True)


def partial(out):
    p = Picture("Release incomplete rows: Temp and Hum, timeout 1000 ms", 3200,
                ["Temp", "Hum", "Pending row"])
    p.packet(0, 0, "21.5")
    p.packet(300, 1, "40")
    p.pending(2, 0, 300)
    p.row(300, "row")
    p.packet(1000, 0, "21.7")
    p.pending(2, 1000, 2500, label="Hum never comes")
    p.mark(2000, "timeout reached", ORANGE)
    p.packet(2500, 0, "21.9")
    p.row(2500, "Hum=Null, timeout", "partial", before=True)
    p.pending(2, 2500, 2800)
    p.packet(2800, 1, "41")
    p.row(2800, "row")
    p.note(0, "The call at 2500 ms notices the expiry: the row of 1000 ms goes out before the")
    p.note(1, "packet of 2500 ms is merged. Without the option it would be discarded.")
    p.save(os.path.join(out, "partial.png"), 500)


def age(out):
    p = Picture("Age limit 2000 ms: Temp every 500 ms, Hum silent, timeout 1000 ms", 4500,
                ["Temp", "Hum", "Pending row"])
    for ms in range(0, 4501, 500):
        p.packet(ms, 0, "T")
    p.pending(2, 0, 1975, label="started at 0 ms")
    p.mark(2000, "age reached")
    p.row(2000, "discarded", "discarded")
    p.pending(2, 2025, 3975, label="started at 2000 ms")
    p.mark(4000, "age reached")
    p.row(4000, "discarded", "discarded")
    p.pending(2, 4025, 4500)
    p.note(0, "The packets keep coming faster than the timeout, so only the age limit ends the")
    p.note(1, "row. With incomplete rows released, each would go out with Hum=Null and 'age'.")
    p.save(os.path.join(out, "age.png"), 500)


def lifetime(out):
    p = Picture("Value lifetime 1500 ms, values kept after a row (no reset)", 3600,
                ["Temp", "Hum", "Hum counts"])
    p.packet(0, 1, "40")
    p.pending(2, 0, 1500, GREEN, "Hum = 40 still counts")
    p.pending(2, 1500, 3200, RED, "too old: removed")
    p.mark(1500, "Hum older than 1500 ms")
    for ms in (500, 1000, 2000, 2500, 3000):
        p.packet(ms, 0, "T")
    p.row(500, "row")
    p.row(1000, "row")
    p.packet(3200, 1, "42")
    p.pending(2, 3200, 3600, GREEN)
    p.packet(3500, 0, "T")
    p.row(3200, "row")
    p.row(3500, "row")
    p.note(0, "From 2000 ms on no row repeats the old humidity: the silent sensor's value has")
    p.note(1, "expired. Rows come again once Hum sends a new value.")
    p.save(os.path.join(out, "lifetime.png"), 500)


def groupby(out):
    p = Picture("Group by Station: Temp and Hum from two interleaved stations", 1000,
                ["Station A", "Station B", "Row of A", "Row of B"])
    p.packet(0, 0, "Temp 20")
    p.packet(200, 1, "Temp 25")
    p.packet(400, 0, "Hum 40")
    p.packet(600, 1, "Hum 55")
    p.pending(2, 0, 400)
    p.pending(3, 200, 600)
    p.row(400, "A: 20, 40")
    p.row(600, "B: 25, 55")
    p.note(0, "Each station keeps its own pending row. Without grouping the packet of 400 ms")
    p.note(1, "would release Temp 25 of station B with Hum 40 of station A: a mixed row.")
    p.save(os.path.join(out, "groupby.png"), 200)


def stats(out):
    p = Picture("Statistics after a known stream (Temp and Hum, timeout 1000 ms)", 3200,
                ["Temp", "Hum", "Pending row"])
    p.packet(0, 0, "T")
    p.packet(300, 1, "H")
    p.row(300, "Rows 1")
    p.packet(1000, 0, "T")
    p.pending(2, 1000, 2500)
    p.packet(2500, 0, "T")
    p.row(2500, "Discarded 1", "discarded", before=True)
    p.packet(2800, 1, "H")
    p.row(2800, "Rows 2")
    p.note(0, "Stats.Packets = 5, Stats.Rows = 2, Stats.Partial = 0, Stats.Discarded = 1,")
    p.note(1, "Stats.Groups = 0, Stats.LastReason = complete. RESET-STATS sets them to zero.")
    p.save(os.path.join(out, "stats.png"), 500)


def merge(out):
    strategies = [("Last", ["3", "5", "4"]), ("First", ["3", "3", "3"]),
                  ("Sum", ["3", "8", "12"]), ("Min", ["3", "3", "3"]), ("Max", ["3", "5", "5"]),
                  ("Mean", ["3", "4", "4"]), ("Count", ["1", "2", "3"]),
                  ("Concat", ["3", "3, 5", "3, 5, 4"])]
    p = Picture("Merge strategies: Temp receives 3, 5 and 4 before Hum completes the row", 1600,
                ["Temp", "Hum"] + [name for name, _ in strategies])
    times = [0, 400, 800]
    for ms, label in zip(times, ["3", "5", "4"]):
        p.packet(ms, 0, label)
    p.packet(1200, 1, "40")
    for lane, (name, held) in enumerate(strategies, start=2):
        p.pending(lane, 0, 1200)
        for ms, label in zip(times, held):
            p.value(ms, lane, label, colour="#505050")
        p.value(1200, lane, held[-1], colour=GREEN, font=BOLD)
    p.row(1200, "row: Hum=40, Temp as above")
    p.note(0, "The grey values are what the pending row holds for Temp under each strategy after")
    p.note(1, "each packet; the row released at 1200 ms carries the green one.")
    p.save(os.path.join(out, "merge.png"), 400)


def packet_time(out):
    p = Picture("Time variable: a recording replayed at once; the axis is the packets' own times",
                5000, ["System clock", "Temp", "Hum", "Pending row"])
    packets = [(0, 1, "T"), (300, 2, "H"), (1000, 1, "T"), (1500, 1, "T"), (2000, 1, "T"),
               (2500, 1, "T"), (3000, 1, "T"), (4500, 2, "H"), (4800, 1, "T")]
    for arrival, (ms, lane, label) in enumerate(packets):
        p.packet(ms, lane, label)
        p.value(ms, 0, "%d ms" % arrival, colour="#505050")
    p.pending(3, 0, 300)
    p.row(300, "row")
    p.pending(3, 1000, 2975, label="Hum silent")
    p.mark(3000, "age 2000 ms reached")
    p.row(3000, "Hum=Null, age", "partial", before=True)
    p.pending(3, 3025, 4475)
    p.mark(4000, "timeout 1000 ms reached", ORANGE)
    p.row(4500, "Hum=Null, timeout", "partial", before=True)
    p.pending(3, 4500, 4800)
    p.row(4800, "row")
    p.note(0, "The nine packets reach the filter within 8 ms, yet the age limit and the timeout end")
    p.note(1, "the rows where the packets' times pass them: the rows of the recording itself.")
    p.save(os.path.join(out, "time.png"), 500)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "docs", "help")
    os.makedirs(out, exist_ok=True)
    for draw in (partial, age, lifetime, groupby, stats, merge, packet_time):
        draw(out)


if __name__ == "__main__":
    main()
