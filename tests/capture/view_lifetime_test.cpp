// A capture child window closed (by the system or another program) while one
// of its view's modal loops runs: the view goes, and the command that ran the
// loop touches nothing of it afterwards.

#include "CaptureFixture.h"
#include "support/DialogScript.h"

#include "framework/FrameworkResource.h"
#include "framework/MDIChildWnd.h"
#include "resources/resource.h"
#include "session/VidrakeView.h"

#include <malloc.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>
#include <vector>

namespace {

// While armed, blocks freed on this thread are filled and kept instead of
// released, so that a write into one after its free shows.
constexpr unsigned char kFreedFill = 0xDD;
struct FreedBlock {
    void* p;
    size_t size;
};
DWORD g_armedThread = 0;
std::vector<FreedBlock>* g_freed = nullptr;

class FreedMemoryProbe {
public:
    FreedMemoryProbe() {
        m_blocks.reserve(4096); // nothing of the probe's own is freed while armed
        g_freed = &m_blocks;
        g_armedThread = GetCurrentThreadId();
    }
    ~FreedMemoryProbe() {
        g_armedThread = 0;
        for (const FreedBlock& block : m_blocks)
            std::free(block.p);
    }
    FreedMemoryProbe(const FreedMemoryProbe&) = delete;
    FreedMemoryProbe& operator=(const FreedMemoryProbe&) = delete;

    bool Freed(const void* p) const {
        for (const FreedBlock& block : m_blocks) {
            if (block.p == p)
                return true;
        }
        return false;
    }
    // The freed blocks with a byte no longer the fill.
    int WrittenAfterFree() const {
        int written = 0;
        for (const FreedBlock& block : m_blocks) {
            const auto* bytes = static_cast<const unsigned char*>(block.p);
            for (size_t i = 0; i < block.size; ++i) {
                if (bytes[i] != kFreedFill) {
                    ++written;
                    break;
                }
            }
        }
        return written;
    }

private:
    std::vector<FreedBlock> m_blocks;
};

void Release(void* p) {
    if (p == nullptr || g_armedThread != GetCurrentThreadId() ||
        g_freed->size() == g_freed->capacity()) {
        std::free(p);
        return;
    }
    const size_t size = _msize(p);
    std::memset(p, kFreedFill, size);
    g_freed->push_back({p, size});
}

} // namespace

void operator delete(void* p) noexcept {
    Release(p);
}
void operator delete(void* p, std::size_t) noexcept {
    Release(p);
}

namespace {

class ViewLifetimeTest : public CaptureFixture {};

TEST_F(ViewLifetimeTest, AWindowClosedDuringAModalLoopIsNotTouchedAfterIt) {
    Start({{0, "Card"}});
    enum class Loop { Dialog, DriverDialog };
    struct Case {
        const char* context;
        UINT command;
        Loop loop;
    } const cases[] = {
        {"Video Format", ID_OPTIONS_VIDEOFORMAT, Loop::Dialog},
        {"Video Source", ID_OPTIONS_VIDEOSOURCE, Loop::DriverDialog},
        {"Video Display", ID_OPTIONS_VIDEODISPLAY, Loop::DriverDialog},
        {"Capture Setup", ID_CAPTURE_SETUP, Loop::Dialog},
        {"Capture Video's prompt", ID_CAPTURE_VIDEO, Loop::Dialog},
        {"Set Capture File", ID_FILE_OPEN, Loop::Dialog},
        {"Save Single Frame", ID_FILE_SAVESINGLEFRAME, Loop::Dialog},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.context);
        theTestApp.GetDocManager()->OnFileNew();
        PumpMessages();
        CMDIChildWnd* child = ActiveChild();
        const CVidrakeView* view = ActiveView();
        ASSERT_NE(view, nullptr);
        const HWND hWndView = view->m_hWnd;
        const auto closeChild = [child] {
            child->PostMessage(WM_CLOSE);
            PumpMessages(); // as the loop would
        };
        const auto command = [this, &c] {
            MainFrame().SendMessage(WM_COMMAND, c.command);
        };
        FreedMemoryProbe probe;
        if (c.loop == Loop::DriverDialog) {
            m_platform->m_onDriverDialog = [&](UINT) {
                closeChild();
            };
            command();
            m_platform->m_onDriverDialog = nullptr;
        } else {
            EXPECT_TRUE(RunWithDialog(command, [&](HWND dialog) {
                closeChild();
                EndDialogWith(dialog, IDCANCEL);
            }));
        }
        EXPECT_FALSE(IsWindow(hWndView));
        EXPECT_TRUE(probe.Freed(view)) << "the view went during the loop";
        EXPECT_EQ(probe.WrittenAfterFree(), 0) << "blocks written after their free";
        EXPECT_TRUE(QueryCommand(ID_CAPTURE_SETUP).enabled) << "the other window answers";
    }
}

} // namespace
