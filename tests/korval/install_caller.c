/* A plain C caller of the installed library: the header compiles as C, the symbols link,
 * the named result codes carry the library's numbers, and the library answers without any
 * printer. Prints the version it was compiled against for the script to compare. */
#include <korval.h>
#include <stdio.h>

int main(void)
{
    if (ClosePort() != KORVAL_OK)
        return 1;
    if (KORVAL_ERR_NO_OUTPUT_CLEAR_BUFFER != -3001 || OBX_ClearBuffer() != -3001 ||
        OBX_GetErrState() != KORVAL_ERR_NO_OUTPUT_CLEAR_BUFFER)
        return 2;
    if (OBX_SetDarkness(14) != KORVAL_ERR_NO_OUTPUT_SET_DARKNESS || OBX_GetUSBID(7) != NULL)
        return 3;
    printf("korval caller ok %s %d\n", KORVAL_VERSION, KORVAL_VERSION_MAJOR);
    return 0;
}
