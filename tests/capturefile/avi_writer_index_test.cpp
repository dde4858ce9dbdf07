// The writer's OpenDML indexes while a capture runs: after every checkpoint,
// and in files cut off at any byte (a killed capture), the idx1, the super
// indexes and the standard indexes, read from the index structures alone,
// list every chunk up to the last checkpoint; the limits of the format.

#include <gtest/gtest.h>

#include <windows.h>
#include <vfw.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "capturefile/AviWriter.h"
#include "AviTestFiles.h"
#include "support/RiffReader.h"

namespace {

// A chunk as the test wrote it.
struct WrittenChunk {
    size_t stream;
    std::vector<BYTE> bytes;
    bool keyFrame;
};

// A capture's worth of writes: frames (every fifth one dropped, every third
// one a delta frame), sound after each, and a run of sound alone that fills
// blocks with nothing else; a checkpoint every few frames.
struct Scenario {
    const char* context;
    LONG width, height;
    ULONGLONG riffBlockBytes;
    DWORD frames;
    DWORD checkpointEvery;
    DWORD soundOnlyAt; // frame before which 60 sound chunks come alone; 0: none
};

constexpr DWORD kSoundBytes = 400; // 8 kHz 8-bit mono, 20 frames a second

struct Progress {
    ULONGLONG openBytes = 0; // the file's start, written by Open
    // Bytes the writer had written, and chunks per stream, when each
    // checkpoint returned.
    std::vector<ULONGLONG> checkpointBytes;
    std::vector<std::vector<size_t>> checkpointChunks;
    // Bytes before and after each chunk's write.
    std::vector<std::pair<ULONGLONG, ULONGLONG>> chunkBytes;
};

AviWriterSettings ScenarioSettings(const Scenario& s) {
    AviWriterSettings settings;
    settings.videoFormat = VideoFormat(s.width, s.height, 24);
    settings.audioFormat = AudioFormat(8000, 1, 8);
    settings.frameRate = 20;
    settings.riffBlockBytes = s.riffBlockBytes;
    settings.superIndexEntries = 64; // a header of a few KiB, written at every cut
    return settings;
}

// Writes the scenario; `observe` is called after each checkpoint. Returns
// false when a write failed.
bool RunScenario(CAviWriter& writer, const Scenario& s, const std::string& path,
                 std::vector<WrittenChunk>& chunks, Progress& progress,
                 const std::function<void()>& observe = {}) {
    if (!writer.Open(path, ScenarioSettings(s))) {
        return false;
    }
    progress.openBytes = writer.BytesWrittenForTest();
    const DWORD frameBytes = static_cast<DWORD>(s.width * s.height * 3);
    auto write = [&](size_t stream, std::vector<BYTE> bytes, bool key) {
        const ULONGLONG before = writer.BytesWrittenForTest();
        const bool ok = stream == 0
                            ? writer.WriteVideo(bytes.data(), static_cast<DWORD>(bytes.size()), key)
                            : writer.WriteAudio(bytes.data(), static_cast<DWORD>(bytes.size()));
        progress.chunkBytes.push_back({before, writer.BytesWrittenForTest()});
        chunks.push_back({stream, std::move(bytes), key});
        return ok;
    };
    for (DWORD n = 0; n < s.frames; ++n) {
        for (DWORD a = 0; n == s.soundOnlyAt && s.soundOnlyAt != 0 && a < 60; ++a) {
            if (!write(1, FrameBytes(5000 + a, kSoundBytes), true)) {
                return false;
            }
        }
        const bool dropped = n % 5 == 4;
        const bool ok = write(0, dropped ? std::vector<BYTE>() : FrameBytes(n, frameBytes),
                              !dropped && n % 3 != 2) &&
                        write(1, FrameBytes(1000 + n, kSoundBytes), true);
        if (!ok) {
            return false;
        }
        if (n % s.checkpointEvery == s.checkpointEvery - 1) {
            if (!writer.Checkpoint()) {
                return false;
            }
            progress.checkpointBytes.push_back(writer.BytesWrittenForTest());
            std::vector<size_t> perStream(2);
            for (const WrittenChunk& chunk : chunks) {
                ++perStream[chunk.stream];
            }
            progress.checkpointChunks.push_back(perStream);
            if (observe) {
                observe();
            }
        }
    }
    return true;
}

std::vector<const WrittenChunk*> StreamChunks(const std::vector<WrittenChunk>& chunks,
                                              size_t stream) {
    std::vector<const WrittenChunk*> found;
    for (const WrittenChunk& chunk : chunks) {
        if (chunk.stream == stream) {
            found.push_back(&chunk);
        }
    }
    return found;
}

// An index's entries are the stream's chunks in order (a prefix of them),
// each with its bytes and key flag.
void ExpectListed(const RiffFile& file, const std::vector<IndexedChunk>& listed,
                  const std::vector<const WrittenChunk*>& written, const char* index,
                  size_t stream) {
    ASSERT_LE(listed.size(), written.size()) << index << " of stream " << stream;
    for (size_t i = 0; i < listed.size(); ++i) {
        const WrittenChunk& chunk = *written[i];
        ASSERT_EQ(listed[i].size, chunk.bytes.size()) << index << " " << stream << ":" << i;
        EXPECT_EQ(listed[i].keyFrame, chunk.keyFrame) << index << " " << stream << ":" << i;
        EXPECT_TRUE(chunk.bytes.empty() || memcmp(file.Bytes().data() + listed[i].dataPos,
                                                  chunk.bytes.data(), chunk.bytes.size()) == 0)
            << index << " " << stream << ":" << i;
    }
}

// What a reader that trusts the indexes gets from the file as it is on disk:
// at least `atLeast` chunks of each stream, every one right, the counts in
// the header no more than the indexes list, and a first block whose chunks
// and lists are whole.
void ExpectIndexesCover(const std::string& path, const std::vector<WrittenChunk>& chunks,
                        const std::vector<size_t>& atLeast) {
    RiffFile file(path);
    const AviIndexes indexes = ReadAviIndexes(file);
    ASSERT_TRUE(indexes.ok) << indexes.problem;
    EXPECT_TRUE(indexes.badEntries.empty()) << indexes.badEntries.front();
    EXPECT_TRUE(file.WellFormed(12, indexes.riffEnd))
        << file.Problem() << " (first block ends at " << indexes.riffEnd << ")";
    EXPECT_NE(indexes.flags & AVIF_HASINDEX, 0u);
    ASSERT_EQ(indexes.streams.size(), 2u);
    size_t firstBlockFrames = 0;
    for (size_t s = 0; s < 2; ++s) {
        const AviStreamIndexes& stream = indexes.streams[s];
        const auto written = StreamChunks(chunks, s);
        ExpectListed(file, stream.odml, written, "standard index", s);
        ExpectListed(file, stream.idx1, written, "idx1", s);
        EXPECT_GE(stream.odml.size(), atLeast[s]) << "stream " << s;
        // The idx1 lists the first block's chunks, all those up to atLeast.
        size_t inFirstBlock = 0;
        while (inFirstBlock < stream.odml.size() &&
               stream.odml[inFirstBlock].dataPos < indexes.moviEnd) {
            ++inFirstBlock;
        }
        EXPECT_GE(stream.idx1.size(), std::min(inFirstBlock, atLeast[s])) << "stream " << s;
        EXPECT_LE(stream.length, s == 0 ? stream.odml.size() : stream.odml.size() * kSoundBytes);
        EXPECT_GE(stream.length, s == 0 ? atLeast[s] : atLeast[s] * kSoundBytes);
        firstBlockFrames = s == 0 ? stream.idx1.size() : firstBlockFrames;
    }
    EXPECT_LE(indexes.totalFrames, firstBlockFrames);
    EXPECT_LE(indexes.grandFrames, indexes.streams[0].odml.size());
}

const Scenario kSmallBlocks{
    "16 KiB blocks of 32x24 frames, a block of sound alone", 32, 24, 16 * 1024, 60, 4, 30};
// Frames of 57,600 bytes: the first block's idx1 moves ahead of the data
// several times before the block closes at 3 MiB.
const Scenario kMovingIdx1{"3 MiB blocks of 160x120 frames", 160, 120, 3 << 20, 80, 5, 0};

TEST(AviWriterIndexes, EveryCheckpointListsEveryChunk) {
    for (const Scenario& s : {kSmallBlocks, kMovingIdx1}) {
        SCOPED_TRACE(s.context);
        const std::string path = TempPath("avi_writer_checkpoints.avi");
        std::vector<WrittenChunk> chunks;
        Progress progress;
        CAviWriter writer;
        ASSERT_TRUE(RunScenario(writer, s, path, chunks, progress, [&] {
            ExpectIndexesCover(path, chunks, progress.checkpointChunks.back());
            const AviIndexes indexes = ReadAviIndexes(RiffFile(path));
            for (size_t n = 0; n < 2; ++n) {
                EXPECT_EQ(indexes.streams[n].odml.size(), progress.checkpointChunks.back()[n]);
                EXPECT_EQ(indexes.streams[n].blockDurations.size(), writer.RiffBlocks())
                    << "one super index entry per block, the open one included";
            }
        }));
        EXPECT_GE(writer.RiffBlocks(), 2u);
        ASSERT_TRUE(writer.Close());
        const std::vector<size_t> all = {StreamChunks(chunks, 0).size(),
                                         StreamChunks(chunks, 1).size()};
        ExpectIndexesCover(path, chunks, all);
        RiffFile file(path);
        EXPECT_TRUE(file.Ok()) << file.Problem();
        const AviIndexes indexes = ReadAviIndexes(file);
        EXPECT_EQ(indexes.streams[0].length, all[0]);
        EXPECT_EQ(indexes.grandFrames, all[0]);
        EXPECT_EQ(indexes.totalFrames, indexes.streams[0].idx1.size());
        DeleteFileA(path.c_str());
    }
}

TEST(AviWriterIndexes, ABlockOfSoundAloneHasItsOwnIndexes) {
    const std::string path = TempPath("avi_writer_sound_block.avi");
    std::vector<WrittenChunk> chunks;
    Progress progress;
    CAviWriter writer;
    ASSERT_TRUE(RunScenario(writer, kSmallBlocks, path, chunks, progress));
    ASSERT_TRUE(writer.Close());
    RiffFile file(path);
    const AviIndexes indexes = ReadAviIndexes(file);
    // A block whose video index lists nothing and whose sound index lists
    // some: its super index entries are there for both streams.
    const auto& video = indexes.streams[0].blockDurations;
    const auto& sound = indexes.streams[1].blockDurations;
    ASSERT_EQ(video.size(), sound.size());
    bool soundAlone = false;
    for (size_t b = 0; b < video.size(); ++b) {
        soundAlone = soundAlone || (video[b] == 0 && sound[b] != 0);
    }
    EXPECT_TRUE(soundAlone);
    DeleteFileA(path.c_str());
}

// What Wine's AVIFile (the platform's reader) takes from a file killed in
// its first block: it opens it and reads at least `frames` frames.
void ExpectAviFileReads(const std::string& path, LONG frames) {
    PAVIFILE file = nullptr;
    ASSERT_EQ(AVIFileOpenA(&file, path.c_str(), OF_READ | OF_SHARE_DENY_NONE, nullptr), AVIERR_OK);
    PAVISTREAM stream = nullptr;
    ASSERT_EQ(AVIFileGetStream(file, &stream, streamtypeVIDEO, 0), AVIERR_OK);
    const LONG length = AVIStreamLength(stream);
    EXPECT_GE(length, frames);
    std::vector<BYTE> buffer(1 << 16);
    for (LONG n = 0; n < length; ++n) {
        LONG bytes = 0;
        EXPECT_EQ(AVIStreamRead(stream, n, 1, buffer.data(), static_cast<LONG>(buffer.size()),
                                &bytes, nullptr),
                  AVIERR_OK)
            << "frame " << n << " of " << length;
    }
    AVIStreamRelease(stream);
    AVIFileRelease(file);
}

// The bytes at which to cut the file: around every checkpoint, through one
// of them (the idx1 rewritten in place) and through the chunk writes that
// moved the idx1 ahead, at a few multiples of `step`, and at even steps over
// the rest. (Each cut writes the file anew: a few hundred cuts in all.)
std::vector<ULONGLONG> CutPoints(const Progress& p, size_t frameChunkBytes, ULONGLONG step) {
    std::vector<ULONGLONG> cuts;
    auto sweep = [&](ULONGLONG from, ULONGLONG to) {
        for (ULONGLONG at = from; at <= to; at += step) {
            cuts.push_back(at);
        }
    };
    for (size_t c = 0; c < p.checkpointBytes.size(); ++c) {
        for (ULONGLONG d : {0ULL, 1ULL, 4ULL, 8ULL, 9ULL}) {
            cuts.push_back(p.checkpointBytes[c] - d);
            cuts.push_back(p.checkpointBytes[c] + d);
        }
    }
    for (size_t c = 1; c < 2 && c < p.checkpointBytes.size(); ++c) {
        ULONGLONG lastChunkEnd = 0;
        for (const auto& chunk : p.chunkBytes) {
            lastChunkEnd = chunk.second <= p.checkpointBytes[c] ? chunk.second : lastChunkEnd;
        }
        step *= 3;
        sweep(lastChunkEnd, p.checkpointBytes[c]);
        step /= 3;
    }
    // A write of more than its chunk first moved the idx1 ahead, or closed
    // a block and opened the next: the first two such, at longer steps.
    size_t largeWrites = 0;
    for (const auto& [before, after] : p.chunkBytes) {
        if (after - before > frameChunkBytes + 64 && largeWrites++ < 2) {
            step *= 41;
            sweep(before, after - frameChunkBytes);
            step /= 41;
        }
    }
    const ULONGLONG total = p.chunkBytes.back().second;
    for (ULONGLONG at = p.openBytes; at < total; at += total / 40) {
        cuts.push_back(at);
    }
    // A file whose headers Open did not finish is no capture yet.
    cuts.push_back(p.openBytes);
    std::erase_if(cuts, [&](ULONGLONG at) { return at < p.openBytes; });
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    return cuts;
}

TEST(AviWriterIndexes, AFileCutOffAtAnyByteListsEveryChunkUpToTheLastCheckpoint) {
    AVIFileInit();
    for (const Scenario& s : {kSmallBlocks, kMovingIdx1}) {
        SCOPED_TRACE(s.context);
        const std::string path = TempPath("avi_writer_killed.avi");
        std::vector<WrittenChunk> chunks;
        Progress whole;
        {
            CAviWriter writer;
            ASSERT_TRUE(RunScenario(writer, s, path, chunks, whole));
        }
        const size_t frameChunk = static_cast<size_t>(s.width * s.height * 3 + 8);
        size_t cutsInFirstBlock = 0;
        const ULONGLONG step = frameChunk > 10000 ? 37 : 1;
        const std::vector<ULONGLONG> cuts = CutPoints(whole, frameChunk, step);
        for (const ULONGLONG cut : cuts) {
            SCOPED_TRACE("cut at byte " + std::to_string(cut));
            std::vector<WrittenChunk> written;
            Progress progress;
            {
                CAviWriter writer;
                writer.StopWritingAfterForTest(cut);
                RunScenario(writer, s, path, written, progress);
            } // the destructor's Close writes nothing: the file is as killed
            std::vector<size_t> atLeast = {0, 0};
            for (size_t c = 0; c < whole.checkpointBytes.size(); ++c) {
                if (whole.checkpointBytes[c] <= cut) {
                    atLeast = whole.checkpointChunks[c];
                }
            }
            ExpectIndexesCover(path, chunks, atLeast);
            if (HasFatalFailure()) {
                return;
            }
            const AviIndexes indexes = ReadAviIndexes(RiffFile(path));
            const bool firstBlock = indexes.streams[0].blockDurations.size() == 1;
            if (firstBlock && cut % 17 == 0) {
                ExpectAviFileReads(path, static_cast<LONG>(atLeast[0]));
                ++cutsInFirstBlock;
            }
        }
        EXPECT_GT(cutsInFirstBlock, 0u);
        DeleteFileA(path.c_str());
    }
    AVIFileExit();
}

// The limits of the format: each refused in order with an error that names it.
struct LimitCase {
    const char* context;
    std::vector<BYTE> videoFormat;
    DWORD chunkBytes; // a chunk to write after Open; 0: Open itself fails
    DWORD expectedError;
    const char* textNames;
};

TEST(AviWriterIndexes, LimitsAreRefusedWithTheirOwnError) {
    std::vector<BYTE> hugeClaim = VideoFormat(640, 480, 16, MAKEFOURCC('Y', 'U', 'Y', '2'));
    reinterpret_cast<BITMAPINFOHEADER*>(hugeClaim.data())->biSizeImage = 0xFFFFFFF8;
    const LimitCase cases[] = {
        {"32767 x 32767 at 24 bits", VideoFormat(32767, 32767, 24), 0, kAviErrorVideoFormat,
         "format"},
        {"a compressed format claiming 4 GiB frames", hugeClaim, 0, kAviErrorVideoFormat, "format"},
        {"0 bits per pixel", VideoFormat(320, 240, 0), 0, kAviErrorVideoFormat, "depth"},
        {"no width", VideoFormat(0, 240, 24), 0, kAviErrorVideoFormat, "size"},
        {"a frame larger than a RIFF block", VideoFormat(32, 24, 24), 40000, kAviErrorChunkTooLarge,
         "RIFF block"},
    };
    for (const LimitCase& c : cases) {
        SCOPED_TRACE(c.context);
        const std::string path = TempPath("avi_writer_limit.avi");
        AviWriterSettings settings;
        settings.videoFormat = c.videoFormat;
        settings.riffBlockBytes = 16 * 1024;
        CAviWriter writer;
        if (c.chunkBytes == 0) {
            EXPECT_FALSE(writer.Open(path, settings));
            EXPECT_FALSE(writer.IsOpen());
        } else {
            ASSERT_TRUE(writer.Open(path, settings));
            const std::vector<BYTE> chunk(c.chunkBytes);
            EXPECT_TRUE(writer.WriteVideo(chunk.data(), 100));
            EXPECT_FALSE(writer.WriteVideo(chunk.data(), c.chunkBytes));
            EXPECT_EQ(writer.VideoFrames(), 1u);
            EXPECT_TRUE(writer.Close());
        }
        EXPECT_EQ(writer.LastError(), c.expectedError);
        EXPECT_NE(AviErrorText(writer.LastError()).find(c.textNames), std::string::npos)
            << AviErrorText(writer.LastError());
        DeleteFileA(path.c_str());
    }
    // A size near 4 GiB (which wraps in 32-bit size arithmetic) is refused
    // before a byte of it is copied.
    {
        const std::string path = TempPath("avi_writer_limit.avi");
        AviWriterSettings settings;
        settings.videoFormat = VideoFormat(32, 24, 24);
        CAviWriter writer;
        ASSERT_TRUE(writer.Open(path, settings));
        const BYTE frame[16] = {};
        EXPECT_FALSE(writer.WriteVideo(frame, 0xFFFFFFF8));
        EXPECT_EQ(writer.LastError(), kAviErrorChunkTooLarge);
        EXPECT_TRUE(writer.Close());
        DeleteFileA(path.c_str());
    }
    EXPECT_NE(AviErrorText(kAviErrorSuperIndexFull).find("index"), std::string::npos);
    EXPECT_NE(AviErrorText(kAviErrorStreamLength).find("4294967295"), std::string::npos);
}

// Sound alone, block after block, until the super indexes are full: the
// sound stream's is checked as the video's is.
TEST(AviWriterIndexes, SoundAloneStopsAtTheSuperIndexCapacity) {
    const std::string path = TempPath("avi_writer_sound_only.avi");
    AviWriterSettings settings;
    settings.videoFormat = VideoFormat(32, 24, 24);
    settings.audioFormat = AudioFormat(8000, 1, 8);
    settings.riffBlockBytes = 16 * 1024;
    settings.superIndexEntries = 3;
    CAviWriter writer;
    ASSERT_TRUE(writer.Open(path, settings));
    const std::vector<BYTE> sound = FrameBytes(7, 4000);
    DWORD written = 0;
    while (written < 100 && writer.WriteAudio(sound.data(), 4000)) {
        ++written;
    }
    EXPECT_EQ(writer.LastError(), kAviErrorSuperIndexFull);
    EXPECT_EQ(writer.RiffBlocks(), 3u);
    EXPECT_TRUE(writer.Close());
    RiffFile file(path);
    EXPECT_TRUE(file.Ok()) << file.Problem();
    const AviIndexes indexes = ReadAviIndexes(file);
    EXPECT_EQ(indexes.streams[1].odml.size(), written);
    EXPECT_EQ(indexes.streams[1].blockDurations.size(), 3u);
    DeleteFileA(path.c_str());
}

// A day in one file, by arithmetic on the writer's own sizing with the
// program's settings (1 GiB blocks, the default super index): every block
// closed by its size, plus every one that the standard indexes of video or
// sound (a sound chunk a frame at most) close early, fit the super index.
TEST(AviWriterIndexes, ADayOfCaptureFitsTheSuperIndex) {
    struct Day {
        const char* context;
        std::vector<BYTE> format;
        ULONGLONG frameBytes;
        ULONGLONG framesPerSecond;
    };
    const Day days[] = {
        {"640x480 RGB 24 at 30 fps", VideoFormat(640, 480, 24), 640 * 480 * 3, 30},
        {"720x576 YUY2 at 25 fps", VideoFormat(720, 576, 16, MAKEFOURCC('Y', 'U', 'Y', '2')),
         720 * 576 * 2, 25},
        {"320x240 RGB 24 at 30 fps", VideoFormat(320, 240, 24), 320 * 240 * 3, 30},
    };
    for (const Day& day : days) {
        SCOPED_TRACE(day.context);
        const std::string path = TempPath("avi_writer_day.avi");
        AviWriterSettings settings;
        settings.videoFormat = day.format;
        settings.audioFormat = AudioFormat(44100, 2, 16);
        CAviWriter writer;
        ASSERT_TRUE(writer.Open(path, settings));
        const ULONGLONG frames = day.framesPerSecond * 24 * 3600;
        const ULONGLONG sound = 44100ULL * 4 * 24 * 3600;
        const ULONGLONG bytes = frames * (day.frameBytes + 8) + sound + frames * 8;
        const ULONGLONG bySize = bytes / (settings.riffBlockBytes - (4 << 20)) + 1;
        const ULONGLONG byVideoIndex = frames / writer.StandardIndexCapacity(0) + 1;
        const ULONGLONG bySoundIndex = frames / writer.StandardIndexCapacity(1) + 1;
        EXPECT_LE(bySize + byVideoIndex + bySoundIndex, settings.superIndexEntries)
            << bySize << " + " << byVideoIndex << " + " << bySoundIndex;
        EXPECT_GE(static_cast<ULONGLONG>(settings.superIndexEntries) * settings.riffBlockBytes,
                  bytes);
        EXPECT_LT(sound / 4, 0xFFFFFFFFULL) << "the sound stream's length in one day";
        writer.Close();
        DeleteFileA(path.c_str());
    }
}

TEST(AviWriterIndexes, TheFrameRateGivenIsTheStreamsRate) {
    const std::string path = TempPath("avi_writer_rate.avi");
    AviWriterSettings settings;
    settings.videoFormat = VideoFormat(32, 24, 24);
    settings.frameRate = 30000;
    settings.frameScale = 1001;
    CAviWriter writer;
    ASSERT_TRUE(writer.Open(path, settings));
    ASSERT_TRUE(writer.WriteVideo(FrameBytes(0, 32 * 24 * 3).data(), 32 * 24 * 3));
    ASSERT_TRUE(writer.Close());
    RiffFile file(path);
    const RiffChunk* hdrl = file.Blocks()[0].Find(Fcc("LIST"), Fcc("hdrl"));
    ASSERT_NE(hdrl, nullptr);
    EXPECT_EQ(file.At<DWORD>(hdrl->Find(Fcc("avih"))->dataPos), 33367u); // rounded
    const RiffChunk* strh = hdrl->Find(Fcc("LIST"), Fcc("strl"))->Find(Fcc("strh"));
    EXPECT_EQ(file.At<DWORD>(strh->dataPos + 20), 1001u);  // dwScale
    EXPECT_EQ(file.At<DWORD>(strh->dataPos + 24), 30000u); // dwRate
    DeleteFileA(path.c_str());
}

// 8-bit mono sound in chunks of odd sizes (each with its pad byte), between
// frames, a checkpoint every few frames; `sound` gets the samples written
// and `checkpoints` the bytes written and sound samples at each checkpoint.
struct OddSoundRun {
    std::vector<BYTE> sound;
    std::vector<std::pair<ULONGLONG, size_t>> checkpoints;
};

void WriteOddSound(CAviWriter& writer, const std::string& path, OddSoundRun& run, bool openDml) {
    AviWriterSettings settings;
    settings.openDml = openDml;
    settings.videoFormat = VideoFormat(32, 24, 24);
    settings.audioFormat = AudioFormat(8000, 1, 8);
    settings.frameRate = 20;
    settings.superIndexEntries = 64;
    if (!writer.Open(path, settings)) {
        return;
    }
    for (DWORD n = 0; n < 24; ++n) {
        const std::vector<BYTE> sound = FrameBytes(300 + n, 397 + 2 * (n % 4));
        if (!writer.WriteVideo(FrameBytes(n, 32 * 24 * 3).data(), 32 * 24 * 3) ||
            !writer.WriteAudio(sound.data(), static_cast<DWORD>(sound.size()))) {
            return;
        }
        run.sound.insert(run.sound.end(), sound.begin(), sound.end());
        if (n % 3 == 2) {
            if (!writer.Checkpoint()) {
                return;
            }
            run.checkpoints.push_back({writer.BytesWrittenForTest(), run.sound.size()});
        }
    }
}

// A file cut off around each checkpoint and across the capture, in both
// formats: AVIFile opens it and reads every sound sample the header counts,
// at least those up to the last checkpoint, as written, and every frame. (An
// AVI 1.0 file cut within a checkpoint's header once counted chunks its
// movie list did not yet hold: AVIFile, walking the list, read past the
// frames it found and crashed.)
TEST(AviWriterIndexes, OddSizedSoundChunksOfAFileCutOffReadBackThroughAviFile) {
    AVIFileInit();
    const std::string path = TempPath("avi_writer_odd_sound.avi");
    for (const bool openDml : {true, false}) {
        SCOPED_TRACE(openDml ? "OpenDML" : "AVI 1.0");
        OddSoundRun whole;
        {
            CAviWriter writer;
            WriteOddSound(writer, path, whole, openDml);
        }
        ASSERT_EQ(whole.checkpoints.size(), 8u);
        std::vector<ULONGLONG> cuts;
        for (const auto& [bytes, samples] : whole.checkpoints) {
            for (ULONGLONG d : {0ULL, 4ULL, 8ULL, 12ULL, 100ULL, 401ULL}) {
                cuts.push_back(bytes - d);
                cuts.push_back(bytes + d);
            }
        }
        for (ULONGLONG at = whole.checkpoints[0].first - 3000; at < whole.checkpoints.back().first;
             at += 157) {
            cuts.push_back(at);
        }
        for (const ULONGLONG cut : cuts) {
            SCOPED_TRACE("cut at byte " + std::to_string(cut));
            if (!openDml && cut < whole.checkpoints[0].first) {
                continue; // no sizes yet, as the platform's own files
            }
            OddSoundRun run;
            {
                CAviWriter writer;
                writer.StopWritingAfterForTest(cut);
                WriteOddSound(writer, path, run, openDml);
            }
            size_t atLeast = 0;
            for (const auto& [bytes, samples] : whole.checkpoints) {
                atLeast = bytes <= cut ? samples : atLeast;
            }
            PAVIFILE file = nullptr;
            ASSERT_EQ(AVIFileOpenA(&file, path.c_str(), OF_READ | OF_SHARE_DENY_NONE, nullptr),
                      AVIERR_OK);
            PAVISTREAM stream = nullptr;
            ASSERT_EQ(AVIFileGetStream(file, &stream, streamtypeAUDIO, 0), AVIERR_OK);
            const LONG length = AVIStreamLength(stream);
            EXPECT_GE(length, static_cast<LONG>(atLeast));
            ASSERT_LE(length, static_cast<LONG>(whole.sound.size()));
            // A few hundred samples at a time, across the chunks' boundaries.
            std::vector<BYTE> read(static_cast<size_t>(length));
            for (LONG at = 0; at < length; at += 250) {
                const LONG samples = std::min<LONG>(250, length - at);
                LONG bytes = 0;
                ASSERT_EQ(
                    AVIStreamRead(stream, at, samples, read.data() + at, samples, &bytes, nullptr),
                    AVIERR_OK)
                    << "samples from " << at << " of " << length;
                EXPECT_EQ(bytes, samples);
            }
            EXPECT_EQ(memcmp(read.data(), whole.sound.data(), read.size()), 0);
            AVIStreamRelease(stream);
            ASSERT_EQ(AVIFileGetStream(file, &stream, streamtypeVIDEO, 0), AVIERR_OK);
            const LONG frames = AVIStreamLength(stream);
            std::vector<BYTE> frame(32 * 24 * 3);
            for (LONG n = 0; n < frames; ++n) {
                LONG bytes = 0;
                EXPECT_EQ(AVIStreamRead(stream, n, 1, frame.data(), static_cast<LONG>(frame.size()),
                                        &bytes, nullptr),
                          AVIERR_OK);
            }
            AVIStreamRelease(stream);
            AVIFileRelease(file);
        }
    }
    DeleteFileA(path.c_str());
    AVIFileExit();
}

} // namespace
