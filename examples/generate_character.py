#!/usr/bin/env python3
"""Writes the bundled example character: character.mqo (a small figure with a
19-bone skeleton drawn as marker triangles, tags and three textured mesh
objects) and character-tags.mdm (the reference MDM whose tags mode 9 copies; its
attach bones and bone lists use the skeleton's numbering, bones in material
order).

Run from anywhere: python3 examples/generate_character.py
"""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# Joints of the figure, y up, about 700 units tall.
JOINTS = {
    "hip_c": (0, 380, 0), "waist": (0, 430, 0), "chest": (0, 510, 0),
    "neck_base": (0, 590, 0), "head_base": (0, 625, 0), "head_top": (0, 700, 0),
}
for side, sx in (("l", 1), ("r", -1)):
    JOINTS.update({
        f"shoulder_{side}": (60 * sx, 585, 0), f"elbow_{side}": (160 * sx, 585, 0),
        f"wrist_{side}": (255 * sx, 585, 0), f"hand_{side}": (300 * sx, 585, 0),
        f"hip_{side}": (35 * sx, 370, 0), f"knee_{side}": (38 * sx, 200, 5),
        f"ankle_{side}": (40 * sx, 40, 0), f"toe_{side}": (40 * sx, 5, 60),
    })

# Bones in material order: name, origin joint, forward joint, mesh object,
# material and half-width of the limb drawn around it.
BONES = [
    ("pelvis", "hip_c", "waist", "body", "pants", 45),
    ("spine_lower", "waist", "chest", "body", "shirt", 42),
    ("spine_upper", "chest", "neck_base", "body", "shirt", 48),
    ("neck", "neck_base", "head_base", "body", "skin", 14),
    ("head", "head_base", "head_top", "body", "skin", 32),
]
for side in ("l", "r"):
    BONES += [
        (f"{side}_clavicle", "neck_base", f"shoulder_{side}", "arms", "shirt", 16),
        (f"{side}_upperarm", f"shoulder_{side}", f"elbow_{side}", "arms", "shirt", 17),
        (f"{side}_forearm", f"elbow_{side}", f"wrist_{side}", "arms", "skin", 14),
        (f"{side}_hand", f"wrist_{side}", f"hand_{side}", "arms", "skin", 12),
    ]
for side in ("l", "r"):
    BONES += [
        (f"{side}_thigh", f"hip_{side}", f"knee_{side}", "legs", "pants", 26),
        (f"{side}_calf", f"knee_{side}", f"ankle_{side}", "legs", "pants", 20),
        (f"{side}_foot", f"ankle_{side}", f"toe_{side}", "legs", "boots", 16),
    ]
BONE_INDEX = {b[0]: i for i, b in enumerate(BONES)}

# Tags of the skeleton: name, bone it hangs on (its origin is that bone's forward joint).
SKELETON_TAGS = [("tag_head", "head"), ("tag_weapon", "r_hand"), ("tag_back", "spine_upper")]

SHADER_MATERIALS = [
    ("skin", (1.0, 0.8, 0.7), "textures/skin.tga"),
    ("shirt", (0.3, 0.4, 0.6), "textures/shirt.tga"),
    ("pants", (0.3, 0.3, 0.25), "textures/pants.tga"),
    ("boots", (0.2, 0.15, 0.1), "textures/boots.tga"),
]
MATERIALS = [m[0] for m in SHADER_MATERIALS] + ["bone:" + b[0] for b in BONES] + [
    "tag:" + t[0] for t in SKELETON_TAGS]


def sub(a, b):
    return tuple(x - y for x, y in zip(a, b))


def add(a, b):
    return tuple(x + y for x, y in zip(a, b))


def scale(a, s):
    return tuple(x * s for x in a)


def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def unit(a):
    n = math.sqrt(sum(x * x for x in a))
    return scale(a, 1.0 / n)


def side_vectors(axis):
    """Two unit vectors perpendicular to the bone axis."""
    helper = (0.0, 0.0, 1.0) if abs(axis[2]) < 0.9 else (1.0, 0.0, 0.0)
    p1 = unit(cross(axis, helper))
    return p1, unit(cross(axis, p1))


def up_offset(axis):
    """The up vertex of a marker: a short step across the bone, tilted a little
    so that no marker is exactly axis-aligned."""
    p1, p2 = side_vectors(axis)
    return add(scale(p2, 8.0), scale(p1, 0.5))


def fmt(v):
    return " ".join(f"{x:.4f}" for x in v)


class MqoObject:
    def __init__(self, name):
        self.name = name
        self.vertices = []
        self.faces = []

    def vertex(self, p):
        self.vertices.append(p)
        return len(self.vertices) - 1

    def text(self):
        lines = [f'Object "{self.name}" {{', "\tdepth 0", "\tfolding 0",
                 "\tscale 1.000000 1.000000 1.000000", "\trotation 0.000000 0.000000 0.000000",
                 "\ttranslation 0.000000 0.000000 0.000000", "\tvisible 15", "\tlocking 0",
                 "\tshading 1", "\tfacet 59.5", "\tcolor 0.898 0.498 0.698", "\tcolor_type 0",
                 f"\tvertex {len(self.vertices)} {{"]
        lines += [f"\t\t{fmt(v)}" for v in self.vertices]
        lines += ["\t}", f"\tface {len(self.faces)} {{"]
        lines += [f"\t\t{f}" for f in self.faces]
        lines += ["\t}", "}"]
        return lines


def add_limb(obj, origin, forward, half_width, material):
    """A box around the segment from origin to forward: 8 vertices, 12 triangles."""
    axis = unit(sub(forward, origin))
    p1, p2 = side_vectors(axis)
    corners = []
    for end, v in ((origin, 0.0), (forward, 1.0)):
        for k, (a, b) in enumerate(((-1, -1), (1, -1), (1, 1), (-1, 1))):
            p = add(end, add(scale(p1, a * half_width), scale(p2, b * half_width)))
            corners.append((obj.vertex(p), (k / 3.0, v)))
    quads = [(0, 1, 2, 3), (7, 6, 5, 4), (0, 4, 5, 1), (1, 5, 6, 2), (2, 6, 7, 3), (3, 7, 4, 0)]
    for q in quads:
        for tri in ((q[0], q[1], q[2]), (q[0], q[2], q[3])):
            idx = " ".join(str(corners[c][0]) for c in tri)
            uv = " ".join(f"{corners[c][1][0]:.5f} {corners[c][1][1]:.5f}" for c in tri)
            obj.faces.append(f"3 V({idx}) M({material}) UV({uv})")


def build_mqo():
    material_index = {name: i for i, name in enumerate(MATERIALS)}
    meshes = {name: MqoObject(name) for name in ("body", "arms", "legs")}
    for name, o, f, mesh, material, width in BONES:
        add_limb(meshes[mesh], JOINTS[o], JOINTS[f], width, material_index[material])

    bone = MqoObject("bone")
    joint_vertex = {name: bone.vertex(p) for name, p in JOINTS.items()}
    for name, o, f, *_ in BONES:
        axis = unit(sub(JOINTS[f], JOINTS[o]))
        up = bone.vertex(add(JOINTS[o], up_offset(axis)))
        bone.faces.append(f"3 V({joint_vertex[o]} {joint_vertex[f]} {up}) "
                          f"M({material_index['bone:' + name]})")
    # The thighs start at the hip joints, which end no bone: a line from each hip
    # to the pelvis's forward joint makes that joint their alternate origin.
    for side in ("l", "r"):
        bone.faces.append(f"2 V({joint_vertex['hip_' + side]} {joint_vertex['waist']})")
    tag_objects = []
    for tag, on in SKELETON_TAGS:
        origin = JOINTS[BONES[BONE_INDEX[on]][2]]
        axis = unit(sub(origin, JOINTS[BONES[BONE_INDEX[on]][1]]))
        forward = add(origin, scale(axis, 20.0))
        up = add(origin, up_offset(axis))
        o = joint_vertex[BONES[BONE_INDEX[on]][2]]
        bone.faces.append(f"3 V({o} {bone.vertex(forward)} {bone.vertex(up)}) "
                          f"M({material_index['tag:' + tag]})")
        tag_object = MqoObject("tag:" + tag)
        for p in (origin, forward, up):
            tag_object.vertex(p)
        tag_object.faces.append("3 V(0 1 2)")
        tag_objects.append(tag_object)

    lines = ["Metasequoia Document", "Format Text Ver 1.0", "", "Scene {",
             "\tpos 0.0000 0.0000 1500.0000", "\tlookat 0.0000 350.0000 0.0000",
             "\thead -0.5236", "\tpich 0.3491", "\tortho 0", "\tzoom2 5.0000",
             "\tamb 0.250 0.250 0.250", "}", f"Material {len(MATERIALS)} {{"]
    for name in MATERIALS:
        shader = next((m for m in SHADER_MATERIALS if m[0] == name), None)
        if shader:
            r, g, b = shader[1]
            lines.append(f'\t"{name}" shader(3) col({r:.3f} {g:.3f} {b:.3f} 1.000) dif(0.800) '
                         f'amb(0.600) emi(0.000) spc(0.000) power(5.00) tex("{shader[2]}")')
        else:
            lines.append(f'\t"{name}" col(1.000 1.000 1.000 1.000) dif(0.800) amb(0.600) '
                         f'emi(0.000) spc(0.000) power(5.00)')
    lines.append("}")
    for obj in list(meshes.values()) + [bone] + tag_objects:
        lines += obj.text()
    lines.append("Eof")
    with open(os.path.join(HERE, "character.mqo"), "w", newline="\r\n") as out:
        out.write("\n".join(lines) + "\n")


def ancestors(bone):
    """Bone numbers from the root down to `bone`."""
    chain = []
    name = BONES[bone][0]
    while True:
        chain.append(BONE_INDEX[name])
        origin = BONES[BONE_INDEX[name]][1]
        parents = [b for b in BONES if b[2] == origin]
        if not parents:
            if name.endswith("thigh"):
                parents = [BONES[BONE_INDEX["pelvis"]]]
            else:
                break
        name = parents[0][0]
    return list(reversed(chain))


def build_reference_mdm():
    tags = b""
    for tag, on in SKELETON_TAGS:
        bone = BONE_INDEX[on]
        refs = ancestors(bone)
        name = tag.encode().ljust(64, b"\0")
        axis = struct.pack("<9f", 1, 0, 0, 0, 1, 0, 0, 0, 1)
        end = 128 + 4 * len(refs)
        record = name + axis + struct.pack("<i3f3i", bone, 1.0, 0.0, 0.0, len(refs), 128, end)
        tags += record + struct.pack(f"<{len(refs)}i", *refs)
    header = b"MDMW" + struct.pack("<i", 3)
    header += b"models/players/example/character/body.mdm".ljust(64, b"\0")
    header += struct.pack("<2f5i", 1.0, 0.0, 0, 100, len(SKELETON_TAGS), 100, 100 + len(tags))
    with open(os.path.join(HERE, "character-tags.mdm"), "wb") as out:
        out.write(header + tags)


if __name__ == "__main__":
    build_mqo()
    build_reference_mdm()
