// Driver list, connection, the capability and status records, the record
// size rules, the platform's defaults and the display modes.

#include "DeviceFixture.h"

#include <cstring>

namespace {

struct DriverListCase {
    const char* context;
    const char* setting;   // nullptr: unset
    const char* installed; // ten characters, 'o' overlay, 'p' plain, '-' none
};

const DriverListCase kDriverLists[] = {
    {"default setting: two drivers with a gap", nullptr, "o-p-------"},
    {"indices 1 and 3, kinds by position", "1,3", "-o-p------"},
    {"explicit kinds, listed out of order", "9:plain,4:overlay", "----o----p"},
    {"empty setting installs nothing", "", "----------"},
    {"malformed entries are skipped", "x,5:other,6:plain", "------p---"},
};

class DriverListTest : public testing::TestWithParam<DriverListCase> {};

TEST_P(DriverListTest, DescriptionsFollowTheSetting) {
    const DriverListCase& c = GetParam();
    SetEnvironmentVariableA("SOFTCAP_DRIVERS", c.setting);
    for (int i = 0; i < 10; ++i) {
        SCOPED_TRACE(testing::Message() << c.context << ", driver " << i);
        char name[80] = "unchanged", version[80] = "unchanged";
        const BOOL found = capGetDriverDescriptionA(i, name, sizeof name, version, sizeof version);
        switch (c.installed[i]) {
        case 'o':
            EXPECT_TRUE(found);
            EXPECT_STREQ(name, "Software Capture Device (Overlay)");
            EXPECT_STREQ(version, "Version: 1.0 (overlay, dialogs)");
            break;
        case 'p':
            EXPECT_TRUE(found);
            EXPECT_STREQ(name, "Software Capture Device (YUV)");
            EXPECT_STREQ(version, "Version: 1.0 (YUY2)");
            break;
        default:
            EXPECT_FALSE(found);
            EXPECT_STREQ(name, "unchanged");
            EXPECT_STREQ(version, "unchanged");
        }
    }
    SetEnvironmentVariableA("SOFTCAP_DRIVERS", nullptr);
}

INSTANTIATE_TEST_SUITE_P(Settings, DriverListTest, testing::ValuesIn(kDriverLists));

TEST(DriverDescription, BadBuffersFailOrTruncateWithinTheBuffer) {
    SetEnvironmentVariableA("SOFTCAP_DRIVERS", nullptr);
    char name[8];
    std::memset(name, 'x', sizeof name);
    EXPECT_FALSE(capGetDriverDescriptionA(0, nullptr, 80, nullptr, 80)) << "null name buffer";
    EXPECT_FALSE(capGetDriverDescriptionA(0, name, 0, nullptr, 0)) << "zero-length name buffer";
    EXPECT_EQ(name[0], 'x');
    EXPECT_FALSE(capGetDriverDescriptionA(10, name, sizeof name, nullptr, 0)) << "index 10";
    EXPECT_FALSE(capGetDriverDescriptionA(0xFFFFFFFF, name, sizeof name, nullptr, 0));
    char big[16];
    std::memset(big, 'x', sizeof big);
    EXPECT_TRUE(capGetDriverDescriptionA(0, big, 6, nullptr, 0)) << "short name buffer";
    EXPECT_STREQ(big, "Softw");
    EXPECT_EQ(big[6], 'x');
}

TEST(CaptureWindowCreation, ChildWithoutParentFails) {
    EXPECT_EQ(capCreateCaptureWindowA("", WS_CHILD, 0, 0, 160, 120, nullptr, 0), nullptr);
    HWND top = capCreateCaptureWindowA(nullptr, WS_POPUP, 0, 0, 160, 120, nullptr, 0);
    ASSERT_NE(top, nullptr);
    char cls[32] = {};
    GetClassNameA(top, cls, sizeof cls);
    EXPECT_STREQ(cls, "ClsCapWin");
    DestroyWindow(top);
}

class GapDeviceTest : public DeviceTest {
protected:
    GapDeviceTest() : DeviceTest("1,3") {}
};

TEST_F(GapDeviceTest, DriverSearchSkipsGapsAndConnectReplacesTheConnection) {
    int first = -1;
    for (int i = 0; i < 10 && first < 0; ++i) {
        if (Connect(i)) {
            first = i;
        }
    }
    EXPECT_EQ(first, 1);
    CAPDRIVERCAPS caps{};
    ASSERT_TRUE(Send(WM_CAP_DRIVER_GET_CAPS, sizeof caps, &caps));
    EXPECT_EQ(caps.wDeviceIndex, 1u);
    EXPECT_TRUE(caps.fHasOverlay);
    EXPECT_TRUE(caps.fHasDlgVideoSource);
    EXPECT_TRUE(caps.fHasDlgVideoFormat);
    EXPECT_TRUE(caps.fHasDlgVideoDisplay);
    EXPECT_TRUE(caps.fCaptureInitialized);

    ASSERT_TRUE(Connect(3)) << "a second connect replaces the first";
    ASSERT_TRUE(Send(WM_CAP_DRIVER_GET_CAPS, sizeof caps, &caps));
    EXPECT_EQ(caps.wDeviceIndex, 3u);
    EXPECT_FALSE(caps.fHasOverlay);
    EXPECT_FALSE(caps.fHasDlgVideoSource || caps.fHasDlgVideoFormat || caps.fHasDlgVideoDisplay);
    char name[80] = {};
    EXPECT_TRUE(Send(WM_CAP_DRIVER_GET_NAMEA, sizeof name, name));
    EXPECT_STREQ(name, "Software Capture Device (YUV)");

    EXPECT_FALSE(Connect(2)) << "no driver at 2";
    EXPECT_FALSE(Send(WM_CAP_DRIVER_GET_CAPS, sizeof caps, &caps))
        << "a failed connect leaves no driver";
    EXPECT_EQ(Status().uiImageWidth, 0u);
    EXPECT_FALSE(Connect(10));
    EXPECT_FALSE(Send(WM_CAP_DRIVER_CONNECT, static_cast<WPARAM>(-1)));
}

TEST_F(DeviceTest, RequestsNeedingADriverFailBeforeAnyConnection) {
    CAPDRIVERCAPS caps;
    std::memset(&caps, 0xCD, sizeof caps);
    EXPECT_FALSE(Send(WM_CAP_DRIVER_GET_CAPS, sizeof caps, &caps));
    EXPECT_EQ(reinterpret_cast<BYTE*>(&caps)[0], 0xCD);
    BITMAPINFO info{};
    EXPECT_FALSE(Send(WM_CAP_GET_VIDEOFORMAT, sizeof info, &info));
    EXPECT_FALSE(Send(WM_CAP_SET_VIDEOFORMAT, sizeof info, &info));
    EXPECT_FALSE(Send(WM_CAP_SET_PREVIEW, TRUE));
    EXPECT_FALSE(Send(WM_CAP_SET_OVERLAY, TRUE));
    EXPECT_FALSE(Send(WM_CAP_GRAB_FRAME_NOSTOP));
    EXPECT_FALSE(Send(WM_CAP_GRAB_FRAME));
    EXPECT_FALSE(Send(WM_CAP_EDIT_COPY));
    EXPECT_FALSE(Send(WM_CAP_FILE_SAVEDIBA, 0, "nodriver.bmp"));
    EXPECT_EQ(GetFileAttributesA("nodriver.bmp"), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(Send(WM_CAP_DLG_VIDEOSOURCE));
    EXPECT_FALSE(Send(WM_CAP_DLG_VIDEOFORMAT));
    EXPECT_FALSE(Send(WM_CAP_DLG_VIDEODISPLAY));
    EXPECT_FALSE(Send(WM_CAP_DLG_VIDEOCOMPRESSION));
    EXPECT_FALSE(Send(WM_CAP_SEQUENCE));
    EXPECT_FALSE(Send(WM_CAP_SEQUENCE_NOFILE));
    char name[80] = "unchanged";
    EXPECT_FALSE(Send(WM_CAP_DRIVER_GET_NAMEA, sizeof name, name));
    EXPECT_STREQ(name, "unchanged");

    // What does not need a driver answers all the same.
    const CAPSTATUS status = Status();
    EXPECT_EQ(status.uiImageWidth, 0u);
    EXPECT_EQ(status.uiImageHeight, 0u);
    EXPECT_FALSE(status.fLiveWindow);
    EXPECT_FALSE(status.fOverlayWindow);
    CAPTUREPARMS parms{};
    EXPECT_TRUE(Send(WM_CAP_GET_SEQUENCE_SETUP, sizeof parms, &parms));
    EXPECT_TRUE(Send(WM_CAP_SET_PREVIEW, FALSE));
    EXPECT_TRUE(Send(WM_CAP_SET_PREVIEWRATE, 66));
}

// A record request whose size does not match, or without a buffer, fails
// and leaves the buffer as it was.
struct RecordCase {
    const char* context;
    UINT message;
    size_t size;
};

const RecordCase kRecords[] = {
    {"WM_CAP_DRIVER_GET_CAPS", WM_CAP_DRIVER_GET_CAPS, sizeof(CAPDRIVERCAPS)},
    {"WM_CAP_GET_STATUS", WM_CAP_GET_STATUS, sizeof(CAPSTATUS)},
    {"WM_CAP_GET_SEQUENCE_SETUP", WM_CAP_GET_SEQUENCE_SETUP, sizeof(CAPTUREPARMS)},
    {"WM_CAP_SET_SEQUENCE_SETUP", WM_CAP_SET_SEQUENCE_SETUP, sizeof(CAPTUREPARMS)},
};

TEST_F(DeviceTest, RecordRequestsCheckSizeAndBuffer) {
    ASSERT_TRUE(Connect(0));
    for (const RecordCase& c : kRecords) {
        for (size_t size : {size_t{0}, c.size - 1, c.size + 1, c.size * 2}) {
            SCOPED_TRACE(testing::Message() << c.context << " with size " << size);
            std::vector<BYTE> buffer(c.size * 2 + 8, 0xCD);
            EXPECT_FALSE(Send(c.message, size, buffer.data()));
            if (c.message != WM_CAP_SET_SEQUENCE_SETUP) {
                EXPECT_EQ(std::count(buffer.begin(), buffer.end(), 0xCD),
                          static_cast<ptrdiff_t>(buffer.size()));
            }
        }
        SCOPED_TRACE(c.context);
        EXPECT_FALSE(Send(c.message, c.size, 0)) << "null buffer";
    }
    // The published sizes answer.
    CAPDRIVERCAPS caps{};
    EXPECT_TRUE(Send(WM_CAP_DRIVER_GET_CAPS, sizeof caps, &caps));
    CAPTUREPARMS parms{};
    EXPECT_TRUE(Send(WM_CAP_GET_SEQUENCE_SETUP, sizeof parms, &parms));
#ifndef _WIN64
    EXPECT_EQ(sizeof caps, 44u);
    EXPECT_EQ(sizeof(CAPSTATUS), 76u);
#endif
    EXPECT_EQ(sizeof parms, 96u);
}

TEST_F(DeviceTest, PlatformDefaults) {
    CAPTUREPARMS parms{};
    ASSERT_TRUE(Send(WM_CAP_GET_SEQUENCE_SETUP, sizeof parms, &parms));
    EXPECT_EQ(parms.dwRequestMicroSecPerFrame, 66667u);
    EXPECT_EQ(parms.vKeyAbort, static_cast<UINT>(VK_ESCAPE));
    EXPECT_TRUE(parms.fAbortLeftMouse);
    EXPECT_TRUE(parms.fAbortRightMouse);
    EXPECT_FALSE(parms.fYield);
    EXPECT_FALSE(parms.fCaptureAudio);
    EXPECT_FALSE(parms.fLimitEnabled);
    EXPECT_EQ(parms.wPercentDropForError, 10u);
    EXPECT_EQ(parms.wNumVideoRequested, 5u);
    EXPECT_EQ(parms.wTimeLimit, 30u);
    EXPECT_EQ(parms.dwIndexSize, 34952u);
    EXPECT_EQ(parms.AVStreamMaster, static_cast<UINT>(AVSTREAMMASTER_AUDIO));

    char file[MAX_PATH] = {};
    ASSERT_TRUE(Send(WM_CAP_FILE_GET_CAPTURE_FILEA, sizeof file, file));
    EXPECT_STREQ(file, "C:\\CAPTURE.AVI");

    const LRESULT audioSize = Send(WM_CAP_GET_AUDIOFORMAT, 0, 0);
    ASSERT_EQ(audioSize, static_cast<LRESULT>(sizeof(WAVEFORMATEX)));
    WAVEFORMATEX wave{};
    ASSERT_EQ(Send(WM_CAP_GET_AUDIOFORMAT, sizeof wave, &wave), audioSize);
    EXPECT_EQ(wave.wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(wave.nChannels, 1);
    EXPECT_EQ(wave.nSamplesPerSec, 11025u);
    EXPECT_EQ(wave.wBitsPerSample, 8);
    EXPECT_EQ(wave.nBlockAlign, 1);
    EXPECT_EQ(wave.nAvgBytesPerSec, 11025u);
}

TEST_F(DeviceTest, SequenceSetupRoundTripAndRefusal) {
    CAPTUREPARMS parms{};
    ASSERT_TRUE(Send(WM_CAP_GET_SEQUENCE_SETUP, sizeof parms, &parms));
    parms.dwRequestMicroSecPerFrame = 50000;
    parms.fLimitEnabled = TRUE;
    parms.wTimeLimit = 3;
    ASSERT_TRUE(Send(WM_CAP_SET_SEQUENCE_SETUP, sizeof parms, &parms));
    CAPTUREPARMS back{};
    ASSERT_TRUE(Send(WM_CAP_GET_SEQUENCE_SETUP, sizeof back, &back));
    EXPECT_EQ(std::memcmp(&parms, &back, sizeof parms), 0);

    CAPTUREPARMS zeroRate = parms;
    zeroRate.dwRequestMicroSecPerFrame = 0;
    EXPECT_FALSE(Send(WM_CAP_SET_SEQUENCE_SETUP, sizeof zeroRate, &zeroRate));
    ASSERT_TRUE(Send(WM_CAP_GET_SEQUENCE_SETUP, sizeof back, &back));
    EXPECT_EQ(back.dwRequestMicroSecPerFrame, 50000u) << "a refused record changes nothing";
}

// Display modes as CAPSTATUS reports them after each step.
struct ModeStep {
    const char* context;
    UINT message;
    WPARAM on;
    BOOL result;
    BOOL live;
    BOOL overlay;
};

TEST_F(DeviceTest, PreviewAndOverlayExcludeEachOther) {
    ASSERT_TRUE(Connect(0));
    const ModeStep steps[] = {
        {"preview on", WM_CAP_SET_PREVIEW, TRUE, TRUE, TRUE, FALSE},
        {"overlay on ends preview", WM_CAP_SET_OVERLAY, TRUE, TRUE, FALSE, TRUE},
        {"preview on ends overlay", WM_CAP_SET_PREVIEW, TRUE, TRUE, TRUE, FALSE},
        {"overlay off while preview runs", WM_CAP_SET_OVERLAY, FALSE, TRUE, TRUE, FALSE},
        {"preview off", WM_CAP_SET_PREVIEW, FALSE, TRUE, FALSE, FALSE},
        {"overlay on again", WM_CAP_SET_OVERLAY, TRUE, TRUE, FALSE, TRUE},
        {"overlay off", WM_CAP_SET_OVERLAY, FALSE, TRUE, FALSE, FALSE},
    };
    for (const ModeStep& step : steps) {
        SCOPED_TRACE(step.context);
        EXPECT_EQ(Send(step.message, step.on), step.result);
        PumpWaitingMessages();
        const CAPSTATUS status = Status();
        EXPECT_EQ(status.fLiveWindow, step.live);
        EXPECT_EQ(status.fOverlayWindow, step.overlay);
        EXPECT_EQ(status.uiImageWidth, 320u);
        EXPECT_EQ(status.uiImageHeight, 240u);
    }
}

TEST_F(DeviceTest, PlainDriverHasNoOverlayAndScalingIsReported) {
    ASSERT_TRUE(Connect(2));
    ASSERT_TRUE(Send(WM_CAP_SET_PREVIEW, TRUE));
    EXPECT_FALSE(Send(WM_CAP_SET_OVERLAY, TRUE));
    CAPSTATUS status = Status();
    EXPECT_TRUE(status.fLiveWindow) << "a refused overlay leaves preview running";
    EXPECT_FALSE(status.fOverlayWindow);
    EXPECT_FALSE(status.fScale);
    EXPECT_TRUE(Send(WM_CAP_SET_SCALE, TRUE));
    EXPECT_TRUE(Status().fScale);
    EXPECT_TRUE(Send(WM_CAP_SET_SCALE, FALSE));
    EXPECT_FALSE(Status().fScale);
}

TEST_F(DeviceTest, LiveVideoSurvivesADriverChangeWithoutOverlay) {
    ASSERT_TRUE(Connect(0));
    ASSERT_TRUE(Send(WM_CAP_SET_OVERLAY, TRUE));
    ASSERT_TRUE(Connect(2));
    CAPSTATUS status = Status();
    EXPECT_FALSE(status.fOverlayWindow);
    EXPECT_TRUE(status.fLiveWindow) << "the driver without overlay previews instead";
    EXPECT_FALSE(Connect(5));
    status = Status();
    EXPECT_FALSE(status.fOverlayWindow || status.fLiveWindow) << "no driver, no live video";
}

TEST_F(DeviceTest, CallbacksAreInstalledAndReplaced) {
    EXPECT_TRUE(Send(WM_CAP_SET_CALLBACK_ERRORA, 0, reinterpret_cast<LPARAM>(&RecordError)));
    EXPECT_TRUE(Send(WM_CAP_SET_CALLBACK_STATUSA, 0, reinterpret_cast<LPARAM>(&RecordStatus)));
    std::string longPath(300, 'a');
    EXPECT_FALSE(Send(WM_CAP_FILE_SET_CAPTURE_FILEA, 0, longPath.c_str()));
    ASSERT_EQ(ErrorCalls().size(), 1u);
    EXPECT_EQ(ErrorCalls()[0].id, IDS_CAP_CANTOPEN);
    EXPECT_TRUE(ErrorCalls()[0].text.has_value());
    // The next operation that can fail first clears the error shown.
    EXPECT_TRUE(Send(WM_CAP_FILE_SET_CAPTURE_FILEA, 0, "clip.avi"));
    ASSERT_EQ(ErrorCalls().size(), 2u);
    EXPECT_EQ(ErrorCalls()[1].id, 0);
    EXPECT_FALSE(ErrorCalls()[1].text.has_value());
    // Removed: nothing more is reported.
    EXPECT_TRUE(Send(WM_CAP_SET_CALLBACK_ERRORA, 0, 0));
    EXPECT_FALSE(Send(WM_CAP_FILE_SET_CAPTURE_FILEA, 0, longPath.c_str()));
    EXPECT_EQ(ErrorCalls().size(), 2u);
    EXPECT_TRUE(StatusCalls().empty());
}

TEST_F(DeviceTest, UserDataAndUnknownCaptureMessages) {
    EXPECT_TRUE(Send(WM_CAP_SET_USER_DATA, 0, static_cast<LPARAM>(0x12345678)));
    EXPECT_EQ(Send(WM_CAP_GET_USER_DATA), 0x12345678);
    EXPECT_FALSE(Send(WM_CAP_PAL_OPENA, 0, "x.pal"));
    EXPECT_FALSE(Send(WM_CAP_SET_MCI_DEVICEA, 0, 0));
    EXPECT_FALSE(Send(WM_CAP_SET_SCROLL, 0, 0));
}

} // namespace
