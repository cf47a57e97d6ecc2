// A model taken through the MQO steps in memory: the parsed record, then the
// bone object and the mesh record, each in a zero-filled buffer of its own.
#pragma once

#include <cstdint>
#include <gtest/gtest.h>
#include <string>

#include "base/work_buffer.hpp"
#include "mesh/mesh_builder.hpp"
#include "mesh/mesh_record.hpp"
#include "mqo/load_mqo.hpp"
#include "skeleton/bone_object.hpp"
#include "skeleton/build_bones.hpp"
#include "support/capture_stdout.hpp"

namespace ossify_test {

struct mqo_model {
    ossify::work_buffer mqo = ossify::make_work_buffer(1 << 20), bones, mesh;
    std::string out; // what the last step printed

    bool whole_model = false;

    explicit mqo_model(const std::string& document, const ossify::mqo_options& options = {})
        : whole_model(options.whole_model) {
        capture_stdout(
            [&] { EXPECT_GT(ossify::load_mqo_text(document, mqo.region, options, nullptr), 0); });
    }
    std::int32_t build_bones(std::int32_t root, std::size_t size = 1 << 20) {
        bones = ossify::make_work_buffer(size);
        std::int32_t result = 0;
        out = capture_stdout(
            [&] { result = ossify::build_bones_from_mqo(mqo.region, bones.region, root); });
        return result;
    }
    // The mesh record, skinned when the bones were built.
    std::int32_t build_mesh(std::size_t size = 1 << 22) {
        mesh = ossify::make_work_buffer(size);
        const ossify::byte_region* skeleton = bones.region.data ? &bones.region : nullptr;
        std::int32_t result = 0;
        out = capture_stdout([&] {
            result = ossify::build_meshes_from_mqo(mesh.region, mqo.region, skeleton, whole_model);
        });
        return result;
    }
    bool printed(const std::string& text) const { return out.find(text) != std::string::npos; }

    std::int32_t bone_i32(std::int32_t bone, ossify::offset_t field) const {
        return ossify::get_i32(bones.region, ossify::bone_record_at(bone) + field);
    }
    float bone_f32(std::int32_t bone, ossify::offset_t field) const {
        return ossify::get_f32(bones.region, ossify::bone_record_at(bone) + field);
    }
    // The start of mesh object `n`, and of vertex `v` of it.
    ossify::offset_t object(int n) const {
        ossify::offset_t at = ossify::get_i32(mesh.region, ossify::mesh_header::ofs_mesh_obj);
        for (int i = 0; i < n; ++i)
            at += ossify::get_i32(mesh.region, at + ossify::mesh_object::ofs_end);
        return at;
    }
    ossify::offset_t vertex(int n, int v) const {
        const ossify::offset_t o = object(n);
        return o + ossify::get_i32(mesh.region, o + ossify::mesh_object::ofs_vertex) +
               ossify::mesh_vertex::size * v;
    }
};

} // namespace ossify_test
