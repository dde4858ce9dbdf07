#pragma once

// The INFO list of every capture file, whichever writer writes it: the
// notice of copyright.

#include "capturefile/AviWriter.h"

#include <windows.h>

#include <mmsystem.h>

#include <iterator>
#include <vector>

constexpr char kCopyrightNotice[] = "Copyright (C) Brindlecove Video Systems, 2026.";
static_assert(sizeof kCopyrightNotice == 46 + 1);
constexpr FOURCC kCopyrightChunkId = mmioFOURCC('I', 'C', 'O', 'P');

// The INFO list for the program's writer.
inline std::vector<AviInfoEntry> CopyrightInfoList() {
    return {{kCopyrightChunkId,
             std::vector<BYTE>(std::begin(kCopyrightNotice), std::end(kCopyrightNotice))}};
}
