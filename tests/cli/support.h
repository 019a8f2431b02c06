// The shared file helpers, under the names the kerfline-cli tests use.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "tests/common/files.h"

namespace kerfline::clitest {

using test::corpusDir;
using test::corpusFile;
using test::readBytes;
using test::ScratchDir;
using test::writeBytes;

}  // namespace kerfline::clitest
