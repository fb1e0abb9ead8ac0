#pragma once

namespace orlofx {

// "major.minor.patch" of this build.
const char* VersionString();

}  // namespace orlofx
