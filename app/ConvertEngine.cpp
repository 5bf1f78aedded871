// Holder of the process-wide job record.
#include "app/ConvertEngine.h"

#include "engine/AVConvert.h"

#include <memory>

namespace zentrova {

namespace {

std::unique_ptr<AVConvert> &Holder()
{
    static std::unique_ptr<AVConvert> engine;
    return engine;
}

} // namespace

AVConvert *ConvertEngine()
{
    return Holder().get();
}

AVConvert &EnsureConvertEngine()
{
    if (!Holder())
        Holder() = std::make_unique<AVConvert>();
    return *Holder();
}

} // namespace zentrova
