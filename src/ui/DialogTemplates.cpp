#include "ui/DialogTemplate.h"

namespace quillane {
namespace {

using namespace style;

constexpr std::uint32_t shown = child | visible;

constexpr DialogControl aboutControls[] = {
    {-1, ControlClass::staticControl, "", programIconId, shown | icon, 11, 17, 20, 20},
    {idVersionText, ControlClass::staticControl, "Quillane Version 1.2", 0, shown | left | noPrefix | group, 40, 10, 119, 8},
    {idLegalText, ControlClass::staticControl, "Copyright (C)", 0, shown | left | group, 40, 25, 153, 8},
    {idOk, ControlClass::button, "OK", 0, shown | defPushButton | group | tabStop, 178, 7, 50, 14},
};

constexpr DialogControl mainControls[] = {
    {idOk, ControlClass::button, "Split Tiff", 0, shown | defPushButton | tabStop, 69, 215, 50, 14},
    {idCancel, ControlClass::button, "Cancel", 0, shown | pushButton | tabStop, 201, 215, 50, 14},
    {-1, ControlClass::button, "Velmora Two Channel Tiff / Tiffs", 0, shown | groupBox, 20, 17, 285, 87},
    {idBrowseInput, ControlClass::button, "Browse...", 0, shown | pushButton | tabStop, 243, 53, 50, 14},
    {-1, ControlClass::button, "Output Directory", 0, shown | groupBox, 17, 163, 286, 47},
    {idBrowseOutput, ControlClass::button, "Browse...", 0, shown | pushButton | tabStop, 243, 186, 50, 14},
    {idOutputFolder, ControlClass::edit, "", 0, shown | border | tabStop | autoHScroll, 27, 188, 206, 14},
    {idProgress, ControlClass::progressBar, "Progress1", 0, shown | border, 13, 248, 289, 12},
    {idInputList, ControlClass::listBox, "", 0,
     shown | border | vScroll | hScroll | tabStop | notify | noSel | noIntegralHeight, 28, 30, 201, 63},
    {-1, ControlClass::button, "ImageManipulation", 0, shown | groupBox, 21, 106, 282, 55},
    {idFlip, ControlClass::button, "Flip/Rotate Image", 0, shown | autoCheckBox | tabStop, 32, 129, 73, 10},
    {idMainDiagonal, ControlClass::button, "Flip along main diagonal", 0,
     shown | autoRadioButton | group | disabled, 142, 120, 99, 10},
    {idOppositeDiagonal, ControlClass::button, "Flip along opposite diagonal", 0,
     shown | autoRadioButton | group | disabled, 142, 141, 103, 10},
    {-1, ControlClass::staticControl, "", mainDiagonalBitmapId, shown | bitmap, 250, 114, 22, 20},
    {-1, ControlClass::staticControl, "", oppositeDiagonalBitmapId, shown | bitmap, 250, 135, 22, 20},
    {idWriteBack, ControlClass::button, "Write Split tiffs back to input directory", 0,
     shown | autoCheckBox | tabStop, 29, 175, 137, 10},
    {idStatus, ControlClass::edit, "", 0, shown | readOnly | autoHScroll | tabStop, 13, 234, 286, 14},
};

constexpr DialogTemplate aboutDialog = {
    aboutDialogId, "About Quillane", 0, 0, 235, 55, "MS Sans Serif", 8,
    popup | caption | sysMenu | modalFrame | setFont, 0, aboutControls};

constexpr DialogTemplate mainDialog = {
    mainDialogId, "Quillane: Velmora's Tiff Image Channel Splitter Utility", 0, 0, 320, 273, "MS Sans Serif", 8,
    popup | visible | caption | sysMenu | modalFrame | setFont, appWindow, mainControls};

}  // namespace

const DialogTemplate& aboutDialogTemplate() { return aboutDialog; }
const DialogTemplate& mainDialogTemplate() { return mainDialog; }

const char* loadString(int id) {
    return id == aboutMenuStringId ? "&About Quillane ..." : "";
}

}  // namespace quillane
