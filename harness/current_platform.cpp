#include "harness/platform.h"

namespace harness {
namespace {
Platform* g_platform = nullptr;
}  // namespace

Platform& platform() { return *g_platform; }
void SetPlatform(Platform* p) { g_platform = p; }

}  // namespace harness
