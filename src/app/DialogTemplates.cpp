#include "app/DialogTemplate.h"

namespace quillane {
namespace {

using namespace style;

constexpr std::uint32_t shown = child | visible;

constexpr DialogControl aboutControls[] = {
    {-1, ControlClass::staticControl, "", programIconId, shown | icon, 11, 17, 20, 20},
    {idVersionText, ControlClass::staticControl, text::versionPlaceholder, 0, shown | left | noPrefix | group, 40, 10, 119, 8},
    {idLegalText, ControlClass::staticControl, text::legalPlaceholder, 0, shown | left | group, 40, 25, 153, 8},
    {idOk, ControlClass::button, text::ok, 0, shown | defPushButton | group | tabStop, 178, 7, 50, 14},
};

constexpr DialogControl mainControls[] = {
    {idOk, ControlClass::button, text::split, 0, shown | defPushButton | tabStop, 69, 215, 50, 14},
    {idCancel, ControlClass::button, text::cancel, 0, shown | pushButton | tabStop, 201, 215, 50, 14},
    {-1, ControlClass::button, text::inputGroup, 0, shown | groupBox, 20, 17, 285, 87},
    {idBrowseInput, ControlClass::button, text::browse, 0, shown | pushButton | tabStop, 243, 53, 50, 14},
    {-1, ControlClass::button, text::outputGroup, 0, shown | groupBox, 17, 163, 286, 47},
    {idBrowseOutput, ControlClass::button, text::browse, 0, shown | pushButton | tabStop, 243, 186, 50, 14},
    {idOutputFolder, ControlClass::edit, "", 0, shown | border | tabStop | autoHScroll, 27, 188, 206, 14},
    {idProgress, ControlClass::progressBar, text::progressPlaceholder, 0, shown | border, 13, 248, 289, 12},
    {idInputList, ControlClass::listBox, "", 0,
     shown | border | vScroll | hScroll | tabStop | notify | noSel | noIntegralHeight | ownerDrawFixed | hasStrings,
     28, 30, 201, 63},
    {-1, ControlClass::button, text::flipGroup, 0, shown | groupBox, 21, 106, 282, 55},
    {idFlip, ControlClass::button, text::flip, 0, shown | autoCheckBox | tabStop, 32, 129, 73, 10},
    // The two diagonals are one group, which the picture after them ends: Tab reaches the checked
    // one, the arrow keys move between them.
    {idMainDiagonal, ControlClass::button, text::mainDiagonal, 0,
     shown | autoRadioButton | group | disabled, 142, 120, 99, 10},
    {idOppositeDiagonal, ControlClass::button, text::oppositeDiagonal, 0,
     shown | autoRadioButton | disabled, 142, 141, 103, 10},
    {-1, ControlClass::staticControl, "", mainDiagonalBitmapId, shown | bitmap | group, 250, 114, 22, 20},
    {-1, ControlClass::staticControl, "", oppositeDiagonalBitmapId, shown | bitmap, 250, 135, 22, 20},
    {idWriteBack, ControlClass::button, text::writeBack, 0,
     shown | autoCheckBox | tabStop, 29, 175, 137, 10},
    {idStatus, ControlClass::edit, "", 0, shown | readOnly | autoHScroll | tabStop, 13, 234, 286, 14},
};

// Three pictures side by side, each 176 units square, the histograms and figures of the two
// channels under theirs, the tone curve, what "Save picture..." writes and the buttons under the
// composite, and a line for what is under the pointer.
constexpr DialogControl previewControls[] = {
    {idPreviewFile, ControlClass::staticControl, "", 0, shown | left | noPrefix | pathEllipsis, 7, 6, 546, 8},
    {idPreviewSummary, ControlClass::staticControl, "", 0, shown | left | noPrefix, 7, 16, 546, 8},
    {-1, ControlClass::staticControl, text::redChannel, 0, shown | left | noPrefix, 7, 30, 176, 8},
    {-1, ControlClass::staticControl, text::greenChannel, 0, shown | left | noPrefix, 190, 30, 176, 8},
    {-1, ControlClass::staticControl, text::composite, 0, shown | left | noPrefix, 373, 30, 176, 8},
    {idPreviewRed, ControlClass::staticControl, "", 0, shown | ownerDraw, 7, 40, 176, 176},
    {idPreviewGreen, ControlClass::staticControl, "", 0, shown | ownerDraw, 190, 40, 176, 176},
    {idPreviewComposite, ControlClass::staticControl, "", 0, shown | ownerDraw, 373, 40, 176, 176},
    {idPreviewRedHistogram, ControlClass::staticControl, "", 0, shown | ownerDraw, 7, 220, 176, 30},
    {idPreviewGreenHistogram, ControlClass::staticControl, "", 0, shown | ownerDraw, 190, 220, 176, 30},
    {idPreviewRedFigures, ControlClass::staticControl, "", 0, shown | left | noPrefix, 7, 254, 176, 32},
    {idPreviewGreenFigures, ControlClass::staticControl, "", 0, shown | left | noPrefix, 190, 254, 176, 32},
    {idPreviewLogarithmic, ControlClass::button, text::logarithmic, 0, shown | autoCheckBox | tabStop | group, 373, 222, 120, 10},
    {idPreviewWholeScan, ControlClass::button, text::wholeScan, 0, shown | autoRadioButton | group | tabStop, 373, 236, 60, 10},
    {idPreviewCurrentView, ControlClass::button, text::currentView, 0, shown | autoRadioButton, 437, 236, 70, 10},
    {-1, ControlClass::staticControl, text::longestSide, 0, shown | left | noPrefix | group, 373, 249, 48, 8},
    {idPreviewPictureSize, ControlClass::edit, "1024", 0, shown | border | tabStop | number, 423, 247, 32, 12},
    {-1, ControlClass::staticControl, text::pixels, 0, shown | left | noPrefix, 458, 249, 30, 8},
    {idPreviewSave, ControlClass::button, text::savePicture, 0, shown | pushButton | tabStop | group, 373, 262, 80, 14},
    {idCancel, ControlClass::button, text::close, 0, shown | pushButton | tabStop, 469, 262, 80, 14},
    {idPreviewPointer, ControlClass::staticControl, text::zoomHint, 0, shown | left | noPrefix, 7, 290, 542, 8},
};

constexpr DialogTemplate aboutDialog = {
    aboutDialogId, text::aboutCaption, 0, 0, 235, 55, "MS Sans Serif", 8,
    popup | caption | sysMenu | modalFrame | setFont, 0, aboutControls};

constexpr DialogTemplate mainDialog = {
    mainDialogId, text::mainCaption, 0, 0, 320, 273, "MS Sans Serif", 8,
    popup | visible | caption | sysMenu | thickFrame | modalFrame | setFont, appWindow, mainControls};

constexpr DialogTemplate previewDialog = {
    previewDialogId, text::previewCaption, 0, 0, 556, 302, "MS Sans Serif", 8,
    popup | caption | sysMenu | thickFrame | setFont, 0, previewControls};

}  // namespace

const DialogTemplate& aboutDialogTemplate() { return aboutDialog; }
const DialogTemplate& mainDialogTemplate() { return mainDialog; }
const DialogTemplate& previewDialogTemplate() { return previewDialog; }

const char* loadString(int id) {
    return id == aboutMenuStringId ? text::aboutMenuItem : "";
}

}  // namespace quillane
