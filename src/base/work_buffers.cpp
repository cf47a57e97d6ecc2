#include "base/work_buffers.hpp"

namespace ossify {

bool allocate_work_buffers(work_buffers& buffers) {
    buffers.mds = make_work_buffer(mds_buffer_size);
    buffers.mdx = make_work_buffer(mdx_buffer_size);
    buffers.mdm = make_work_buffer(mdm_buffer_size);
    buffers.mqo = make_work_buffer(mqo_buffer_size);
    buffers.bone = make_work_buffer(bone_buffer_size);
    buffers.mesh = make_work_buffer(mesh_buffer_size);
    buffers.md3 = make_work_buffer(md3_buffer_size);
    buffers.reference_mdx = make_work_buffer(mdx_buffer_size);
    buffers.reference_mdm = make_work_buffer(mdm_buffer_size);
    for (const work_buffer* b :
         {&buffers.mds, &buffers.mdx, &buffers.mdm, &buffers.mqo, &buffers.bone, &buffers.mesh,
          &buffers.md3, &buffers.reference_mdx, &buffers.reference_mdm})
        if (b->region.data == nullptr) return false;
    return true;
}

} // namespace ossify
