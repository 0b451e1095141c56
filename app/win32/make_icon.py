#!/usr/bin/env python3
"""Writes dbasetool.ico: a blue table cylinder with a white arrow, at 16, 32 and 48 pixels.

Run from this folder: python3 make_icon.py. The .ico is committed; rerun only to change it.
"""
import struct


def pixel(size, x, y):
    """BGRA of one pixel: a database cylinder with a right arrow over it."""
    u = (x + 0.5) / size
    v = (y + 0.5) / size
    left, right, top, bottom = 0.12, 0.88, 0.16, 0.86
    rx = (right - left) / 2
    cx = (left + right) / 2
    ry = 0.09
    inside_body = left <= u <= right and top <= v <= bottom
    top_cap = ((u - cx) / rx) ** 2 + ((v - top) / ry) ** 2 <= 1
    bottom_cap = ((u - cx) / rx) ** 2 + ((v - bottom) / ry) ** 2 <= 1
    if not (inside_body or top_cap or bottom_cap):
        return (0, 0, 0, 0)
    # the arrow: a shaft and a head pointing right
    shaft = 0.30 <= u <= 0.58 and 0.46 <= v <= 0.60
    head = 0.58 <= u <= 0.78 and abs(v - 0.53) <= (0.78 - u) * 0.9
    if shaft or head:
        return (255, 255, 255, 255)
    if top_cap:
        return (230, 170, 90, 255)  # lighter lid
    rim = any(abs(v - (top + k * (bottom - top) / 3)) < 0.6 / size for k in (1, 2))
    if rim:
        return (120, 60, 20, 255)
    return (200, 110, 40, 255)


def image(size):
    rows = []
    for y in reversed(range(size)):  # DIBs are stored bottom-up
        rows.append(b"".join(bytes(pixel(size, x, y)) for x in range(size)))
    xor = b"".join(rows)
    mask_row = ((size + 31) // 32) * 4
    and_mask = bytes(mask_row * size)  # the alpha channel decides; the mask stays clear
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(and_mask),
                         0, 0, 0, 0)
    return header + xor + and_mask


def main():
    sizes = [16, 32, 48]
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for size, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    with open("dbasetool.ico", "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
