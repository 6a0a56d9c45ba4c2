// burrik.ini: the one-line game-mode string.
#include "content.h"

namespace contentgen {
namespace {
const GeneratorRegistration registration{0, "config", [](ContentSink& sink) {
                                             sink.addText("burrik.ini", "800x600:32@60\n");
                                         }};
}  // namespace
}  // namespace contentgen
