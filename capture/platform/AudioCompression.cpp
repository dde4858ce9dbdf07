#include "platform/AudioCompression.h"

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

} // namespace

CAudioCompression& CAudioCompression::Platform() {
    static CMsacmCompression msacm;
    return msacm;
}
