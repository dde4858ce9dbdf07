// The AVI writer: files read back chunk by chunk, through both indexes.

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "capturefile/AviWriter.h"
#include "AviTestFiles.h"
#include "support/RiffReader.h"

namespace {

constexpr DWORD kFrameBytes = 32 * 24 * 3;

// Follows the stream's 'indx' super index to its 'ix##' chunks and those to
// the data chunks; every step is checked against the file.
std::vector<IndexedChunk> ChunksFromSuperIndex(const RiffFile& file, const RiffChunk& strl,
                                               DWORD chunkId, DWORD indexId) {
    std::vector<IndexedChunk> chunks;
    const RiffChunk* indx = strl.Find(Fcc("indx"));
    EXPECT_NE(indx, nullptr);
    if (indx == nullptr) {
        return chunks;
    }
    EXPECT_EQ(file.At<WORD>(indx->dataPos), 4);     // wLongsPerEntry
    EXPECT_EQ(file.At<BYTE>(indx->dataPos + 3), 0); // AVI_INDEX_OF_INDEXES
    EXPECT_EQ(file.At<DWORD>(indx->dataPos + 8), chunkId);
    const DWORD entries = file.At<DWORD>(indx->dataPos + 4);
    for (DWORD e = 0; e < entries; ++e) {
        const size_t entry = indx->dataPos + 24 + e * 16;
        const size_t ixPos = static_cast<size_t>(file.At<ULONGLONG>(entry));
        const DWORD ixSize = file.At<DWORD>(entry + 8);
        const DWORD duration = file.At<DWORD>(entry + 12);
        EXPECT_EQ(file.At<DWORD>(ixPos), indexId) << "super index entry " << e;
        EXPECT_EQ(file.At<DWORD>(ixPos + 4) + 8, ixSize) << "super index entry " << e;
        EXPECT_EQ(file.At<BYTE>(ixPos + 11), 1) << "AVI_INDEX_OF_CHUNKS, entry " << e;
        EXPECT_EQ(file.At<DWORD>(ixPos + 16), chunkId);
        const DWORD inUse = file.At<DWORD>(ixPos + 12);
        const ULONGLONG base = file.At<ULONGLONG>(ixPos + 20);
        DWORD units = 0;
        for (DWORD i = 0; i < inUse; ++i) {
            const size_t dataPos = static_cast<size_t>(base + file.At<DWORD>(ixPos + 32 + i * 8));
            const DWORD size = file.At<DWORD>(ixPos + 36 + i * 8) & 0x7FFFFFFF;
            EXPECT_EQ(file.At<DWORD>(dataPos - 8), chunkId) << "block " << e << " entry " << i;
            EXPECT_EQ(file.At<DWORD>(dataPos - 4), size) << "block " << e << " entry " << i;
            chunks.push_back({dataPos, size, true});
            units += chunkId == Fcc("00db") ? 1 : size;
        }
        EXPECT_EQ(duration, units) << "duration of block " << e;
    }
    return chunks;
}

struct WriterCase {
    const char* context;
    ULONGLONG riffBlockBytes;
    DWORD frames;
    bool audio;
    size_t expectedBlocks; // 0: more than one
};

class AviWriterFiles : public ::testing::TestWithParam<WriterCase> {};

TEST_P(AviWriterFiles, ReadBackThroughEveryIndex) {
    const WriterCase& c = GetParam();
    SCOPED_TRACE(c.context);
    const std::string path = TempPath("avi_writer_test.avi");
    const char copyright[] = "Test copyright notice";

    AviWriterSettings settings;
    settings.videoFormat = VideoFormat(32, 24, 24);
    settings.microSecPerFrame = 50000;
    if (c.audio) {
        settings.audioFormat = AudioFormat(8000, 1, 8);
    }
    settings.info.push_back(
        {Fcc("ICOP"), std::vector<BYTE>(copyright, copyright + sizeof copyright)});
    settings.riffBlockBytes = c.riffBlockBytes;

    CAviWriter writer;
    ASSERT_TRUE(writer.Open(path, settings));
    const DWORD audioPerFrame = 400; // 8 kHz at 20 frames per second
    for (DWORD n = 0; n < c.frames; ++n) {
        ASSERT_TRUE(writer.WriteVideo(FrameBytes(n, kFrameBytes).data(), kFrameBytes)) << n;
        if (c.audio) {
            ASSERT_TRUE(
                writer.WriteAudio(FrameBytes(1000 + n, audioPerFrame).data(), audioPerFrame));
        }
    }
    ASSERT_TRUE(writer.Close());
    EXPECT_EQ(writer.LastError(), 0u);

    RiffFile file(path);
    ASSERT_TRUE(file.Ok()) << file.Problem();
    const auto& blocks = file.Blocks();
    if (c.expectedBlocks != 0) {
        EXPECT_EQ(blocks.size(), c.expectedBlocks);
    } else {
        EXPECT_GT(blocks.size(), 2u);
    }
    EXPECT_EQ(writer.RiffBlocks(), blocks.size());
    EXPECT_EQ(blocks[0].listType, Fcc("AVI "));
    for (size_t b = 0; b < blocks.size(); ++b) {
        const RiffChunk* blockMovi = blocks[b].Find(Fcc("LIST"), Fcc("movi"));
        ASSERT_NE(blockMovi, nullptr) << "block " << b;
        EXPECT_LE(blockMovi->size + 8ULL, settings.riffBlockBytes) << "block " << b;
        if (b > 0) {
            EXPECT_EQ(blocks[b].listType, Fcc("AVIX")) << "block " << b;
            EXPECT_NE(blocks[b].Find(Fcc("LIST"), Fcc("movi")), nullptr);
            EXPECT_EQ(blocks[b].Find(Fcc("idx1")), nullptr) << "idx1 only in the first block";
        }
    }

    const RiffChunk& first = blocks[0];
    const RiffChunk* hdrl = first.Find(Fcc("LIST"), Fcc("hdrl"));
    ASSERT_NE(hdrl, nullptr);
    const RiffChunk* avih = hdrl->Find(Fcc("avih"));
    ASSERT_NE(avih, nullptr);
    EXPECT_EQ(file.At<DWORD>(avih->dataPos), 50000u);                 // dwMicroSecPerFrame
    EXPECT_EQ(file.At<DWORD>(avih->dataPos + 24), c.audio ? 2u : 1u); // dwStreams
    EXPECT_GE(file.At<DWORD>(avih->dataPos + 28), kFrameBytes);       // dwSuggestedBufferSize
    EXPECT_EQ(file.At<DWORD>(avih->dataPos + 32), 32u);
    EXPECT_EQ(file.At<DWORD>(avih->dataPos + 36), 24u);

    const auto strls = hdrl->FindAll(Fcc("LIST"), Fcc("strl"));
    ASSERT_EQ(strls.size(), c.audio ? 2u : 1u);
    const RiffChunk* strh = strls[0]->Find(Fcc("strh"));
    ASSERT_NE(strh, nullptr);
    EXPECT_EQ(file.At<DWORD>(strh->dataPos), Fcc("vids"));
    EXPECT_EQ(file.At<DWORD>(strh->dataPos + 20), 1u);       // dwScale
    EXPECT_EQ(file.At<DWORD>(strh->dataPos + 24), 20u);      // dwRate
    EXPECT_EQ(file.At<DWORD>(strh->dataPos + 32), c.frames); // dwLength
    EXPECT_EQ(file.At<DWORD>(strh->dataPos + 36), kFrameBytes);
    const RiffChunk* strf = strls[0]->Find(Fcc("strf"));
    ASSERT_NE(strf, nullptr);
    ASSERT_EQ(strf->size, settings.videoFormat.size());
    EXPECT_EQ(memcmp(file.Bytes().data() + strf->dataPos, settings.videoFormat.data(), strf->size),
              0);

    const RiffChunk* dmlh = hdrl->Find(Fcc("LIST"), Fcc("odml"))->Find(Fcc("dmlh"));
    ASSERT_NE(dmlh, nullptr);
    EXPECT_EQ(file.At<DWORD>(dmlh->dataPos), c.frames);

    const RiffChunk* info = first.Find(Fcc("LIST"), Fcc("INFO"));
    ASSERT_NE(info, nullptr);
    const RiffChunk* icop = info->Find(Fcc("ICOP"));
    ASSERT_NE(icop, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(file.Bytes().data() + icop->dataPos)),
              copyright);
    EXPECT_EQ(icop->size, sizeof copyright);

    // Every frame through the OpenDML indexes, in order, with its bytes.
    const auto frames = ChunksFromSuperIndex(file, *strls[0], Fcc("00db"), Fcc("ix00"));
    ASSERT_EQ(frames.size(), c.frames);
    for (DWORD n = 0; n < c.frames; ++n) {
        ASSERT_EQ(frames[n].size, kFrameBytes);
        EXPECT_EQ(memcmp(file.Bytes().data() + frames[n].dataPos, FrameBytes(n, kFrameBytes).data(),
                         kFrameBytes),
                  0)
            << "frame " << n;
    }

    // The legacy index covers the first block: its frames are avih's count.
    const RiffChunk* movi = first.Find(Fcc("LIST"), Fcc("movi"));
    const RiffChunk* idx1 = first.Find(Fcc("idx1"));
    ASSERT_NE(movi, nullptr);
    ASSERT_NE(idx1, nullptr);
    const DWORD framesInFirst = static_cast<DWORD>(movi->FindAll(Fcc("00db")).size());
    EXPECT_EQ(file.At<DWORD>(avih->dataPos + 16), framesInFirst); // dwTotalFrames
    DWORD idx1Frames = 0;
    for (DWORD e = 0; e < idx1->size / 16; ++e) {
        const size_t entry = idx1->dataPos + e * 16;
        const DWORD id = file.At<DWORD>(entry);
        const size_t chunkPos = movi->dataPos - 4 + file.At<DWORD>(entry + 8);
        EXPECT_EQ(file.At<DWORD>(chunkPos), id) << "idx1 entry " << e;
        EXPECT_EQ(file.At<DWORD>(chunkPos + 4), file.At<DWORD>(entry + 12)) << "idx1 entry " << e;
        EXPECT_EQ(file.At<DWORD>(entry + 4), 0x10u) << "key frame flag, entry " << e;
        if (id == Fcc("00db")) {
            EXPECT_EQ(chunkPos + 8, frames[idx1Frames].dataPos);
            ++idx1Frames;
        }
    }
    EXPECT_EQ(idx1Frames, framesInFirst);

    if (c.audio) {
        const RiffChunk* audioStrh = strls[1]->Find(Fcc("strh"));
        EXPECT_EQ(file.At<DWORD>(audioStrh->dataPos), Fcc("auds"));
        EXPECT_EQ(file.At<DWORD>(audioStrh->dataPos + 20), 1u);    // dwScale = nBlockAlign
        EXPECT_EQ(file.At<DWORD>(audioStrh->dataPos + 24), 8000u); // dwRate = bytes per second
        EXPECT_EQ(file.At<DWORD>(audioStrh->dataPos + 32), c.frames * audioPerFrame);
        EXPECT_EQ(file.At<DWORD>(audioStrh->dataPos + 44), 1u); // dwSampleSize
        EXPECT_EQ(strls[1]->Find(Fcc("strf"))->size, 16u);
        const auto audio = ChunksFromSuperIndex(file, *strls[1], Fcc("01wb"), Fcc("ix01"));
        ASSERT_EQ(audio.size(), c.frames);
        for (DWORD n = 0; n < c.frames; ++n) {
            EXPECT_EQ(memcmp(file.Bytes().data() + audio[n].dataPos,
                             FrameBytes(1000 + n, audioPerFrame).data(), audioPerFrame),
                      0)
                << "audio chunk " << n;
        }
        // Interleaved: each frame is followed by its audio.
        for (DWORD n = 0; n < c.frames; ++n) {
            EXPECT_LT(frames[n].dataPos, audio[n].dataPos) << n;
            if (n + 1 < c.frames) {
                EXPECT_LT(audio[n].dataPos, frames[n + 1].dataPos) << n;
            }
        }
    }
    DeleteFileA(path.c_str());
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, AviWriterFiles,
    ::testing::Values(WriterCase{"one block, video only", 1ULL << 30, 12, false, 1},
                      WriterCase{"one block, video and audio", 1ULL << 30, 12, true, 1},
                      WriterCase{"16 KiB blocks, video and audio", 16 * 1024, 40, true, 0},
                      WriterCase{"16 KiB blocks, video only", 16 * 1024, 40, false, 0}));

// Failures that end a capture early: the file keeps every chunk written before.
struct StopCase {
    const char* context;
    ULONGLONG freeSpaceReserve;
    DWORD superIndexEntries;
    ULONGLONG maxFileBytes;
    DWORD expectedError;
};

class AviWriterStops : public ::testing::TestWithParam<StopCase> {};

TEST_P(AviWriterStops, LeaveAReadableFile) {
    const StopCase& c = GetParam();
    SCOPED_TRACE(c.context);
    const std::string path = TempPath("avi_writer_stop.avi");
    AviWriterSettings settings;
    settings.videoFormat = VideoFormat(32, 24, 24);
    settings.microSecPerFrame = 50000;
    settings.riffBlockBytes = 16 * 1024;
    settings.superIndexEntries = c.superIndexEntries;
    settings.freeSpaceReserve = c.freeSpaceReserve;
    settings.maxFileBytes = c.maxFileBytes;

    CAviWriter writer;
    ASSERT_TRUE(writer.Open(path, settings));
    DWORD written = 0;
    for (DWORD n = 0; n < 100; ++n) {
        if (!writer.WriteVideo(FrameBytes(n, kFrameBytes).data(), kFrameBytes)) {
            break;
        }
        ++written;
    }
    EXPECT_LT(written, 100u);
    EXPECT_EQ(writer.LastError(), c.expectedError);
    EXPECT_EQ(writer.StoppedForSpace(), c.expectedError == ERROR_DISK_FULL);
    EXPECT_FALSE(writer.WriteVideo(FrameBytes(0, kFrameBytes).data(), kFrameBytes))
        << "no write after a stop";
    EXPECT_TRUE(writer.Close());

    RiffFile file(path);
    ASSERT_TRUE(file.Ok()) << file.Problem();
    const RiffChunk* hdrl = file.Blocks()[0].Find(Fcc("LIST"), Fcc("hdrl"));
    ASSERT_NE(hdrl, nullptr);
    const RiffChunk* strl = hdrl->Find(Fcc("LIST"), Fcc("strl"));
    EXPECT_EQ(file.At<DWORD>(strl->Find(Fcc("strh"))->dataPos + 32), written);
    const auto frames = ChunksFromSuperIndex(file, *strl, Fcc("00db"), Fcc("ix00"));
    EXPECT_EQ(frames.size(), written);
    if (c.maxFileBytes != 0) {
        EXPECT_LE(file.Bytes().size(), c.maxFileBytes);
        EXPECT_GT(file.Bytes().size() + kFrameBytes + 64, c.maxFileBytes) << "stopped early";
    }
    DeleteFileA(path.c_str());
}

INSTANTIATE_TEST_SUITE_P(Limits, AviWriterStops,
                         ::testing::Values(StopCase{"reserve larger than any disk", 1ULL << 62, 256,
                                                    0, ERROR_DISK_FULL},
                                           StopCase{"super index full after two blocks", 0, 2, 0,
                                                    kAviErrorSuperIndexFull},
                                           StopCase{"largest file reached past the first block", 0,
                                                    256, 40000, ERROR_FILE_TOO_LARGE}));

// AVI 1.0, as the platform's capture window writes: one RIFF however large
// the blocks are set, no OpenDML header or indexes, the idx1 written at
// Close only, and a chunk past the largest file refused.
TEST(AviWriter, Avi10StopsAtItsLargestSizeWithACompleteFile) {
    const std::string path = TempPath("avi_writer_avi10.avi");
    AviWriterSettings settings;
    settings.videoFormat = VideoFormat(32, 24, 24);
    settings.audioFormat = AudioFormat(8000, 1, 8);
    settings.riffBlockBytes = 16 * 1024;
    settings.openDml = false;
    settings.maxFileBytes = 60000;
    CAviWriter writer;
    ASSERT_TRUE(writer.Open(path, settings));
    DWORD written = 0;
    while (writer.WriteVideo(FrameBytes(written, kFrameBytes).data(), kFrameBytes) &&
           writer.WriteAudio(FrameBytes(1000 + written, 400).data(), 400)) {
        ++written;
        ASSERT_LT(written, 100u);
        if (written == 5) {
            ASSERT_TRUE(writer.Checkpoint());
            RiffFile open(path);
            ASSERT_TRUE(open.Ok()) << open.Problem();
            EXPECT_EQ(open.Blocks()[0].Find(Fcc("idx1")), nullptr) << "no index before Close";
        }
    }
    EXPECT_EQ(writer.LastError(), static_cast<DWORD>(ERROR_FILE_TOO_LARGE));
    EXPECT_FALSE(writer.StoppedForSpace());
    ASSERT_TRUE(writer.Close());

    RiffFile file(path);
    ASSERT_TRUE(file.Ok()) << file.Problem();
    EXPECT_LE(file.Bytes().size(), settings.maxFileBytes);
    EXPECT_GT(file.Bytes().size() + kFrameBytes + 400 + 16, settings.maxFileBytes);
    ASSERT_EQ(file.Blocks().size(), 1u);
    const RiffChunk& riff = file.Blocks()[0];
    const RiffChunk* hdrl = riff.Find(Fcc("LIST"), Fcc("hdrl"));
    ASSERT_NE(hdrl, nullptr);
    EXPECT_EQ(hdrl->Find(Fcc("LIST"), Fcc("odml")), nullptr);
    const DWORD avihFlags = file.At<DWORD>(hdrl->Find(Fcc("avih"))->dataPos + 12);
    EXPECT_EQ(avihFlags, 0x10u | 0x100u | 0x10000u) << "has index, interleaved, capture file";
    EXPECT_EQ(file.At<DWORD>(hdrl->Find(Fcc("avih"))->dataPos + 16), written);
    const auto strls = hdrl->FindAll(Fcc("LIST"), Fcc("strl"));
    ASSERT_EQ(strls.size(), 2u);
    for (const RiffChunk* strl : strls) {
        EXPECT_EQ(strl->Find(Fcc("indx")), nullptr);
    }
    EXPECT_EQ(file.At<DWORD>(strls[0]->Find(Fcc("strh"))->dataPos + 32), written);
    EXPECT_EQ(file.At<DWORD>(strls[1]->Find(Fcc("strh"))->dataPos + 32), written * 400);

    // The idx1 names every chunk of the movie list, in order, with its size.
    const RiffChunk* movi = riff.Find(Fcc("LIST"), Fcc("movi"));
    const RiffChunk* idx1 = riff.Find(Fcc("idx1"));
    ASSERT_NE(movi, nullptr);
    ASSERT_NE(idx1, nullptr);
    ASSERT_EQ(idx1->size / 16, movi->children.size());
    ASSERT_EQ(movi->children.size(), 2 * written);
    for (size_t e = 0; e < movi->children.size(); ++e) {
        const RiffChunk& chunk = movi->children[e];
        EXPECT_EQ(chunk.id, e % 2 == 0 ? Fcc("00db") : Fcc("01wb")) << e;
        EXPECT_EQ(file.At<DWORD>(idx1->dataPos + e * 16), chunk.id) << e;
        EXPECT_EQ(movi->dataPos - 4 + file.At<DWORD>(idx1->dataPos + e * 16 + 8), chunk.headerPos);
        EXPECT_EQ(file.At<DWORD>(idx1->dataPos + e * 16 + 12), chunk.size) << e;
    }
    DeleteFileA(path.c_str());
}

TEST(AviWriter, DroppedFrameKeepsItsPlaceInTheStream) {
    const std::string path = TempPath("avi_writer_drop.avi");
    AviWriterSettings settings;
    settings.videoFormat = VideoFormat(32, 24, 24);
    CAviWriter writer;
    ASSERT_TRUE(writer.Open(path, settings));
    ASSERT_TRUE(writer.WriteVideo(FrameBytes(0, kFrameBytes).data(), kFrameBytes));
    ASSERT_TRUE(writer.WriteVideo(nullptr, 0));
    ASSERT_TRUE(writer.WriteVideo(FrameBytes(2, kFrameBytes).data(), kFrameBytes));
    ASSERT_TRUE(writer.Close());

    RiffFile file(path);
    ASSERT_TRUE(file.Ok()) << file.Problem();
    const RiffChunk* strl =
        file.Blocks()[0].Find(Fcc("LIST"), Fcc("hdrl"))->Find(Fcc("LIST"), Fcc("strl"));
    EXPECT_EQ(file.At<DWORD>(strl->Find(Fcc("strh"))->dataPos + 32), 3u);
    const auto frames = ChunksFromSuperIndex(file, *strl, Fcc("00db"), Fcc("ix00"));
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[1].size, 0u);
    EXPECT_EQ(memcmp(file.Bytes().data() + frames[2].dataPos, FrameBytes(2, kFrameBytes).data(),
                     kFrameBytes),
              0);
    DeleteFileA(path.c_str());
}

TEST(AviWriter, RefusesAudioThatIsNotWholeBlocks) {
    const std::string path = TempPath("avi_writer_blocks.avi");
    AviWriterSettings settings;
    settings.videoFormat = VideoFormat(32, 24, 24);
    settings.audioFormat = AudioFormat(44100, 2, 16);
    CAviWriter writer;
    ASSERT_TRUE(writer.Open(path, settings));
    const BYTE samples[8] = {};
    EXPECT_FALSE(writer.WriteAudio(samples, 6));
    EXPECT_EQ(writer.LastError(), 0u) << "a refused call does not end the file";
    EXPECT_TRUE(writer.WriteAudio(samples, 8));
    EXPECT_EQ(writer.AudioBlocks(), 2u);
    EXPECT_TRUE(writer.Close());
    DeleteFileA(path.c_str());
}

TEST(AviWriter, OpenFailsOnAFolderThatDoesNotExist) {
    AviWriterSettings settings;
    settings.videoFormat = VideoFormat(32, 24, 24);
    CAviWriter writer;
    EXPECT_FALSE(writer.Open(TempPath("no such folder\\x.avi"), settings));
    EXPECT_EQ(writer.LastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(writer.IsOpen());
}

} // namespace
