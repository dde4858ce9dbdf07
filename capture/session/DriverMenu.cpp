#include "session/DriverMenu.h"

#include "framework/Document.h"
#include "framework/MultiDocTemplate.h"
#include "platform/CapturePlatform.h"
#include "resources/resource.h"
#include "session/CaptureSession.h"

namespace {
constexpr int kOptionsMenuPosition = 3;
} // namespace

void CDriverMenu::Build(CDocument* pDocument) {
    auto* docTemplate =
        DynamicDowncast<CMultiDocTemplate>(pDocument ? pDocument->GetDocTemplate() : nullptr);
    HMENU options =
        docTemplate ? ::GetSubMenu(docTemplate->GetSharedMenu(), kOptionsMenuPosition) : nullptr;
    if (options == nullptr)
        return;
    CCapturePlatform& platform = CCapturePlatform::Current();
    for (int index = 0; index < CCaptureSession::kDriverCount; ++index) {
        const UINT id = ID_DRIVER_FIRST + UINT(index);
        ::DeleteMenu(options, id, MF_BYCOMMAND);
        char name[80] = {};
        char version[80] = {};
        if (platform.GetDriverDescription(UINT(index), name, sizeof name, version, sizeof version))
            ::AppendMenuA(options, MF_STRING, id, name);
    }
}
