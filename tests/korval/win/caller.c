/* A C caller built from the Windows package alone (korval.h and the import library):
 * prints one label to the printer named on the command line. */
#include "korval.h"

#include <stdio.h>

int main(int argc, char **argv)
{
    int rc;
    if (argc != 2) {
        fprintf(stderr, "usage: korval_caller PRINTER\n");
        return 2;
    }
    rc = OpenPort(argv[1]);
    if (rc != 0) {
        printf("OpenPort: %d\n", rc);
        return 1;
    }
    if (OBX_ClearBuffer() != 0 || OBX_SetLabelHeight(529, 2, 0, 0) != 0 ||
        OBX_SetLabelWidth(529) != 0 ||
        OBX_DrawBar2D_QREx(71, 211, 0, 8, 1, 0, 8, "QR1", "HXKT4R00A1B2") != 0 ||
        OBX_PrintLabel(1, 1) != 0) {
        printf("label: %d\n", OBX_GetErrState());
        ClosePort();
        return 1;
    }
    ClosePort();
    puts("korval caller printed one label");
    return 0;
}
