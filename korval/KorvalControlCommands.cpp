// Printer control and RFID commands.
#include "KorvalApiLock.h"
#include "KorvalCommand.h"
#include "korval.h"

namespace {

int cutCount(int n)
{
    return korvalInRange(n, 1, 999) ? n : 1;
}

} // namespace

extern "C" KORVAL_API int OBX_DisableBackFeed(void)
{
    const KorvalApiLock lock;
    return korvalFixedCommand(KORVAL_ERR_NO_OUTPUT_DISABLE_BACK_FEED,
                              KORVAL_ERR_WRITE_DISABLE_BACK_FEED, "JB\r\n");
}

extern "C" KORVAL_API int OBX_EnableBackFeed(void)
{
    const KorvalApiLock lock;
    return korvalFixedCommand(KORVAL_ERR_NO_OUTPUT_ENABLE_BACK_FEED,
                              KORVAL_ERR_WRITE_ENABLE_BACK_FEED, "JF\r\n");
}

extern "C" KORVAL_API int OBX_PrintConfiguration(void)
{
    const KorvalApiLock lock;
    return korvalFixedCommand(KORVAL_ERR_NO_OUTPUT_PRINT_CONFIGURATION,
                              KORVAL_ERR_WRITE_PRINT_CONFIGURATION, "U\r\n");
}

extern "C" KORVAL_API int OBX_SetPrinterState(char state)
{
    const KorvalApiLock lock;
    if (!korvalOutputOpen())
        return korvalFail(KORVAL_ERR_NO_OUTPUT_SET_PRINTER_STATE);
    if (state != 'P' && state != 'L' && state != 'D' && state != 'C' && state != 'N')
        return korvalFail(KORVAL_ERR_INVALID_SET_PRINTER_STATE);
    return korvalCommand(KORVAL_ERR_WRITE_SET_PRINTER_STATE, "O%c\r\n", state);
}

extern "C" KORVAL_API int OBX_EnableFLASH(void)
{
    const KorvalApiLock lock;
    return korvalFixedCommand(KORVAL_ERR_NO_OUTPUT_ENABLE_FLASH, KORVAL_ERR_WRITE_ENABLE_FLASH,
                              "ZS\r\n");
}

extern "C" KORVAL_API int OBX_DisableFLASH(void)
{
    const KorvalApiLock lock;
    return korvalFixedCommand(KORVAL_ERR_NO_OUTPUT_DISABLE_FLASH, KORVAL_ERR_WRITE_DISABLE_FLASH,
                              "ZN\r\n");
}

extern "C" KORVAL_API int OBX_FeedMedia(void)
{
    const KorvalApiLock lock;
    return korvalFixedCommand(KORVAL_ERR_NO_OUTPUT_FEED_MEDIA, KORVAL_ERR_WRITE_FEED_MEDIA,
                              "FM\r\n");
}

extern "C" KORVAL_API int OBX_MediaDetect(void)
{
    const KorvalApiLock lock;
    return korvalFixedCommand(KORVAL_ERR_NO_OUTPUT_MEDIA_DETECT, KORVAL_ERR_WRITE_MEDIA_DETECT,
                              "MD\r\n");
}

extern "C" KORVAL_API int OBX_CutPage(int labels)
{
    const KorvalApiLock lock;
    if (!korvalOutputOpen())
        return korvalFail(KORVAL_ERR_NO_OUTPUT_CUT_PAGE);
    return korvalCommand(KORVAL_ERR_WRITE_CUT_PAGE, "#UM>CP%03d\r\n", cutCount(labels));
}

extern "C" KORVAL_API int OBX_CutPageEx(int labels)
{
    const KorvalApiLock lock;
    if (!korvalOutputOpen())
        return korvalFail(KORVAL_ERR_NO_OUTPUT_CUT_PAGE_EX);
    return korvalCommand(KORVAL_ERR_WRITE_CUT_PAGE_EX, "CT%d\r\n", cutCount(labels));
}

extern "C" KORVAL_API int OBX_Reset(void)
{
    const KorvalApiLock lock;
    return korvalFixedCommand(KORVAL_ERR_NO_OUTPUT_RESET, KORVAL_ERR_WRITE_RESET, "^@\r\n");
}

extern "C" KORVAL_API int OBX_FeedBack(void)
{
    const KorvalApiLock lock;
    return korvalFixedCommand(KORVAL_ERR_NO_OUTPUT_FEED_BACK, KORVAL_ERR_WRITE_FEED_BACK,
                              "^ee\r\n");
}

extern "C" KORVAL_API int OBX_RWRFIDLabel(int field1, int field2, int field3, int field4,
                                          int field5, const char *data)
{
    const KorvalApiLock lock;
    if (!korvalOutputOpen())
        return korvalFail(KORVAL_ERR_NO_OUTPUT_RW_RFID_LABEL);
    if (!korvalLineText(data))
        return korvalFail(KORVAL_ERR_INVALID_RW_RFID_LABEL);
    return korvalCommand(KORVAL_ERR_WRITE_RW_RFID_LABEL, "RF%d,%d,%d,%d,%d,\"%s\"\r\n", field1,
                         field2, field3, field4, field5, korvalText(data));
}

extern "C" KORVAL_API int OBX_SetRFLabelPWAndLockRFLabel(int field1, int field2, const char *data)
{
    const KorvalApiLock lock;
    if (!korvalOutputOpen())
        return korvalFail(KORVAL_ERR_NO_OUTPUT_LOCK_RF_LABEL);
    if (!korvalLineText(data))
        return korvalFail(KORVAL_ERR_INVALID_LOCK_RF_LABEL);
    return korvalCommand(KORVAL_ERR_WRITE_LOCK_RF_LABEL, "RZ%d,%d,\"%s\"\r\n", field1, field2,
                         korvalText(data));
}

extern "C" KORVAL_API int OBX_SetRFID(int field1, int field2, int field3, int field4, int field5)
{
    const KorvalApiLock lock;
    if (!korvalOutputOpen())
        return korvalFail(KORVAL_ERR_NO_OUTPUT_SET_RFID);
    return korvalCommand(KORVAL_ERR_WRITE_SET_RFID, "RS%d,%d,%d,%d,%d\r\n", field1, field2, field3,
                         field4, field5);
}

extern "C" KORVAL_API int OBX_RFIDCalibrate(void)
{
    const KorvalApiLock lock;
    return korvalFixedCommand(KORVAL_ERR_NO_OUTPUT_RFID_CALIBRATE, KORVAL_ERR_WRITE_RFID_CALIBRATE,
                              "MR\r\n");
}

extern "C" KORVAL_API int OBX_RWRFIDLabelEx(int field1, int field2, int field3, int field4,
                                            int field5, const char *data)
{
    const KorvalApiLock lock;
    if (!korvalOutputOpen())
        return korvalFail(KORVAL_ERR_NO_OUTPUT_RW_RFID_LABEL_EX);
    if (!korvalLineText(data))
        return korvalFail(KORVAL_ERR_INVALID_RW_RFID_LABEL_EX);
    return korvalCommand(KORVAL_ERR_WRITE_RW_RFID_LABEL_EX, "RA%d,%d,%d,%d,%d,\"%s\"\r\n", field1,
                         field2, field3, field4, field5, korvalText(data));
}
