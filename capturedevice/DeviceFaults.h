#pragma once
// The device's fault-injecting mode: a driver and a capture window that
// misbehave on purpose, so that a program can be tried against the faults of
// real drivers. Chosen by the device's own setting, the environment variable
// SOFTCAP_FAULTS: a comma-separated list of fault names (capturedevice/README.md
// lists them); unset or empty, the device behaves normally.
//
// The faults enter at seven points only: the two exports, the list of
// installed drivers (FaultDriverSetting), the one dispatch of the capture
// messages (DispatchWithFaults), and the frame buffers (FaultFrameBufferGate),
// the frames (FaultFrameDropRule) and the stream callbacks' records
// (FaultRecordLies) of a sequence capture; the card's clocks
// (CardClocks.h) read the clock faults.

#include <windows.h>

#include <cstddef>
#include <optional>

constexpr const char* kFaultConfigVariable = "SOFTCAP_FAULTS";

enum class Fault : unsigned {
    FailAll = 1u << 0,       // "fail": every capture message and driver query fails
    SizeZero = 1u << 1,      // "size-0": the image is reported as 0 x 0
    SizeOne = 1u << 2,       // "size-1": 1 x 1
    SizeHuge = 1u << 3,      // "size-huge": 32767 x 32767
    Palette = 1u << 4,       // "palette": 8-bit with a 256-colour table
    OddFormats = 1u << 5,    // "formats": another unusual format at each connect
    LongNames = 1u << 6,     // "long-names": ten drivers with 200-character names
    Callbacks = 1u << 7,     // "callbacks": odd status and error callbacks inside calls
    NoWindow = 1u << 8,      // "no-window": the capture window cannot be created
    Dialogs = 1u << 9,       // "dialogs": the driver's dialogs fail
    FrameBuffers = 1u << 10, // "alloc": frame buffers run out during a capture
    DropFrames = 1u << 11,   // "drop": frames 5, 6 and 7 of every 30 never come
    SizeLie = 1u << 12,      // "size-lie": the format claims 0xFFFFFFF8 bytes a frame
    BitsZero = 1u << 13,     // "bits-0": the format says 0 bits per pixel
    FrameBytes = 1u << 14,   // "frame-bytes": frames claim more bytes than their buffer
    SoundBytes = 1u << 15,   // "sound-bytes": sound buffers likewise
    Refuse = 1u << 16,       // "refuse": WM_CAP_SEQUENCE_NOFILE fails, with an error
    RefuseSilent = 1u << 17, // "refuse-silent": likewise, without a word
    Jitter = 1u << 18,       // "jitter": frame times off by up to a quarter period
    Stall = 1u << 19,        // "stall": no frame for 5 s of every 30
    ClockJump = 1u << 20,    // "clockjump": the driver's clock steps forward, then back
};

// What the fault modes remember between the calls on one capture window.
struct FaultMemory {
    int oddFormat = -1; // "formats": the unusual format shown, the next at each connect
    // "callbacks": the next status and error texts, the messages since the
    // last status callback, and whether one of the callbacks runs.
    size_t nextStatus = 0;
    size_t nextError = 0;
    unsigned messagesSinceCallback = 0;
    bool inCallback = false;
};

// The faults the setting asks for, read at each call; 0 when none.
unsigned ActiveFaults();
inline bool HasFault(unsigned faults, Fault fault) {
    return (faults & static_cast<unsigned>(fault)) != 0;
}

// A capture window as the faults see it: what they read, the callbacks they
// call, what they remember, and the window's own answer to a message, which
// they pass on or bend. The faults know no more of the window than this.
class FaultTarget {
public:
    virtual bool IsConnected() const = 0;
    virtual int DriverIndex() const = 0;
    virtual const BITMAPINFOHEADER& VideoFormat() const = 0;
    virtual void ReportStatus(int id, const char* text) const = 0;
    virtual void ReportError(int id, const char* text) = 0;
    virtual FaultMemory& Memory() = 0;
    virtual LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam) = 0;

protected:
    ~FaultTarget() = default;
};

// Handles one capture message: with no fault active, exactly the window's own
// Dispatch.
LRESULT DispatchWithFaults(FaultTarget& s, UINT message, WPARAM wParam, LPARAM lParam);

// capGetDriverDescriptionA's answer under a fault; nullopt for the normal one.
std::optional<BOOL> FaultDriverDescription(UINT index, LPSTR name, int nameSize, LPSTR version,
                                           int versionSize);
// True when the capture window must not be created.
bool FaultRefusesWindow();
// The installed drivers under a fault (a SOFTCAP_DRIVERS value), or null.
const char* FaultDriverSetting();

// Asked before a capture hands out its n-th frame buffer (from 0); false when
// the allocation fails. Null when no fault applies.
using FrameBufferGate = bool (*)(unsigned long long n);
FrameBufferGate FaultFrameBufferGate();

// Asked for each frame of a sequence capture (from 0); true when the driver
// never delivers it. Null when no fault applies.
using FrameDropRule = bool (*)(unsigned long long frame);
FrameDropRule FaultFrameDropRule();

// What a sequence capture's stream callbacks are told that is not so: byte
// counts past the buffer, for frames and for sound buffers.
struct RecordLies {
    bool frameBytes = false;
    bool soundBytes = false;
    // The count a lying driver gives for the n-th record of a buffer of
    // `bufferBytes`: near 4 GiB, or twice the buffer, by turns.
    static DWORD LiedBytes(unsigned long long n, DWORD bufferBytes);
};
RecordLies FaultRecordLies();
