#include "CaptureWindowRegistry.h"

#include <algorithm>

namespace {

std::vector<std::shared_ptr<CaptureWindowState>>& Windows() {
    static std::vector<std::shared_ptr<CaptureWindowState>> windows;
    return windows;
}

} // namespace

void CaptureWindowRegistry::Attach(HWND window) {
    Windows().push_back(std::make_shared<CaptureWindowState>(window));
    SetWindowLongPtrA(window, 0, reinterpret_cast<LONG_PTR>(Windows().back().get()));
}

std::shared_ptr<CaptureWindowState> CaptureWindowRegistry::Find(HWND window) {
    const auto* state = reinterpret_cast<const CaptureWindowState*>(GetWindowLongPtrA(window, 0));
    if (state == nullptr) {
        return nullptr;
    }
    auto found = std::find_if(Windows().begin(), Windows().end(),
                              [state](const auto& entry) { return entry.get() == state; });
    return found != Windows().end() ? *found : nullptr;
}

void CaptureWindowRegistry::Detach(HWND window) {
    const std::shared_ptr<CaptureWindowState> state = Find(window);
    SetWindowLongPtrA(window, 0, 0);
    if (state != nullptr) {
        state->SetWindowGone();
        std::erase(Windows(), state);
    }
}

std::vector<std::shared_ptr<CaptureWindowState>> CaptureWindowRegistry::All() {
    return Windows();
}
