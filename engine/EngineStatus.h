// The outcome of an engine step: success, or a failure with a reason worth logging.
#pragma once

#include <string>
#include <utility>

namespace zentrova {

class EngineStatus {
public:
    EngineStatus() = default;

    static EngineStatus Failure(std::string what)
    {
        EngineStatus s;
        s.failed_ = true;
        s.what_ = std::move(what);
        return s;
    }
    // `what` followed by FFmpeg's text for `averror`.
    static EngineStatus Failure(const std::string &what, int averror);

    bool ok() const { return !failed_; }
    const std::string &what() const { return what_; }

private:
    bool failed_ = false;
    std::string what_;
};

} // namespace zentrova
