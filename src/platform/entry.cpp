// The shared object's load and unload hooks. They only announce themselves; nothing
// else in the library needs the moment of loading.
#include "platform/platform.h"

namespace LUMA_7_4_0 {

__attribute__((constructor)) static void onLibraryLoad() {
    platform::debugMessage("LUMATOVEL70.DLL Initializing!\n");
}

__attribute__((destructor)) static void onLibraryUnload() {
    platform::debugMessage("LUMATOVEL70.DLLTerminated!\n");
}

} // namespace LUMA_7_4_0
