#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz target (tests/fuzz/corpus/).

Each seed is a host session in the target's input format (FuzzTarget.cpp):
byte 0 the module, bytes 1 and 2 the host's setup, then operations. The seeds
open the usual roads (open, GUI initialise, formula changes carried to the DSP
side, static and streaming inputs, blocks) and a few hostile ones (pin counts
off, unknown opcodes and event kinds, a clock that wraps, two instances,
re-entrant notifications, no callback, no buffers); the fuzzer mutates from
there. Run it again after changing the format; the output is deterministic.
"""
import os
import struct
import sys

MODULES = ["v", "v_8", "v_dn", "i", "f", "b", "gi", "gf", "gb"]
SPECIAL = [
    0x00000000, 0x80000000, 0x00000001, 0x807FFFFF, 0x00400000, 0x00800000,
    0x80800000, 0x3F800000, 0xBF800000, 0x3F000000, 0x3E800000, 0x40000000,
    0x7F7FFFFF, 0xFF7FFFFF, 0x7F800000, 0xFF800000, 0x7FC00000, 0xFFC00001,
    0x7F800001, 0xFFA00005, 0xFFFFFFFF, 0x7FA5A5A5, 0x0D800000, 0x07400000,
    0x06C00000, 0x219392EF, 0x3DCCCCCD, 0x41200000, 0x00000005, 0x0000000F,
    0x7FFFFFFF, 0x00000010]
COUNT_MODES = {"exact": 0, "zero": 3, "fewer": 4, "more": 5, "negative": 6}
NOTIFY = {"deferred": 0, "reentrant": 1, "none": 2}


def f32(x):
    return struct.unpack("<I", struct.pack("<f", x))[0]


class Seed:
    def __init__(self, module, notify="deferred", count="exact", count_arg=0, two=False,
                 no_callback=False, no_buffers=False, capacity=0, start=0, start_word=0):
        self.module = MODULES.index(module)
        self.family = "volts" if module.startswith("v") else "gui" if module.startswith("g") else "value"
        self.cap = module == "v_8"
        b1 = NOTIFY[notify] | COUNT_MODES[count] << 2 | (0x20 if two else 0)
        if no_callback:
            b1 |= 0xC0
        elif no_buffers:
            b1 |= 0x80
        self.out = bytearray([self.module, b1, capacity | start << 3])
        if start == 3:
            self.out += struct.pack("<I", start_word & 0xFFFFFFFF)
        if COUNT_MODES[count] >= 4:
            self.out.append(count_arg)

    # ---- argument encodings
    def word(self, w):
        w &= 0xFFFFFFFF
        if w in SPECIAL:
            self.out.append(SPECIAL.index(w))
        else:
            self.out.append(0xC0)
            self.out += struct.pack("<I", w)

    def int_(self, v):
        if -32 <= v <= 191:
            self.out.append(v + 32)
        else:
            self.out.append(0xF0)
            self.out += struct.pack("<I", v & 0xFFFFFFFF)

    def formula(self, v):
        if 0 <= v <= 15:
            self.out.append(v)
        else:
            self.out.append(0xE0)
            self.int_(v)

    def op(self, code, second=False):
        self.out.append(code | (0x80 if second else 0))

    def list_pin(self, pin):
        return pin == (0 if self.family == "gui" else 1)

    def to_dsp_pin(self, dsp_pin):
        return self.family != "gui" and dsp_pin == 0

    # ---- operations
    def dsp(self, opcode, index=0, value=0, opt=0, second=False):
        self.op(0, second)
        if 0 <= opcode < 16:
            self.out.append(opcode)
        else:
            self.out.append(0xF0)
            self.int_(opcode)
        self.int_(index)
        self.int_(value)
        self.word(opt)
        return self

    def gui(self, opcode, index=0, value=0, second=False):
        self.op(1, second)
        if 0 <= opcode < 14:
            self.out.append(opcode)
        else:
            self.out.append(0xF0)
            self.int_(opcode)
        self.int_(index)
        self.int_(value)
        self.word(0)
        return self

    def user(self, pin, value, second=False):
        self.op(2, second)
        self.out.append(pin)
        if self.list_pin(pin):
            self.formula(value)
        else:
            self.word(value)
        return self

    def flush(self, second=False):
        self.op(3, second)
        return self

    def event(self, pin, status, write=None, whole=False, second=False):
        self.op(4, second)
        if -1 <= pin < self.dsp_count() + 2:
            self.out.append(pin + 1)
        else:
            self.out.append(0xE0)
            self.int_(pin)
        if 0 <= status <= 2:
            self.out.append(status)
        else:
            self.out.append(0xF0)
            self.out += struct.pack("<I", status & 0xFFFFFFFF)
        how = 0x80 | (1 if write is not None else 0) | (2 if whole else 0)
        self.out.append(how)
        if write is not None:
            if self.to_dsp_pin(pin):
                self.formula(write)
            else:
                self.word(write)
        return self

    def other(self, kind, value=0, value2=0, extra=0, second=False):
        self.op(5, second)
        for v in (kind, value, value2, extra):
            self.int_(v)
        return self

    def clock(self, pos, second=False):
        self.op(6, second)
        if self.family == "volts":
            self.out += struct.pack("<H", pos)
        else:
            self.out += struct.pack("<I", pos & 0xFFFFFFFF)
        return self

    # which: 0 A, 1 B, 2 C, 3 A and B; mode: 0 listed words, 1 constant,
    # 2 random bits, 3 random special patterns
    def fill(self, which, mode, offset, count, seed=1, words=(), second=False):
        self.op(7, second)
        self.out.append(which | mode << 2)
        self.out += struct.pack("<HHI", offset, count, seed)
        if mode == 1:
            self.word(words[0])
        if mode == 0:
            targets = 2 if which == 3 else 1
            for n in range(min(count, 48)):
                for _ in range(targets):
                    self.word(words[n % len(words)])
        return self

    def process(self, offset, frames, second=False):
        self.op(8, second)
        self.out += struct.pack("<HH", offset, frames)
        return self

    def poke(self, dsp_pin, value, second=False):
        self.op(9, second)
        self.out.append(dsp_pin)
        if self.to_dsp_pin(dsp_pin):
            self.int_(value)
        else:
            self.word(value)
        return self

    def block(self, second=False):
        self.op(10, second)
        return self

    def prime(self, pin, value, second=False):
        self.op(11, second)
        self.out.append(pin)
        if self.list_pin(pin):
            self.int_(value)
        else:
            self.word(value)
        return self

    def library(self, index, type_):
        self.op(12)
        self.int_(index)
        self.int_(type_)
        return self

    # ---- common stretches
    def host_open(self, block=64, second=False):
        self.dsp(2, opt=f32(48000.0), second=second)
        self.dsp(3, value=block, second=second)
        self.dsp(0, second=second)
        self.gui(0, 0, second=second)
        return self

    def dsp_count(self):
        return 0 if self.family == "gui" else 5 if self.cap else 4

    def pin_numbers(self):
        if self.family == "volts":
            return (2, 3, 4) if self.cap else (1, 2, 3)
        return (1, 2, 3)


def voltage_seeds(m):
    seeds = {}
    s = Seed(m, capacity=1)  # 64 samples
    a, b, c = s.pin_numbers()
    s.host_open(block=64).library(0, 1).library(1, 1).library(0, 3).library(-1, 2)
    if s.cap:
        s.event(1, 1, write=f32(10.0))
    s.fill(0, 1, 0, 64, words=[f32(0.5)]).fill(1, 1, 0, 64, words=[f32(0.25)])
    s.user(1, 4).flush().clock(3).event(a, 1).event(b, 0)
    for _ in range(5):
        s.block()
    s.user(1, 0).flush().block().user(1, 16).flush().block().user(1, -1).flush().block()
    s.dsp(13).process(0, 0).process(10, 20)
    seeds["static"] = s

    s = Seed(m, capacity=3)  # 1024 samples
    a, b, c = s.pin_numbers()
    s.host_open(block=1024)
    if s.cap:
        s.poke(1, f32(2.0)).event(1, 0)
    s.fill(0, 2, 0, 1024, seed=12345).fill(1, 3, 0, 1024, seed=777)
    s.event(a, 2).event(b, 2)
    for k in range(16):
        s.user(1, k).flush().process(k * 7, 333)
    s.clock(100).event(a, 1)
    for k in (0, 6, 7, 8, 9, 14, 15):
        s.user(1, k).flush().process(5, 1000)
    s.clock(900).event(a, 2).event(b, 1)
    for k in (0, 6, 7, 8, 9, 14, 15):
        s.user(1, k).flush().process(1, 1023)
    s.fill(2, 2, 0, 1024, seed=99).process(500, 17)
    seeds["streams"] = s

    s = Seed(m, count="fewer", count_arg=2, capacity=0, start=1)  # clock wraps
    a, b, c = s.pin_numbers()
    s.dsp(6, 0).dsp(6, 5).dsp(6, -1).dsp(6, 99).dsp(13).dsp(8, 3).dsp(8, -5).dsp(12, 1, 2)
    s.dsp(4).dsp(99).dsp(-1).dsp(14).dsp(3, value=-7).dsp(0).dsp(13)
    s.fill(3, 0, 0, 48, words=SPECIAL)
    s.event(-1, 1).event(99, 2).event(a, 7).event(b, -3).event(0, 2, write=22)
    s.other(2, 5, 0x12345, 3).other(5).other(-1, 1, 1, 1).other(22)
    s.clock(45).event(a, 2).process(0, 256).process(256, 0).process(200, 56)
    s.dsp(0).clock(47).event(a, 1).event(b, 1).process(0, 100)
    s.dsp(3, value=0).process(0, 10).dsp(1)
    seeds["hostile"] = s

    s = Seed(m, notify="reentrant", count="more", count_arg=3, two=True, capacity=1, start=2)
    a, b, c = s.pin_numbers()
    for second in (False, True):
        s.host_open(block=32, second=second)
    s.dsp(13).dsp(13, second=True)
    s.fill(3, 3, 0, 64, seed=5).fill(3, 3, 0, 64, seed=6, second=True)
    s.user(1, 5).user(1, 11, second=True).flush().flush(second=True)
    s.event(a, 2).event(b, 2, second=True).event(c + 1, 1).event(c + 3, 1, second=True)
    s.process(0, 64).process(0, 64, second=True).gui(7, 1).gui(7, 0, second=True)
    s.gui(0, 1).gui(7, 9).gui(10).gui(3, 2).gui(13).flush().process(3, 40)
    seeds["two_reentrant"] = s

    s = Seed(m, no_buffers=True, capacity=2, notify="none")
    a, b, c = s.pin_numbers()
    s.host_open(block=8).event(a, 2).process(0, 16).event(a, 0).process(0, 16)
    s.process(0, 16).user(1, 15).flush().process(0, 3)
    seeds["no_buffers"] = s
    return seeds


def value_seeds(m):
    seeds = {}
    s = Seed(m)
    words = [5, 3, 0x3F800000, 0x40000000, 0x80000000, 0x7FC00000, 0xFFFFFFFF, 1, 0, 2, 0x100]
    s.host_open().library(0, 2).library(2, 1)
    for k in range(16):
        s.user(1, k).flush().clock(1000 + k).event(1, 1, write=words[k % len(words)])
        s.event(2, 1, write=words[(k + 3) % len(words)])
    s.block().process(0, 0).event(0, 2).event(3, 1).user(1, 99).flush()
    seeds["basic"] = s

    s = Seed(m, count="fewer", count_arg=3, start=1)
    s.dsp(3, value=256).dsp(0).gui(0, 1).event(1, 1, write=7).event(2, 2, write=9)
    s.poke(0, 16).event(0, 1).poke(0, -1).event(0, 1).poke(0, -2147483648).event(0, 1)
    s.poke(1, 0xFFFFFF02).event(1, 1).poke(2, 0x00000103).event(2, 1, write=1, whole=True)
    s.clock(0x7FFFFFFF).event(1, 1).other(2, 1, 0x10002, 0).other(3).event(4, 1).event(-1, 1)
    s.dsp(0).event(1, 1).dsp(13).dsp(6, 4).dsp(6, 5).dsp(8, 1).dsp(12)
    seeds["hostile"] = s

    s = Seed(m, notify="reentrant", two=True, count="more", count_arg=5)
    for second in (False, True):
        s.host_open(second=second)
    for k in range(6):
        s.user(1, 3 * k, second=k % 2 == 1).flush(second=k % 2 == 1)
        s.event(1, 1, write=k * 37, second=k % 2 == 0).dsp(13, second=k % 2 == 0)
    s.event(5, 1).event(4, 1, second=True).gui(7, 1).gui(7, 0, second=True).gui(1).user(1, 2)
    seeds["two_reentrant"] = s

    s = Seed(m, no_callback=True)
    s.host_open().event(1, 1, write=5).event(2, 1, write=3).block().dsp(13).user(1, 8).flush()
    s.event(0, 1).dsp(1)
    seeds["no_callback"] = s
    return seeds


def gui_seeds(m):
    seeds = {}
    s = Seed(m)
    s.gui(0, 0).library(0, 1)
    for pin, value in ((1, 12), (2, 10), (0, 0), (0, 16), (0, -1), (4, 0x3F800000), (5, 3),
                       (3, 7), (6, 0xFFFFFFFF), (0, 8), (1, 0x7FC00000), (2, 2)):
        s.user(pin, value)
    for index in range(-1, 10):
        s.gui(7, index)
    s.gui(7, 2147483647).gui(7, -2147483648)
    seeds["notifications"] = s

    s = Seed(m, notify="reentrant")
    s.prime(0, 15).prime(1, 12).prime(2, 10).prime(3, 0).prime(6, 0).gui(0, 1)
    s.gui(7, 3).prime(0, 2147483647).gui(7, 0).prime(0, -5).gui(7, 0).user(4, 1).user(5, 0)
    s.gui(0, 2).user(6, 1)
    seeds["reentrant"] = s

    s = Seed(m, notify="none", two=True)
    s.host_open().host_open(second=True).block().process(0, 0).event(0, 1).event(-1, 2)
    s.other(2).dsp(13).dsp(6, 6).dsp(6, 7).dsp(13, second=True)
    for k in range(8):
        s.user(k % 7, k * 3 + 1, second=k % 2 == 1)
    s.gui(1).gui(7, 1, second=True).dsp(1, second=True)
    seeds["two_none"] = s

    s = Seed(m, count="more", count_arg=4)
    s.dsp(0).gui(0, 0)
    for opcode in (2, 3, 4, 5, 6, 8, 9, 10, 11, 12, 13, 99, -1):
        s.gui(opcode, 3, 7)
    s.user(0, 5).user(1, 1).user(2, 1).block()
    seeds["opcodes"] = s
    return seeds


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "corpus")
    os.makedirs(out, exist_ok=True)
    for name in os.listdir(out):
        os.remove(os.path.join(out, name))
    count = 0
    for m in MODULES:
        if m.startswith("v"):
            seeds = voltage_seeds(m)
        elif m.startswith("g"):
            seeds = gui_seeds(m)
        else:
            seeds = value_seeds(m)
        for name, seed in seeds.items():
            with open(os.path.join(out, f"{m}_{name}"), "wb") as f:
                f.write(seed.out)
            count += 1
    print(f"{count} seeds in {out}")


if __name__ == "__main__":
    main()
