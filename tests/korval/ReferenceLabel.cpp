#include "ReferenceLabel.h"

#include "korval.h"

int printReferenceLabel(const char *queue)
{
    int code = OpenPort(queue);
    if (code != 0)
        return code;
    const int steps[] = {
        OBX_ClearBuffer(),
        OBX_SetLabelHeight(529, 2, 0, 0),
        OBX_SetLabelWidth(529),
        OBX_SetDarkness(14),
        OBX_SetPrintSpeed(5),
        OBX_SetDirection('B'),
        OBX_DrawRectangle(10, 10, 3, 509, 509),
        OBX_DrawLineOr(20, 480, 480, 4),
        OBX_DrawText(30, 30, 0, 3, 1, 1, 'N', "KT4X-Q2"),
        OBX_DrawBarcode(30, 420, 0, "1", 2, 4, 40, 'B', "HXKT4R00A1B2"),
        OBX_DrawBar2D_QREx(71, 120, 0, 8, 1, 0, 8, "QR1", "HXKT4R00A1B2"),
        OBX_PrintLabel(1, 1),
    };
    for (int step : steps) {
        if (step != 0 && code == 0)
            code = step;
    }
    ClosePort();
    return code;
}
