#include "app/other_input.h"

#include <array>
#include <cstddef>

namespace {

struct OtherInputSeam {
    std::array<OtherInputHandler, kOtherInputKinds> handlers{};
    OtherInputGate gate = nullptr;
};

OtherInputSeam seam;

}  // namespace

void setOtherInputHandler(OtherInputKind kind, OtherInputHandler handler)
{
    const int index = static_cast<int>(kind);
    if (index >= 0 && index < kOtherInputKinds) seam.handlers[static_cast<std::size_t>(index)] = handler;
}

void setOtherInputGate(OtherInputGate gate) { seam.gate = gate; }

void deliverOtherInput(OtherInputKind kind, int value)
{
    const int index = static_cast<int>(kind);
    if (index < 0 || index >= kOtherInputKinds) return;
    if (seam.gate != nullptr && !seam.gate(index, value)) return;
    handleOtherInput(index, value);
}

bool handleOtherInput(int kind, int value)
{
    if (kind < 0 || kind >= kOtherInputKinds) return false;
    const OtherInputHandler handler = seam.handlers[static_cast<std::size_t>(kind)];
    if (handler == nullptr) return false;
    handler(value);
    return true;
}
