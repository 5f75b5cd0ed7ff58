#!/usr/bin/python3
"""Writes the photolithography examples: two mask images, two layouts, the
recipe resist_expose_and_etch.plst and the deep etch of a comb,
drie_comb.plst with masks/drie_comb.gds. Run from anywhere with Debian's python3
(the layout needs python3-gdspy):

    /usr/bin/python3 examples/make_lithography_example.py
"""
import os
import struct
import zlib

import gdspy

HERE = os.path.dirname(os.path.abspath(__file__))
SIZE = 48


def write_png(path, rows):
    """rows: top row first, each a list of (r, g, b)."""
    raw = b''.join(b'\x00' + bytes(c for px in row for c in px) for row in rows)

    def chunk(kind, data):
        return (struct.pack('>I', len(data)) + kind + data
                + struct.pack('>I', zlib.crc32(kind + data) & 0xffffffff))

    with open(path, 'wb') as f:
        f.write(b'\x89PNG\r\n\x1a\n')
        f.write(chunk(b'IHDR', struct.pack('>IIBBBBB', len(rows[0]), len(rows), 8, 2, 0, 0, 0)))
        f.write(chunk(b'IDAT', zlib.compress(raw, 9)))
        f.write(chunk(b'IEND', b''))


def image(opaque, ink, paper):
    """opaque(i, j) in cell coordinates, j = 0 at the bottom row."""
    return [[ink if opaque(i, SIZE - 1 - r) else paper for i in range(SIZE)] for r in range(SIZE)]


# Openings (transparent) in a black mask: two squares and a line.
OPENINGS = [(8, 16, 8, 16), (28, 40, 8, 16), (8, 40, 30, 34)]


def opening(i, j):
    return any(x0 <= i < x1 and y0 <= j < y1 for x0, x1, y0, y1 in OPENINGS)


def black_with_openings(i, j):
    return not opening(i, j)


def red_lines(i, j):
    return i % 12 < 4


def write_layout(path):
    lib = gdspy.GdsLibrary(unit=1e-6, precision=1e-9)
    top = gdspy.Cell('CROSS')
    lib.add(top)
    top.add(gdspy.Rectangle((20, 4), (28, 44), layer=1))
    top.add(gdspy.Rectangle((4, 20), (44, 28), layer=1))
    top.add(gdspy.Rectangle((0, 0), (SIZE, SIZE), layer=63))  # die outline
    lib.write_gds(path)


def parameter(name, kind, data, visible):
    return ('        <Parameter parameter-name="%s" parameter-type="%s" parameter-data="%s" '
            'parameter-visibility="%s"/>\n' % (name, kind, data, 'true' if visible else 'false'))


def material(name, ident, color):
    return (parameter('Material', 'QString', name, True) + parameter('MaterialId', 'uint', ident, False)
            + parameter('Material_Color', 'QColor', color, False))


def write_recipe(path):
    bits = ''.join('1' if black_with_openings(i, j) else '0' for i in range(SIZE) for j in range(SIZE))
    steps = [
        ('11', parameter('Lower Left Front Corner', 'Util::Vector3D', '0;0;0', True) + material('Si', 1, '#7f7f7f')
         + parameter('SphericalSubstrate', 'bool', 'false', False)
         + ''.join(parameter('Substrate Delta ' + a, 'uint', 0, True) for a in 'XYZ')
         + parameter('Substrate Size X', 'uint', SIZE, True) + parameter('Substrate Size Y', 'uint', SIZE, True)
         + parameter('Substrate Size Z', 'uint', 10, True)
         + parameter('Volume Size X', 'uint', SIZE, True) + parameter('Volume Size Y', 'uint', SIZE, True)
         + parameter('Volume Size Z', 'uint', 24, True)),
        ('4', material('Thermal Si02', 3, '#7f7fff') + parameter('Thickness', 'double', 2, True)),
        # The resist is laid down as an isotropic film of "Photoresist +".
        ('4', material('Photoresist +', 11, '#ff7f7f') + parameter('Thickness', 'double', 3, True)),
        ('0', parameter('Bottom Mask', 'vector', '', False) + parameter('Bottom Mask File', 'QString', '', True)
         + parameter('Bottom Mask Height', 'uint', 0, True) + parameter('Bottom Mask Width', 'uint', 0, True)
         + material('Photoresist +', 11, '#ff7f7f')
         + parameter('Top Mask', 'vector', bits, False)
         + parameter('Top Mask File', 'QString', 'masks/openings_48.png', True)
         + parameter('Top Mask Height', 'uint', SIZE, True) + parameter('Top Mask Width', 'uint', SIZE, True)),
        ('5', parameter('Depth', 'double', 2, True) + material('Thermal Si02', 3, '#7f7fff')),
    ]
    with open(path, 'w') as f:
        f.write('<?xml version="1.0" encoding="UTF-8"?>\n<Process-List>\n')
        for kind, body in steps:
            f.write('    <Process-Data process-type="%s">\n%s    </Process-Data>\n' % (kind, body))
        f.write('</Process-List>\n')


# The comb: slots 2, 4 and 8 um wide and 6 um long, 4 um apart, in a die of
# 30 x 10 um drawn on cells of 0.1 um. The layout's polygons are opaque: the
# resist stays under them.
COMB_DIE = (30.0, 10.0)
COMB_SLOTS = [(4.0, 2.0), (10.0, 4.0), (18.0, 8.0)]  # (left edge, width) in um
COMB_Y = (2.0, 8.0)
COMB_CELL = 0.1


def write_comb_layout(path):
    lib = gdspy.GdsLibrary(unit=1e-6, precision=1e-9)
    top = gdspy.Cell('DRIE_COMB')
    lib.add(top)
    width, height = COMB_DIE
    y0, y1 = COMB_Y
    top.add(gdspy.Rectangle((0, 0), (width, y0), layer=1))
    top.add(gdspy.Rectangle((0, y1), (width, height), layer=1))
    left = 0.0
    for x, w in COMB_SLOTS:
        top.add(gdspy.Rectangle((left, y0), (x, y1), layer=1))
        left = x + w
    top.add(gdspy.Rectangle((left, y0), (width, y1), layer=1))
    lib.write_gds(path)


def write_comb_recipe(path):
    nx, ny = int(round(COMB_DIE[0] / COMB_CELL)), int(round(COMB_DIE[1] / COMB_CELL))
    nz = 150
    steps = [
        ('11', parameter('Lower Left Front Corner', 'Util::Vector3D', '0;0;0', True) + material('Si', 1, '#7f7f7f')
         + parameter('SphericalSubstrate', 'bool', 'false', False)
         + ''.join(parameter('Substrate Delta ' + a, 'uint', 0, True) for a in 'XYZ')
         + parameter('Substrate Size X', 'uint', nx, True) + parameter('Substrate Size Y', 'uint', ny, True)
         + parameter('Substrate Size Z', 'uint', 120, True)
         + parameter('Volume Size X', 'uint', nx, True) + parameter('Volume Size Y', 'uint', ny, True)
         + parameter('Volume Size Z', 'uint', nz, True)
         + ''.join(parameter('Cell Size ' + a, 'double', COMB_CELL, True) for a in 'XYZ')),
        # 1 um of positive resist, developed through the comb layout.
        ('4', material('Photoresist +', 11, '#ff7f7f') + parameter('Thickness', 'double', 1, True)),
        ('0', parameter('Bottom Mask', 'vector', '', False) + parameter('Bottom Mask File', 'QString', '', True)
         + parameter('Bottom Mask Height', 'uint', 0, True) + parameter('Bottom Mask Width', 'uint', 0, True)
         + material('Photoresist +', 11, '#ff7f7f')
         + parameter('Top Mask', 'vector', '', False)
         + parameter('Top Mask File', 'QString', 'masks/drie_comb.gds', True)
         + parameter('Top Mask Height', 'uint', 0, True) + parameter('Top Mask Width', 'uint', 0, True)),
        # 20 cycles of 0.5 um under a 0.05 um coat: the 2 um slot lags the 8 um one.
        ('18', material('Si', 1, '#7f7f7f') + parameter('Cycles', 'uint', 20, True)
         + parameter('Etch Per Cycle', 'double', 0.5, True)
         + parameter('Passivation Thickness', 'double', 0.05, True) + parameter('ARDE', 'bool', 'true', True)),
    ]
    with open(path, 'w') as f:
        f.write('<?xml version="1.0" encoding="UTF-8"?>\n<Process-List>\n')
        for kind, body in steps:
            f.write('    <Process-Data process-type="%s">\n%s    </Process-Data>\n' % (kind, body))
        f.write('</Process-List>\n')


if __name__ == '__main__':
    write_png(os.path.join(HERE, 'masks', 'openings_48.png'), image(black_with_openings, (0, 0, 0), (255, 255, 255)))
    write_png(os.path.join(HERE, 'masks', 'red_lines_48.png'), image(red_lines, (255, 0, 0), (255, 255, 255)))
    write_layout(os.path.join(HERE, 'masks', 'cross_layer1.gds'))
    write_recipe(os.path.join(HERE, 'resist_expose_and_etch.plst'))
    write_comb_layout(os.path.join(HERE, 'masks', 'drie_comb.gds'))
    write_comb_recipe(os.path.join(HERE, 'drie_comb.plst'))
