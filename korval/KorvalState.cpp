#include "KorvalState.h"
#include "KorvalApiLock.h"

#include "korval.h"

#include <cstring>
#include <new>

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

bool korvalOutputOpen()
{
    return korvalState().output != KorvalOutput::None;
}

namespace {

std::unique_ptr<char[]> zeroedBuffer()
{
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[kKorvalBufferSize]);
    if (buffer)
        std::memset(buffer.get(), 0, kKorvalBufferSize);
    return buffer;
}

} // namespace

int korvalAllocateBuffers()
{
    KorvalState &state = korvalState();
    if (!state.commandBuffer)
        state.commandBuffer = zeroedBuffer();
    if (!state.commandBuffer)
        return KORVAL_ERR_NO_COMMAND_BUFFER;
    if (!state.scratchBuffer)
        state.scratchBuffer = zeroedBuffer();
    if (!state.scratchBuffer)
        return KORVAL_ERR_NO_SCRATCH_BUFFER;
    state.commandLength = 0;
    return 0;
}

void korvalFreeBuffers()
{
    KorvalState &state = korvalState();
    state.commandBuffer.reset();
    state.scratchBuffer.reset();
    state.commandLength = 0;
}

extern "C" KORVAL_API int OBX_GetErrState(void)
{
    const KorvalApiLock lock;
    return korvalState().lastError;
}
