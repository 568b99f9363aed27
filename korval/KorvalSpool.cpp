// The spool file: every command goes to it with one write, and printing sends it whole.
#include "KorvalSpool.h"
#include "KorvalApiLock.h"

#include "KorvalSpoolFile.h"
#include "KorvalSpooler.h"
#include "KorvalState.h"
#include "KorvalUsb.h"
#include "korval.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

constexpr const char *kSpoolFileName = "/ombrixtemp.prn";
constexpr const char *kJobTitle = "My PrintJob";

enum class SpoolRead
{
    Ok,
    Unreadable,
    NoMemory
};

// Reads the whole spool file into a buffer of its size plus one.
SpoolRead readSpoolFile(const std::string &path, std::unique_ptr<char[]> &data, size_t &size)
{
    FILE *file = path.empty() ? nullptr : std::fopen(path.c_str(), "rb");
    if (!file)
        return SpoolRead::Unreadable;
    long length = -1;
    if (std::fseek(file, 0, SEEK_END) == 0)
        length = std::ftell(file);
    std::rewind(file);
    if (length < 0) {
        std::fclose(file);
        return SpoolRead::Unreadable;
    }
    size = size_t(length);
    data.reset(new (std::nothrow) char[size + 1]);
    if (!data) {
        std::fclose(file);
        return SpoolRead::NoMemory;
    }
    const size_t got = std::fread(data.get(), 1, size, file);
    std::fclose(file);
    return got == size ? SpoolRead::Ok : SpoolRead::Unreadable;
}

int sendSpoolToSpooler()
{
    KorvalState &state = korvalState();
    std::unique_ptr<char[]> data;
    size_t size = 0;
    switch (readSpoolFile(state.spoolFilePath, data, size)) {
    case SpoolRead::Unreadable:
        return korvalFail(KORVAL_ERR_SPOOL_READ);
    case SpoolRead::NoMemory:
        ClosePort();
        return korvalFail(KORVAL_ERR_SPOOL_MEMORY);
    case SpoolRead::Ok:
        break;
    }
    if (state.spoolerHandle == 0)
        return korvalFail(KORVAL_ERR_NO_QUEUE);
    switch (korvalSpoolerPrintRaw(state.spoolerQueue, kJobTitle, data.get(), size)) {
    case KorvalSpoolerResult::StartFailed:
        return korvalFail(KORVAL_ERR_JOB_START);
    case KorvalSpoolerResult::WriteFailed:
        return korvalFail(KORVAL_ERR_JOB_WRITE);
    case KorvalSpoolerResult::EndFailed:
        return korvalFail(KORVAL_ERR_JOB_END);
    case KorvalSpoolerResult::Ok:
        break;
    }
    return 0;
}

int sendSpoolToUsb()
{
    KorvalState &state = korvalState();
    std::unique_ptr<char[]> data;
    size_t size = 0;
    switch (readSpoolFile(state.spoolFilePath, data, size)) {
    case SpoolRead::Unreadable:
        return korvalFail(KORVAL_ERR_USB_SPOOL_READ);
    case SpoolRead::NoMemory:
        korvalUsbClose(state.usbFd);
        state.usbFd = -1;
        state.usbDeviceNode.clear();
        state.output = state.spoolerHandle ? KorvalOutput::Spooler : KorvalOutput::None;
        return korvalFail(KORVAL_ERR_USB_SPOOL_MEMORY);
    case SpoolRead::Ok:
        break;
    }
    // A printer that takes fewer bytes than the label holds would print half a label.
    if (size > 0 && korvalUsbWrite(state.usbFd, data.get(), size) != size)
        return korvalFail(KORVAL_ERR_JOB_WRITE);
    return 0;
}

// Appends the open file to the spool file in pieces of at most one buffer.
int appendFile(FILE *file)
{
    KorvalState &state = korvalState();
    std::unique_ptr<char[]> ownBuffer;
    char *chunk = state.scratchBuffer.get();
    if (!chunk) {
        ownBuffer.reset(new (std::nothrow) char[kKorvalBufferSize]);
        chunk = ownBuffer.get();
    }
    if (!chunk)
        return KORVAL_ERR_SEND_FILE_APPEND;
    for (;;) {
        const size_t got = std::fread(chunk, 1, kKorvalBufferSize, file);
        if (std::ferror(file))
            return KORVAL_ERR_SEND_FILE_READ;
        if (got == 0)
            return 0;
        if (korvalWriteBytes(chunk, got) != 0)
            return KORVAL_ERR_SEND_FILE_APPEND;
    }
}

void clearBuffers()
{
    KorvalState &state = korvalState();
    if (state.commandBuffer)
        std::memset(state.commandBuffer.get(), 0, kKorvalBufferSize);
    if (state.scratchBuffer)
        std::memset(state.scratchBuffer.get(), 0, kKorvalBufferSize);
    state.commandLength = 0;
}

} // namespace

int korvalWriteBytes(const void *data, size_t size)
{
    const int fd = korvalState().spoolFd;
    if (fd < 0 || korvalSpoolFileWrite(fd, data, size) != size)
        return korvalFail(KORVAL_ERR_SPOOL_WRITE);
    return 0;
}

int korvalWriteChunked(const void *data, size_t size)
{
    const char *bytes = static_cast<const char *>(data);
    for (size_t offset = 0; offset < size; offset += kKorvalBufferSize) {
        const size_t piece = std::min(kKorvalBufferSize, size - offset);
        if (korvalWriteBytes(bytes + offset, piece) != 0)
            return KORVAL_ERR_SPOOL_WRITE;
    }
    return 0;
}

int korvalWriteCommandV(const char *format, va_list args)
{
    KorvalState &state = korvalState();
    va_list measure;
    va_list again;
    va_copy(measure, args);
    va_copy(again, args);
    char *text = state.commandBuffer.get();
    int length = text ? std::vsnprintf(text, kKorvalBufferSize, format, args) : -1;
    std::unique_ptr<char[]> large;
    if (!text || length >= int(kKorvalBufferSize)) {
        // Long texts and data get a buffer of their own rather than being cut off.
        length = std::vsnprintf(nullptr, 0, format, measure);
        if (length >= 0)
            large.reset(new (std::nothrow) char[size_t(length) + 1]);
        text = large.get();
        if (text)
            length = std::vsnprintf(text, size_t(length) + 1, format, again);
    }
    va_end(measure);
    va_end(again);
    if (!text || length < 0)
        return korvalFail(KORVAL_ERR_SPOOL_WRITE);
    state.commandLength = uint32_t(length);
    return korvalWriteBytes(text, size_t(length));
}

int korvalWriteCommand(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    const int result = korvalWriteCommandV(format, args);
    va_end(args);
    return result;
}

void korvalCloseSpoolFile()
{
    KorvalState &state = korvalState();
    korvalSpoolFileClose(state.spoolFd);
    state.spoolFd = -1;
}

int korvalSendSpool()
{
    korvalCloseSpoolFile();
    return korvalState().usbFd >= 0 ? sendSpoolToUsb() : sendSpoolToSpooler();
}

extern "C" KORVAL_API int OBX_ClearBuffer(void)
{
    const KorvalApiLock lock;
    if (!korvalOutputOpen())
        return korvalFail(KORVAL_ERR_NO_OUTPUT_CLEAR_BUFFER);
    KorvalState &state = korvalState();
    korvalCloseSpoolFile();
    const std::string dir = korvalCurrentDirectory();
    state.spoolFilePath = dir.empty() ? std::string() : dir + kSpoolFileName;
    state.spoolFd = dir.empty() ? -1 : korvalSpoolFileCreate(state.spoolFilePath);
    if (state.spoolFd < 0)
        return korvalFail(KORVAL_ERR_SPOOL_CREATE);
    if (korvalWriteCommand("N\r\n") != 0)
        return korvalFail(KORVAL_ERR_WRITE_CLEAR_BUFFER);
    return 0;
}

extern "C" KORVAL_API int OBX_WritePrinter(void)
{
    const KorvalApiLock lock;
    return korvalSendSpool();
}

extern "C" KORVAL_API int OBX_SendFile(const char *fileName)
{
    const KorvalApiLock lock;
    if (!korvalOutputOpen())
        return korvalFail(KORVAL_ERR_NO_OUTPUT_SEND_FILE);
    clearBuffers();
    FILE *file = fileName ? std::fopen(fileName, "rb") : nullptr;
    if (!file)
        return korvalFail(KORVAL_ERR_SEND_FILE_OPEN);
    const int appended = appendFile(file);
    std::fclose(file);
    if (appended != 0)
        return korvalFail(appended);
    return korvalSendSpool();
}
