// The nine work buffers of a run. Their sizes are also the tool's size limits.
#pragma once

#include <cstddef>

#include "base/work_buffer.hpp"

namespace ossify {

inline constexpr std::size_t mds_buffer_size = 10'000'000;
inline constexpr std::size_t mdx_buffer_size = 10'000'000;
inline constexpr std::size_t mdm_buffer_size = 1'000'000;
inline constexpr std::size_t mqo_buffer_size = 10'000'000;
inline constexpr std::size_t bone_buffer_size = 1'000'000;
// The mesh record takes 2608 bytes a vertex: 64 MiB hold about 25,000 vertices,
// near what the MD3 and MDM buffers of 1,000,000 bytes can take.
inline constexpr std::size_t mesh_buffer_size = 64 * 1024 * 1024;
inline constexpr std::size_t md3_buffer_size = 1'000'000;

struct work_buffers {
    work_buffer mds;
    work_buffer mdx;
    work_buffer mdm;
    work_buffer mqo;
    work_buffer bone;
    work_buffer mesh;
    work_buffer md3;
    work_buffer reference_mdx;
    work_buffer reference_mdm;
};

// Allocates all nine, zero-filled, in the order above; false when any failed.
bool allocate_work_buffers(work_buffers& buffers);

} // namespace ossify
