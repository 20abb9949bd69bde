#pragma once

#include "version/ProgramInfo.h"

#include <cstdint>
#include <span>

namespace quillane {

// Window and control style bits, with the values the dialog templates were written in.
namespace style {
inline constexpr std::uint32_t child = 0x40000000;
inline constexpr std::uint32_t visible = 0x10000000;
inline constexpr std::uint32_t disabled = 0x08000000;
inline constexpr std::uint32_t border = 0x00800000;
inline constexpr std::uint32_t vScroll = 0x00200000;
inline constexpr std::uint32_t hScroll = 0x00100000;
inline constexpr std::uint32_t group = 0x00020000;
inline constexpr std::uint32_t tabStop = 0x00010000;

inline constexpr std::uint32_t popup = 0x80000000;
inline constexpr std::uint32_t caption = 0x00C00000;
inline constexpr std::uint32_t sysMenu = 0x00080000;
inline constexpr std::uint32_t modalFrame = 0x00000080;  // DS_MODALFRAME
inline constexpr std::uint32_t setFont = 0x00000040;     // DS_SETFONT
inline constexpr std::uint32_t thickFrame = 0x00040000;  // WS_THICKFRAME: a frame to resize by
inline constexpr std::uint32_t appWindow = 0x00040000;   // WS_EX_APPWINDOW (extended style)

// Buttons: the low four bits choose the kind.
inline constexpr std::uint32_t buttonKindMask = 0x0F;
inline constexpr std::uint32_t pushButton = 0x0;
inline constexpr std::uint32_t defPushButton = 0x1;
inline constexpr std::uint32_t autoCheckBox = 0x3;
inline constexpr std::uint32_t groupBox = 0x7;
inline constexpr std::uint32_t autoRadioButton = 0x9;

// Edits.
inline constexpr std::uint32_t autoHScroll = 0x0080;
inline constexpr std::uint32_t readOnly = 0x0800;
inline constexpr std::uint32_t number = 0x2000;

// List boxes.
inline constexpr std::uint32_t notify = 0x0001;
inline constexpr std::uint32_t ownerDrawFixed = 0x0010;
inline constexpr std::uint32_t hasStrings = 0x0040;
inline constexpr std::uint32_t noIntegralHeight = 0x0100;
inline constexpr std::uint32_t noSel = 0x4000;

// Statics: the low five bits choose the kind.
inline constexpr std::uint32_t staticKindMask = 0x1F;
inline constexpr std::uint32_t left = 0x00;
inline constexpr std::uint32_t icon = 0x03;
inline constexpr std::uint32_t ownerDraw = 0x0D;
inline constexpr std::uint32_t bitmap = 0x0E;
inline constexpr std::uint32_t noPrefix = 0x80;
inline constexpr std::uint32_t pathEllipsis = 0x8000;  // SS_PATHELLIPSIS
}  // namespace style

enum class ControlClass { button, edit, staticControl, listBox, progressBar };

// One control of a dialog template. Positions and sizes are in dialog units: a quarter of
// the dialog font's average character width across, an eighth of its height down.
struct DialogControl {
    int id;
    ControlClass controlClass;
    const char* text;
    int image;  // resource id of the picture a bitmap or icon static shows, else 0
    std::uint32_t styles;
    int x, y, width, height;
};

struct DialogTemplate {
    int id;
    const char* caption;
    int x, y, width, height;
    const char* fontName;
    int pointSize;
    std::uint32_t styles;
    std::uint32_t extendedStyles;
    std::span<const DialogControl> controls;
};

// The windows' texts, shared by the templates and by front ends that lay the controls out
// themselves.
namespace text {
inline constexpr const char* mainCaption = "Quillane: Velmora's Tiff Image Channel Splitter Utility";
inline constexpr const char* split = "Split Tiff";
inline constexpr const char* cancel = "Cancel";
inline constexpr const char* inputGroup = "Velmora Two Channel Tiff / Tiffs";
inline constexpr const char* browse = "Browse...";
inline constexpr const char* outputGroup = "Output Directory";
inline constexpr const char* progressPlaceholder = "Progress1";
inline constexpr const char* flipGroup = "ImageManipulation";
inline constexpr const char* flip = "Flip/Rotate Image";
inline constexpr const char* mainDiagonal = "Flip along main diagonal";
inline constexpr const char* oppositeDiagonal = "Flip along opposite diagonal";
inline constexpr const char* writeBack = "Write Split tiffs back to input directory";
inline constexpr const char* aboutCaption = "About Quillane";
inline constexpr const char* versionPlaceholder = "Quillane Version 1.2";
inline constexpr const char* legalPlaceholder = "Copyright (C)";
inline constexpr const char* ok = "OK";
inline constexpr const char* aboutMenuItem = QUILLANE_ABOUT_MENU_ITEM;  // string 101
inline constexpr const char* preview = "Preview";  // the list's context menu
inline constexpr const char* previewCaption = "Quillane preview";
inline constexpr const char* redChannel = "Red (channel 0)";
inline constexpr const char* greenChannel = "Green (channel 1)";
inline constexpr const char* composite = "Red and green";
inline constexpr const char* logarithmic = "Logarithmic scale";
inline constexpr const char* savePicture = "Save picture\u2026";
inline constexpr const char* close = "Close";
inline constexpr const char* previewWorking = "Reading the scan...";
inline constexpr const char* wholeScan = "Whole scan";     // what "Save picture..." writes
inline constexpr const char* currentView = "Current view";
inline constexpr const char* longestSide = "Longest side:";
inline constexpr const char* pixels = "pixels";
inline constexpr const char* pictureWorking = "Making the picture...";
inline constexpr const char* zoomHint = "Wheel or + \u2212 to zoom, 0 fit, 1 for 1 : 1, drag or arrows to move";
}  // namespace text

// Resource ids.
inline constexpr int aboutDialogId = 100;
inline constexpr int aboutMenuStringId = 101;
inline constexpr int mainDialogId = 102;
inline constexpr int previewDialogId = 104;
inline constexpr int programIconId = 128;
inline constexpr int mainDiagonalBitmapId = 131;
inline constexpr int oppositeDiagonalBitmapId = 133;

// Control ids the code refers to.
inline constexpr int idOk = 1;
inline constexpr int idCancel = 2;
inline constexpr int idBrowseInput = 1003;
inline constexpr int idBrowseOutput = 1004;
inline constexpr int idOutputFolder = 1005;
inline constexpr int idProgress = 1006;
inline constexpr int idInputList = 1007;
inline constexpr int idFlip = 1008;
inline constexpr int idMainDiagonal = 1009;
inline constexpr int idOppositeDiagonal = 1010;
inline constexpr int idVersionText = 1011;
inline constexpr int idLegalText = 1012;
inline constexpr int idWriteBack = 1013;
inline constexpr int idStatus = 1015;
// The preview window's.
inline constexpr int idPreviewFile = 1101;
inline constexpr int idPreviewSummary = 1102;
inline constexpr int idPreviewRed = 1103;
inline constexpr int idPreviewGreen = 1104;
inline constexpr int idPreviewComposite = 1105;
inline constexpr int idPreviewRedHistogram = 1106;
inline constexpr int idPreviewGreenHistogram = 1107;
inline constexpr int idPreviewRedFigures = 1108;
inline constexpr int idPreviewGreenFigures = 1109;
inline constexpr int idPreviewLogarithmic = 1110;
inline constexpr int idPreviewSave = 1111;
inline constexpr int idPreviewPointer = 1112;  // the position and the samples under the pointer
inline constexpr int idPreviewWholeScan = 1113;  // what "Save picture..." writes
inline constexpr int idPreviewCurrentView = 1114;
inline constexpr int idPreviewPictureSize = 1115;

const DialogTemplate& aboutDialogTemplate();  // 100
const DialogTemplate& mainDialogTemplate();   // 102
const DialogTemplate& previewDialogTemplate(); // 104

// The command the About item of the system menu sends.
inline constexpr unsigned aboutCommand = 0x0010;

// The string table; empty for an id it does not hold.
const char* loadString(int id);

}  // namespace quillane
