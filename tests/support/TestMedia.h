// Where the generated test media lives, and small helpers to inspect outputs.
#pragma once

#include <string>

namespace zentrova::test {

// Full path of a generated test source (ZENTROVA_TEST_MEDIA names the folder).
std::string MediaPath(const std::string &name);

// A fresh empty folder for a test's outputs, in the test program's own folder of the build tree.
std::string ScratchDir(const std::string &name);

} // namespace zentrova::test
