#include "support/version.h"

#define ORLOFX_STR2(x) #x
#define ORLOFX_STR(x) ORLOFX_STR2(x)

namespace orlofx {

const char* VersionString() {
  return ORLOFX_STR(ORLOFX_VERSION_MAJOR) "." ORLOFX_STR(ORLOFX_VERSION_MINOR) "." ORLOFX_STR(
      ORLOFX_VERSION_PATCH);
}

}  // namespace orlofx
