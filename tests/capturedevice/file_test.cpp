// Bitmap files, the capture file name and the copy of the capture file, and
// paths the device must refuse.

#include "DeviceFixture.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

std::vector<BYTE> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<BYTE>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::vector<BYTE>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

struct BitmapCase {
    const char* context;
    const char* file; // left in the test folder for the ImageMagick check
    int driver;
    WORD bits;
    DWORD compression;
    WORD fileBits;
    int tolerance;
};

const BitmapCase kBitmaps[] = {
    {"RGB 24", "bars_rgb24.bmp", 0, 24, BI_RGB, 24, 0},
    {"RGB 15", "bars_rgb15.bmp", 0, 16, BI_RGB, 16, 0},
    {"YUY2 converted to RGB 24", "bars_yuy2.bmp", 2, 16, kYuy2, 24, 3},
};

TEST_F(DeviceTest, SaveDibWritesTheCurrentFrameAsABmpFile) {
    for (const BitmapCase& c : kBitmaps) {
        SCOPED_TRACE(c.context);
        const std::string path = TestFolder() + c.file;
        DeleteFileA(path.c_str());
        ASSERT_TRUE(Connect(c.driver));
        ASSERT_TRUE(SetVideoFormat(320, 240, c.bits, c.compression));
        const std::vector<BYTE> frame = GrabFrame();
        ASSERT_TRUE(Send(WM_CAP_FILE_SAVEDIBA, 0, path.c_str()));
        const std::vector<BYTE> file = ReadFile(path);
        ASSERT_GE(file.size(), sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER));
        BITMAPFILEHEADER fileHeader;
        BITMAPINFOHEADER info;
        std::memcpy(&fileHeader, file.data(), sizeof fileHeader);
        std::memcpy(&info, file.data() + sizeof fileHeader, sizeof info);
        EXPECT_EQ(fileHeader.bfType, 0x4D42);
        EXPECT_EQ(fileHeader.bfSize, file.size());
        EXPECT_EQ(fileHeader.bfOffBits, sizeof fileHeader + sizeof info);
        EXPECT_EQ(info.biSize, sizeof info);
        EXPECT_EQ(info.biWidth, 320);
        EXPECT_EQ(info.biHeight, 240);
        EXPECT_EQ(info.biBitCount, c.fileBits);
        EXPECT_EQ(info.biCompression, static_cast<DWORD>(BI_RGB));
        EXPECT_EQ(info.biSizeImage, 320u * 240u * c.fileBits / 8);
        ASSERT_EQ(file.size(), fileHeader.bfOffBits + info.biSizeImage);
        const std::vector<BYTE> bits(file.begin() + fileHeader.bfOffBits, file.end());
        if (c.compression == BI_RGB) {
            EXPECT_EQ(bits, frame) << "the frame grabbed last, byte for byte";
        }
        for (int bar = 0; bar < 8; ++bar) {
            SCOPED_TRACE(testing::Message() << "bar " << bar);
            const Rgb p = PixelAt(info, bits, (2 * bar + 1) * 20, 40);
            EXPECT_LE(std::abs(p.r - kBarColours[bar].r), c.tolerance);
            EXPECT_LE(std::abs(p.g - kBarColours[bar].g), c.tolerance);
            EXPECT_LE(std::abs(p.b - kBarColours[bar].b), c.tolerance);
        }
    }
}

TEST_F(DeviceTest, BadPathsFailThroughTheErrorCallback) {
    ASSERT_TRUE(Connect(0));
    Send(WM_CAP_SET_CALLBACK_ERRORA, 0, reinterpret_cast<LPARAM>(&RecordError));
    const std::string tooLong = TestFolder() + std::string(300, 'b') + ".bmp";
    const std::string exactly260(260, 'c');
    const std::string unwritable = TestFolder() + "no such folder\\frame.bmp";
    struct {
        const char* context;
        UINT message;
        const char* path;
        int errorId; // 0: fails without a report
    } const cases[] = {
        {"SAVEDIB, null path", WM_CAP_FILE_SAVEDIBA, nullptr, 0},
        {"SAVEDIB, empty path", WM_CAP_FILE_SAVEDIBA, "", 0},
        {"SAVEDIB, 300 characters", WM_CAP_FILE_SAVEDIBA, tooLong.c_str(), IDS_CAP_CANTOPEN},
        {"SAVEDIB, 260 characters", WM_CAP_FILE_SAVEDIBA, exactly260.c_str(), IDS_CAP_CANTOPEN},
        {"SAVEDIB, missing folder", WM_CAP_FILE_SAVEDIBA, unwritable.c_str(), IDS_CAP_ERRORDIBSAVE},
        {"SET_CAPTURE_FILE, null", WM_CAP_FILE_SET_CAPTURE_FILEA, nullptr, 0},
        {"SET_CAPTURE_FILE, 260 characters", WM_CAP_FILE_SET_CAPTURE_FILEA, exactly260.c_str(),
         IDS_CAP_CANTOPEN},
        {"SAVEAS, null", WM_CAP_FILE_SAVEASA, nullptr, 0},
        {"SAVEAS, 300 characters", WM_CAP_FILE_SAVEASA, tooLong.c_str(), IDS_CAP_CANTOPEN},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.context);
        ErrorCalls().clear();
        EXPECT_FALSE(Send(c.message, 0, c.path));
        std::vector<int> ids;
        for (const CallbackRecord& r : ErrorCalls()) {
            if (r.id != 0) {
                ids.push_back(r.id);
                EXPECT_TRUE(r.text.has_value() && !r.text->empty());
            }
        }
        EXPECT_EQ(ids, c.errorId ? std::vector<int>{c.errorId} : std::vector<int>{});
    }
    EXPECT_EQ(GetFileAttributesA(unwritable.c_str()), INVALID_FILE_ATTRIBUTES);
    char file[MAX_PATH];
    ASSERT_TRUE(Send(WM_CAP_FILE_GET_CAPTURE_FILEA, sizeof file, file));
    EXPECT_STREQ(file, "C:\\CAPTURE.AVI") << "refused names change nothing";
}

TEST_F(DeviceTest, CaptureFileNameAndTheBufferItIsReturnedIn) {
    const std::string name = TestFolder() + "named capture.avi";
    ASSERT_TRUE(Send(WM_CAP_FILE_SET_CAPTURE_FILEA, 0, name.c_str()));
    char file[MAX_PATH];
    ASSERT_TRUE(Send(WM_CAP_FILE_GET_CAPTURE_FILEA, sizeof file, file));
    EXPECT_EQ(name, file);
    std::vector<char> small(name.size(), 'x'); // no room for the NUL
    EXPECT_FALSE(Send(WM_CAP_FILE_GET_CAPTURE_FILEA, small.size(), small.data()));
    EXPECT_EQ(small[0], 'x');
    EXPECT_FALSE(Send(WM_CAP_FILE_GET_CAPTURE_FILEA, sizeof file, 0));
    EXPECT_FALSE(Send(WM_CAP_FILE_GET_CAPTURE_FILEA, 0, file));
    const std::string exact(name.size() + 1, 'x');
    std::vector<char> fits(exact.begin(), exact.end());
    EXPECT_TRUE(Send(WM_CAP_FILE_GET_CAPTURE_FILEA, fits.size(), fits.data()));
    EXPECT_EQ(name, fits.data());
}

TEST_F(DeviceTest, SaveAsCopiesTheCaptureFileByteForByte) {
    Send(WM_CAP_SET_CALLBACK_ERRORA, 0, reinterpret_cast<LPARAM>(&RecordError));
    const std::string source = TestFolder() + "saveas_source.avi";
    const std::string target = TestFolder() + "saveas_copy.avi";
    std::vector<BYTE> content(70000);
    for (size_t i = 0; i < content.size(); ++i) {
        content[i] = static_cast<BYTE>(i * 7 + 3);
    }
    WriteFile(source, content);
    WriteFile(target, std::vector<BYTE>(10, 0xEE)); // replaced without asking
    ASSERT_TRUE(Send(WM_CAP_FILE_SET_CAPTURE_FILEA, 0, source.c_str()));
    ASSERT_TRUE(Send(WM_CAP_FILE_SAVEASA, 0, target.c_str()));
    EXPECT_EQ(ReadFile(target), content);
    EXPECT_TRUE(Status().fCapFileExists);

    ASSERT_TRUE(Send(WM_CAP_FILE_SAVEASA, 0, source.c_str())) << "onto itself: nothing to do";
    EXPECT_EQ(ReadFile(source), content);
    EXPECT_TRUE(ErrorCalls().empty());

    const std::string badTarget = TestFolder() + "no such folder\\copy.avi";
    EXPECT_FALSE(Send(WM_CAP_FILE_SAVEASA, 0, badTarget.c_str()));
    ASSERT_FALSE(ErrorCalls().empty());
    EXPECT_EQ(ErrorCalls().back().id, IDS_CAP_FILE_WRITE_ERROR);

    DeleteFileA(source.c_str());
    EXPECT_FALSE(Status().fCapFileExists);
    ErrorCalls().clear();
    EXPECT_FALSE(Send(WM_CAP_FILE_SAVEASA, 0, target.c_str())) << "no capture file";
    ASSERT_FALSE(ErrorCalls().empty());
    EXPECT_EQ(ErrorCalls().back().id, IDS_CAP_CANTOPEN);
    EXPECT_EQ(ReadFile(target), content) << "the earlier copy is left alone";
    DeleteFileA(target.c_str());
}

TEST_F(DeviceTest, InfoChunkRequestsCheckTheirRecord) {
    EXPECT_FALSE(Send(WM_CAP_FILE_SET_INFOCHUNK, 0, 0));
    static char notice[] = "Copyright notice of forty-seven bytes, with NUL";
    CAPINFOCHUNK chunk{mmioFOURCC('I', 'C', 'O', 'P'), notice, sizeof notice};
    EXPECT_TRUE(Send(WM_CAP_FILE_SET_INFOCHUNK, 0, &chunk));
    chunk.cbData = -1;
    EXPECT_FALSE(Send(WM_CAP_FILE_SET_INFOCHUNK, 0, &chunk));
    chunk.cbData = 0x7FFFFFFF; // would read far past the notice
    EXPECT_FALSE(Send(WM_CAP_FILE_SET_INFOCHUNK, 0, &chunk));
    CAPINFOCHUNK clearAll{0, nullptr, 0};
    EXPECT_TRUE(Send(WM_CAP_FILE_SET_INFOCHUNK, 0, &clearAll));
}

} // namespace
