/* A plain C caller of the installed library: the header compiles as C, the symbols link,
 * and the library answers without any printer. */
#include <korval.h>
#include <stdio.h>

int main(void)
{
    if (ClosePort() != 0)
        return 1;
    if (OBX_ClearBuffer() != -3001 || OBX_GetErrState() != -3001)
        return 2;
    if (OBX_SetDarkness(14) != -3002 || OBX_GetUSBID(7) != NULL)
        return 3;
    puts("korval caller ok");
    return 0;
}
