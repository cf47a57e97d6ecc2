// Steps H and I: the MQO jobs of modes 8 and 9.
#include "driver/job_steps.hpp"

namespace ossify {

bool step_mqo_to_md3(job_context&) {
    return true;
}

bool step_mqo_to_mdm(job_context&) {
    return true;
}

} // namespace ossify
