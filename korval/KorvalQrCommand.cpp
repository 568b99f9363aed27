// QR codes encoded by the library itself and sent as a stored raw bitmap graphic.
#include "KorvalApiLock.h"
#include "KorvalCommand.h"
#include "KorvalQr.h"
#include "KorvalQrBitmap.h"
#include "korval.h"

#include <memory>
#include <new>

extern "C" KORVAL_API int OBX_DrawBar2D_QREx(int x, int y, int rotation, int magnification,
                                             int level, int version, int mask,
                                             const char *graphicName, const char *data)
{
    const KorvalApiLock lock;
    if (!korvalOutputOpen())
        return korvalFail(KORVAL_ERR_NO_OUTPUT_DRAW_QR_EX);
    std::unique_ptr<QrSymbol> symbol(new (std::nothrow) QrSymbol);
    if (!symbol || !encodeQrSymbol(*symbol, level, version, mask, data))
        return korvalFail(KORVAL_ERR_QR_ENCODE);
    QrBitmap image;
    packQrBitmap(*symbol, rotation, magnification, image);
    symbol.reset();
    if (const int code = OBX_BinGraphicsDel(graphicName))
        return code;
    if (const int code =
            OBX_BinGraphicsDownload(graphicName, image.bytesPerRow, image.rows, image.bits.data()))
        return code;
    return OBX_RecallBinGraphics(x, y, graphicName);
}
