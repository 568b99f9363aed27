#include "app/OmbrixLibrary.h"

#include "JXUtils/JXAppPaths.h"

#include <array>
#include <cstring>

namespace {
// Every export the program binds, in lookup order.
const char *const kEntryNames[] = {"OpenPort",
                                   "SetPCComPort",
                                   "ClosePort",
                                   "OBX_GetErrState",
                                   "OBX_PrintLabel",
                                   "OBX_GetInfo",
                                   "OBX_ClearBuffer",
                                   "OBX_SetDarkness",
                                   "OBX_SetPrintSpeed",
                                   "OBX_SetLabelHeight",
                                   "OBX_SetLabelWidth",
                                   "OBX_SetDirection",
                                   "OBX_DrawText",
                                   "OBX_DrawTextEx",
                                   "OBX_DrawTextTrueTypeW",
                                   "OBX_DrawBarcode",
                                   "OBX_DrawBarcodeEx",
                                   "OBX_DrawBar2D_DATAMATRIX",
                                   "OBX_DrawBar2D_QR",
                                   "OBX_DrawBar2D_QREx",
                                   "OBX_DrawBar2D_MaxiCode",
                                   "OBX_DrawBar2D_Pdf417",
                                   "OBX_DrawBar2D_HANXIN",
                                   "OBX_PcxGraphicsList",
                                   "OBX_PcxGraphicsDel",
                                   "OBX_PcxGraphicsDownload",
                                   "OBX_DrawPcxGraphics",
                                   "OBX_PrintPCX",
                                   "OBX_BinGraphicsList",
                                   "OBX_BinGraphicsDel",
                                   "OBX_BinGraphicsDownload",
                                   "OBX_RecallBinGraphics",
                                   "OBX_DrawBinGraphics",
                                   "OBX_BmpGraphicsDownload",
                                   "OBX_DrawRectangle",
                                   "OBX_DrawLineXor",
                                   "OBX_DrawLineOr",
                                   "OBX_DrawDiagonal",
                                   "OBX_DrawWhiteLine",
                                   "OBX_RWRFIDLabel",
                                   "OBX_SetRFLabelPWAndLockRFLabel",
                                   "OBX_SetRFIDLabelRetryCount",
                                   "OBX_SetRFID",
                                   "OBX_FeedBack",
                                   "OBX_ErrorReportUSB",
                                   "OBX_ErrorReport",
                                   "OBX_GetUSBID",
                                   "OBX_SendFile",
                                   "OBX_SoftFontList",
                                   "OBX_SoftFontDel",
                                   "OBX_FormList",
                                   "OBX_FormDel",
                                   "OBX_FormDownload",
                                   "OBX_DefineCounter",
                                   "OBX_DefineVariable",
                                   "OBX_FormEnd",
                                   "OBX_ExecForm",
                                   "OBX_Download",
                                   "OBX_DownloadInitVar",
                                   "OBX_PrintLabelAuto",
                                   "OBX_PrintConfiguration",
                                   "OBX_DisableBackFeed",
                                   "OBX_EnableBackFeed",
                                   "OBX_EnableFLASH",
                                   "OBX_DisableFLASH",
                                   "OBX_Reset",
                                   "OBX_FeedMedia",
                                   "OBX_MediaDetect",
                                   "OBX_CutPage",
                                   "OBX_CutPageEx",
                                   "OBX_SetPrinterState",
                                   "OBX_SetCoordinateOrigin",
                                   "OBX_SetFontGap",
                                   "OBX_SetBarCodeFontName",
                                   "OBX_SetCharSets"};
constexpr size_t kEntryCount = sizeof kEntryNames / sizeof kEntryNames[0];

// The exports the label calls; all must be present.
const char *const kLabelEntries[] = {
    "OpenPort",           "ClosePort",         "OBX_ClearBuffer",
    "OBX_SetLabelHeight", "OBX_SetLabelWidth", "OBX_SetDarkness",
    "OBX_SetPrintSpeed",  "OBX_SetDirection",  "OBX_DrawTextTrueTypeW",
    "OBX_DrawBar2D_QR",   "OBX_PrintLabel"};

// Process-wide, GUI thread only; each bind overwrites it.
std::array<QFunctionPointer, kEntryCount> &entryTable()
{
    static std::array<QFunctionPointer, kEntryCount> table = {};
    return table;
}

int indexOf(const char *name)
{
    for (size_t i = 0; i < kEntryCount; ++i) {
        if (std::strcmp(kEntryNames[i], name) == 0)
            return int(i);
    }
    return -1;
}
} // namespace

OmbrixLibrary::OmbrixLibrary()
{
    // A failed bind clears the table: no entry may point into a library released before.
    entryTable().fill(nullptr);
    if (!load())
        return;
    lookUpEntries();
    bound = true;
    for (const char *name : kLabelEntries)
        bound = bound && entryTable()[size_t(indexOf(name))] != nullptr;
}

OmbrixLibrary::~OmbrixLibrary() = default;

static_assert(OmbrixLibrary::kInterfaceVersion == KORVAL_SOVERSION,
              "the program must load the soname korval is built with");

bool OmbrixLibrary::load()
{
    return library.load(JXAppPaths::applicationDir(), kInterfaceVersion);
}

void OmbrixLibrary::lookUpEntries()
{
    for (size_t i = 0; i < kEntryCount; ++i)
        entryTable()[i] = library.resolve(kEntryNames[i]);
}

QFunctionPointer OmbrixLibrary::entryPoint(const char *name)
{
    const int index = indexOf(name);
    return index < 0 ? nullptr : entryTable()[size_t(index)];
}

int OmbrixLibrary::entryCount()
{
    return int(kEntryCount);
}

template <typename Fn>
Fn OmbrixLibrary::entry(const char *name) const
{
    return reinterpret_cast<Fn>(entryPoint(name));
}

OmbrixLibrary::OpenPortFn OmbrixLibrary::openPort() const
{
    return entry<OpenPortFn>("OpenPort");
}

OmbrixLibrary::VoidFn OmbrixLibrary::closePort() const
{
    return entry<VoidFn>("ClosePort");
}

OmbrixLibrary::VoidFn OmbrixLibrary::clearBuffer() const
{
    return entry<VoidFn>("OBX_ClearBuffer");
}

OmbrixLibrary::LabelHeightFn OmbrixLibrary::setLabelHeight() const
{
    return entry<LabelHeightFn>("OBX_SetLabelHeight");
}

OmbrixLibrary::IntFn OmbrixLibrary::setLabelWidth() const
{
    return entry<IntFn>("OBX_SetLabelWidth");
}

OmbrixLibrary::IntFn OmbrixLibrary::setDarkness() const
{
    return entry<IntFn>("OBX_SetDarkness");
}

OmbrixLibrary::IntFn OmbrixLibrary::setPrintSpeed() const
{
    return entry<IntFn>("OBX_SetPrintSpeed");
}

OmbrixLibrary::DirectionFn OmbrixLibrary::setDirection() const
{
    return entry<DirectionFn>("OBX_SetDirection");
}

OmbrixLibrary::TrueTypeFn OmbrixLibrary::drawTextTrueType() const
{
    return entry<TrueTypeFn>("OBX_DrawTextTrueTypeW");
}

OmbrixLibrary::QrFn OmbrixLibrary::drawQr() const
{
    return entry<QrFn>("OBX_DrawBar2D_QR");
}

OmbrixLibrary::PrintLabelFn OmbrixLibrary::printLabel() const
{
    return entry<PrintLabelFn>("OBX_PrintLabel");
}
