#include "KorvalState.h"

#include "korval.h"

KorvalState &korvalState()
{
    static KorvalState state;
    return state;
}

int korvalFail(int code)
{
    korvalState().lastError = code;
    return code;
}

extern "C" KORVAL_API int OBX_GetErrState(void)
{
    return korvalState().lastError;
}
