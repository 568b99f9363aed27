// Soft fonts, stored forms, counters and variables.
#include "KorvalApiLock.h"
#include "KorvalCommand.h"
#include "korval.h"

namespace {

bool isJustification(char c)
{
    return c == 'L' || c == 'C' || c == 'R' || c == 'N';
}

} // namespace

extern "C" KORVAL_API int OBX_SoftFontList(void)
{
    const KorvalApiLock lock;
    return korvalFixedCommand(KORVAL_ERR_NO_OUTPUT_SOFT_FONT_LIST, KORVAL_ERR_WRITE_SOFT_FONT_LIST,
                              "EI\r\n");
}

extern "C" KORVAL_API int OBX_SoftFontDel(char fontId)
{
    const KorvalApiLock lock;
    if (!korvalOutputOpen())
        return korvalFail(KORVAL_ERR_NO_OUTPUT_SOFT_FONT_DEL);
    if (!korvalInRange(fontId, 'A', 'Z') && fontId != '*')
        return korvalFail(KORVAL_ERR_INVALID_SOFT_FONT_DEL);
    return korvalCommand(KORVAL_ERR_WRITE_SOFT_FONT_DEL, "EK\"%c\"\r\n", fontId);
}

extern "C" KORVAL_API int OBX_FormList(void)
{
    const KorvalApiLock lock;
    return korvalFixedCommand(KORVAL_ERR_NO_OUTPUT_FORM_LIST, KORVAL_ERR_WRITE_FORM_LIST, "FI\r\n");
}

extern "C" KORVAL_API int OBX_FormDel(const char *formName)
{
    const KorvalApiLock lock;
    return korvalNamedCommand(KORVAL_ERR_NO_OUTPUT_FORM_DEL, KORVAL_ERR_INVALID_FORM_DEL,
                              KORVAL_ERR_WRITE_FORM_DEL, "FK", formName);
}

extern "C" KORVAL_API int OBX_FormDownload(const char *formName)
{
    const KorvalApiLock lock;
    return korvalNamedCommand(KORVAL_ERR_NO_OUTPUT_FORM_DOWNLOAD, KORVAL_ERR_INVALID_FORM_DOWNLOAD,
                              KORVAL_ERR_WRITE_FORM_DOWNLOAD, "FS", formName);
}

extern "C" KORVAL_API int OBX_FormEnd(void)
{
    const KorvalApiLock lock;
    return korvalFixedCommand(KORVAL_ERR_NO_OUTPUT_FORM_END, KORVAL_ERR_WRITE_FORM_END, "FE\r\n");
}

extern "C" KORVAL_API int OBX_ExecForm(const char *formName)
{
    const KorvalApiLock lock;
    return korvalNamedCommand(KORVAL_ERR_NO_OUTPUT_EXEC_FORM, KORVAL_ERR_INVALID_EXEC_FORM,
                              KORVAL_ERR_WRITE_EXEC_FORM, "FR", formName);
}

extern "C" KORVAL_API int OBX_DefineCounter(int counter, int maxDigits, char justification,
                                            const char *step, const char *prompt)
{
    const KorvalApiLock lock;
    if (!korvalOutputOpen())
        return korvalFail(KORVAL_ERR_NO_OUTPUT_DEFINE_COUNTER);
    if (!korvalInRange(counter, 0, 9) || !korvalInRange(maxDigits, 1, 40) ||
        !isJustification(justification) || !korvalLineText(step) || !korvalLineText(prompt))
        return korvalFail(KORVAL_ERR_INVALID_DEFINE_COUNTER);
    return korvalCommand(KORVAL_ERR_WRITE_DEFINE_COUNTER, "C%d,%d,%c,%s,\"%s\"\r\n", counter,
                         maxDigits, justification, korvalText(step), korvalText(prompt));
}

extern "C" KORVAL_API int OBX_DefineVariable(int variable, int maxLength, char justification,
                                             const char *prompt)
{
    const KorvalApiLock lock;
    if (!korvalOutputOpen())
        return korvalFail(KORVAL_ERR_NO_OUTPUT_DEFINE_VARIABLE);
    if (!korvalInRange(variable, 0, 99) || !korvalInRange(maxLength, 1, 99) ||
        !isJustification(justification) || !korvalLineText(prompt))
        return korvalFail(KORVAL_ERR_INVALID_DEFINE_VARIABLE);
    return korvalCommand(KORVAL_ERR_WRITE_DEFINE_VARIABLE, "V%d,%d,%c,\"%s\"\r\n", variable,
                         maxLength, justification, korvalText(prompt));
}

extern "C" KORVAL_API int OBX_Download(void)
{
    const KorvalApiLock lock;
    return korvalFixedCommand(KORVAL_ERR_NO_OUTPUT_DOWNLOAD, KORVAL_ERR_WRITE_DOWNLOAD, "?\r\n");
}

extern "C" KORVAL_API int OBX_DownloadInitVar(const char *text)
{
    const KorvalApiLock lock;
    if (!korvalOutputOpen())
        return korvalFail(KORVAL_ERR_NO_OUTPUT_DOWNLOAD_INIT_VAR);
    if (!korvalLineText(text))
        return korvalFail(KORVAL_ERR_INVALID_DOWNLOAD_INIT_VAR);
    return korvalCommand(KORVAL_ERR_WRITE_DOWNLOAD_INIT_VAR, "%s\r\n", korvalText(text));
}

extern "C" KORVAL_API int OBX_SetFontGap(int gap)
{
    const KorvalApiLock lock;
    if (!korvalOutputOpen())
        return korvalFail(KORVAL_ERR_NO_OUTPUT_SET_FONT_GAP);
    return korvalCommand(KORVAL_ERR_WRITE_SET_FONT_GAP, "g%d\r\n",
                         gap < -99  ? -99
                         : gap > 99 ? 99
                                    : gap);
}

extern "C" KORVAL_API int OBX_SetBarCodeFontName(char fontId, int field2, int field3)
{
    const KorvalApiLock lock;
    if (!korvalOutputOpen())
        return korvalFail(KORVAL_ERR_NO_OUTPUT_SET_BARCODE_FONT_NAME);
    if (!korvalLineChar(fontId))
        return korvalFail(KORVAL_ERR_INVALID_SET_BARCODE_FONT_NAME);
    return korvalCommand(KORVAL_ERR_WRITE_SET_BARCODE_FONT_NAME, "BF\"%c\",%d,%d\r\n", fontId,
                         field2, field3);
}

extern "C" KORVAL_API int OBX_SetCharSets(int dataBits, char codePage, const char *country)
{
    const KorvalApiLock lock;
    if (!korvalOutputOpen())
        return korvalFail(KORVAL_ERR_NO_OUTPUT_SET_CHAR_SETS);
    if (!korvalLineChar(codePage) || !korvalLineText(country))
        return korvalFail(KORVAL_ERR_INVALID_SET_CHAR_SETS);
    return korvalCommand(KORVAL_ERR_WRITE_SET_CHAR_SETS, "I%d,%c,%s\r\n", dataBits, codePage,
                         korvalText(country));
}

extern "C" KORVAL_API int OBX_RenameDownloadFont(int number, char fontId, const char *fontName)
{
    const KorvalApiLock lock;
    if (!korvalOutputOpen())
        return korvalFail(KORVAL_ERR_NO_OUTPUT_RENAME_DOWNLOAD_FONT);
    if (!korvalLineChar(fontId) || !korvalLineText(fontName))
        return korvalFail(KORVAL_ERR_INVALID_RENAME_DOWNLOAD_FONT);
    return korvalCommand(KORVAL_ERR_WRITE_RENAME_DOWNLOAD_FONT, "CF%d,%c,%s\r\n", number, fontId,
                         korvalText(fontName));
}
