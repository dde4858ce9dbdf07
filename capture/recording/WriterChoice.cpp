#include "recording/WriterChoice.h"

#include "framework/WinApp.h"

namespace {
constexpr char kProfileSection[] = "Capture";
constexpr char kPlatformWriterEntry[] = "PlatformWriter";
constexpr char kSoundInStepEntry[] = "SoundInStep";
} // namespace

void CWriterChoice::Load() {
    const CWinApp* app = AfxGetApp();
    m_bPlatformWriter =
        app->GetProfileInt(kProfileSection, kPlatformWriterEntry, m_bPlatformWriter ? 1 : 0) != 0;
    m_bSoundInStep =
        app->GetProfileInt(kProfileSection, kSoundInStepEntry, m_bSoundInStep ? 1 : 0) != 0;
}

void CWriterChoice::Save() const {
    const CWinApp* app = AfxGetApp();
    app->WriteProfileInt(kProfileSection, kPlatformWriterEntry, m_bPlatformWriter ? 1 : 0);
    app->WriteProfileInt(kProfileSection, kSoundInStepEntry, m_bSoundInStep ? 1 : 0);
}
