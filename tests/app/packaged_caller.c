/* A C caller built with pkg-config against an unpacked libkorval-dev: the header compiles
 * as C, the symbols link, the library answers without a printer, and it prints where the
 * dynamic linker found the library so that the test can check it came from the package. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <korval.h>
#include <stdio.h>

int main(void)
{
    Dl_info info;
    if (ClosePort() != 0)
        return 1;
    if (OBX_ClearBuffer() != -3001 || OBX_GetErrState() != -3001)
        return 2;
    if (!dladdr((void *)&OBX_ClearBuffer, &info) || !info.dli_fname)
        return 3;
    printf("%s\n", info.dli_fname);
    return 0;
}
