// Modes 8 and 9 from a glTF model (GLTF in place of MQO): the reader's plain
// records become the mesh record, the bone object, the MD3 or the MDM, and
// with ANIMMDX the sampled animation as an MDX.
#include <cstdio>
#include <string>
#include <vector>

#include "base/file_io.hpp"
#include "base/geometry_double.hpp"
#include "driver/job_steps.hpp"
#include "export/engine_limits.hpp"
#include "export/md3_writer.hpp"
#include "export/mdm_writer.hpp"
#include "export/mdx_writer.hpp"
#include "gltf/gltf_import.hpp"
#include "mesh/mesh_from_import.hpp"
#include "skeletal/skeletal.hpp"
#include "skeleton/bones_from_joints.hpp"
#include "skeleton/joints_on_mdx.hpp"

namespace ossify {

namespace {

// The skinned jobs work in the modeller's unit, ten to the engine's (the MDM
// and MDX writers scale by 0.1), so the model keeps its size in inches.
constexpr double modeller_units_per_inch = 10.0;
constexpr double default_frames_per_second = 20.0;

bool both_inputs(const tool_config& c) {
    if (c.mqo_path[0] == '\0') return false;
    std::fprintf(stderr, "ossify: MQO and GLTF name two models; keep the one to convert.\n");
    std::printf("ERROR: MQO and GLTF are both set.\n");
    return true;
}

bool load_gltf(job_context& job, bool skinned, gltf_document& document, imported_model& model) {
    std::printf("\n--- Loading glTF ---\n\n");
    if (!gltf_reader_available()) {
        std::fprintf(stderr,
                     "ossify: this build cannot read glTF. Install the packages libtinygltf-dev "
                     "and nlohmann-json3-dev (Debian) and build ossify again.\n");
        return fail("ERROR:This build of ossify cannot read glTF files.\n");
    }
    file_handle probe = open_input("GLTF", job.config.gltf_path);
    if (!probe) return fail("ERROR:Failed to load glTF.\n");
    probe = {};
    std::string error;
    std::vector<std::string> notes;
    if (!read_gltf_file(job.config.gltf_path, document, error)) {
        std::printf("Load_glTF : File[%s] %s\n", job.config.gltf_path, error.c_str());
        return fail("ERROR:Failed to load glTF.\n");
    }
    import_options options;
    options.skinned = skinned;
    options.meshes = mesh_name_list(job.config.gltf_mesh);
    if (!import_gltf_model(document, options, model, error, notes)) {
        std::printf("Load_glTF : File[%s] %s\n", job.config.gltf_path, error.c_str());
        return fail("ERROR:Failed to load glTF.\n");
    }
    for (const std::string& note : notes)
        std::fprintf(stderr, "%s\n", note.c_str());
    std::size_t vertices = 0, triangles = 0;
    for (const imported_surface& s : model.surfaces) {
        vertices += s.vertices.size();
        triangles += s.triangles.size();
    }
    std::printf("Load_glTF : File[%s] Surface[%zu] Vertex[%zu] Triangle[%zu] Joint[%zu] Tag[%zu] "
                "Animation[%zu]\n",
                job.config.gltf_path, model.surfaces.size(), vertices, triangles,
                model.joints.size(), model.tags.size(), document.animations.size());
    return true;
}

bool build_and_save_mesh(job_context& job, const imported_model& model, const byte_region* bones,
                         double scale) {
    byte_region& mesh = job.buffers.mesh.region;
    const std::int32_t size = build_meshes_from_import(mesh, model, bones, scale);
    if (size < 0) return fail("ERROR:Failed to build mesh from glTF.\n");
    if (save_file("test.mesh", mesh, size) < 0) return fail("ERROR: Failed to save file.\n");
    return true;
}

// The MDX skeleton the model is bound to (BINDMDX) and its joints' bones.
struct mdx_binding {
    mdx_pose pose;
    joint_match match;
};

// The animation ANIMMDX names, sampled and written in the MDM's bone numbering
// (with `binding`: the MDX's).
bool save_animation_mdx(job_context& job, const gltf_document& document,
                        const imported_model& model, const mdx_binding* binding = nullptr) {
    const tool_config& c = job.config;
    if (c.gltf_fps < 0) {
        std::fprintf(stderr, "ossify: GLTFFPS takes the frames a second to sample, such as 20 "
                             "or 30 (absent: 20).\n");
        return fail("ERROR: Invalid GLTFFPS value.\n");
    }
    const std::int32_t animation = find_animation(document, c.gltf_anim);
    if (animation < 0) {
        std::fprintf(stderr, "ossify: the glTF's animations:");
        for (const gltf_animation& a : document.animations)
            std::fprintf(stderr, " \"%s\"", a.name.c_str());
        std::fprintf(stderr, "%s\n", document.animations.empty() ? " none" : "");
        std::printf("Load_glTF : Animation[%s] not found\n", c.gltf_anim);
        return fail("ERROR:Failed to build MDX from glTF animation.\n");
    }
    const double fps = c.gltf_fps > 0 ? c.gltf_fps : default_frames_per_second;
    std::vector<sampled_frame> sampled;
    std::string error;
    if (!sample_joint_animation(document, model, animation, fps, sampled, error)) {
        std::printf("Load_glTF : %s\n", error.c_str());
        return fail("ERROR:Failed to build MDX from glTF animation.\n");
    }
    std::vector<skeleton_motion> frames;
    for (const sampled_frame& joints : sampled) {
        const sampled_frame f = binding == nullptr
                                    ? joints
                                    : frame_on_mdx(joints, model, binding->pose, binding->match);
        skeleton_motion m;
        for (const joint_pose& p : f)
            m.push_back({p.turn, p.origin});
        frames.push_back(std::move(m));
    }
    byte_region& mdx = job.buffers.reference_mdx.region;
    double stretch = 0;
    const std::int32_t size = build_mdx_from_motion(job.buffers.bone.region, job.buffers.mdm.region,
                                                    frames, mdx, stretch);
    if (size < 0) return fail("ERROR:Failed to build MDX from glTF animation.\n");
    std::printf("build_mdx_from_gltf : Animation[%s] Frame[%zu] Rate[%g]\n",
                document.animations[static_cast<std::size_t>(animation)].name.c_str(),
                frames.size(), fps);
    if (stretch > 1e-3)
        std::fprintf(stderr,
                     "ossify: warning: the animation changes a bone's distance to its parent by "
                     "up to %.4f units; the MDX keeps the bound distances.\n",
                     stretch);
    if (save_file(c.anim_mdx, mdx, size) < 0) return fail("ERROR: Failed to save file.\n");
    return true;
}

// Lists the joints without a bone of their name on standard error; false with a
// refusal when none has one or a weighted joint has no matched joint above it.
bool lay_joints_on_mdx(imported_model& model, mdx_binding& binding) {
    binding.match = match_joints_to_mdx(model.joints, binding.pose);
    std::size_t unmatched = 0;
    for (std::size_t j = 0; j < model.joints.size(); ++j) {
        if (binding.match.bone_of_joint[j] >= 0) continue;
        std::fprintf(stderr, "%s \"%s\"",
                     unmatched == 0 ? "ossify: joints of the glTF without a "
                                      "bone of their name in BINDMDX:"
                                    : ",",
                     model.joints[j].name.c_str());
        ++unmatched;
    }
    if (unmatched > 0) std::fprintf(stderr, "\n");
    if (unmatched == model.joints.size()) {
        std::printf("Load_glTF : no joint of the glTF has the name of a bone of BINDMDX\n");
        return fail("ERROR:Failed to build bone from glTF.\n");
    }
    std::size_t moved = 0;
    std::string error;
    if (!renumber_weights_to_mdx(model, binding.match, moved, error)) {
        std::printf("Load_glTF : %s\n", error.c_str());
        return fail("ERROR:Failed to build bone from glTF.\n");
    }
    if (moved > 0)
        std::fprintf(stderr,
                     "ossify: %zu vertex weights on those joints went to the nearest joint above "
                     "them that BINDMDX has.\n",
                     moved);
    return true;
}

// Mode 9 with GLTF and BINDMDX: the glTF's model and animation on the MDX's
// skeleton posed at BINDFRAME, in the MDX's bone numbering.
bool gltf_bind_to_mdx(job_context& job) {
    if (job.config.bind_bones[0] != '\0')
        std::fprintf(stderr, "ossify: BINDBONES is not used with GLTF: the glTF's own weights "
                             "choose the bones.\n");
    mdx_binding binding;
    if (!load_bind_skeleton(job, binding.pose)) return false;
    gltf_document document;
    imported_model model;
    if (!load_gltf(job, true, document, model) || !lay_joints_on_mdx(model, binding) ||
        !build_and_save_mesh(job, model, &job.buffers.bone.region, modeller_units_per_inch))
        return false;
    byte_region& mdm = job.buffers.mdm.region;
    const std::int32_t mdm_size =
        build_mdm_from_mesh(job.buffers.mesh.region, mdm, job.buffers.bone.region);
    if (mdm_size < 0) return fail("ERROR:Failed to build mesh from glTF.\n");
    if (save_file(job.config.mdm_path, mdm, mdm_size) < 0)
        return fail("ERROR: Failed to save file.\n");
    std::vector<drawn_tag> tags;
    for (const imported_tag& t : model.tags) {
        const auto drawn = [](const dvec3& v, double scale) { return scaled_to_float(v, scale); };
        tags.push_back(
            {t.name,
             drawn(t.origin, modeller_units_per_inch),
             {drawn(t.axes.forward, 1.0), drawn(t.axes.left, 1.0), drawn(t.axes.up, 1.0)}});
    }
    const bool tagged = job.config.reference_mdm[0] == '\0'
                            ? give_bound_tags(job, binding.pose, tags)
                            : transplant_reference_tags(job);
    if (!tagged) return false;
    return job.config.anim_mdx[0] == '\0' || save_animation_mdx(job, document, model, &binding);
}

} // namespace

bool step_gltf_to_md3(job_context& job) {
    if (both_inputs(job.config)) return false;
    std::int32_t scale = 1;
    if (!md3_scale_of(job.config, scale)) return false;
    gltf_document document;
    imported_model model;
    if (!load_gltf(job, false, document, model) || !build_and_save_mesh(job, model, nullptr, 1.0))
        return false;
    byte_region& md3 = job.buffers.md3.region;
    const char* shader =
        job.config.md3_shader_path[0] != '\0' ? job.config.md3_shader_path : nullptr;
    const std::int32_t size = build_md3_from_mesh(job.buffers.mesh.region, md3, shader, scale);
    if (size < 0) return fail("ERROR:Failed to build mesh from glTF.\n");
    if (save_file(job.config.md3_out_name, md3, size) < 0)
        return fail("ERROR: Failed to save file.\n");
    warn_md3_engine_limits(md3, job.config.md3_out_name);
    return true;
}

bool step_gltf_to_mdm(job_context& job) {
    if (both_inputs(job.config)) return false;
    if (job.config.blend_weights != 0)
        std::fprintf(stderr, "ossify: BLENDWEIGHTS is not used with GLTF: the glTF's own weights "
                             "bind the skin.\n");
    if (job.config.bind_mdx[0] != '\0') return gltf_bind_to_mdx(job);
    gltf_document document;
    imported_model model;
    if (!load_gltf(job, true, document, model)) return false;
    byte_region& bone = job.buffers.bone.region;
    const std::int32_t bone_size =
        build_bones_from_joints(bone, model.joints, modeller_units_per_inch, model.tags);
    if (bone_size < 0) return fail("ERROR:Failed to build bone from glTF.\n");
    if (save_file("test.bone", bone, bone_size) < 0) return fail("ERROR: Failed to save file.\n");
    if (!build_and_save_mesh(job, model, &bone, modeller_units_per_inch)) return false;

    byte_region& mdm = job.buffers.mdm.region;
    const std::int32_t mdm_size = build_mdm_from_mesh(job.buffers.mesh.region, mdm, bone);
    if (mdm_size < 0) return fail("ERROR:Failed to build mesh from glTF.\n");
    if (save_file(job.config.mdm_path, mdm, mdm_size) < 0)
        return fail("ERROR: Failed to save file.\n");
    const bool tagged = job.config.reference_mdm[0] == '\0' ? give_skeleton_tags(job)
                                                            : transplant_reference_tags(job);
    if (!tagged) return false;
    if (job.config.skeleton_mdx[0] != '\0' && !save_skeleton_mdx(job)) return false;
    return job.config.anim_mdx[0] == '\0' || save_animation_mdx(job, document, model);
}

} // namespace ossify
