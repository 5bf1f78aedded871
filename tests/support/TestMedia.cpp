// Test media location and scratch folders.
#include "tests/support/TestMedia.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace zentrova::test {

std::string MediaPath(const std::string &name)
{
    const char *dir = std::getenv("ZENTROVA_TEST_MEDIA");
    if (!dir) {
        ADD_FAILURE() << "ZENTROVA_TEST_MEDIA is not set; run the tests through ctest";
        return name;
    }
    return std::string(dir) + "/" + name;
}

std::string ScratchDir(const std::string &name)
{
    // Each test program has a folder of its own (ctest sets it), so programs running in parallel
    // never share a scratch folder of the same name.
    const char *dir = std::getenv("ZENTROVA_TEST_SCRATCH");
    std::filesystem::path p = std::filesystem::path(dir ? dir : "scratch") / name;
    std::filesystem::remove_all(p);
    std::filesystem::create_directories(p);
    return p.string();
}

} // namespace zentrova::test
