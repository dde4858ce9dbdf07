#pragma once

// Which pages the "Video Configuration" sheet shows. The driver names one in
// each CreateConfigDialog; across the library's boundary it is a plain int.
enum class TunerSheetMode : int {
    VideoSource = 0,  // the Video Source and Color pages
    VideoDisplay = 1, // the Drawing page (so is any value other than 0 and 2)
    VideoFormat = 2,  // the Video Format page
};

constexpr TunerSheetMode SheetModeFromInt(int sheetMode) {
    switch (sheetMode) {
    case int(TunerSheetMode::VideoSource):
        return TunerSheetMode::VideoSource;
    case int(TunerSheetMode::VideoFormat):
        return TunerSheetMode::VideoFormat;
    default:
        return TunerSheetMode::VideoDisplay;
    }
}
