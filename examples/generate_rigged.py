#!/usr/bin/env python3
"""Writes rigged.mqo, the bundled example of a rigged model: bones drawn as
triangles in a "bone:" object, the skin in "sdef:" objects (the limbs drawn on
the left and mirrored by the modeller) and hidden anchor boxes that say which
bone each part of the skin follows. Mode 9 with RIG=1 converts it
(rigged-mdm.cfg).

Run from anywhere: python3 examples/generate_rigged.py
"""
import os

HERE = os.path.dirname(os.path.abspath(__file__))

MATERIALS = ["skin", "Spine", "Head", "Arm[]", "Forearm[]", "Thigh[]", "Shin[]", "hat"]

# Bones: material, head, tip (y up, the figure faces +z, its left is +x).
SPINE = ("Spine", (0, 95, 0), (0, 150, 0))
HEAD = ("Head", (0, 155, 0), (0, 188, 0))
ARM = ("Arm[]", (12, 150, 0), (40, 150, 0))
FOREARM = ("Forearm[]", (40, 150, 0), (66, 150, 0))
THIGH = ("Thigh[]", (9, 95, 0), (9, 50, 0))
SHIN = ("Shin[]", (9, 50, 0), (9, 5, 0))


def mirrored(bone):
    name, h, t = bone
    return name, (-h[0], h[1], h[2]), (-t[0], t[1], t[2])


def fmt(p):
    return "%.4f %.4f %.4f" % p


def tube(head, tip, half, rings):
    """A closed square tube from head to tip: `rings` + 1 rings of four
    vertices, quads between them and a cap at each end. Returns vertices and
    faces (corner lists)."""
    axis = [t - h for h, t in zip(head, tip)]
    along = max(range(3), key=lambda k: abs(axis[k]))
    across = [k for k in range(3) if k != along]
    vertices, faces = [], []
    for r in range(rings + 1):
        c = [h + a * r / rings for h, a in zip(head, axis)]
        for du, dv in ((-1, -1), (1, -1), (1, 1), (-1, 1)):
            p = list(c)
            p[across[0]] += du * half
            p[across[1]] += dv * half
            vertices.append(tuple(p))
    for r in range(rings):
        for k in range(4):
            a, b = 4 * r + k, 4 * r + (k + 1) % 4
            faces.append([a, b, b + 4, a + 4])
    faces.append([3, 2, 1, 0])
    faces.append([4 * rings, 4 * rings + 1, 4 * rings + 2, 4 * rings + 3])
    return vertices, faces


def box(low, high):
    vertices = [(high[0] if c & 1 else low[0], high[1] if c & 2 else low[1],
                 high[2] if c & 4 else low[2]) for c in range(8)]
    faces = [[0, 2, 3, 1], [4, 5, 7, 6], [0, 1, 5, 4], [2, 6, 7, 3], [0, 4, 6, 2], [1, 3, 7, 5]]
    return vertices, faces


class Obj:
    def __init__(self, name, visible=15, mirror=False):
        self.name, self.visible, self.mirror = name, visible, mirror
        self.vertices, self.faces = [], []

    def add(self, part, material):
        vertices, faces = part
        base = len(self.vertices)
        self.vertices += vertices
        self.faces += [([base + v for v in f], material) for f in faces]

    def text(self):
        out = ['Object "%s" {' % self.name, "\tvisible %d" % self.visible, "\tlocking 0",
               "\tshading 1", "\tfacet 59.5", "\tcolor 0.898 0.498 0.698", "\tcolor_type 0"]
        if self.mirror:
            out += ["\tmirror 1", "\tmirror_axis 1"]
        out.append("\tvertex %d {" % len(self.vertices))
        out += ["\t\t" + fmt(v) for v in self.vertices]
        out.append("\t}")
        out.append("\tface %d {" % len(self.faces))
        for corners, material in self.faces:
            m = "" if material is None else " M(%d)" % material
            out.append("\t\t%d V(%s)%s" % (len(corners), " ".join(map(str, corners)), m))
        out += ["\t}", "}"]
        return "\n".join(out)


def material(name):
    return MATERIALS.index(name)


def segment_box(bone, grow, overlap):
    """The anchor box round a bone: `grow` beyond the skin across it, reaching
    `overlap` past its ends."""
    _, h, t = bone
    low = [min(a, b) for a, b in zip(h, t)]
    high = [max(a, b) for a, b in zip(h, t)]
    along = max(range(3), key=lambda k: abs(t[k] - h[k]))
    for k in range(3):
        d = overlap if k == along else grow
        low[k] -= d
        high[k] += d
    return box(low, high)


def main():
    body = Obj("sdef:body")
    body.add(tube((0, 95, 0), (0, 150, 0), 10, 6), 0)
    body.add(tube((0, 152, 0), (0, 186, 0), 7, 3), 0)
    limbs = Obj("sdef:limbs", mirror=True)
    limbs.add(tube((12, 150, 0), (40, 150, 0), 3.5, 4), 0)
    limbs.add(tube((40, 150, 0), (66, 150, 0), 3, 4), 0)
    limbs.add(tube((9, 93, 0), (9, 50, 0), 4.5, 5), 0)
    limbs.add(tube((9, 50, 0), (9, 3, 0), 4, 5), 0)

    # The skeleton: heads and tips shared where bones meet, lines to the
    # floating arms and head. Up vertices lie forward (+z) of each head.
    bones = Obj("bone:skeleton", visible=0)
    index = {}

    def vertex(p):
        if p not in index:
            index[p] = len(bones.vertices)
            bones.vertices.append(p)
        return index[p]

    for bone in (SPINE, HEAD, ARM, FOREARM, THIGH, SHIN, mirrored(ARM), mirrored(FOREARM),
                 mirrored(THIGH), mirrored(SHIN)):
        name, h, t = bone
        length = sum(abs(a - b) for a, b in zip(h, t))
        up = (h[0], h[1], h[2] + length / 4)
        bones.faces.append(([vertex(h), vertex(t), vertex(up)], material(name)))
    for end in (HEAD[1], ARM[1], mirrored(ARM)[1]):
        bones.faces.append(([vertex(SPINE[2]), vertex(end)], None))

    anchors = Obj("anchor|body", visible=0)
    for bone in (SPINE, HEAD):
        anchors.add(segment_box(bone, 13 if bone is SPINE else 10, 3), material(bone[0]))
    limb_anchors = Obj("anchor|limbs", visible=0, mirror=True)
    for bone in (ARM, FOREARM, THIGH, SHIN):
        limb_anchors.add(segment_box(bone, 6, 3), material(bone[0]))

    # A hat that follows the head whole: its name ends in "-Head".
    hat = Obj("hat-Head")
    hat.add(([(-9, 186, -9), (9, 186, -9), (9, 186, 9), (-9, 186, 9), (0, 200, 0)],
             [[3, 2, 1, 0], [0, 1, 4], [1, 2, 4], [2, 3, 4], [3, 0, 4]]), material("hat"))

    text = ["Metasequoia Document", "Format Text Ver 1.0", "", "Scene {",
            "\tpos 0.0000 0.0000 1500.0000", "\tlookat 0.0000 0.0000 0.0000", "\thead -0.5236",
            "\tpich 0.5236", "\tortho 0", "\tzoom2 5.0000", "\tamb 0.250 0.250 0.250", "}",
            "Material %d {" % len(MATERIALS)]
    text += ['\t"%s" col(0.800 0.700 0.600 1.000) dif(0.800) amb(0.600) emi(0.000) spc(0.000) '
             'power(5.00)' % m for m in MATERIALS]
    text.append("}")
    for o in (body, limbs, bones, anchors, limb_anchors, hat):
        text.append(o.text())
    text.append("Eof")
    with open(os.path.join(HERE, "rigged.mqo"), "w", newline="\r\n") as f:
        f.write("\n".join(text) + "\n")


if __name__ == "__main__":
    main()
