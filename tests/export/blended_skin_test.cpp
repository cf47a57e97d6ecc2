// Blended weights as the engine sees them: the MDM written from a blended mesh,
// skinned with the engine's rule, keeps the model at rest and bends an elbow
// without folding its skin, where the rigid binding folds it.
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <vector>

#include "base/vector_fields.hpp"
#include "export/mdm_writer.hpp"
#include "mesh/blend_weights.hpp"
#include "mesh/bone_binding.hpp"
#include "skeletal/engine_pose.hpp"
#include "skeletal/skeletal_layout.hpp"
#include "support/mqo_model.hpp"
#include "support/mqo_text.hpp"
#include "support/scratch.hpp"

using namespace ossify;
using namespace ossify_test;

namespace {

// The MDM of a model with its skeleton, bound rigidly (0) or blended over N bones.
struct skinned {
    mqo_model model;
    work_buffer mdm = make_work_buffer(1 << 20);

    skinned(const std::string& document, int blend) : model(document) {
        EXPECT_GT(model.build_bones(0), 0);
        EXPECT_GT(model.build_mesh(), 0);
        capture_stdout([&] {
            if (blend > 0) {
                EXPECT_EQ(blend_skin_weights(model.mesh.region, model.bones.region, blend), 1);
            }
            EXPECT_GT(build_mdm_from_mesh(model.mesh.region, mdm.region, model.bones.region), 0);
        });
    }

    // The skeleton as drawn: each bone at a tenth of its origin, turned as the
    // binding measured its bone-local positions.
    std::vector<posed_bone> drawn_pose() const {
        std::vector<posed_bone> pose;
        for (std::int32_t b = 0; b < get_i32(model.bones.region, boneobj_header::num_bone); ++b) {
            const vector3 o =
                get_vector3(model.bones.region, bone_record_at(b) + bone_record::origin_position);
            const vector3 a =
                get_vector3(model.bones.region, bone_record_at(b) + bone_record::angles);
            const mat3 t = bone_local_rotation(a.x, a.y, a.z);
            const auto row = [&](int r) {
                return dvec3{t.m[3 * r], t.m[3 * r + 1], t.m[3 * r + 2]};
            };
            pose.push_back({{0.1 * o.x, 0.1 * o.y, 0.1 * o.z}, {row(0), row(1), row(2)}});
        }
        return pose;
    }

    offset_t surface_at(int s) const {
        offset_t at = get_i32(mdm.region, mdm_header::ofs_surfaces);
        for (int i = 0; i < s; ++i)
            at += get_i32(mdm.region, at + mdm_surface::ofs_end);
        return at;
    }

    // Every vertex of surface `s` skinned on `pose` with its MDM weights.
    std::vector<dvec3> skin(int s, const std::vector<posed_bone>& pose) const {
        const byte_region& m = mdm.region;
        const offset_t surface = surface_at(s);
        offset_t at = surface + get_i32(m, surface + mdm_surface::ofs_verts);
        std::vector<dvec3> out;
        for (std::int32_t v = 0; v < get_i32(m, surface + mdm_surface::num_verts); ++v) {
            std::vector<engine_weight> weights;
            const std::int32_t n = get_i32(m, at + mdm_vertex::num_weights);
            at += mdm_vertex::size;
            for (std::int32_t k = 0; k < n; ++k, at += skin_weight::size) {
                const vector3 o = get_vector3(m, at + skin_weight::offset);
                weights.push_back({get_i32(m, at + skin_weight::bone),
                                   get_f32(m, at + skin_weight::weight),
                                   {o.x, o.y, o.z}});
            }
            out.push_back(skin_vertex(weights, pose));
        }
        return out;
    }

    std::vector<std::array<std::int32_t, 3>> triangles(int s) const {
        const byte_region& m = mdm.region;
        const offset_t surface = surface_at(s);
        const offset_t at = surface + get_i32(m, surface + mdm_surface::ofs_triangles);
        std::vector<std::array<std::int32_t, 3>> out;
        for (std::int32_t t = 0; t < get_i32(m, surface + mdm_surface::num_triangles); ++t)
            out.push_back({get_i32(m, at + 12 * t), get_i32(m, at + 12 * t + 4),
                           get_i32(m, at + 12 * t + 8)});
        return out;
    }
};

dvec3 sub(const dvec3& a, const dvec3& b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}

dvec3 cross(const dvec3& a, const dvec3& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

// The point of segment a-b nearest to p.
dvec3 nearest_on(const dvec3& p, const dvec3& a, const dvec3& b) {
    const dvec3 axis = sub(b, a);
    const double t = std::clamp(dot3(sub(p, a), axis) / dot3(axis, axis), 0.0, 1.0);
    return {a[0] + t * axis[0], a[1] + t * axis[1], a[2] + t * axis[2]};
}

// A tube of radius 2 round an arm of two bones along x (shoulder at 0, elbow
// at 10, wrist at 20): rings every unit, eight sides, quads split in two.
std::string arm_model() {
    std::vector<std::string> tube, faces;
    for (int i = 0; i <= 20; ++i)
        for (int j = 0; j < 8; ++j) {
            const double a = j * std::numbers::pi / 4;
            tube.push_back(std::to_string(i) + " " + std::to_string(2 * std::cos(a)) + " " +
                           std::to_string(2 * std::sin(a)));
        }
    for (int i = 0; i < 20; ++i)
        for (int j = 0; j < 8; ++j) {
            const int a = 8 * i + j, b = 8 * i + (j + 1) % 8, c = a + 8, d = b + 8;
            faces.push_back("3 V(" + std::to_string(a) + " " + std::to_string(b) + " " +
                            std::to_string(d) + ") M(0)");
            faces.push_back("3 V(" + std::to_string(a) + " " + std::to_string(d) + " " +
                            std::to_string(c) + ") M(0)");
        }
    return mqo_document(material_chunk({material_line("skin"), material_line("bone:upper"),
                                        material_line("bone:fore")}) +
                        object_chunk("bone", {"0 0 0", "10 0 0", "0 0.3 2", "20 0 0", "10 0.3 2"},
                                     {"3 V(0 1 2) M(1)", "3 V(1 3 4) M(2)"}) +
                        object_chunk("arm", tube, faces));
}

// The smallest share of its rest area a triangle keeps with the forearm bent
// 90 degrees about z at the elbow; negative when one turns over (its normal
// swaps sides of the bent bones).
double worst_triangle_at_bend(const skinned& arm) {
    const std::vector<posed_bone> rest = arm.drawn_pose();
    std::vector<posed_bone> bent = rest;
    // The forearm's rotation turned about z: each row is Rz applied to the rows.
    const bone_rotation& r = rest[1].rotation;
    bent[1].rotation = {{-r.left[0], -r.left[1], -r.left[2]}, r.forward, r.up};
    const dvec3 shoulder = rest[0].position, elbow = rest[1].position;
    const dvec3 wrist = {elbow[0], elbow[1] + 1.0, elbow[2]};

    const std::vector<dvec3> at_rest = arm.skin(0, rest), posed = arm.skin(0, bent);
    double worst = INFINITY;
    for (const auto& t : arm.triangles(0)) {
        const auto normal = [&](const std::vector<dvec3>& p) {
            return cross(sub(p[t[1]], p[t[0]]), sub(p[t[2]], p[t[0]]));
        };
        const auto outward = [&](const std::vector<dvec3>& p, const dvec3& a, const dvec3& b,
                                 const dvec3& c) {
            const dvec3 centre = {(p[t[0]][0] + p[t[1]][0] + p[t[2]][0]) / 3,
                                  (p[t[0]][1] + p[t[1]][1] + p[t[2]][1]) / 3,
                                  (p[t[0]][2] + p[t[1]][2] + p[t[2]][2]) / 3};
            const dvec3 n1 = nearest_on(centre, a, b), n2 = nearest_on(centre, b, c);
            const dvec3 bone =
                dot3(sub(centre, n1), sub(centre, n1)) <= dot3(sub(centre, n2), sub(centre, n2))
                    ? n1
                    : n2;
            return dot3(normal(p), sub(centre, bone));
        };
        const dvec3 straight = {elbow[0] + 1.0, elbow[1], elbow[2]};
        const double rest_area = std::sqrt(dot3(normal(at_rest), normal(at_rest)));
        const double side = outward(at_rest, shoulder, elbow, straight) > 0 ? 1.0 : -1.0;
        const double kept = std::sqrt(dot3(normal(posed), normal(posed))) / rest_area;
        worst = std::min(worst, side * outward(posed, shoulder, elbow, wrist) > 0 ? kept : -kept);
    }
    return worst;
}

} // namespace

// Blending moves nothing at rest: every vertex of the bundled character lands
// at a tenth of its MQO position, with every number of bones.
TEST(BlendedSkin, TheDrawnPoseKeepsEveryVertex) {
    const std::string character = read_file(source_path("examples/character.mqo"));
    for (int blend = 0; blend <= max_blend_weights; ++blend) {
        const skinned s(character, blend);
        const std::vector<posed_bone> pose = s.drawn_pose();
        double worst = 0;
        for (int object = 0; object < 3; ++object) {
            const std::vector<dvec3> skinned_at = s.skin(object, pose);
            for (std::size_t v = 0; v < skinned_at.size(); ++v) {
                const vector3 p =
                    get_vector3(s.model.mesh.region, s.model.vertex(object, static_cast<int>(v)) +
                                                         mesh_vertex::position);
                const dvec3 want = {0.1 * p.x, 0.1 * p.y, 0.1 * p.z};
                for (std::size_t k = 0; k < 3; ++k)
                    worst = std::max(worst, std::fabs(skinned_at[v][k] - want[k]));
            }
        }
        EXPECT_LT(worst, 1e-4) << "BLENDWEIGHTS " << blend;
    }
}

// The rigid binding folds the elbow's skin; two to four bones a vertex keep
// every triangle the right way out and at a fair share of its area.
TEST(BlendedSkin, AnElbowBentNinetyDegreesKeepsItsSkin) {
    const std::string arm = arm_model();
    EXPECT_LT(worst_triangle_at_bend(skinned(arm, 0)), 0.0);
    for (int blend = 2; blend <= max_blend_weights; ++blend)
        EXPECT_GT(worst_triangle_at_bend(skinned(arm, blend)), 0.2) << "BLENDWEIGHTS " << blend;
}
