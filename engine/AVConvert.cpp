// Construction of the job record.
#include "engine/AVConvert.h"

namespace zentrova {

AVConvert::AVConvert()
{
    for (auto &status : TaskStatus)
        status.store(kTaskNotFinished, std::memory_order_relaxed);
}

AVConvert::~AVConvert() = default;

} // namespace zentrova
