// Label set-up and printing.
#include "KorvalApiLock.h"
#include "KorvalCommand.h"
#include "KorvalState.h"
#include "korval.h"

namespace {

constexpr int kLargestCount = 65535;
constexpr int kLargestHeight = 65535;
constexpr unsigned int kLargestGap = 240;

} // namespace

extern "C" KORVAL_API int OBX_GetInfo(void)
{
    const KorvalApiLock lock;
    return korvalFixedCommand(KORVAL_ERR_NO_OUTPUT_GET_INFO, KORVAL_ERR_WRITE_GET_INFO,
                              "T60,60,0,2,1,1,N,\"KORVAL.DLL Ver: 10.0.0.5180712\"\r\n");
}

extern "C" KORVAL_API int OBX_SetDarkness(int darkness)
{
    const KorvalApiLock lock;
    if (!korvalOutputOpen())
        return korvalFail(KORVAL_ERR_NO_OUTPUT_SET_DARKNESS);
    return korvalCommand(KORVAL_ERR_WRITE_SET_DARKNESS, "H%d\r\n", darkness);
}

extern "C" KORVAL_API int OBX_SetPrintSpeed(int speed)
{
    const KorvalApiLock lock;
    if (!korvalOutputOpen())
        return korvalFail(KORVAL_ERR_NO_OUTPUT_SET_PRINT_SPEED);
    return korvalCommand(KORVAL_ERR_WRITE_SET_PRINT_SPEED, "S%d\r\n", speed);
}

extern "C" KORVAL_API int OBX_SetLabelHeight(int height, unsigned int gap, int markOffset,
                                             int blackMark)
{
    const KorvalApiLock lock;
    if (!korvalOutputOpen())
        return korvalFail(KORVAL_ERR_NO_OUTPUT_SET_LABEL_HEIGHT);
    // An impossible label is left out silently: the printer keeps its current height.
    if (!korvalInRange(height, 1, kLargestHeight) || gap > kLargestGap)
        return 0;
    if (blackMark == 0)
        return korvalCommand(KORVAL_ERR_WRITE_SET_LABEL_HEIGHT, "Q%d,%u\r\n", height, gap);
    if (markOffset >= 0)
        return korvalCommand(KORVAL_ERR_WRITE_SET_LABEL_HEIGHT, "Q%d,B%u+%d\r\n", height, gap,
                             markOffset);
    return korvalCommand(KORVAL_ERR_WRITE_SET_LABEL_HEIGHT, "Q%d,B%u%d\r\n", height, gap,
                         markOffset);
}

extern "C" KORVAL_API int OBX_SetLabelWidth(int width)
{
    const KorvalApiLock lock;
    if (!korvalOutputOpen())
        return korvalFail(KORVAL_ERR_NO_OUTPUT_SET_LABEL_WIDTH);
    return korvalCommand(KORVAL_ERR_WRITE_SET_LABEL_WIDTH, "q%d\r\n", width);
}

extern "C" KORVAL_API int OBX_SetDirection(char direction)
{
    const KorvalApiLock lock;
    if (!korvalOutputOpen())
        return korvalFail(KORVAL_ERR_NO_OUTPUT_SET_DIRECTION);
    return korvalCommand(KORVAL_ERR_WRITE_SET_DIRECTION, "Z%c\r\n", direction);
}

extern "C" KORVAL_API int OBX_SetCoordinateOrigin(int x, int y)
{
    const KorvalApiLock lock;
    if (!korvalOutputOpen())
        return korvalFail(KORVAL_ERR_NO_OUTPUT_SET_COORDINATE_ORIGIN);
    return korvalCommand(KORVAL_ERR_WRITE_SET_COORDINATE_ORIGIN, "R%d,%d\r\n", x, y);
}

// The spool file is sent whatever the arguments, so a bad value still delivers what was
// built, only without the print command; the caller still learns of the bad value.
extern "C" KORVAL_API int OBX_PrintLabel(int sets, int copies)
{
    const KorvalApiLock lock;
    if (!korvalOutputOpen())
        return korvalFail(KORVAL_ERR_NO_OUTPUT_PRINT_LABEL);
    const bool valid =
        korvalInRange(sets, 1, kLargestCount) && korvalInRange(copies, 1, kLargestCount);
    // Without an open spool file the last label was sent already: sending the file again
    // would print it twice.
    if (korvalState().spoolFd < 0)
        return korvalFail(valid ? KORVAL_ERR_WRITE_PRINT_LABEL : KORVAL_ERR_INVALID_PRINT_LABEL);
    if (!valid) {
        // Bad counts still send what the spool file holds, without a W command.
        const int invalid = korvalFail(KORVAL_ERR_INVALID_PRINT_LABEL);
        const int sent = korvalSendSpool();
        return sent != 0 ? sent : invalid;
    }
    // A print whose own command could not be written sends nothing.
    if (korvalCommand(KORVAL_ERR_WRITE_PRINT_LABEL, "W%d,%d\r\n", sets, copies) != 0)
        return KORVAL_ERR_WRITE_PRINT_LABEL;
    return korvalSendSpool();
}

extern "C" KORVAL_API int OBX_PrintLabelAuto(int sets, int copies)
{
    const KorvalApiLock lock;
    if (!korvalOutputOpen())
        return korvalFail(KORVAL_ERR_NO_OUTPUT_PRINT_LABEL_AUTO);
    if (!korvalInRange(sets, 1, kLargestCount))
        return korvalFail(KORVAL_ERR_INVALID_PRINT_LABEL_AUTO);
    if (!korvalInRange(copies, 1, kLargestCount))
        copies = 1;
    return korvalCommand(KORVAL_ERR_WRITE_PRINT_LABEL_AUTO, "WA%d,%d\r\n", sets, copies);
}
