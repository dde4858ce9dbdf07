#include "session/AudioCompression.h"

namespace {

class CMsacmCompression final : public CAudioCompression {
public:
    MMRESULT MaxFormatSize(DWORD& cbSize) override {
        return acmMetrics(nullptr, ACM_METRIC_MAX_SIZE_FORMAT, &cbSize);
    }
    MMRESULT FormatDetails(ACMFORMATDETAILSA& details, DWORD fdwDetails) override {
        return acmFormatDetailsA(nullptr, &details, fdwDetails);
    }
    MMRESULT FormatChoose(ACMFORMATCHOOSEA& choose) override { return acmFormatChooseA(&choose); }
};

CMsacmCompression g_msacm;
CAudioCompression* g_pCurrent = &g_msacm;

} // namespace

CAudioCompression& CAudioCompression::Current() {
    return *g_pCurrent;
}

CAudioCompression* CAudioCompression::Replace(CAudioCompression* pCompression) {
    CAudioCompression* previous = g_pCurrent;
    g_pCurrent = pCompression != nullptr ? pCompression : &g_msacm;
    return previous;
}
